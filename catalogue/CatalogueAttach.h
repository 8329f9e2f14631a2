// Joining the disc in the drive to a catalogue record that was stored without it (an imported record
// waiting for its disc, or one kept under an older code): the record takes the drive's code and track data
// and becomes the current disc.
#pragma once

#include <cstdint>

#include "catalogue/DiscCatalogue.h"

enum TAttachResult {
    arAttached,
    arAlreadyAttached, // the record carries the drive's code already; nothing changed
    arNoDisc,          // the drive holds no disc; nothing changed
    arFailed,          // the user has been told; the catalogue holds what it held before the step that failed
};

// Attaches the disc in the drive (CurrentDiscCode, with the track data Toc) to record RecNo. When the
// drive's disc has a record of its own (CurrentDiscRecNo > 0), that record is deleted first with its keys
// and blobs; the caller has asked the user. Afterwards CurrentDisc, the holder's Tracks and Memo,
// LoadedKeys and CurrentDiscRecNo hold the attached record, stored under the drive's code.
TAttachResult AttachDriveDisc(TDiscCatalogue& Cat, std::int32_t RecNo, const TDiscToc& Toc);
