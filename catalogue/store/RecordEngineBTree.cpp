#include "catalogue/store/RecordEngineBTree.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/RecordEnginePageCache.h"

namespace RecordEngineImpl {

using namespace RecordFormat;

namespace {

using TPath = std::vector<TPathLevel>;

int CompareBytes(const unsigned char* A, int LA, const unsigned char* B, int LB) {
    const int n = std::min(LA, LB);
    if (n > 0)
        if (const int c = std::memcmp(A, B, static_cast<std::size_t>(n))) return c;
    return LA - LB;
}

int CompareRecNo(std::int32_t A, std::int32_t B) {
    return A < B ? -1 : (A > B ? 1 : 0);
}

TKeyInfo& KeyOf(TRecordFile* F, int K) {
    return F->Keys[static_cast<std::size_t>(K - 1)];
}

// Copies page P of key K out of the cache.
std::int32_t LoadPage(TRecordFile* F, int K, std::int32_t P, TIndexPage& Page) {
    TPageBuffer* b;
    if (const std::int32_t err = FetchPage(F, K, P, b)) return err;
    Page.Count = b->Page.Count;
    Page.Left = b->Page.Left;
    std::copy_n(b->Page.E, Page.Count, Page.E);
    return 0;
}

std::int32_t StorePage(TRecordFile* F, int K, std::int32_t P, const TIndexPage& Page) {
    TPageBuffer* b;
    if (const std::int32_t err = ClaimPage(F, K, P, b)) return err;
    b->Page.Count = Page.Count;
    b->Page.Left = Page.Left;
    std::copy_n(Page.E, Page.Count, b->Page.E);
    return 0;
}

void SetPage(TIndexPage& Page, std::int32_t Left, const TIndexEntry* From, int Count) {
    Page.Left = Left;
    Page.Count = Count;
    std::copy_n(From, Count, Page.E);
}

// Walks from the root towards Key. Found: the last level stands on the matching entry. Not found: the last
// level is the gap in a leaf where Key belongs (the path is empty for an empty index).
std::int32_t Search(TRecordFile* F, int K, const TSearchKey& Key, TPath& Path, bool& Found) {
    const TKeyInfo& key = KeyOf(F, K);
    const bool dups = key.Duplicates != 0;
    Path.clear();
    Found = false;
    for (std::int32_t p = key.Root; p != 0;) {
        if (static_cast<int>(Path.size()) >= MaxTreeDepth) return eeIndexDamaged;
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, p, b)) return err;
        const TIndexPage& pg = b->Page;
        int lo = 0, hi = pg.Count;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (CompareEntry(pg.E[mid], Key, dups) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        Path.push_back({p, lo});
        if (lo < pg.Count && CompareEntry(pg.E[lo], Key, dups) == 0) {
            Found = true;
            return 0;
        }
        if (pg.IsLeaf()) return 0;
        p = pg.Child(lo);
    }
    return 0;
}

// Goes down the leftmost branch from page P and stands on the first entry of the leaf reached.
std::int32_t DescendLeftmost(TRecordFile* F, int K, std::int32_t P, TPath& Path) {
    for (;;) {
        if (static_cast<int>(Path.size()) >= MaxTreeDepth) return eeIndexDamaged;
        Path.push_back({P, 0});
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, P, b)) return err;
        if (b->Page.IsLeaf()) return 0;
        P = b->Page.Left;
    }
}

// Moves Path to the next entry in key order. AtEntry: the path stands on an entry; otherwise its last
// level is a gap in a leaf. eeNoNextKey when there is no further entry.
std::int32_t StepNext(TRecordFile* F, int K, TPath& Path, bool AtEntry) {
    if (Path.empty()) return eeNoNextKey;
    if (AtEntry) {
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, Path.back().Page, b)) return err;
        Path.back().Index += 1;
        if (!b->Page.IsLeaf()) return DescendLeftmost(F, K, b->Page.Child(Path.back().Index), Path);
    }
    // A gap, or on the levels above a child index: the next entry is the one right of it, if any.
    while (!Path.empty()) {
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, Path.back().Page, b)) return err;
        if (Path.back().Index < b->Page.Count) return 0;
        Path.pop_back();
    }
    return eeNoNextKey;
}

