// The texts a copy writes beside its FLAC files: the CUE sheet that plays the copy back as the disc was
// (pregaps as index 0 at the end of the previous file, audio hidden before track 1 as a file of its own,
// pre-emphasis flags, ISRCs, the catalogue number), and the plain-text log.
#pragma once

#include <string>

#include "copy/DiscCopy.h"

// File names in the sheet are relative to CueFolder.
std::string CueSheetText(const TDiscCopyResult& Copy, const TCopyTags& Tags, const std::string& CueFolder);
std::string CopyLogText(const TDiscCopyResult& Copy, const TCopyTags& Tags);
