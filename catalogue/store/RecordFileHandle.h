// The engine's internal view of an open file pair and of index pages in memory. Only the engine's own
// units include this; callers see TRecordFile as an opaque pointer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineFormat.h"
#include "catalogue/store/RecordEngineIO.h"

// First word of an open handle; cleared at close.
constexpr std::int32_t RecordFileOpenMagic = 286873681; // 0x11195851

namespace RecordEngineImpl {

// An index entry in memory: every key gets the widest layout (30 key bytes), packed to K + 9 bytes on disk.
// Only the first Len key bytes are meaningful. The K bytes of a key travel between disk and memory as they
// are, so a new entry is zero-filled beyond Len to leave zeros in the file; the bytes beyond K are never
// read or written (pages are built in bulk, so they are left uninitialised).
struct TIndexEntry {
    std::int32_t RecNo = 0;
    std::int32_t Child = 0;
    std::uint8_t Len = 0;
    unsigned char Key[RecordFormat::MaxKeyBytes];
};

// An index page in memory; entries are E[0] .. E[Count - 1].
struct TIndexPage {
    std::int32_t Count = 0;
    std::int32_t Left = 0; // leftmost child, 0 in a leaf
    TIndexEntry E[RecordFormat::PageCapacity];

    bool IsLeaf() const { return Left == 0; }
    // Child c: the leftmost for c = 0, else the child of entry c - 1.
    std::int32_t Child(int C) const { return C == 0 ? Left : E[C - 1].Child; }
};

// A key as searched for: its bytes (at most 30) and, in an index with duplicates, the record number.
struct TSearchKey {
    const unsigned char* Bytes = nullptr;
    int Len = 0;
    std::int32_t RecNo = 0;
};

// One level of a path from the root. On the levels above the last, Index is the child taken (0 to count).
// On the last level it is either the entry the path stands on, or in a leaf the gap before entry Index.
struct TPathLevel {
    std::int32_t Page = 0;
    std::int32_t Index = 0;
};

enum TKeyPosition { kpCleared, kpAtEntry, kpUndefined };

// One index: its header as read at open (kept in memory, written at close) and the caller's key position.
struct TKeyInfo {
    std::int32_t FirstFree = -1;
    std::int32_t FreeCount = 0;
    std::int32_t PagesInUse = 0;
    std::int32_t PageSize = 0;
    std::int32_t Root = 0;
    std::uint8_t Duplicates = 0;
    std::uint8_t Unused = 0;
    std::int32_t EntryCount = 0;
    std::uint16_t StoredCapacity = RecordFormat::PageCapacity;

    int KeyLength = 0;             // K, derived from the page size
    std::int64_t RegionOffset = 0; // O(k) within an index slot
    bool HeaderDirty = false;
    // The free chain was walked once this session (before its first use): no cycle, every link in range.
    bool FreeChainChecked = false;

    // Bumped by every change of the tree; a key position is only followed while it matches.
    std::uint64_t ChangeCount = 0;
    TKeyPosition Position = kpCleared;
    std::vector<TPathLevel> Path;
    std::uint64_t PathChangeCount = 0;
    // The entry the position stands on, to check that a walk only ever moves forward.
    TIndexEntry Last;
};

struct TDataHeader {
    std::int32_t FirstFree = -1;
    std::int32_t FreeCount = 0;
    std::int32_t SlotsInUse = 0;
    std::int32_t RecordLength = 0;
    std::int32_t NumberOfKeys = 0;
};

} // namespace RecordEngineImpl

struct TRecordFile {
    std::int32_t Magic = RecordFileOpenMagic;
    std::uint32_t Serial = 0; // distinguishes handles in the page cache

    RecordEngineImpl::TEngineFile Data;
    RecordEngineImpl::TEngineFile Index;
    std::string JournalName;

    RecordEngineImpl::TDataHeader Header;
    std::vector<RecordEngineImpl::TKeyInfo> Keys; // Keys[k - 1] is key k
    std::int64_t IndexSlotSize = 0;
    std::int64_t IndexSlotCount = 0;         // whole slots in the index file, slot 0 included
    std::vector<unsigned char> RecordBuffer; // a record as written

    bool Modified = false; // the flag byte on disk is 1
    bool Written = false;  // something was written since the open: close writes headers and syncs
    bool ReadOnly = false;
    bool Salvage = false;      // data file only, opened for repair
    bool KeepModified = false; // a write failed half-way: the next open must see the flag
};