std::int32_t EntryAt(TRecordFile* F, int K, const TPathLevel& At, TIndexEntry& E) {
    TPageBuffer* b;
    if (const std::int32_t err = FetchPage(F, K, At.Page, b)) return err;
    E = b->Page.E[At.Index];
    return 0;
}

// Shares Seq (the entries of a left and a right page with their separator in between, the separator's
// child being the right page's leftmost child) out evenly: the left page gets the first half, the entry
// after it becomes the parent's separator at index Sep, the right page gets the rest.
std::int32_t Redistribute(TRecordFile* F, int K, std::int32_t LeftNr, std::int32_t LeftChild,
                          std::int32_t RightNr, const TIndexEntry* Seq, int Total, std::int32_t ParentNr,
                          TIndexPage& Parent, int Sep) {
    const int leftCount = (Total - 1) / 2;
    TIndexPage page;
    SetPage(page, LeftChild, Seq, leftCount);
    if (const std::int32_t err = StorePage(F, K, LeftNr, page)) return err;
    const TIndexEntry& middle = Seq[leftCount];
    SetPage(page, middle.Child, Seq + leftCount + 1, Total - 1 - leftCount);
    if (const std::int32_t err = StorePage(F, K, RightNr, page)) return err;
    Parent.E[Sep] = middle;
    Parent.E[Sep].Child = RightNr;
    return StorePage(F, K, ParentNr, Parent);
}

std::int32_t SplitRoot(TRecordFile* F, int K, std::int32_t P, std::int32_t Left, const TIndexEntry* All) {
    std::int32_t q, r;
    if (const std::int32_t err = AllocatePage(F, K, q)) return err;
    if (const std::int32_t err = AllocatePage(F, K, r)) {
        FreePage(F, K, q);
        return err;
    }
    TIndexPage page;
    SetPage(page, Left, All, MinPageFill);
    if (const std::int32_t err = StorePage(F, K, P, page)) return err;
    SetPage(page, All[MinPageFill].Child, All + MinPageFill + 1, MinPageFill);
    if (const std::int32_t err = StorePage(F, K, q, page)) return err;
    SetPage(page, P, All + MinPageFill, 1);
    page.E[0].Child = q;
    if (const std::int32_t err = StorePage(F, K, r, page)) return err;
    TKeyInfo& key = KeyOf(F, K);
    key.Root = r;
    key.HeaderDirty = true;
    return 0;
}

