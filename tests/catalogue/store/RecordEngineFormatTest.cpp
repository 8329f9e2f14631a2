// The record engine's files byte for byte: what it writes is checked at the layout's offsets (written
// here as plain numbers, independent of the engine's own constants), and a pair written by hand following
// the layout opens and works.
#include "RecordEngineTestFixture.h"

namespace {

using RecordEngineFormat = RecordEngineFixture;

constexpr std::size_t CatalogueSlot = 1556 + 5 * 1804; // 10576

std::string Rec(const std::string& Text) {
    return std::string(4, '\0') + Text;
}

TEST_F(RecordEngineFormat, CreatedPairHoldsOnlyItsHeaders) {
    CreateCatalogueLike();
    const std::string data = ReadFileBytes(DataName());
    ASSERT_EQ(data.size(), 1204u);
    EXPECT_EQ(I32(data, 0), -1); // first free
    EXPECT_EQ(I32(data, 4), 0);  // free count
    EXPECT_EQ(I32(data, 8), 0);  // slots in use
    EXPECT_EQ(I32(data, 12), 1204);
    EXPECT_EQ(I32(data, 16), 6); // keys
    EXPECT_EQ(data[20], 0);      // modified flag
    EXPECT_EQ(data.find_first_not_of('\0', 21), std::string::npos);

    const std::string index = ReadFileBytes(IndexName());
    ASSERT_EQ(index.size(), CatalogueSlot);
    std::size_t at = 0;
    for (int k = 1; k <= 6; ++k) {
        const std::int32_t pageSize = k == 1 ? 1556 : 1804;
        EXPECT_EQ(I32(index, at + 0), -1) << k;
        EXPECT_EQ(I32(index, at + 4), 0);
        EXPECT_EQ(I32(index, at + 8), 0);
        EXPECT_EQ(I32(index, at + 12), pageSize);
        EXPECT_EQ(I32(index, at + 16), 0);
        EXPECT_EQ(index[at + 20], k == 1 ? 0 : 1);
        EXPECT_EQ(index[at + 21], 0);
        EXPECT_EQ(I32(index, at + 22), 0);
        EXPECT_EQ(U16(index, at + 26), 62);
        EXPECT_EQ(index.find_first_not_of('\0', at + 28), k == 6 ? std::string::npos : at + pageSize);
        at += static_cast<std::size_t>(pageSize);
    }
}

TEST_F(RecordEngineFormat, RecordsPagesAndHeadersAfterClose) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    std::int32_t recNo;
    const char* codes[] = {"00000000000000C3", "00000000000000A1", "00000000000000B2"};
    for (int i = 0; i < 3; ++i) {
        AddRecord(f, recNo, Rec("disc " + std::to_string(i + 1)));
        AddKey(f, 1, recNo, codes[i]);
        AddKey(f, 2, recNo, i == 1 ? "Mozart" : "Bach");
    }
    DeleteRecord(f, 2);
    Close(f);

    const std::string data = ReadFileBytes(DataName());
    ASSERT_EQ(data.size(), 4u * 1204);
    EXPECT_EQ(I32(data, 0), 2); // the deleted record heads the free chain
    EXPECT_EQ(I32(data, 4), 1);
    EXPECT_EQ(I32(data, 8), 3);
    EXPECT_EQ(data[20], 0);
    EXPECT_EQ(I32(data, 1204), 0); // live record 1
    EXPECT_EQ(data.substr(1208, 6), "disc 1");
    EXPECT_EQ(I32(data, 2 * 1204), -1); // deleted record 2 ends the chain
    EXPECT_EQ(data.substr(3 * 1204 + 4, 6), "disc 3");

