// Model-based test of the record engine: thousands of random record and key additions and deletions,
// checked after every batch against ordered in-memory models, with the trees' structure verified and the
// pair closed and reopened along the way.
#include <map>
#include <random>
#include <set>

#include "RecordEngineTestFixture.h"

namespace {

// Key 1 unique and 16 bytes, key 2 duplicates and 20 bytes, key 3 duplicates and 3 bytes (few distinct
// values, so long runs of equal keys), key 4 unique and 30 bytes (long keys with long equal prefixes).
const std::vector<TKeyDescriptor> ModelKeys = {{16, 0}, {20, 1}, {3, 1}, {30, 0}};
constexpr int RecordLen = 40;

// std::string orders as the engine does: unsigned bytes, then the shorter first.
using TDupModel = std::set<std::pair<std::string, std::int32_t>>;
using TUniqueModel = std::map<std::string, std::int32_t>;

struct TModelRecord {
    std::string Keys[4];
    std::string Body;
};

class RecordEngineModel : public RecordEngineFixture {
protected:
    std::mt19937 Rng{20240601};
    TRecordFile* F = nullptr;
    std::map<std::int32_t, TModelRecord> Records;
    TUniqueModel Unique[2]; // keys 1 and 4
    TDupModel Dups[2];      // keys 2 and 3
    std::set<std::int32_t> FreeSlots;
    std::int32_t Slots = 0;

    int Rand(int N) { return std::uniform_int_distribution<int>(0, N - 1)(Rng); }

    // Keys from a small alphabet, so that prefixes and whole keys repeat; the byte 0xE9 checks that bytes
    // compare unsigned.
    std::string RandomKey(int MaxLen, int Alphabet) {
        static const char letters[] = {'a', 'b', 'c', '\xE9', 'A', ' '};
        std::string s(static_cast<std::size_t>(Rand(MaxLen + 1)), ' ');
        for (char& c : s)
            c = letters[Rand(Alphabet)];
        return s;
    }

    // Keys of added records kept back for a bulk load instead of added one by one, when Pending is set.
    std::vector<TKeyEntry>* Pending = nullptr;

    std::string& UniqueKeyName(int Which, std::int32_t RecNo, std::string Key, int MaxLen) {
        static std::string out;
        out = std::move(Key);
        if (Unique[Which].count(out)) {
            // Taken: the engine must refuse it; then make it unique with the record number.
            if (!Pending) {
                AddKey(F, Which == 0 ? 1 : 4, RecNo, out);
                EXPECT_EQ(EngineError, eeDuplicateKey);
            }
            out = out.substr(0, static_cast<std::size_t>(MaxLen - 7)) + "#" + std::to_string(RecNo);
        }
        return out;
    }

    void AddOne() {
        TModelRecord r;
        r.Body = std::string(4, '\0') + "body" + std::to_string(Rand(1000000));
        std::int32_t recNo = 0;
        AddRecord(F, recNo, r.Body);
        ASSERT_TRUE(EngineOK) << EngineError;
        if (!FreeSlots.empty()) {
            ASSERT_TRUE(FreeSlots.count(recNo)) << recNo;
            FreeSlots.erase(recNo);
        } else {
            ASSERT_EQ(recNo, Slots + 1);
            Slots = recNo;
        }
        r.Keys[0] = UniqueKeyName(0, recNo, RandomKey(8, 3), 16);
        r.Keys[1] = RandomKey(20, 4);
        r.Keys[2] = RandomKey(3, 2);
        r.Keys[3] = UniqueKeyName(1, recNo, std::string(22, 'x') + RandomKey(8, 6), 30);
        for (int k = 0; k < 4; ++k) {
            if (Pending) {
                Pending[k].push_back({r.Keys[k], recNo});
                continue;
            }
            AddKey(F, k + 1, recNo, r.Keys[k]);
            ASSERT_TRUE(EngineOK) << "key " << k + 1 << " error " << EngineError;
        }
        Unique[0][r.Keys[0]] = recNo;
        Dups[0].insert({r.Keys[1], recNo});
        Dups[1].insert({r.Keys[2], recNo});
        Unique[1][r.Keys[3]] = recNo;
        // Adding the same pair again must fail in every index.
        if (!Pending && Rand(20) == 0) {
            AddKey(F, 2, recNo, r.Keys[1]);
            EXPECT_EQ(EngineError, eeDuplicateKey);
        }
        Records[recNo] = r;
    }

