// The command-line catalogue tool: lists, shows, checks, rebuilds and repairs the disc catalogue of a
// data folder, for scripts and tests. orbelune-cat's main() only passes its arguments here.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/PrintCommand.h"

// Runs the print command on the catalogue in DataDir (ending in "/"); Args start with "print" and are well
// formed. Returns the exit status.
using TPrintRunner = int (*)(const std::string& DataDir, const std::vector<std::string>& Args,
                             std::ostream& Out, std::ostream& Err);

// Args without the program name. Output goes to Out, errors (one line each) to Err. Returns the exit
// status: 0 success, 1 a failed command or a catalogue with problems, 2 a usage error, 3
// (UnreadableDataStatus) an export or print that left out data it could not read. Print runs the
// print command: the printing code needs the GUI libraries, which orbelune-cat does not load for its
// other commands, so it passes a runner that starts the printing program instead.
// The exit status of an export or print that was written whole but for the data of some discs, which
// could not be read (each is named on the error output).
constexpr int UnreadableDataStatus = 3;

int RunCatalogueTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                     TPrintRunner Print = RunPrintCommand);

// UTF-8 text as Qt's case-insensitive comparison sees it: UTF-16 units, each case-folded on its own (a low
// surrogate together with the high one before it). Two such texts compare as Qt compares the texts, so a
// sort folds each text once instead of at every comparison.
std::u16string CaseFoldedText(const std::string& Text);

// The orders of the catalogue browser: name, composer, artist, label, type; 0 for an unknown name,
// otherwise the index used (4, 2, 3, 5, 6).
int CatalogueOrderKey(const std::string& Name);

struct TCatalogueEntry {
    std::int32_t RecNo = 0;
    std::string Code;
    std::string Name;
    bool HasSample = false;  // SampleRef not 0
    bool TocPending = false; // imported, waiting for its disc
};
struct TCatalogueGroup {
    std::string Text; // empty in name order, where every disc is a top-level entry
    std::vector<TCatalogueEntry> Discs;
};

// The catalogue browser's tree for index KeyNo, without filter: discs in index order, grouped by the
// full field value of the order (a new group whenever it differs from the previous disc's, compared
// case-sensitively), then top-level entries and each group's discs sorted by their text, ignoring case.
// In name order there is one group with every disc. Keys that lead to no live record (a damaged index)
// are left out and counted in Skipped when it is given.
std::vector<TCatalogueGroup> CatalogueTreeOrder(const std::string& DataDir, int KeyNo, std::string& Error,
                                                int* Skipped = nullptr);