// Inserts E into the page at Path[Level] at its gap Path[Level].Index, balancing or splitting upwards.
std::int32_t InsertAt(TRecordFile* F, int K, const TPath& Path, int Level, TIndexEntry E) {
    for (;;) {
        const std::int32_t p = Path[static_cast<std::size_t>(Level)].Page;
        const int pos = Path[static_cast<std::size_t>(Level)].Index;
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, p, b)) return err;
        TIndexPage& pg = b->Page;
        if (pg.Count < PageCapacity) {
            std::copy_backward(pg.E + pos, pg.E + pg.Count, pg.E + pg.Count + 1);
            pg.E[pos] = E;
            ++pg.Count;
            b->Dirty = true;
            return 0;
        }
        // The full page's 62 entries and the new one, in order.
        TIndexEntry all[PageCapacity + 1];
        std::copy(pg.E, pg.E + pos, all);
        all[pos] = E;
        std::copy(pg.E + pos, pg.E + PageCapacity, all + pos + 1);
        const std::int32_t left = pg.Left;
        if (Level == 0) return SplitRoot(F, K, p, left, all);

        const TPathLevel& up = Path[static_cast<std::size_t>(Level - 1)];
        TIndexPage parent;
        if (const std::int32_t err = LoadPage(F, K, up.Page, parent)) return err;
        const int c = up.Index;
        const bool rightNeighbour = c < parent.Count;
        const int sep = rightNeighbour ? c : c - 1;
        const std::int32_t nb = parent.Child(rightNeighbour ? c + 1 : c - 1);
        TIndexPage neighbour;
        if (const std::int32_t err = LoadPage(F, K, nb, neighbour)) return err;
        if (neighbour.Count < PageCapacity) {
            TIndexEntry seq[2 * PageCapacity + 1];
            int n = 0;
            TIndexEntry separator = parent.E[sep];
            if (rightNeighbour) {
                n = static_cast<int>(std::copy_n(all, PageCapacity + 1, seq) - seq);
                separator.Child = neighbour.Left;
                seq[n++] = separator;
                n = static_cast<int>(std::copy_n(neighbour.E, neighbour.Count, seq + n) - seq);
                return Redistribute(F, K, p, left, nb, seq, n, up.Page, parent, sep);
            }
            n = static_cast<int>(std::copy_n(neighbour.E, neighbour.Count, seq) - seq);
            separator.Child = left;
            seq[n++] = separator;
            n = static_cast<int>(std::copy_n(all, PageCapacity + 1, seq + n) - seq);
            return Redistribute(F, K, nb, neighbour.Left, p, seq, n, up.Page, parent, sep);
        }
        // Both full: split 31/31, the middle entry goes up with the new page as its child.
        std::int32_t q;
        if (const std::int32_t err = AllocatePage(F, K, q)) return err;
        TIndexPage page;
        SetPage(page, left, all, MinPageFill);
        if (const std::int32_t err = StorePage(F, K, p, page)) return err;
        SetPage(page, all[MinPageFill].Child, all + MinPageFill + 1, MinPageFill);
        if (const std::int32_t err = StorePage(F, K, q, page)) return err;
        E = all[MinPageFill];
        E.Child = q;
        --Level; // the parent's child index is the gap where the middle entry goes
    }
}

// Restores the fill of the page at Path[Level] after an entry left it, borrowing or merging upwards.
std::int32_t Rebalance(TRecordFile* F, int K, const TPath& Path, int Level) {
    TKeyInfo& key = KeyOf(F, K);
    for (;;) {
        const std::int32_t p = Path[static_cast<std::size_t>(Level)].Page;
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, p, b)) return err;
        const int count = b->Page.Count;
        if (Level == 0) {
            if (count > 0) return 0;
            // An empty root leaves: the tree becomes one level lower (or empty).
            key.Root = b->Page.Left;
            key.HeaderDirty = true;
            return FreePage(F, K, p);
        }
        if (count >= MinPageFill) return 0;

        const TPathLevel& up = Path[static_cast<std::size_t>(Level - 1)];
        TIndexPage parent;
        if (const std::int32_t err = LoadPage(F, K, up.Page, parent)) return err;
        const int c = up.Index;
        const bool rightNeighbour = c < parent.Count;
        const int sep = rightNeighbour ? c : c - 1;
        const std::int32_t nb = parent.Child(rightNeighbour ? c + 1 : c - 1);
        const std::int32_t leftNr = rightNeighbour ? p : nb;
        const std::int32_t rightNr = rightNeighbour ? nb : p;
        TIndexPage leftPage, rightPage;
        if (const std::int32_t err = LoadPage(F, K, leftNr, leftPage)) return err;
        if (const std::int32_t err = LoadPage(F, K, rightNr, rightPage)) return err;
        const int neighbourCount = rightNeighbour ? rightPage.Count : leftPage.Count;

        TIndexEntry seq[2 * PageCapacity + 1];
        int n = static_cast<int>(std::copy_n(leftPage.E, leftPage.Count, seq) - seq);
        seq[n] = parent.E[sep];
        seq[n++].Child = rightPage.Left;
        n = static_cast<int>(std::copy_n(rightPage.E, rightPage.Count, seq + n) - seq);
        if (neighbourCount > MinPageFill)
            return Redistribute(F, K, leftNr, leftPage.Left, rightNr, seq, n, up.Page, parent, sep);

        // Merge into the left page; the separator leaves the parent, the right page is freed.
        if (n > PageCapacity) return eeIndexDamaged;
        SetPage(leftPage, leftPage.Left, seq, n);
        if (const std::int32_t err = StorePage(F, K, leftNr, leftPage)) return err;
        std::copy(parent.E + sep + 1, parent.E + parent.Count, parent.E + sep);
        --parent.Count;
        if (const std::int32_t err = StorePage(F, K, up.Page, parent)) return err;
        if (const std::int32_t err = FreePage(F, K, rightNr)) return err;
        --Level;
    }
}

