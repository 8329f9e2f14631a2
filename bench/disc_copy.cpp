// The disc copy's speed: a disc image copied to FLAC (paranoia reading, checksums, encoding) in times real
// time, and the FLAC encoding alone beside the `flac` command on the same audio at the same level.
// Usage: bench_disc_copy [IMAGE.cue [LEVEL]] (default: the demo disc, level 5; "" names the demo disc).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "copy/DiscCopy.h"
#include "copy/FlacTrackWriter.h"
#include "devices/DemoDisc.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point Start) {
    return std::chrono::duration<double>(Clock::now() - Start).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::string Image = argc > 1 && *argv[1] ? argv[1] : DemoDiscPath();
    const int Level = argc > 2 ? std::atoi(argv[2]) : 5;
    if (Image.empty()) {
        std::fprintf(stderr, "no disc image (build the demo disc or name one)\n");
        return 2;
    }
    const fs::path Scratch = fs::temp_directory_path() / ("orbelune-bench-copy-" + std::to_string(getpid()));
    fs::create_directories(Scratch);

    TCopySettings Settings;
    Settings.Folder = (Scratch / "copy").string();
    Settings.FlacLevel = Level;
    std::atomic<bool> Cancel{false};
    auto Start = Clock::now();
    const TDiscCopyResult Copy = CopyDisc(Image, false, Settings, {}, {}, Cancel);
    const double CopySeconds = Since(Start);
    if (!Copy.Completed()) {
        std::fprintf(stderr, "copy failed: %s\n", Copy.Error.c_str());
        return 1;
    }
    std::uint64_t Pairs = 0;
    for (const TTrackCopy& T : Copy.Tracks)
        if (!T.Data) Pairs += static_cast<std::uint64_t>(T.EndSector - T.FirstSector) * 588;
    const double Audio = static_cast<double>(Pairs) / 44100.0;

    // The same audio as one raw file, encoded by libFLAC through the copy's writer and by the command.
    const fs::path Raw = Scratch / "audio.raw";
    std::vector<std::int16_t> Pcm(Pairs * 2);
    {
        // The disc's audio in order: the copy's own files decode to it, but reading the image's data file
        // keeps the comparison free of decoding; the image named is a CUE sheet beside its BIN.
        fs::path Bin = fs::path(Image).replace_extension(".bin");
        std::ifstream In(Bin, std::ios::binary);
        In.read(reinterpret_cast<char*>(Pcm.data()), static_cast<std::streamsize>(Pcm.size() * 2));
        std::ofstream(Raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(Pcm.data()), static_cast<std::streamsize>(Pcm.size() * 2));
    }
    Start = Clock::now();
    TFlacTrackWriter Writer;
    std::string Error = Writer.Open((Scratch / "writer.flac").string(), Level, Pairs, {}, {});
    for (std::size_t At = 0; Error.empty() && At < Pairs; At += 588 * 64)
        Error = Writer.Write(Pcm.data() + 2 * At, std::min<std::size_t>(588 * 64, Pairs - At));
    if (Error.empty()) Error = Writer.Finish();
    const double OwnSeconds = Since(Start);
    if (!Error.empty()) std::fprintf(stderr, "encoding failed: %s\n", Error.c_str());

    const std::string Command = "flac --silent --force -" + std::to_string(Level) +
                                " --force-raw-format --endian=little --sign=signed --channels=2 --bps=16"
                                " --sample-rate=44100 -o '" +
                                (Scratch / "command.flac").string() + "' '" + Raw.string() + "'";
    Start = Clock::now();
    const int Status = std::system(Command.c_str());
    const double CommandSeconds = Since(Start);

    std::printf("audio: %.1f s in %zu files, FLAC level %d\n", Audio, Copy.Tracks.size(), Level);
    std::printf("copy (paranoia full mode, checksums, FLAC): %.2f s = %.1fx real time\n", CopySeconds,
                Audio / CopySeconds);
    std::printf("FLAC encoding, the copy's writer: %.2f s = %.1fx real time\n", OwnSeconds,
                Audio / OwnSeconds);
    if (Status == 0)
        std::printf("FLAC encoding, the flac command: %.2f s = %.1fx real time; writer / command = %.2f\n",
                    CommandSeconds, Audio / CommandSeconds, OwnSeconds / CommandSeconds);
    else
        std::printf("the flac command did not run (status %d)\n", Status);
    fs::remove_all(Scratch);
    return 0;
}
