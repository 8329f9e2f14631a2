// Wave files on disk, read and written through libsndfile: whole PCM wave files, and the empty one that a
// recording starts from.
//
// The header libsndfile writes for a PCM wave (all fields little-endian):
//   offset size field
//   0      4    "RIFF"
//   4      4    RIFF size: 36 + data size
//   8      4    "WAVE"
//   12     4    "fmt "
//   16     4    format chunk size: 16
//   20     2    format tag: 1 (PCM)
//   22     2    channels
//   24     4    sample rate
//   28     4    average bytes per second: rate x channels x bits / 8
//   32     2    block align: channels x bits / 8
//   34     2    bits per sample
//   36     4    "data"
//   40     4    data size (0 for a new recording)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A wave held in memory: interleaved 16-bit samples whatever the file's sample size, which Bits keeps.
struct TWaveData {
    int Rate = 11025;
    int Channels = 1;
    int Bits = 8;
    std::vector<std::int16_t> Samples;

    std::size_t Frames() const {
        return Channels > 0 ? Samples.size() / static_cast<std::size_t>(Channels) : 0;
    }
};

// Writes a header-only PCM wave file (an empty wave of that format). Returns 0, deWaveFormat or
// deWaveWrite.
int WriteWaveHeader(const std::string& Path, int Rate, int Bits, int Channels);
// Reads a PCM wave file. Returns 0, deWaveNotFound or deNotWave.
int LoadWaveFile(const std::string& Path, TWaveData& Wave);
// Writes Wave as a PCM wave file of its Bits, through a temporary file so that a failed write leaves an
// existing file as it was. Returns 0 or deWaveWrite.
int SaveWaveFile(const std::string& Path, const TWaveData& Wave);