void SetPosition(TKeyInfo& Key, TPath& Path, const TIndexEntry& E) {
    Key.Position = kpAtEntry;
    Key.Path.swap(Path);
    Key.PathChangeCount = Key.ChangeCount;
    Key.Last = E;
}

} // namespace

int CompareEntry(const TIndexEntry& E, const TSearchKey& Key, bool Duplicates) {
    const int c = CompareBytes(E.Key, E.Len, Key.Bytes, Key.Len);
    if (c || !Duplicates) return c;
    return CompareRecNo(E.RecNo, Key.RecNo);
}

int CompareEntries(const TIndexEntry& A, const TIndexEntry& B, bool Duplicates) {
    const int c = CompareBytes(A.Key, A.Len, B.Key, B.Len);
    if (c || !Duplicates) return c;
    return CompareRecNo(A.RecNo, B.RecNo);
}

namespace {

// Walks the whole free chain once before its first use: a cycle or a stray link would otherwise hand out
// a page of the tree.
std::int32_t CheckFreeChain(TRecordFile* F, int K) {
    TKeyInfo& key = KeyOf(F, K);
    std::vector<bool> seen(static_cast<std::size_t>(key.PagesInUse) + 1);
    std::int32_t p = key.FirstFree;
    for (std::int32_t n = 0; n < key.FreeCount; ++n) {
        if (p < 1 || p > key.PagesInUse || seen[static_cast<std::size_t>(p)]) return eeFreeChain;
        seen[static_cast<std::size_t>(p)] = true;
        if (const std::int32_t err = ReadFreeLink(F, K, p, p)) return err;
    }
    if (p != -1) return eeFreeChain;
    key.FreeChainChecked = true;
    return 0;
}

} // namespace

std::int32_t AllocatePage(TRecordFile* F, int K, std::int32_t& P) {
    TKeyInfo& key = KeyOf(F, K);
    if (key.FirstFree != -1 && !key.FreeChainChecked)
        if (const std::int32_t err = CheckFreeChain(F, K)) return err;
    if (key.FirstFree != -1) {
        const std::int32_t p = key.FirstFree;
        if (p < 1 || p > key.PagesInUse || key.FreeCount < 1) return eeFreeChain;
        std::int32_t link;
        if (const std::int32_t err = ReadFreeLink(F, K, p, link)) return err;
        // The chain must end exactly where the free count says.
        if (link == 0 || link < -1 || link > key.PagesInUse || (link == -1) != (key.FreeCount == 1))
            return eeFreeChain;
        key.FirstFree = link;
        --key.FreeCount;
        key.HeaderDirty = true;
        P = p;
        return 0;
    }
    if (key.PagesInUse == std::numeric_limits<std::int32_t>::max()) return eeKeyHeaderDamaged;
    const std::int32_t p = key.PagesInUse + 1;
    if (p >= F->IndexSlotCount) {
        static std::vector<unsigned char> zeros;
        zeros.assign(static_cast<std::size_t>(F->IndexSlotSize), 0);
        if (const std::int32_t err =
                WriteAt(F->Index, F->IndexSlotCount * F->IndexSlotSize, zeros.data(), zeros.size()))
            return err;
        ++F->IndexSlotCount;
    }
    key.PagesInUse = p;
    key.HeaderDirty = true;
    P = p;
    return 0;
}

std::int32_t FreePage(TRecordFile* F, int K, std::int32_t P) {
    TKeyInfo& key = KeyOf(F, K);
    if (const std::int32_t err = StoreFreePage(F, K, P, key.FirstFree)) return err;
    key.FirstFree = P;
    ++key.FreeCount;
    key.HeaderDirty = true;
    return 0;
}

