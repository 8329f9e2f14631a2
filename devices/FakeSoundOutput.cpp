// Fake sound output on a virtual clock.
#include "devices/FakeSoundOutput.h"

TFakeSoundOutput::TFakeSoundOutput(TVirtualClock& Clock)
    : TNullSoundOutput([&Clock] { return Clock.NowMicros(); }) {}

std::vector<std::int16_t> TFakeSoundOutput::Samples() {
    std::lock_guard Guard(FSamplesLock);
    return FSamples;
}

std::size_t TFakeSoundOutput::SampleCount() {
    std::lock_guard Guard(FSamplesLock);
    return FSamples.size();
}

void TFakeSoundOutput::Taken(const std::int16_t* Samples, std::size_t Count) {
    std::lock_guard Guard(FSamplesLock);
    FSamples.insert(FSamples.end(), Samples, Samples + Count);
}
