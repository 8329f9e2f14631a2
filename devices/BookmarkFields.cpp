#include "devices/BookmarkFields.h"

#include <algorithm>

TMsfFields RelativeFields(MSF Position, MSF Track1) {
    const int Frames = std::max(0, MSFToFrames(Position) - MSFToFrames(Track1));
    return {Frames / 4500, Frames / 75 % 60, Frames % 75};
}

MSF AbsolutePosition(const TMsfFields& Fields, MSF Track1) {
    return FramesToMSF((Fields.Minutes * 60 + Fields.Seconds) * 75 + Fields.Frames + MSFToFrames(Track1));
}
