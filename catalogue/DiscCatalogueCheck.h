// Verification of a catalogue's files without changing them: every live record has its six keys, every
// key leads to a live record holding that value, the indexes are sound and every blob position holds a
// block of the right kind.
#pragma once

#include <string>
#include <vector>

struct TCatalogueCheck {
    bool Ok = true;
    int Records = 0;                   // live records
    int Slots = 0;                     // record slots including the header slot
    std::vector<std::string> Problems; // one line each
};

// Checks disc.DAT, disc.IX and disc.VLF in DataDir (ending in "/"). Only the first MaxProblems problems
// are listed, followed by a count of the rest.
TCatalogueCheck CheckDiscCatalogue(const std::string& DataDir, int MaxProblems = 50);
