// On-disk layout of the record engine's files. All integers are little-endian; "signed" fields are two's
// complement. Any program that writes these files as described here can be read by the engine, and the
// engine writes nothing else.
//
// Data file ("<base>.DAT"): slots of the record length L (21 bytes or more). Slot 0 is the header; record n
// (n = 1, 2, ...) lies at byte offset n * L. The header uses the first 21 bytes of slot 0, the rest of
// slot 0 is zero:
//
//   Offset  Width          Field
//   0       32-bit signed  first free slot: the most recently deleted record, -1 when none
//   4       32-bit signed  number of free (deleted) slots
//   8       32-bit signed  number of slots in use, live or deleted (the highest record number)
//   12      32-bit signed  record length L
//   16      32-bit signed  number of keys (indexes), 0 to 100
//   20      8-bit          modified flag: 1 from the first record or key addition/deletion after an open
//                          until a clean close, else 0
//
// The first four bytes of every record belong to the engine: 0 in a live record; in a deleted slot the
// next free slot's record number, or -1 at the end of the chain.
//
// Index file ("<base>.IX"): slots of one size S. Each slot holds one region per key, in key order; key k's
// region has that key's page size P(k) and starts at O(k) = P(1) + ... + P(k-1); S = sum of all P(k).
// Slot 0 holds the key headers (each at the start of its key's region, the rest zero); slot p holds page p
// of every key, so page p of key k is at p * S + O(k). Each key numbers its pages from 1; the file grows
// by a whole zero-filled slot when any key needs a page beyond the slots present.
//
// Page size: P = 6 + 62 * (K + 9) for key length K (K = 16: 1556 bytes; K = 20: 1804 bytes).
//
// Key header (28 bytes at O(k) in slot 0):
//
//   Offset  Width          Field
//   0       32-bit signed  first free page of this key, -1 when none
//   4       32-bit signed  number of free pages
//   8       32-bit signed  number of pages in use (the highest page number)
//   12      32-bit signed  page size P
//   16      32-bit signed  root page, 0 while the index is empty
//   20      8-bit          duplicates allowed (1) or not (0)
//   21      8-bit          not used (kept as found)
//   22      32-bit signed  number of entries stored in this index
//   26      16-bit         page capacity in entries: 62 (a stored 0 reads as 62)
//
// The key length is derived: K = (P - 6) / capacity - 9.
//
// Page (in key k's region of slot p):
//
//   Offset  Width               Field
//   0       16-bit              number of entries, 1 to 62
//   2       32-bit signed       leftmost child page, 0 in a leaf
//   6       count * (K + 9)     entries in ascending key order
//
// Entry: 32-bit record number; 32-bit child page (keys above this entry and below the next; 0 in a leaf);
// key as a length byte followed by K bytes (only the first "length" bytes mean anything). A page is written
// with its used part only (6 + count * (K + 9) bytes) and read with its full size. A free page holds the
// next free page of its key (or -1) in its first four bytes.
#pragma once

#include <cstdint>
#include <cstring>

namespace RecordFormat {

// Data header.
constexpr int DataFirstFree = 0;
constexpr int DataFreeCount = 4;
constexpr int DataSlotsInUse = 8;
constexpr int DataRecordLength = 12;
constexpr int DataKeyCount = 16;
constexpr int DataModified = 20;
constexpr int DataHeaderSize = 21;

// Key header.
constexpr int KeyFirstFree = 0;
constexpr int KeyFreeCount = 4;
constexpr int KeyPagesInUse = 8;
constexpr int KeyPageSize = 12;
constexpr int KeyRoot = 16;
constexpr int KeyDuplicates = 20;
constexpr int KeyUnused = 21;
constexpr int KeyEntryCount = 22;
constexpr int KeyCapacity = 26;
constexpr int KeyHeaderSize = 28;

// Page.
constexpr int PageCount = 0;
constexpr int PageLeftChild = 2;
constexpr int PageHeaderSize = 6;
constexpr int EntryRecNo = 0;
constexpr int EntryChild = 4;
constexpr int EntryKeyLength = 8;
constexpr int EntryKey = 9;
constexpr int EntryOverhead = 9; // an entry takes K + 9 bytes

constexpr int PageCapacity = 62;
constexpr int MinPageFill = 31; // half the capacity: the fewest entries of a page other than the root
constexpr int MaxKeyBytes = 30;

constexpr std::int32_t PageSizeFor(int KeyLength) {
    return PageHeaderSize + PageCapacity * (KeyLength + EntryOverhead);
}
constexpr std::int32_t UsedPageBytes(int Count, int KeyLength) {
    return PageHeaderSize + Count * (KeyLength + EntryOverhead);
}
static_assert(PageSizeFor(16) == 1556 && PageSizeFor(20) == 1804);

inline std::int32_t GetI32(const unsigned char* P) {
    return static_cast<std::int32_t>(std::uint32_t(P[0]) | std::uint32_t(P[1]) << 8 |
                                     std::uint32_t(P[2]) << 16 | std::uint32_t(P[3]) << 24);
}
inline std::uint16_t GetU16(const unsigned char* P) {
    return static_cast<std::uint16_t>(P[0] | P[1] << 8);
}
inline void PutI32(unsigned char* P, std::int32_t V) {
    const auto U = static_cast<std::uint32_t>(V);
    P[0] = static_cast<unsigned char>(U);
    P[1] = static_cast<unsigned char>(U >> 8);
    P[2] = static_cast<unsigned char>(U >> 16);
    P[3] = static_cast<unsigned char>(U >> 24);
}
inline void PutU16(unsigned char* P, std::uint16_t V) {
    P[0] = static_cast<unsigned char>(V);
    P[1] = static_cast<unsigned char>(V >> 8);
}

} // namespace RecordFormat
