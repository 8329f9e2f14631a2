// Editing the stored custom programme of the disc in the drive: the lists are filled from its record,
// a window edits them, and the programme it leaves is stored with the disc.
#pragma once

#include <functional>
#include <string>

#include "player/TrackLists.h"

class TDiscCatalogue;

// Shows the lists to the user; true when they were accepted with OK.
using TProgrammeWindow = std::function<bool(TTrackLists& Lists)>;

// The track line of track T of the disc in the drive: its length from the record, its name from the
// track grid.
std::string CurrentDiscTrackLine(const TDiscCatalogue& Catalogue, int Track);

// The custom programme editor (Fit false) or fit tracks (Fit true) on the disc in the drive. On OK the
// play list becomes the disc's programme; a disc in the catalogue is stored again either way.
void EditCurrentProgramme(TDiscCatalogue& Catalogue, bool Fit, const TProgrammeWindow& Window);
