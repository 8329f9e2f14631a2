// The B-tree of one index: search, insert with balancing and splitting, delete with borrowing and merging,
// the key position that FindKey and NextKey move, and the key's page allocation. Every routine returns 0
// or an engine error number; the API layer (RecordEngine.cpp) turns that into EngineOK/EngineError.
//
// Page fill: a page other than the root holds 31 to 62 entries. An insert into a full page first shares
// entries with a neighbour under the same parent (the right one when there is one, else the left) if that
// neighbour has room; otherwise the page splits 31/31 and the middle entry moves up. A bulk load fills
// pages completely (62 entries, and never fewer than 31 outside the root). A delete that leaves a
// page with fewer than 31 entries borrows from its neighbour when that holds more than 31, else merges
// with it (30 + separator + 31 = 62).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/store/RecordFileHandle.h"

namespace RecordEngineImpl {

// No sound tree of 62-entry pages over 32-bit counts comes near this depth; a walk that gets here has met
// a cycle.
constexpr int MaxTreeDepth = 24;

// Key order: unsigned bytes over the common length, then the shorter first; with duplicates allowed, equal
// strings by record number.
int CompareEntry(const TIndexEntry& E, const TSearchKey& Key, bool Duplicates);
int CompareEntries(const TIndexEntry& A, const TIndexEntry& B, bool Duplicates);

// Writes the modified flag on the first change after an open (RecordEngine.cpp).
std::int32_t MarkModified(TRecordFile* F);

std::int32_t TreeInsert(TRecordFile* F, int K, const TSearchKey& Key);
std::int32_t TreeDelete(TRecordFile* F, int K, const TSearchKey& Key);
std::int32_t TreeFind(TRecordFile* F, int K, const TSearchKey& Key, std::int32_t& RecNo);
std::int32_t TreeNext(TRecordFile* F, int K, std::int32_t& RecNo, std::string& Key);
void TreeClearPosition(TRecordFile* F, int K);
// Fills key K, which has never had a page, with Entries (Child 0; sorted and checked here) packed into
// full pages from the leaves up. Pages are numbered leaves first, in key order, and the root last.
std::int32_t TreeBulkLoad(TRecordFile* F, int K, std::vector<TIndexEntry>& Entries);

// A page for key K: the head of its free chain, else a new page number (the file grows by a zero-filled
// slot when it has none for it).
std::int32_t AllocatePage(TRecordFile* F, int K, std::int32_t& P);
std::int32_t FreePage(TRecordFile* F, int K, std::int32_t P);

} // namespace RecordEngineImpl