    const std::string index = ReadFileBytes(IndexName());
    ASSERT_EQ(index.size(), 2 * CatalogueSlot);
    // Key 1: one page, the root, three entries.
    EXPECT_EQ(I32(index, 8), 1);
    EXPECT_EQ(I32(index, 16), 1);
    EXPECT_EQ(I32(index, 22), 3);
    const std::size_t page = CatalogueSlot; // page 1 of key 1
    EXPECT_EQ(U16(index, page), 3);
    EXPECT_EQ(I32(index, page + 2), 0);
    const std::int32_t expectedRec[] = {2, 3, 1}; // A1, B2, C3
    for (int e = 0; e < 3; ++e) {
        const std::size_t entry = page + 6 + static_cast<std::size_t>(e) * 25; // K + 9 = 25
        EXPECT_EQ(I32(index, entry), expectedRec[e]);
        EXPECT_EQ(I32(index, entry + 4), 0);
        EXPECT_EQ(index[entry + 8], 16);
        EXPECT_EQ(index.substr(entry + 9, 16), codes[expectedRec[e] - 1]);
    }
    // Only the used part was written: the rest of the region is still zero.
    EXPECT_EQ(index.find_first_not_of('\0', page + 6 + 3 * 25), page + 1556);
    // Key 2 (K = 20, entries of 29 bytes): Bach 1, Bach 3, Mozart 2; the key bytes after the length unused.
    const std::size_t page2 = CatalogueSlot + 1556;
    EXPECT_EQ(I32(index, 1556 + 22), 3);
    EXPECT_EQ(U16(index, page2), 3);
    EXPECT_EQ(I32(index, page2 + 6), 1);
    EXPECT_EQ(index.substr(page2 + 6 + 8, 5), std::string("\x04") + "Bach");
    EXPECT_EQ(I32(index, page2 + 6 + 29), 3);
    EXPECT_EQ(I32(index, page2 + 6 + 58), 2);
    EXPECT_EQ(index.substr(page2 + 6 + 58 + 8, 7), std::string("\x06") + "Mozart");
    // Keys 3 to 6 are empty: nothing after key 2's used part was written.
    EXPECT_EQ(index.find_first_not_of('\0', page2 + 6 + 3 * 29), std::string::npos);
}

TEST_F(RecordEngineFormat, ShrunkPageIsWrittenWithItsUsedPartOnly) {
    CreateRecordFile(Base(), 30, 1, {{4, 0}});
    TRecordFile* f = Open();
    for (const char* k : {"aaaa", "bbbb", "cccc"})
        AddKey(f, 1, k[0], k);
    Close(f);
    const std::string before = ReadFileBytes(IndexName());
    f = Open();
    DeleteKey(f, 1, 'c', "cccc");
    Close(f);
    const std::string after = ReadFileBytes(IndexName());
    const std::size_t page = 6 + 62 * 13;
    EXPECT_EQ(U16(after, page), 2);
    // The third entry's bytes are left as they were: only 6 + 2 * 13 bytes were written.
    EXPECT_EQ(after.substr(page + 6 + 26, 13), before.substr(page + 6 + 26, 13));
    EXPECT_EQ(after.substr(page + 6 + 26 + 9, 4), "cccc");
}

TEST_F(RecordEngineFormat, FreedPagesFormTheKeysChain) {
    const std::vector<TKeyDescriptor> keys = {{4, 0}, {2, 1}};
    CreateRecordFile(Base(), 30, 2, keys);
    TRecordFile* f = Open();
    char key[5];
    for (int i = 1; i <= 63; ++i) {
        std::snprintf(key, sizeof key, "%04d", i);
        AddKey(f, 1, i, key);
        AddKey(f, 2, i, "zz");
    }
    for (int i = 1; i <= 63; ++i) {
        std::snprintf(key, sizeof key, "%04d", i);
        DeleteKey(f, 1, i, key);
    }
    Close(f);
    const std::string index = ReadFileBytes(IndexName());
    const std::size_t slot = (6 + 62 * 13) + (6 + 62 * 11);
    EXPECT_EQ(I32(index, 8), 3);  // pages in use
    EXPECT_EQ(I32(index, 4), 3);  // all free
    EXPECT_EQ(I32(index, 16), 0); // empty
    std::vector<std::int32_t> chain;
    for (std::int32_t p = I32(index, 0); p != -1 && chain.size() < 10; p = I32(index, p * slot))
        chain.push_back(p);
    std::sort(chain.begin(), chain.end());
    EXPECT_EQ(chain, (std::vector<std::int32_t>{1, 2, 3}));
    // Key 2 numbers its own pages in its own region of the same slots.
    EXPECT_EQ(I32(index, 812 + 8), 3);
    EXPECT_EQ(I32(index, 812 + 22), 63);
    EXPECT_EQ(TreeDepth(index, keys, 2), 2);
}

// A pair written by hand from the layout, as another program would: record length 24, key 1 unique of 4
// bytes with its capacity stored as 0 and its spare byte used, key 2 with duplicates of 2 bytes.
// Records 1 and 3 live, 2 deleted. Key 1: leaf root page 1 ("aa" 1, "cc" 3), page 2 free. Key 2: root
// page 1 ("x" 1, "x" 3).
class HandWrittenPair : public RecordEngineFixture {
protected:
    static constexpr std::size_t P1 = 6 + 62 * 13, P2 = 6 + 62 * 11, S = P1 + P2;

