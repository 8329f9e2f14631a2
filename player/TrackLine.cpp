#include "player/TrackLine.h"

#include "app/Settings.h"

std::string TrackLine(int Number, MSF Length, const std::string& Name) {
    return CutText255(FormatWidth(2, Number) + FormatMinSec(MSFToMinSec(Length)) + Name);
}
