// CPU cost of the CD device: playing audio from a disc image through the clocked null output (user+sys
// seconds per minute played) and one status call while idle. Usage: bench_device_playback [seconds]
// (default 20 s of real-time play, scaled to a minute).
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "devices/CdAudio.h"
#include "devices/CdioDrive.h"
#include "devices/NullSoundOutput.h"

namespace fs = std::filesystem;

namespace {

double CpuSeconds() {
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return Usage.ru_utime.tv_sec + Usage.ru_utime.tv_usec / 1e6 + Usage.ru_stime.tv_sec +
           Usage.ru_stime.tv_usec / 1e6;
}

// A two-track image of Seconds seconds of a sine.
fs::path MakeImage(const fs::path& Folder, int Seconds) {
    const int Sectors = Seconds * 75;
    std::ofstream Data(Folder / "bench.bin", std::ios::binary);
    std::vector<std::int16_t> Block(588 * 2);
    for (int S = 0; S < Sectors; ++S) {
        for (int I = 0; I < 588; ++I)
            Block[2 * I] = Block[2 * I + 1] =
                static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * I / 44100.0));
        Data.write(reinterpret_cast<const char*>(Block.data()),
                   static_cast<std::streamsize>(Block.size() * 2));
    }
    std::ofstream(Folder / "bench.cue")
        << "FILE \"bench.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        << "  TRACK 02 AUDIO\n    INDEX 01 00:30:00\n";
    return Folder / "bench.cue";
}

} // namespace

int main(int argc, char** argv) {
    const int PlaySeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path Folder = fs::temp_directory_path() / ("orbelune-bench-" + std::to_string(::getpid()));
    fs::create_directories(Folder);
    const fs::path Cue = MakeImage(Folder, PlaySeconds + 40);

    TPlayerSettings Settings;
    TPlayerState State;
    TCdAudio Cd(Settings, State, [&](int, int& Error) -> std::unique_ptr<TCdDrive> {
        return TCdioDrive::Open(
            Cue.string(), false, [] { return std::make_unique<TNullSoundOutput>(); }, Error);
    });
    Cd.OpenCD(0);
    Cd.ApplyVolume();

    // Idle: the calls a status poll makes while nothing plays.
    const int Calls = 200000;
    double Before = CpuSeconds();
    auto WallBefore = std::chrono::steady_clock::now();
    for (int I = 0; I < Calls / 4; ++I) {
        (void)Cd.IsMediaPresent();
        (void)Cd.GetCDMode();
        (void)Cd.GetDiscPosition();
        (void)Cd.GetCurrentTrack();
    }
    const double IdleCpu = CpuSeconds() - Before;
    const double IdleWall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - WallBefore).count();

    // Playing at real-time speed.
    Before = CpuSeconds();
    Cd.PlayFrom(MakeMSF(0, 2, 0), 1);
    std::this_thread::sleep_for(std::chrono::seconds(PlaySeconds));
    const double PlayCpu = CpuSeconds() - Before;
    const int Played = MSFToFrames(Cd.GetDiscPosition()) - 150;
    Cd.StopCD();
    Cd.CloseCD();
    fs::remove_all(Folder);

    std::printf("play: %.2f s of audio, %.4f s CPU (user+sys) = %.4f s CPU per minute played\n",
                Played / 75.0, PlayCpu, PlayCpu * 60.0 / (Played / 75.0));
    std::printf("idle status call: %.3f us CPU, %.3f us wall per call (%d calls)\n", IdleCpu * 1e6 / Calls,
                IdleWall * 1e6 / Calls, Calls);
    return 0;
}
