// A clock that moves only when a test advances it, shared by the simulated drive and the fake sound
// output so timing logic can be tested without waiting.
#pragma once

#include <atomic>
#include <cstdint>

class TVirtualClock {
public:
    std::int64_t NowMicros() const { return FMicros.load(); }
    void Advance(std::int64_t Millis) { FMicros += Millis * 1000; }
    void AdvanceMicros(std::int64_t Micros) { FMicros += Micros; }

private:
    std::atomic<std::int64_t> FMicros{0};
};
