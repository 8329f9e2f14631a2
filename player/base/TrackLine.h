// The text of one track in the track lists: the number right-aligned in two characters, the length as
// "mm.ss", then the name. The lists draw it in three columns.
#pragma once

#include <string>

#include "devices/base/TimeValues.h"

// Cut to 255 characters, as a list item holds it.
std::string TrackLine(int Number, MSF Length, const std::string& Name);

// The track number of a line (its first two characters); 0 when they hold no number.
int TrackLineNumber(const std::string& Line);
// The length of a line (characters 3 to 7); false when they hold no minutes.seconds value.
bool TrackLineLength(const std::string& Line, TMinSec& Length);
