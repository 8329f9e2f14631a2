// CheckRecordFile: a full structural check of an open pair, for tests and for the catalogue's integrity
// check. Bounded on any file: every page is visited at most once and no walk goes deeper than a real tree.
#include <sstream>
#include <vector>

#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineBTree.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/RecordEnginePageCache.h"
#include "catalogue/store/RecordFileHandle.h"

using namespace RecordEngineImpl;
using namespace RecordFormat;

namespace {

struct TTreeCheck {
    TTreeCheck(TRecordFile* AF, int AK) : F(AF), K(AK), Duplicates(AF->Keys[AK - 1].Duplicates != 0) {}

    TRecordFile* F;
    int K;
    bool Duplicates;
    std::vector<char> Seen; // per page: reached from the tree or the free chain
    bool HavePrevious = false;
    TIndexEntry Previous;
    std::int64_t Entries = 0;
    int LeafDepth = -1;
    std::int32_t Error = 0;
    std::string Problem;

    bool Fault(std::int32_t Err, const std::string& What) {
        Error = Err;
        std::ostringstream s;
        s << "key " << K << ": " << What;
        Problem = s.str();
        return false;
    }

    bool Walk(std::int32_t P, int Depth) {
        if (Depth >= MaxTreeDepth) return Fault(eeIndexDamaged, "tree deeper than any sound tree");
        if (P < 1 || P >= static_cast<std::int32_t>(Seen.size()))
            return Fault(eePageDamaged, "child link outside the key's pages");
        if (Seen[P]) return Fault(eeIndexDamaged, "page " + std::to_string(P) + " reached twice");
        Seen[P] = 1;
        TPageBuffer* b;
        if (const std::int32_t err = FetchPage(F, K, P, b))
            return Fault(err, "page " + std::to_string(P) + " cannot be read");
        const TIndexPage page = b->Page; // the walk below reuses buffers
        if (Depth > 0 && (page.Count < MinPageFill || page.Count > PageCapacity))
            return Fault(eeIndexDamaged,
                         "page " + std::to_string(P) + " holds " + std::to_string(page.Count) + " entries");
        if (page.IsLeaf()) {
            if (LeafDepth == -1) LeafDepth = Depth;
            if (LeafDepth != Depth) return Fault(eeIndexDamaged, "leaves at different depths");
        }
        for (int c = 0; c <= page.Count; ++c) {
            if (!page.IsLeaf() && !Walk(page.Child(c), Depth + 1)) return false;
            if (c == page.Count) break;
            const TIndexEntry& e = page.E[c];
            if (HavePrevious && CompareEntries(Previous, e, Duplicates) >= 0)
                return Fault(eeIndexDamaged, "entries out of order in page " + std::to_string(P));
            Previous = e;
            HavePrevious = true;
            ++Entries;
        }
        return true;
    }

    bool Run() {
        const TKeyInfo& key = F->Keys[static_cast<std::size_t>(K - 1)];
        Seen.assign(static_cast<std::size_t>(key.PagesInUse) + 1, 0);
        if (key.Root != 0 && !Walk(key.Root, 0)) return false;
        if (Entries != key.EntryCount)
            return Fault(eeIndexDamaged, "holds " + std::to_string(Entries) + " entries, header says " +
                                             std::to_string(key.EntryCount));
        std::int32_t p = key.FirstFree;
        for (std::int32_t n = 0; n < key.FreeCount; ++n) {
            if (p < 1 || p > key.PagesInUse) return Fault(eeFreeChain, "free chain leaves the key's pages");
            if (Seen[p]) return Fault(eeFreeChain, "free page " + std::to_string(p) + " reached twice");
            Seen[p] = 1;
            if (const std::int32_t err = ReadFreeLink(F, K, p, p)) return Fault(err, "free chain unreadable");
        }
        if (p != -1) return Fault(eeFreeChain, "free chain longer than its count");
        for (std::size_t q = 1; q < Seen.size(); ++q)
            if (!Seen[q])
                return Fault(eeIndexDamaged, "page " + std::to_string(q) + " neither used nor free");
        return true;
    }
};

std::string CheckDataChain(TRecordFile* F, std::int32_t& Error) {
    const TDataHeader& h = F->Header;
    std::vector<char> seen(static_cast<std::size_t>(h.SlotsInUse) + 1, 0);
    std::int32_t n = h.FirstFree;
    for (std::int32_t i = 0; i < h.FreeCount; ++i) {
        if (n < 1 || n > h.SlotsInUse || seen[n]) {
            Error = eeFreeChain;
            return "data free chain broken at slot " + std::to_string(n);
        }
        seen[n] = 1;
        std::string record;
        GetRecord(F, n, record);
        if (!EngineOK) {
            Error = EngineError;
            return "data free chain unreadable";
        }
        n = GetI32(reinterpret_cast<const unsigned char*>(record.data()));
    }
    if (n != -1) {
        Error = eeFreeChain;
        return "data free chain longer than its count";
    }
    return {};
}

} // namespace

std::string CheckRecordFile(TRecordFile* F) {
    RecordSlotCount(F); // the entry check
    if (!EngineOK) return "not an open file";
    std::int32_t error = 0;
    std::string problem = CheckDataChain(F, error);
    for (int k = 1; problem.empty() && k <= static_cast<int>(F->Keys.size()); ++k) {
        TTreeCheck check(F, k);
        if (!check.Run()) {
            error = check.Error;
            problem = check.Problem;
        }
    }
    EngineOK = error == 0;
    EngineError = error;
    return problem;
}
