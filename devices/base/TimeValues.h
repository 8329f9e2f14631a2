// Time values of the player: packed MSF positions, minutes.seconds times and frame counts,
// with the arithmetic every window and the device layer use on them.
#pragma once

#include <cstdint>
#include <string>

// A time whose integer part is minutes and whose first two decimals are seconds: 3.45 is 3 min 45 s.
using TMinSec = double;

// A CD position or length: minutes in the lowest byte, seconds in the second, frames (1/75 s) in the third.
using MSF = std::uint32_t;

constexpr int FramesPerSecond = 75;
constexpr int FramesPerMinute = 4500;

constexpr MSF MakeMSF(int Minutes, int Seconds, int Frames) {
    return (static_cast<MSF>(Minutes) & 0xFF) | ((static_cast<MSF>(Seconds) & 0xFF) << 8) |
           ((static_cast<MSF>(Frames) & 0xFF) << 16);
}
constexpr int MSFMinute(MSF Position) {
    return static_cast<int>(Position & 0xFF);
}
constexpr int MSFSecond(MSF Position) {
    return static_cast<int>((Position >> 8) & 0xFF);
}
constexpr int MSFFrame(MSF Position) {
    return static_cast<int>((Position >> 16) & 0xFF);
}

// Truncation toward zero and round-half-to-even, as all time arithmetic here uses them.
long double TimeInt(long double X);
long double TimeRound(long double X);

TMinSec MSFToMinSec(MSF Position);
MSF MinSecToMSF(TMinSec Time);
int MSFToFrames(MSF Position);
MSF FramesToMSF(int Frames);

// Sum and difference of two minutes.seconds times, snapped to whole seconds. A negative result keeps its
// sign in both parts (-0.30 stays -0.30).
TMinSec AddTimes(TMinSec X, TMinSec Y);
TMinSec SubTimes(TMinSec X, TMinSec Y);

// "mm.ss" of the absolute value: 3.05 gives "03.05", 123.4 gives "123.40".
std::string FormatMinSec(double Time);
// Value right-aligned in a field of Width characters.
std::string FormatWidth(int Width, int Value);
