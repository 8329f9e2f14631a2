// A sound output on a virtual clock for tests: it plays only as fast as the test advances the clock and
// keeps every sample it was given.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/NullSoundOutput.h"
#include "devices/VirtualClock.h"

class TFakeSoundOutput : public TNullSoundOutput {
public:
    explicit TFakeSoundOutput(TVirtualClock& Clock);

    // All samples taken since construction (interleaved).
    std::vector<std::int16_t> Samples();
    std::size_t SampleCount();

protected:
    void Taken(const std::int16_t* Samples, std::size_t Count) override;

private:
    std::mutex FSamplesLock;
    std::vector<std::int16_t> FSamples;
};
