#include "catalogue/store/RecordEnginePageCache.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "catalogue/store/RecordEngineErrors.h"

namespace RecordEngineImpl {
namespace {

using namespace RecordFormat;

std::unique_ptr<TPageBuffer[]> Buffers;
int BufferCount = 0;
TPageBuffer* Newest = nullptr;
TPageBuffer* Oldest = nullptr;
// Lookup: buckets of buffers chained through HashNext, twice as many buckets as buffers.
std::vector<TPageBuffer*> Buckets;
std::uint64_t BucketMask = 0;

TPageBuffer*& BucketOf(const TRecordFile* F, int K, std::int32_t P) {
    std::uint64_t h = std::uint64_t(F->Serial) << 40 ^ std::uint64_t(K) << 32 ^ std::uint32_t(P);
    h *= 0x9E3779B97F4A7C15ull;
    return Buckets[(h >> 32) & BucketMask];
}

void HashInsert(TPageBuffer* B) {
    TPageBuffer*& head = BucketOf(B->Owner, B->KeyNr, B->PageNr);
    B->HashNext = head;
    head = B;
}

void HashRemove(TPageBuffer* B) {
    for (TPageBuffer** p = &BucketOf(B->Owner, B->KeyNr, B->PageNr); *p; p = &(*p)->HashNext)
        if (*p == B) {
            *p = B->HashNext;
            break;
        }
    B->HashNext = nullptr;
}

void Unlink(TPageBuffer* B) {
    (B->Newer ? B->Newer->Older : Newest) = B->Older;
    (B->Older ? B->Older->Newer : Oldest) = B->Newer;
    B->Newer = B->Older = nullptr;
}

void PushNewest(TPageBuffer* B) {
    B->Older = Newest;
    B->Newer = nullptr;
    (Newest ? Newest->Newer : Oldest) = B;
    Newest = B;
}

void PushOldest(TPageBuffer* B) {
    B->Newer = Oldest;
    B->Older = nullptr;
    (Oldest ? Oldest->Older : Newest) = B;
    Oldest = B;
}

void Touch(TPageBuffer* B) {
    if (B == Newest) return;
    Unlink(B);
    PushNewest(B);
}

void Release(TPageBuffer* B) {
    if (B->Owner) HashRemove(B);
    B->Owner = nullptr;
    B->Dirty = false;
    Unlink(B);
    PushOldest(B);
}

std::int64_t PageOffset(const TRecordFile* F, int K, std::int32_t P) {
    return std::int64_t(P) * F->IndexSlotSize + F->Keys[K - 1].RegionOffset;
}

std::int32_t WriteBack(TPageBuffer* B) {
    const TRecordFile* F = B->Owner;
    unsigned char raw[RawPageBytes];
    std::size_t size;
    if (B->IsFree) {
        PutI32(raw, B->FreeLink);
        size = 4;
    } else {
        size = PackPage(B->Page, F->Keys[B->KeyNr - 1].KeyLength, raw);
    }
    const std::int32_t err = WriteAt(F->Index, PageOffset(F, B->KeyNr, B->PageNr), raw, size);
    if (err) return err; // stays dirty: written again at the next eviction or close
    B->Dirty = false;
    return 0;
}

// Unpacks a page read from disk, refusing anything a sound tree cannot hold.
std::int32_t Unpack(const unsigned char* Raw, const TKeyInfo& Key, TIndexPage& Page) {
    const int count = GetU16(Raw + PageCount);
    const std::int32_t left = GetI32(Raw + PageLeftChild);
    if (count < 1 || count > PageCapacity) return eePageDamaged;
    if (left < 0 || left > Key.PagesInUse) return eePageDamaged;
    Page.Count = count;
    Page.Left = left;
    const unsigned char* e = Raw + PageHeaderSize;
    for (int i = 0; i < count; ++i, e += Key.KeyLength + EntryOverhead) {
        TIndexEntry& x = Page.E[i];
        x.RecNo = GetI32(e + EntryRecNo);
        x.Child = GetI32(e + EntryChild);
        x.Len = e[EntryKeyLength];
        if (x.Len > Key.KeyLength) return eePageDamaged;
        if (left == 0 ? x.Child != 0 : x.Child < 1 || x.Child > Key.PagesInUse) return eePageDamaged;
        std::memcpy(x.Key, e + EntryKey, MaxKeyBytes); // the bytes beyond K are never used
    }
    return 0;
}

// A buffer for (F, K, P) taken from the least recently used end, written back first when dirty.
std::int32_t TakeBuffer(TRecordFile* F, int K, std::int32_t P, TPageBuffer*& Buf) {
    TPageBuffer* b = Oldest;
    if (b->Owner && b->Dirty)
        if (const std::int32_t err = WriteBack(b)) return err;
    Release(b);
    b->Owner = F;
    b->KeyNr = K;
    b->PageNr = P;
    b->IsFree = false;
    HashInsert(b);
    Touch(b);
    Buf = b;
    return 0;
}

TPageBuffer* Find(const TRecordFile* F, int K, std::int32_t P) {
    for (TPageBuffer* b = BucketOf(F, K, P); b; b = b->HashNext)
        if (b->PageNr == P && b->KeyNr == K && b->Owner == F) return b;
    return nullptr;
}

} // namespace

std::size_t PackPage(const TIndexPage& Page, int KeyLength, unsigned char* Raw) {
    PutU16(Raw + PageCount, static_cast<std::uint16_t>(Page.Count));
    PutI32(Raw + PageLeftChild, Page.Left);
    unsigned char* e = Raw + PageHeaderSize;
    for (int i = 0; i < Page.Count; ++i, e += KeyLength + EntryOverhead) {
        const TIndexEntry& x = Page.E[i];
        PutI32(e + EntryRecNo, x.RecNo);
        PutI32(e + EntryChild, x.Child);
        e[EntryKeyLength] = x.Len;
        // A fixed 30 bytes copies faster than K; what lands beyond the entry is overwritten by the next
        // one or lies beyond the used part, which is not written.
        std::memcpy(e + EntryKey, x.Key, MaxKeyBytes);
    }
    return static_cast<std::size_t>(UsedPageBytes(Page.Count, KeyLength));
}

std::int32_t CreatePageCache(int Count) {
    try {
        Buffers = std::make_unique<TPageBuffer[]>(static_cast<std::size_t>(Count));
        std::size_t buckets = 16;
        while (buckets < 2 * static_cast<std::size_t>(Count))
            buckets *= 2;
        Buckets.assign(buckets, nullptr);
        BucketMask = buckets - 1;
    } catch (const std::bad_alloc&) {
        Buffers.reset();
        return eeNoBuffers;
    }
    BufferCount = Count;
    Newest = Oldest = nullptr;
    for (int i = 0; i < Count; ++i)
        PushNewest(&Buffers[i]);
    return 0;
}

void DestroyPageCache() {
    Buckets.clear();
    Buffers.reset();
    BufferCount = 0;
    Newest = Oldest = nullptr;
}

std::int32_t FetchPage(TRecordFile* F, int K, std::int32_t P, TPageBuffer*& Buf) {
    const TKeyInfo& key = F->Keys[K - 1];
    if (P < 1 || P > key.PagesInUse) return eePageDamaged;
    if (TPageBuffer* b = Find(F, K, P)) {
        if (b->IsFree) return eePageDamaged;
        Touch(b);
        Buf = b;
        return 0;
    }
    TPageBuffer* b;
    if (const std::int32_t err = TakeBuffer(F, K, P, b)) return err;
    unsigned char raw[RawPageBytes];
    std::int32_t err = ReadAt(F->Index, PageOffset(F, K, P), raw, static_cast<std::size_t>(key.PageSize));
    if (!err) err = Unpack(raw, key, b->Page);
    if (err) {
        Release(b);
        return err;
    }
    b->Dirty = false;
    Buf = b;
    return 0;
}

std::int32_t ClaimPage(TRecordFile* F, int K, std::int32_t P, TPageBuffer*& Buf) {
    TPageBuffer* b = Find(F, K, P);
    if (b)
        Touch(b);
    else if (const std::int32_t err = TakeBuffer(F, K, P, b))
        return err;
    b->IsFree = false;
    b->Dirty = true;
    Buf = b;
    return 0;
}

std::int32_t ReadFreeLink(TRecordFile* F, int K, std::int32_t P, std::int32_t& Link) {
    if (const TPageBuffer* b = Find(F, K, P)) {
        if (!b->IsFree) return eeFreeChain;
        Link = b->FreeLink;
        return 0;
    }
    unsigned char raw[4];
    if (const std::int32_t err = ReadAt(F->Index, PageOffset(F, K, P), raw, sizeof raw)) return err;
    Link = GetI32(raw);
    return 0;
}

std::int32_t StoreFreePage(TRecordFile* F, int K, std::int32_t P, std::int32_t Link) {
    TPageBuffer* b;
    if (const std::int32_t err = ClaimPage(F, K, P, b)) return err;
    b->IsFree = true;
    b->FreeLink = Link;
    return 0;
}

std::int32_t FlushPages(TRecordFile* F) {
    // In file order, so the writes go out sequentially.
    std::vector<TPageBuffer*> dirty;
    for (int i = 0; i < BufferCount; ++i)
        if (Buffers[i].Owner == F && Buffers[i].Dirty) dirty.push_back(&Buffers[i]);
    std::sort(dirty.begin(), dirty.end(), [F](const TPageBuffer* A, const TPageBuffer* B) {
        return PageOffset(F, A->KeyNr, A->PageNr) < PageOffset(F, B->KeyNr, B->PageNr);
    });
    std::int32_t first = 0;
    for (TPageBuffer* b : dirty)
        if (const std::int32_t err = WriteBack(b); err && !first) first = err;
    return first;
}

void DropPages(TRecordFile* F) {
    for (int i = 0; i < BufferCount; ++i)
        if (Buffers[i].Owner == F) Release(&Buffers[i]);
}

} // namespace RecordEngineImpl