std::int32_t TreeInsert(TRecordFile* F, int K, const TSearchKey& Key) {
    TKeyInfo& key = KeyOf(F, K);
    TPath path;
    bool found;
    if (const std::int32_t err = Search(F, K, Key, path, found)) return err;
    if (found) return eeDuplicateKey;
    if (key.EntryCount == std::numeric_limits<std::int32_t>::max()) return eeKeyHeaderDamaged;
    if (const std::int32_t err = MarkModified(F)) return err;

    TIndexEntry e;
    e.RecNo = Key.RecNo;
    e.Len = static_cast<std::uint8_t>(Key.Len);
    std::memset(e.Key, 0, sizeof e.Key);
    std::copy_n(Key.Bytes, Key.Len, e.Key);
    ++key.ChangeCount;
    std::int32_t err = 0;
    if (path.empty()) {
        std::int32_t p;
        err = AllocatePage(F, K, p);
        if (!err) {
            TIndexPage page;
            SetPage(page, 0, &e, 1);
            err = StorePage(F, K, p, page);
            if (!err) key.Root = p;
        }
    } else {
        err = InsertAt(F, K, path, static_cast<int>(path.size()) - 1, e);
    }
    if (err) {
        F->KeepModified = true; // the tree may be half changed
        return err;
    }
    ++key.EntryCount;
    key.HeaderDirty = true;
    return 0;
}

std::int32_t TreeDelete(TRecordFile* F, int K, const TSearchKey& Key) {
    TKeyInfo& key = KeyOf(F, K);
    TPath path;
    bool found;
    if (const std::int32_t err = Search(F, K, Key, path, found)) return err;
    if (!found) return eeDeleteNotFound;
    if (const std::int32_t err = MarkModified(F)) return err;
    ++key.ChangeCount;

    auto fail = [F](std::int32_t Err) {
        F->KeepModified = true; // the tree may be half changed
        return Err;
    };
    const std::int32_t p = path.back().Page;
    const int i = path.back().Index;
    TPageBuffer* b;
    if (const std::int32_t err = FetchPage(F, K, p, b)) return fail(err);
    if (!b->Page.IsLeaf()) {
        // The successor (leftmost entry of the right subtree) takes the deleted entry's place.
        path.back().Index = i + 1;
        if (const std::int32_t err = DescendLeftmost(F, K, b->Page.E[i].Child, path)) return fail(err);
        TIndexEntry successor;
        if (const std::int32_t err = EntryAt(F, K, path.back(), successor)) return fail(err);
        if (const std::int32_t err = FetchPage(F, K, p, b)) return fail(err);
        successor.Child = b->Page.E[i].Child;
        b->Page.E[i] = successor;
        b->Dirty = true;
    }
    TPageBuffer* leaf;
    if (const std::int32_t err = FetchPage(F, K, path.back().Page, leaf)) return fail(err);
    TIndexPage& pg = leaf->Page;
    const int at = path.back().Index;
    std::copy(pg.E + at + 1, pg.E + pg.Count, pg.E + at);
    --pg.Count;
    leaf->Dirty = true;
    if (const std::int32_t err = Rebalance(F, K, path, static_cast<int>(path.size()) - 1)) return fail(err);
    --key.EntryCount;
    key.HeaderDirty = true;
    return 0;
}

std::int32_t TreeFind(TRecordFile* F, int K, const TSearchKey& Key, std::int32_t& RecNo) {
    TKeyInfo& key = KeyOf(F, K);
    key.Position = kpUndefined;
    const bool dups = key.Duplicates != 0;
    TSearchKey probe = Key;
    probe.RecNo = 0; // below every live record number: ends on the gap before the lowest duplicate
    TPath path;
    bool found;
    if (const std::int32_t err = Search(F, K, probe, path, found)) return err;
    if (!found && dups) {
        const std::int32_t err = StepNext(F, K, path, false);
        if (err == eeNoNextKey) return eeKeyNotFound;
        if (err) return err;
        TIndexEntry next;
        if (const std::int32_t err2 = EntryAt(F, K, path.back(), next)) return err2;
        found = CompareEntry(next, probe, false) == 0;
    }
    if (!found) return eeKeyNotFound;
    TIndexEntry e;
    if (const std::int32_t err = EntryAt(F, K, path.back(), e)) return err;
    RecNo = e.RecNo;
    SetPosition(key, path, e);
    return 0;
}

