// The disc identity: a number derived from the table of contents alone, so a disc and its image get the
// same one, and catalogues keyed by it stay valid across drives.
#pragma once

#include <cstdint>
#include <string>

#include "devices/CdDrive.h"

// The sum over all tracks of (minutes x 65536 + seconds x 256 + frames) of each track's absolute start;
// a disc of fewer than 3 tracks adds the frames field of track 1's start and the disc length in frames
// (lead-out minus track 1's start). 0 for an empty table.
std::uint64_t DiscIdentity(const TDriveToc& Toc);
// The identity as 16 upper-case hexadecimal digits: 12345 gives "0000000000003039".
std::string DiscCodeText(std::uint64_t Identity);
