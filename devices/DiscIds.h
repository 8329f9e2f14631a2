// The disc's identifiers in the public disc databases (MusicBrainz, and FreeDB as gnudb continues it),
// computed from the table of contents alone, and the web pages they lead to.
#pragma once

#include <string>

#include "devices/CdDrive.h"

struct TDiscIds {
    std::string MusicBrainz; // 28 characters of MusicBrainz's base64 alphabet; empty for a disc without audio
    std::string FreeDb;      // 8 lower-case hexadecimal digits
    std::string Error;       // why there are none; empty when they are set
    bool Valid() const { return Error.empty(); }
};

// The FreeDB id counts every track up to the real lead-out; its last byte is the number of tracks, also
// on a disc whose first track is not track 1. The MusicBrainz id counts the audio session only: trailing
// data tracks (an enhanced CD's second session) are left out, and the audio then ends where the gap
// before the data session begins, 11400 frames before the first of them. A disc of data tracks alone has
// no MusicBrainz id.
TDiscIds ComputeDiscIds(const TDriveToc& Toc);

// The disc's page at MusicBrainz and at gnudb.
std::string MusicBrainzDiscUrl(const std::string& Id);
std::string FreeDbDiscUrl(const std::string& Id);
