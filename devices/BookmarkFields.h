// The bookmark as the adjust window shows it: minutes, seconds and frames from the start of track 1.
#pragma once

#include "devices/base/TimeValues.h"

struct TMsfFields {
    int Minutes = 0;
    int Seconds = 0;
    int Frames = 0;
};

// Position less Track1 (never below 0) as fields.
TMsfFields RelativeFields(MSF Position, MSF Track1);
// The disc position of fields counted from Track1.
MSF AbsolutePosition(const TMsfFields& Fields, MSF Track1);
