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

// The three files of one catalogue: its records, their index and the store of their blobs.
struct TDiscFileSet {
    std::string Data;
    std::string Index;
    std::string Store;
};

// Checks disc.DAT, disc.IX and disc.VLF in DataDir (ending in "/"). Only the first MaxProblems problems
// are listed, followed by a count of the rest. Files that an unfinished swap left beside them and that
// cannot finish it are one problem; the catalogue's own files are checked all the same.
TCatalogueCheck CheckDiscCatalogue(const std::string& DataDir, int MaxProblems = 50);
// Checks the catalogue made of Files, wherever they lie; a file that is missing is a problem.
TCatalogueCheck CheckDiscFiles(const TDiscFileSet& Files, int MaxProblems = 50);

// A rebuild or repair replaces the files only once its new set (disc2.DAT, disc2.IX, disc2.VLF) is whole
// on disk, and writes the swap marker disc2.SWP first. The files the stopped swap would leave in place:
// for each part the new file while it still waits, else the one under the catalogue's own name.
TDiscFileSet SwapWaitingFiles(const std::string& DataDir);
// Whether any new file still waits to be put in place; without one the swap is over but for its marker.
bool SwapFilesWaiting(const std::string& DataDir);
// Whether those files make a catalogue that passes the check: only then may the swap be carried forward.
// Files put there by anything else (a partial restore of the folder, a disk error) fail it.
TCatalogueCheck CheckSwapWaitingFiles(const std::string& DataDir);
// The files beside the catalogue that make the swap (disc2.SWP and the disc2 files there), named in a
// sentence with the first problem of Check: "disc2.SWP and disc2.DAT lie beside the catalogue as if ...".
std::string UnfinishedSwapText(const std::string& DataDir, const TCatalogueCheck& Check);
