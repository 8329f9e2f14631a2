// The engine's pool of index page buffers, shared by every open file pair: a list in least-recently-used
// order with a hash lookup by (file, key, page). A miss takes the least recently used buffer, writes it back
// first when dirty, and reads the page. Dirty pages are written when their buffer is reused and when their
// file is flushed at close.
//
// A page pointer handed out stays valid only until the next call into the cache; code that works on
// several pages at once copies them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalogue/store/RecordFileHandle.h"

namespace RecordEngineImpl {

struct TPageBuffer {
    TRecordFile* Owner = nullptr;
    int KeyNr = 0;
    std::int32_t PageNr = 0;
    bool Dirty = false;
    bool IsFree = false; // a freed page: only FreeLink is meaningful
    std::int32_t FreeLink = -1;
    TIndexPage Page;
    TPageBuffer* Newer = nullptr;
    TPageBuffer* Older = nullptr;
    TPageBuffer* HashNext = nullptr; // next buffer in the same lookup bucket
};

// Room for the largest page; keys are copied 30 bytes at a time, which stays within it.
constexpr std::size_t RawPageBytes =
    RecordFormat::PageHeaderSize +
    RecordFormat::PageCapacity * (RecordFormat::MaxKeyBytes + RecordFormat::EntryOverhead);

// Packs Page into Raw (RawPageBytes of room) as it lies on disk for key length KeyLength; returns the
// size of its used part, the bytes to write.
std::size_t PackPage(const TIndexPage& Page, int KeyLength, unsigned char* Raw);

// 0, or eeNoBuffers when the buffers cannot be allocated.
std::int32_t CreatePageCache(int Count);
void DestroyPageCache();

// Tree page P of key K, read and checked on a miss (eePageDamaged for a page number outside the key's
// pages, a freed page, or a page whose contents cannot be a tree page).
std::int32_t FetchPage(TRecordFile* F, int K, std::int32_t P, TPageBuffer*& Buf);
// A buffer for page P whose contents the caller replaces completely: nothing is read. Marked dirty.
std::int32_t ClaimPage(TRecordFile* F, int K, std::int32_t P, TPageBuffer*& Buf);
// The link stored in free page P (eeFreeChain when P is a tree page held in the cache).
std::int32_t ReadFreeLink(TRecordFile* F, int K, std::int32_t P, std::int32_t& Link);
// Turns page P into a free page holding Link.
std::int32_t StoreFreePage(TRecordFile* F, int K, std::int32_t P, std::int32_t Link);

// Writes back every dirty page of F (first error returned; pages that failed stay dirty).
std::int32_t FlushPages(TRecordFile* F);
// Forgets every page of F without writing.
void DropPages(TRecordFile* F);

} // namespace RecordEngineImpl
