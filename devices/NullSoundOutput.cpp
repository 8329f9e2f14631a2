// Clocked null sound output.
#include "devices/NullSoundOutput.h"

#include <algorithm>
#include <chrono>

#include "devices/CdErrors.h"

TNullSoundOutput::TNullSoundOutput(std::function<std::int64_t()> NowMicros) : FNow(std::move(NowMicros)) {
    if (!FNow)
        FNow = [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
}

int TNullSoundOutput::Start(int Rate, int Channels) {
    if (Rate <= 0 || Channels <= 0) return deWaveFormat;
    std::lock_guard Guard(FLock);
    FRate = Rate;
    FChannels = Channels;
    FRunning = true;
    FPaused = false;
    FWritten = FPlayed = 0;
    FLastMicros = FNow();
    FCarryMicros = 0;
    return deOK;
}

void TNullSoundOutput::Stop() {
    std::lock_guard Guard(FLock);
    FRunning = false;
    FWritten = FPlayed;
}

void TNullSoundOutput::Update() {
    const std::int64_t Now = FNow();
    std::int64_t Elapsed = Now - FLastMicros;
    FLastMicros = Now;
    if (!FRunning || FPaused || Elapsed <= 0) return;
    // Keep the remainder below one frame, exactly (in microseconds times the rate), so neither slow nor
    // fast polling gains or loses time.
    const std::uint64_t Units = static_cast<std::uint64_t>(Elapsed) * static_cast<std::uint64_t>(FRate) +
                                static_cast<std::uint64_t>(FCarryMicros);
    const std::uint64_t Frames = Units / 1000000;
    FCarryMicros = static_cast<std::int64_t>(Units % 1000000);
    FPlayed = std::min(FWritten, FPlayed + Frames);
    // An underrun does not bank time for later frames.
    if (FPlayed == FWritten) FCarryMicros = 0;
}

std::size_t TNullSoundOutput::Write(const std::int16_t* Samples, std::size_t Frames) {
    std::size_t Take;
    {
        std::lock_guard Guard(FLock);
        if (!FRunning) return 0;
        Update();
        const std::uint64_t Capacity = static_cast<std::uint64_t>(FRate) * BufferMillis / 1000;
        const std::uint64_t Buffered = FWritten - FPlayed;
        Take = static_cast<std::size_t>(
            std::min<std::uint64_t>(Frames, Capacity - std::min(Capacity, Buffered)));
        FWritten += Take;
    }
    if (Take > 0) Taken(Samples, Take * static_cast<std::size_t>(FChannels));
    return Take;
}

std::uint64_t TNullSoundOutput::PlayedFrames() {
    std::lock_guard Guard(FLock);
    Update();
    return FPlayed;
}

void TNullSoundOutput::SetPaused(bool Paused) {
    std::lock_guard Guard(FLock);
    Update();
    FPaused = Paused;
}
