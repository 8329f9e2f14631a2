// Writes small audio disc images for the device tests: a cue sheet and a raw BIN whose samples are known.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

// Sample value of the generated images: a 441 Hz sine on the left channel (a whole number of periods in
// every sector) and the sector number on the right, so a test can tell which sector a sample came from.
inline std::int16_t ImageSample(int Sector, int Index, int Channel) {
    if (Channel == 1) return static_cast<std::int16_t>(Sector);
    return static_cast<std::int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * 441.0 * Index / 44100.0)));
}

// A disc of Sectors sectors with tracks starting at the given sectors (the first at 0), numbered from
// FirstTrack on. The data file is Name.bin unless DataName names it otherwise. Returns the cue sheet's path.
inline std::filesystem::path MakeDiscImage(const std::filesystem::path& Folder, const std::string& Name,
                                           int Sectors, const std::vector<int>& TrackSectors,
                                           const std::string& DataName = {}, int FirstTrack = 1) {
    const std::string DataFile = DataName.empty() ? Name + ".bin" : DataName;
    const auto Bin = Folder / DataFile;
    std::ofstream Data(Bin, std::ios::binary);
    std::vector<std::int16_t> Block(588 * 2);
    for (int S = 0; S < Sectors; ++S) {
        for (int I = 0; I < 588; ++I) {
            Block[static_cast<std::size_t>(2 * I)] = ImageSample(S, I, 0);
            Block[static_cast<std::size_t>(2 * I + 1)] = ImageSample(S, I, 1);
        }
        Data.write(reinterpret_cast<const char*>(Block.data()),
                   static_cast<std::streamsize>(Block.size() * 2));
    }
    const auto Cue = Folder / (Name + ".cue");
    std::ofstream Sheet(Cue);
    Sheet << "TITLE \"Generated\"\nFILE \"" << DataFile << "\" BINARY\n";
    int N = FirstTrack;
    for (int Start : TrackSectors) {
        char Line[160];
        std::snprintf(Line, sizeof Line,
                      "  TRACK %02d AUDIO\n    TITLE \"Tone %d\"\n    INDEX 01 %02d:%02d:%02d\n", N, N,
                      Start / 4500, Start % 4500 / 75, Start % 75);
        Sheet << Line;
        ++N;
    }
    return Cue;
}

// Walks the samples of one or more plays: each play is a run of whole frames (sector, index) from its
// first sector on, with no frame left out or repeated; a later play may begin anywhere in its
// predecessor's last sector (a command drops what the output had not yet taken). Returns the runs found
// as (first sector, frame count).
inline std::vector<std::pair<int, std::size_t>>
PlayedRuns(const std::vector<std::int16_t>& Samples, const std::vector<int>& Starts, std::string& Fault) {
    std::vector<std::pair<int, std::size_t>> Runs;
    std::size_t Next = 0; // next entry of Starts
    int Sector = -1, Index = 0;
    for (std::size_t F = 0; F + 1 < Samples.size(); F += 2) {
        const bool Expected = Sector >= 0 && Samples[F] == ImageSample(Sector, Index, 0) &&
                              Samples[F + 1] == ImageSample(Sector, Index, 1);
        if (!Expected) {
            if (Next >= Starts.size() || Samples[F] != ImageSample(Starts[Next], 0, 0) ||
                Samples[F + 1] != ImageSample(Starts[Next], 0, 1)) {
                Fault = "frame " + std::to_string(F / 2) + " is not sector " + std::to_string(Sector) +
                        " sample " + std::to_string(Index);
                return Runs;
            }
            Sector = Starts[Next++];
            Index = 0;
            Runs.push_back({Sector, 0});
        }
        ++Runs.back().second;
        if (++Index == 588) {
            Index = 0;
            ++Sector;
        }
    }
    return Runs;
}
