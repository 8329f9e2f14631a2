// A sound output without a sound device: it consumes PCM at real-time speed, so positions and the end
// of a play behave as with a real device.
#pragma once

#include <functional>
#include <mutex>

#include "devices/SoundOutput.h"

class TNullSoundOutput : public TSoundOutput {
public:
    // NowMicros is the clock that paces the output; the default is the steady clock.
    explicit TNullSoundOutput(std::function<std::int64_t()> NowMicros = {});

    int Start(int Rate, int Channels) override;
    void Stop() override;
    std::size_t Write(const std::int16_t* Samples, std::size_t Frames) override;
    std::uint64_t PlayedFrames() override;
    void SetPaused(bool Paused) override;

    // Buffer size in milliseconds of audio.
    static constexpr int BufferMillis = 250;

protected:
    // Called with each block of samples the output takes.
    virtual void Taken(const std::int16_t*, std::size_t) {}

private:
    void Update(); // moves the played count up to the clock; FLock held

    std::function<std::int64_t()> FNow;
    std::mutex FLock;
    int FRate = 44100;
    int FChannels = 2;
    bool FRunning = false;
    bool FPaused = false;
    std::uint64_t FWritten = 0;
    std::uint64_t FPlayed = 0;
    std::int64_t FLastMicros = 0;
    std::int64_t FCarryMicros = 0; // time below one frame, in microseconds times the rate
};