std::int32_t TreeNext(TRecordFile* F, int K, std::int32_t& RecNo, std::string& Key) {
    TKeyInfo& key = KeyOf(F, K);
    const bool dups = key.Duplicates != 0;
    TPath& path = key.Path; // moved in place; any failure below leaves no position
    std::int32_t err = 0;
    // The walk must move strictly forward; a tree that leads back has a cycle or is out of order.
    bool checkOrder = true;
    TIndexEntry after;
    switch (key.Position) {
    case kpUndefined:
        return eeNoPosition;
    case kpCleared:
        checkOrder = false;
        path.clear();
        err = key.Root == 0 ? eeNoNextKey : DescendLeftmost(F, K, key.Root, path);
        break;
    case kpAtEntry:
        if (key.PathChangeCount == key.ChangeCount) {
            after = key.Last;
            err = StepNext(F, K, path, true);
        } else {
            // The index changed since the last step: continue after the pair the caller holds.
            TSearchKey probe;
            probe.Bytes = reinterpret_cast<const unsigned char*>(Key.data());
            probe.Len = static_cast<int>(std::min<std::size_t>(Key.size(), MaxKeyBytes));
            probe.RecNo = RecNo;
            after.RecNo = RecNo;
            after.Len = static_cast<std::uint8_t>(probe.Len);
            std::copy_n(probe.Bytes, probe.Len, after.Key);
            bool found;
            err = Search(F, K, probe, path, found);
            if (!err) err = StepNext(F, K, path, found);
        }
        break;
    }
    if (err == eeNoNextKey) {
        TreeClearPosition(F, K);
        return err;
    }
    TIndexEntry e;
    if (!err) err = EntryAt(F, K, path.back(), e);
    if (!err && checkOrder && CompareEntries(e, after, dups) <= 0) err = eeIndexDamaged;
    if (err) {
        key.Position = kpUndefined;
        return err;
    }
    RecNo = e.RecNo;
    Key.assign(reinterpret_cast<const char*>(e.Key), e.Len);
    key.Position = kpAtEntry;
    key.PathChangeCount = key.ChangeCount;
    key.Last = e;
    return 0;
}

namespace {

// The pages of one level over Count entries (Count + 1 children): the fewest that hold them with one
// separator between neighbours, which leaves every page 31 to 62 entries when there is more than one.
std::int32_t PagesForLevel(std::int64_t Count) {
    return Count <= PageCapacity ? 1
                                 : static_cast<std::int32_t>((Count + PageCapacity + 1) / (PageCapacity + 1));
}

} // namespace

