#include "devices/base/TimeValues.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

long double TimeInt(long double X) {
    return std::trunc(X);
}

long double TimeRound(long double X) {
    // nearbyint follows the current rounding mode, which is round-half-to-even unless someone changed it.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyint(X);
    if (saved != FE_TONEAREST) std::fesetround(saved);
    return r;
}

TMinSec MSFToMinSec(MSF Position) {
    return static_cast<TMinSec>(MSFMinute(Position) + MSFSecond(Position) * 0.01L);
}

MSF MinSecToMSF(TMinSec Time) {
    const long double t = Time;
    const long double whole = TimeInt(t);
    const int minutes = static_cast<int>(TimeRound(whole));
    const int seconds = static_cast<int>(TimeRound((t - whole) * 100.0L));
    return MakeMSF(minutes, seconds, 0);
}

int MSFToFrames(MSF Position) {
    return MSFMinute(Position) * FramesPerMinute + MSFSecond(Position) * FramesPerSecond + MSFFrame(Position);
}

MSF FramesToMSF(int Frames) {
    const int minutes = Frames / FramesPerMinute;
    const int rest = Frames % FramesPerMinute;
    return MakeMSF(minutes, rest / FramesPerSecond, rest % FramesPerSecond);
}

namespace {

long double ToSeconds(long double t) {
    const long double whole = TimeInt(t);
    return whole * 60.0L + (t - whole) * 100.0L;
}

TMinSec FromSeconds(long double sum) {
    // Snap to whole seconds: the decimal fractions of the operands are never exact in binary.
    sum = sum < 0 ? TimeInt(sum - 0.1L) : TimeInt(sum + 0.1L);
    const long double minutes = TimeInt(sum * (1.0L / 60.0L));
    return static_cast<TMinSec>(minutes + (sum - minutes * 60.0L) * 0.01L);
}

} // namespace

TMinSec AddTimes(TMinSec X, TMinSec Y) {
    return FromSeconds(ToSeconds(X) + ToSeconds(Y));
}

TMinSec SubTimes(TMinSec X, TMinSec Y) {
    return FromSeconds(ToSeconds(X) - ToSeconds(Y));
}

std::string FormatMinSec(double Time) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%5.2f", std::fabs(Time));
    std::string text = buffer;
    if (!text.empty() && text[0] == ' ') text[0] = '0';
    return text;
}

std::string FormatWidth(int Width, int Value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%*d", Width, Value);
    return buffer;
}