    void Write() {
        std::string data(4 * 24, '\0');
        SetI32(data, 0, 2);
        SetI32(data, 4, 1);
        SetI32(data, 8, 3);
        SetI32(data, 12, 24);
        SetI32(data, 16, 2);
        data.replace(24 + 4, 3, "one");
        SetI32(data, 48, -1);
        data.replace(72 + 4, 5, "three");

        std::string index(3 * S, '\0');
        // Key 1 header.
        SetI32(index, 0, 2);
        SetI32(index, 4, 1);
        SetI32(index, 8, 2);
        SetI32(index, 12, static_cast<std::int32_t>(P1));
        SetI32(index, 16, 1);
        index[20] = 0;
        index[21] = 0x5A;
        SetI32(index, 22, 2);
        SetU16(index, 26, 0);
        // Key 2 header.
        SetI32(index, P1 + 0, -1);
        SetI32(index, P1 + 8, 1);
        SetI32(index, P1 + 12, static_cast<std::int32_t>(P2));
        SetI32(index, P1 + 16, 1);
        index[P1 + 20] = 1;
        SetI32(index, P1 + 22, 2);
        SetU16(index, P1 + 26, 62);
        // Key 1, page 1.
        SetU16(index, S, 2);
        SetI32(index, S + 6, 1);
        index.replace(S + 6 + 8, 3,
                      "\x02"
                      "aa");
        SetI32(index, S + 6 + 13, 3);
        index.replace(S + 6 + 13 + 8, 3,
                      "\x02"
                      "cc");
        // Key 1, page 2: free, end of chain.
        SetI32(index, 2 * S, -1);
        // Key 2, page 1.
        SetU16(index, S + P1, 2);
        SetI32(index, S + P1 + 6, 1);
        index.replace(S + P1 + 6 + 8, 2, "\x01x");
        SetI32(index, S + P1 + 6 + 11, 3);
        index.replace(S + P1 + 6 + 11 + 8, 2, "\x01x");
        WriteFileBytes(DataName(), data);
        WriteFileBytes(IndexName(), index);
    }
};

TEST_F(HandWrittenPair, OpensAndWorks) {
    Write();
    TRecordFile* f = Open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(CheckRecordFile(f), "");
    EXPECT_EQ(RecordSlotCount(f), 4);
    EXPECT_EQ(KeyCount(f, 1), 2);
    std::int32_t recNo = 0;
    FindKey(f, 1, recNo, "cc");
    EXPECT_EQ(recNo, 3);
    FindKey(f, 2, recNo, "x");
    EXPECT_EQ(recNo, 1);
    std::string key;
    NextKey(f, 2, recNo, key);
    EXPECT_EQ(recNo, 3);
    std::string r;
    GetRecord(f, 3, r);
    EXPECT_EQ(r.substr(4, 5), "three");

    // The deleted slot is reused; key 1 fills its page and splits, taking page 2 from its free chain.
    AddRecord(f, recNo, Rec("two"));
    EXPECT_EQ(recNo, 2);
    char k[5];
    for (int i = 0; i < 61; ++i) {
        std::snprintf(k, sizeof k, "b%03d", i);
        AddKey(f, 1, 2, k);
        ASSERT_TRUE(EngineOK) << i;
    }
    EXPECT_EQ(CheckRecordFile(f), "");
    Close(f);

    const std::string index = ReadFileBytes(IndexName());
    EXPECT_EQ(index.size(), 4 * S); // one slot added for page 3
    EXPECT_EQ(I32(index, 0), -1);
    EXPECT_EQ(I32(index, 4), 0);
    EXPECT_EQ(I32(index, 8), 3);
    EXPECT_EQ(I32(index, 16), 3); // the new root
    EXPECT_EQ(I32(index, 22), 63);
    EXPECT_EQ(index[21], 0x5A); // left as found
    EXPECT_EQ(U16(index, 26), 0);
    EXPECT_EQ(U16(index, 2 * S), 31);
    EXPECT_EQ(U16(index, S), 31);
    const std::string data = ReadFileBytes(DataName());
    EXPECT_EQ(I32(data, 0), -1);
    EXPECT_EQ(I32(data, 4), 0);
    EXPECT_EQ(data.substr(48 + 4, 3), "two");
}

} // namespace
