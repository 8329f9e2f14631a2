// Mode of the CD device as the status poll reads it.
#pragma once

#include <cstdint>

enum TCDMode : std::uint8_t {
    cmNotReady = 0,
    cmStopped = 1,
    cmPlaying = 2,
    cmRecording = 3,
    cmSeeking = 4,
    cmPaused = 5,
    cmOpen = 6,
};