    void DeleteOne() {
        auto it = Records.begin();
        std::advance(it, Rand(static_cast<int>(Records.size())));
        const std::int32_t recNo = it->first;
        const TModelRecord r = it->second;
        for (int k = 0; k < 4; ++k) {
            DeleteKey(F, k + 1, recNo, r.Keys[k]);
            ASSERT_TRUE(EngineOK) << "key " << k + 1 << " error " << EngineError;
        }
        DeleteRecord(F, recNo);
        ASSERT_TRUE(EngineOK) << EngineError;
        Unique[0].erase(r.Keys[0]);
        Dups[0].erase({r.Keys[1], recNo});
        Dups[1].erase({r.Keys[2], recNo});
        Unique[1].erase(r.Keys[3]);
        FreeSlots.insert(recNo);
        Records.erase(it);
        // A pair that is gone cannot be deleted again.
        DeleteKey(F, 2, recNo, r.Keys[1]);
        EXPECT_EQ(EngineError, eeDeleteNotFound);
    }

    std::vector<std::pair<std::string, std::int32_t>> ModelOrder(int K) const {
        std::vector<std::pair<std::string, std::int32_t>> out;
        if (K == 1 || K == 4)
            for (const auto& [key, rec] : Unique[K == 1 ? 0 : 1])
                out.emplace_back(key, rec);
        else
            out.assign(Dups[K - 2].begin(), Dups[K - 2].end());
        return out;
    }

    void Verify() {
        EXPECT_EQ(CheckRecordFile(F), "");
        EXPECT_EQ(RecordSlotCount(F), Slots + 1);
        for (int k = 1; k <= 4; ++k) {
            const auto expected = ModelOrder(k);
            EXPECT_EQ(KeyCount(F, k), static_cast<std::int32_t>(expected.size()));
            ClearKey(F, k);
            std::vector<std::pair<std::string, std::int32_t>> walked;
            std::int32_t recNo = 0;
            std::string key;
            for (;;) {
                NextKey(F, k, recNo, key);
                if (!EngineOK) break;
                walked.emplace_back(key, recNo);
            }
            EXPECT_EQ(EngineError, eeNoNextKey);
            ASSERT_EQ(walked, expected) << "key " << k;
        }
        // Finds: present keys give the lowest record number, absent ones 10200.
        for (int i = 0; i < 20 && !Records.empty(); ++i) {
            auto it = Records.begin();
            std::advance(it, Rand(static_cast<int>(Records.size())));
            const int k = 1 + Rand(4);
            std::int32_t recNo = 0;
            FindKey(F, k, recNo, it->second.Keys[k - 1]);
            ASSERT_TRUE(EngineOK) << EngineError;
            if (k == 2 || k == 3)
                EXPECT_EQ(recNo, Dups[k - 2].lower_bound({it->second.Keys[k - 1], 0})->second);
            else
                EXPECT_EQ(recNo, it->first);
        }
        std::int32_t recNo = 0;
        FindKey(F, 3, recNo, "zzz");
        EXPECT_EQ(EngineError, eeKeyNotFound);
        for (int i = 0; i < 10 && !Records.empty(); ++i) {
            auto it = Records.begin();
            std::advance(it, Rand(static_cast<int>(Records.size())));
            std::string body;
            GetRecord(F, it->first, body);
            ASSERT_TRUE(EngineOK);
            EXPECT_EQ(body.substr(0, it->second.Body.size()), it->second.Body);
        }
    }

