// The table-of-contents report of the command line (--toc): what the player reads from a drive or disc
// image, printed for a person to check.
#pragma once

#include <ostream>
#include <string>

// Prints the track count, each track's start and length (as MSF and as "mm.ss"), the CD-TEXT titles when
// present, the identity, the disc code and the MusicBrainz and FreeDB ids of the drive or image at Path.
// An empty Path means the first drive of the drive list. Returns the exit status: 0, or 1 with one line
// on Err when nothing could be read (or the disc has no audio track).
int RunTocReport(const std::string& Path, std::ostream& Out, std::ostream& Err);
