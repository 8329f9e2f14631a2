// The catalogue browser's filter: texts looked for in a disc's name and data fields, its reference and
// its tracks. The reports print the catalogue in the order and with the filter the browser shows.
#pragma once

#include <string>
#include <vector>

#include "catalogue/CatalogueOrder.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/StringGridData.h"

struct TCatalogueFilter {
    bool Apply = false;
    // Upper case, as the browser's filter fields force their input; trimmed before use.
    std::string Name;      // in the disc name or either disc user field
    std::string Reference; // in the reference
    std::string Track;     // in any track's name or user fields
};

// Without Apply every disc passes; with it, a disc passes when any of the non-empty texts occurs in its
// upper-cased fields (so none passes when all three are empty).
bool DiscPassesFilter(const TDiscRecord& Rec, const TStringGridData& Tracks, const TCatalogueFilter& Filter);

// Tree less the discs that do not pass, and less the groups left without a disc. The records and track
// grids are read from the catalogue in DataDir without changing it. A disc whose record cannot be read
// does not pass, one whose track grid cannot be read is tested with empty tracks; both are counted in
// Unreadable when it is given.
std::vector<TCatalogueGroup> FilterCatalogueTree(const std::string& DataDir,
                                                 std::vector<TCatalogueGroup> Tree,
                                                 const TCatalogueFilter& Filter, std::string& Error,
                                                 int* Unreadable = nullptr);

// Text in upper case, as the filter compares it.
std::string FilterUpper(const std::string& Text);
