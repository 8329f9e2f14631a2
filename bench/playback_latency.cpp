// How soon a play is heard on the desktop's sound output: from the Play command to the first position
// above the play's start (what the clock shows) and to the first sample of the disc heard on the sound
// server (caught on the monitor of its output). Needs a sound server; with no desktop session start a
// private PulseAudio server with a null sink as tools/test.sh does.
// Usage: bench_playback_latency [plays] (default 10). The player's sound output; ORBELUNE_AUDIO=qt measures
// Qt Multimedia's sink instead.
#include <QCoreApplication>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "devices/CdioDrive.h"
#include "devices/SoundOutput.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A one-track image of a loud tone, so its first sample is told from the silence before it.
fs::path MakeImage(const fs::path& Folder, int Seconds) {
    std::ofstream Data(Folder / "tone.bin", std::ios::binary);
    std::vector<std::int16_t> Block(588 * 2);
    for (int I = 0; I < 588; ++I)
        Block[static_cast<std::size_t>(2 * I)] = Block[static_cast<std::size_t>(2 * I + 1)] =
            static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 441 * I / 44100.0) + 3000);
    for (int S = 0; S < Seconds * 75; ++S)
        Data.write(reinterpret_cast<const char*>(Block.data()),
                   static_cast<std::streamsize>(Block.size() * 2));
    std::ofstream(Folder / "tone.cue")
        << "FILE \"tone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    return Folder / "tone.cue";
}

// Records the monitor of the sound server's default output with parec (the server's own recorder) and
// notes when the first loud sample arrives after being armed. A sample's time is when its block arrived
// less the frames that follow it in the block.
class TMonitor {
public:
    TMonitor() {
        FPipe = ::popen("parec --device=@DEFAULT_MONITOR@ --raw --format=s16le --rate=44100 --channels=2 "
                        "--latency-msec=5 2>/dev/null",
                        "r");
        if (FPipe) FReader = std::thread([this] { Read(); });
    }
    ~TMonitor() {
        FQuit = true;
        if (FPipe) ::pclose(FPipe); // ends parec; the reader sees the end of the pipe
        if (FReader.joinable()) FReader.join();
    }
    bool Running() const { return FPipe != nullptr && !FEnded; }
    void Arm() {
        FHeard = 0;
        FArmed = true;
    }
    // Microseconds of the steady clock when the first loud sample was heard; 0 before.
    std::int64_t Heard() const { return FHeard; }

private:
    void Read() {
        std::vector<std::int16_t> Block(2 * 64);
        const int Fd = ::fileno(FPipe);
        while (!FQuit) {
            const ssize_t Got = ::read(Fd, Block.data(), Block.size() * 2);
            if (Got <= 0) break;
            const auto Now =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
                    .count();
            const std::size_t Frames = static_cast<std::size_t>(Got) / 4;
            if (!FArmed) continue;
            for (std::size_t F = 0; F < Frames; ++F)
                if (std::abs(Block[2 * F]) > 1000) {
                    FHeard = Now - static_cast<std::int64_t>((Frames - F) * 1000000 / 44100);
                    FArmed = false;
                    break;
                }
        }
        FEnded = true;
    }

    FILE* FPipe = nullptr;
    std::thread FReader;
    std::atomic<bool> FQuit{false}, FArmed{false}, FEnded{false};
    std::atomic<std::int64_t> FHeard{0};
};

double Millis(Clock::duration D) {
    return std::chrono::duration<double, std::milli>(D).count();
}

void Report(const char* What, std::vector<double> Values) {
    if (Values.empty()) {
        std::printf("%-44s not measured\n", What);
        return;
    }
    std::sort(Values.begin(), Values.end());
    std::printf("%-44s median %6.1f ms, best %6.1f, worst %6.1f (%zu plays)\n", What,
                Values[Values.size() / 2], Values.front(), Values.back(), Values.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    const int Plays = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!HaveAudioOutputDevice()) {
        std::fprintf(stderr, "no sound server: start one with a null sink (see tools/test.sh)\n");
        return 1;
    }
    const fs::path Folder = fs::temp_directory_path() / ("orbelune-latency-" + std::to_string(::getpid()));
    fs::create_directories(Folder);
    const fs::path Cue = MakeImage(Folder, 20);
    int Error = 0;
    std::unique_ptr<TCdioDrive> Drive = TCdioDrive::Open(
        Cue.string(), false, [] { return CreateSoundOutput(); }, Error);
    if (!Drive) {
        std::fprintf(stderr, "cannot open the image (%d)\n", Error);
        return 1;
    }

    TMonitor Monitor;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!Monitor.Running()) std::fprintf(stderr, "parec is missing: only the position is measured\n");

    std::vector<double> ToPosition, ToSound;
    const int From = 150 + 75; // a second into the track
    for (int Play = 0; Play < Plays; ++Play) {
        // Quiet before the play.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        Monitor.Arm();
        const Clock::time_point Pressed = Clock::now();
        Drive->Play(From, -1);
        Clock::time_point Moved{}, Heard{};
        while (Clock::now() - Pressed < std::chrono::seconds(6) &&
               (Moved == Clock::time_point{} || (Monitor.Running() && Heard == Clock::time_point{}))) {
            App.processEvents();
            if (Moved == Clock::time_point{} && Drive->Status().PositionFrame > From) Moved = Clock::now();
            if (Heard == Clock::time_point{} && Monitor.Heard() != 0)
                Heard = Clock::time_point(std::chrono::microseconds(Monitor.Heard()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (Moved != Clock::time_point{}) ToPosition.push_back(Millis(Moved - Pressed));
        if (Heard != Clock::time_point{}) ToSound.push_back(Millis(std::max(Heard, Pressed) - Pressed));
        Drive->Stop();
    }
    Drive.reset();
    fs::remove_all(Folder);

    Report("Play to the first position above its start:", ToPosition);
    Report("Play to the first sample heard (parec on the monitor):", ToSound);
    return 0;
}