std::int32_t TreeBulkLoad(TRecordFile* F, int K, std::vector<TIndexEntry>& Entries) {
    TKeyInfo& key = KeyOf(F, K);
    if (key.PagesInUse != 0 || key.Root != 0 || key.EntryCount != 0) return eeIndexNotEmpty;
    const bool dups = key.Duplicates != 0;
    for (const TIndexEntry& e : Entries) {
        if (e.RecNo < 1) return eeRecordRange;
        if (e.Len > key.KeyLength) return eeKeyTooLong;
    }
    std::sort(Entries.begin(), Entries.end(),
              [dups](const TIndexEntry& A, const TIndexEntry& B) { return CompareEntries(A, B, dups) < 0; });
    for (std::size_t i = 1; i < Entries.size(); ++i)
        if (CompareEntries(Entries[i - 1], Entries[i], dups) == 0) return eeDuplicateKey;
    if (Entries.empty()) return 0;
    if (Entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2))
        return eeKeyHeaderDamaged;
    const auto total = static_cast<std::int32_t>(Entries.size());

    // Level by level from the leaves: the entries of a level go to its pages in order, one entry between
    // each two neighbours moving up as their separator with the right page as its child; the level above
    // is made of those separators, its children the pages just made.
    const std::size_t pageSize = RawPageBytes; // room for PackPage's fixed-width key copies
    std::vector<unsigned char> pages;          // page p at (p - 1) * pageSize, its used part only meaningful
    std::vector<std::size_t> used;             // bytes to write of each page
    std::vector<TIndexEntry> level = std::move(Entries);
    std::vector<std::int32_t> children(level.size() + 1, 0);
    std::int32_t pageNr = 0;
    TIndexPage page;
    for (;;) {
        const auto count = static_cast<std::int64_t>(level.size());
        const std::int32_t pageCount = PagesForLevel(count);
        const std::int64_t inPages = count - (pageCount - 1);
        std::vector<TIndexEntry> up;
        std::vector<std::int32_t> upChildren;
        up.reserve(static_cast<std::size_t>(pageCount - 1));
        upChildren.reserve(static_cast<std::size_t>(pageCount));
        pages.resize(pages.size() + static_cast<std::size_t>(pageCount) * pageSize);
        std::size_t at = 0;
        for (std::int32_t i = 0; i < pageCount; ++i) {
            const int n = static_cast<int>(inPages / pageCount + (i < inPages % pageCount ? 1 : 0));
            page.Count = n;
            page.Left = children[at];
            for (int j = 0; j < n; ++j, ++at) {
                page.E[j] = level[at];
                page.E[j].Child = children[at + 1];
            }
            ++pageNr;
            used.push_back(
                PackPage(page, key.KeyLength, &pages[static_cast<std::size_t>(pageNr - 1) * pageSize]));
            upChildren.push_back(pageNr);
            if (i + 1 < pageCount) up.push_back(level[at++]); // its child is set on the level above
        }
        if (pageCount == 1) break;
        level = std::move(up);
        children = std::move(upChildren);
    }

    // The pages go to slots 1 .. pageNr: into the slots the file has, and in whole zero-filled slots
    // beyond them, written in large pieces.
    if (const std::int32_t err = MarkModified(F)) return err;
    ++key.ChangeCount;
    key.Position = kpCleared;
    key.Path.clear();
    const std::int64_t slotSize = F->IndexSlotSize;
    std::int32_t p = 1;
    std::int32_t err = 0;
    for (; !err && p <= pageNr && p < F->IndexSlotCount; ++p)
        err = WriteAt(F->Index, p * slotSize + key.RegionOffset,
                      &pages[static_cast<std::size_t>(p - 1) * pageSize],
                      used[static_cast<std::size_t>(p - 1)]);
    constexpr std::int32_t SlotsPerWrite = 256;
    std::vector<unsigned char> slots;
    while (!err && p <= pageNr) {
        const std::int32_t n = std::min(SlotsPerWrite, pageNr - p + 1);
        slots.assign(static_cast<std::size_t>(n * slotSize), 0);
        for (std::int32_t i = 0; i < n; ++i)
            std::copy_n(&pages[static_cast<std::size_t>(p + i - 1) * pageSize],
                        used[static_cast<std::size_t>(p + i - 1)],
                        &slots[static_cast<std::size_t>(i * slotSize + key.RegionOffset)]);
        err = WriteAt(F->Index, p * slotSize, slots.data(), slots.size());
        if (!err) {
            F->IndexSlotCount = p + n;
            p += n;
        }
    }
    if (err) {
        F->KeepModified = true; // part of the tree may be on disk
        return err;
    }
    key.PagesInUse = pageNr;
    key.Root = pageNr;
    key.EntryCount = total;
    key.HeaderDirty = true;
    return 0;
}

void TreeClearPosition(TRecordFile* F, int K) {
    TKeyInfo& key = KeyOf(F, K);
    key.Position = kpCleared;
    key.Path.clear();
}

} // namespace RecordEngineImpl