    // Walks part of an index, changes the index, and checks that the walk goes on after the pair held.
    void WalkAcrossChanges() {
        const int k = 1 + Rand(4);
        ClearKey(F, k);
        std::int32_t recNo = 0;
        std::string key;
        const int steps = Rand(50);
        for (int i = 0; i < steps; ++i) {
            NextKey(F, k, recNo, key);
            if (!EngineOK) return;
        }
        if (steps == 0 || Records.size() < 10) return;
        for (int i = 0; i < 5; ++i) {
            if (Rand(2))
                AddOne();
            else
                DeleteOne();
        }
        const auto order = ModelOrder(k);
        const bool dups = k == 2 || k == 3;
        auto next = std::upper_bound(
            order.begin(), order.end(), std::make_pair(key, recNo),
            [dups](const auto& A, const auto& B) { return dups ? A < B : A.first < B.first; });
        NextKey(F, k, recNo, key);
        if (next == order.end()) {
            EXPECT_EQ(EngineError, eeNoNextKey);
        } else {
            ASSERT_TRUE(EngineOK) << EngineError;
            EXPECT_EQ(std::make_pair(key, recNo), *next);
        }
    }

    void Reopen() {
        Close(F);
        F = Open();
        ASSERT_NE(F, nullptr);
    }
};

TEST_F(RecordEngineModel, RandomAddsAndDeletesMatchTheModel) {
    CreateRecordFile(Base(), RecordLen, 4, ModelKeys);
    ASSERT_TRUE(EngineOK);
    F = Open();
    ASSERT_NE(F, nullptr);
    // Grow to three levels, shrink to almost nothing, grow again: splits, balancing, borrowing, merging,
    // root growth and shrink, and page reuse from the free chains.
    const struct {
        int Batches;
        int AddPercent;
    } phases[] = {{14, 90}, {15, 10}, {6, 80}, {6, 50}};
    int batch = 0;
    for (const auto& phase : phases) {
        for (int b = 0; b < phase.Batches; ++b, ++batch) {
            for (int i = 0; i < 500; ++i) {
                if (Records.empty() || Rand(100) < phase.AddPercent)
                    AddOne();
                else
                    DeleteOne();
                if (HasFatalFailure()) return;
            }
            WalkAcrossChanges();
            Verify();
            if (HasFatalFailure()) return;
            if (batch % 4 == 3) Reopen();
        }
        if (&phase == &phases[0]) {
            // Grown: the short duplicates key has three levels.
            Close(F);
            EXPECT_EQ(TreeDepth(ReadFileBytes(IndexName()), ModelKeys, 3), 3);
            F = Open();
        } else if (&phase == &phases[1]) {
            // Shrunk: the roots came down again.
            Close(F);
            EXPECT_LE(TreeDepth(ReadFileBytes(IndexName()), ModelKeys, 3), 1);
            EXPECT_LE(TreeDepth(ReadFileBytes(IndexName()), ModelKeys, 1), 1);
            F = Open();
        }
    }
    Reopen();
    Verify();
    Close(F);
}

TEST_F(RecordEngineModel, DeletingEverythingEmptiesTheTreesAndReusesTheirPages) {
    CreateRecordFile(Base(), RecordLen, 4, ModelKeys);
    F = Open();
    for (int i = 0; i < 3000; ++i)
        AddOne();
    Verify();
    while (!Records.empty())
        DeleteOne();
    Verify();
    Close(F);
    // Every page of every key is back on its free chain, every root is 0.
    std::string index = ReadFileBytes(IndexName());
    std::int32_t pagesBefore[4];
    std::size_t offset = 0;
    for (int k = 0; k < 4; ++k) {
        pagesBefore[k] = I32(index, offset + RecordFormat::KeyPagesInUse);
        EXPECT_GT(pagesBefore[k], 1);
        EXPECT_EQ(I32(index, offset + RecordFormat::KeyFreeCount), pagesBefore[k]);
        EXPECT_EQ(I32(index, offset + RecordFormat::KeyRoot), 0);
        EXPECT_EQ(I32(index, offset + RecordFormat::KeyEntryCount), 0);
        offset += static_cast<std::size_t>(RecordFormat::PageSizeFor(ModelKeys[k].KeyLength));
    }
    const std::size_t sizeBefore = index.size();
    F = Open();
    for (int i = 0; i < 3000; ++i)
        AddOne();
    Verify();
    Close(F);
    // The second round took its pages from the free chains.
    index = ReadFileBytes(IndexName());
    EXPECT_LE(index.size(), sizeBefore + sizeBefore / 5);
    offset = 0;
    for (int k = 0; k < 4; ++k) {
        EXPECT_LE(I32(index, offset + RecordFormat::KeyPagesInUse), pagesBefore[k] + pagesBefore[k] / 5);
        offset += static_cast<std::size_t>(RecordFormat::PageSizeFor(ModelKeys[k].KeyLength));
    }
}

// A bulk-loaded index is the index the same keys added one by one make (walk, finds, check), in full
// pages, and takes random additions and deletions afterwards, around every level boundary of the tree.
TEST_F(RecordEngineModel, BulkLoadedIndexesMatchTheModelAndTakeLaterChanges) {
    for (const int count : {0, 1, 62, 63, 64, 126, 3968, 5000}) {
        SCOPED_TRACE(count);
        Records.clear();
        for (auto& m : Unique)
            m.clear();
        for (auto& m : Dups)
            m.clear();
        FreeSlots.clear();
        Slots = 0;
        CreateRecordFile(Base(), RecordLen, 4, ModelKeys);
        F = Open();
        ASSERT_NE(F, nullptr);
        std::vector<TKeyEntry> pending[4];
        Pending = pending;
        for (int i = 0; i < count; ++i)
            AddOne();
        Pending = nullptr;
        for (int k = 0; k < 4; ++k) {
            std::shuffle(pending[k].begin(), pending[k].end(), Rng);
            LoadKeys(F, k + 1, pending[k]);
            ASSERT_TRUE(EngineOK) << EngineError;
        }
        Verify();
        Reopen();
        Verify();
        Close(F);
        // Full pages: every key's pages are the fewest that hold its entries with one separator apiece.
        const std::string index = ReadFileBytes(IndexName());
        const auto fewestPages = [](auto Self, int N) -> int {
            const int pages = N <= 62 ? (N > 0) : (N + 63) / 63;
            return pages + (pages > 1 ? Self(Self, pages - 1) : 0);
        };
        std::size_t region = 0;
        for (const TKeyDescriptor& key : ModelKeys) {
            EXPECT_EQ(I32(index, region + RecordFormat::KeyPagesInUse), fewestPages(fewestPages, count));
            region += static_cast<std::size_t>(RecordFormat::PageSizeFor(key.KeyLength));
        }
        F = Open();
        for (int b = 0; b < 4; ++b) {
            for (int i = 0; i < 300; ++i) {
                if (Records.empty() || Rand(100) < (b % 2 ? 30 : 70))
                    AddOne();
                else
                    DeleteOne();
                if (HasFatalFailure()) return;
            }
            Verify();
            if (HasFatalFailure()) return;
        }
        Close(F);
    }
}

TEST_F(RecordEngineModel, RefusedBulkLoadsWriteNothing) {
    CreateRecordFile(Base(), RecordLen, 4, ModelKeys);
    F = Open();
    std::int32_t recNo = 0;
    AddRecord(F, recNo, "");
    const std::string before = ReadFileBytes(IndexName());
    const struct {
        int KeyNr;
        std::vector<TKeyEntry> Entries;
        std::int32_t Error;
    } cases[] = {
        {1, {{"a", 1}, {"b", 1}, {"a", 2}}, eeDuplicateKey}, // unique key given twice
        {2, {{"a", 1}, {"a", 2}, {"a", 1}}, eeDuplicateKey}, // the same pair twice
        {3, {{"abcd", 1}}, eeKeyTooLong},
        {2, {{"a", 0}}, eeRecordRange},
        {5, {{"a", 1}}, eeBadKeyNumber},
    };
    for (auto c : cases) {
        LoadKeys(F, c.KeyNr, c.Entries);
        EXPECT_EQ(EngineError, c.Error);
        EXPECT_TRUE(c.Entries.empty());
    }
    EXPECT_EQ(ReadFileBytes(IndexName()), before);
    // An index that holds pages takes no bulk load, even when it is empty again.
    AddKey(F, 2, recNo, "x");
    DeleteKey(F, 2, recNo, "x");
    std::vector<TKeyEntry> one = {{"y", recNo}};
    LoadKeys(F, 2, one);
    EXPECT_EQ(EngineError, eeIndexNotEmpty);
    EXPECT_EQ(CheckRecordFile(F), "");
    Close(F);
}

} // namespace
