// The catalogue's orders as the browser, the list command and the printed reports show them: discs
// grouped by the field of an order and sorted by their text, ignoring case as Qt compares texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The list command's text in the order of index KeyNo: the discs in CatalogueTreeOrder's order, line for
// line ("name<TAB>code", under each group's text indented by two blanks), or a line saying that the
// catalogue holds no discs. False, with Error telling why, when the catalogue or its index cannot be read.
bool CatalogueListText(const std::string& DataDir, int KeyNo, std::string& Text, std::string& Error);
