// The text of one track in the track lists: the number right-aligned in two characters, the length as
// "mm.ss", then the name. The lists draw it in three columns.
#pragma once

#include <string>

#include "devices/TimeValues.h"

// Cut to 255 characters, as a list item holds it.
std::string TrackLine(int Number, MSF Length, const std::string& Name);
