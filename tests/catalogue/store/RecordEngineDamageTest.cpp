// Damaged record files: every broken field ends the operation with an engine error, never a crash, a
// hang or a read outside the file. Each test writes a sound pair, breaks bytes at the layout's offsets
// and opens it again.
#include <random>

#include "RecordEngineTestFixture.h"

namespace {

// One unique key of 4 bytes: page size 6 + 62 * 13 = 812, which is also the index slot size.
constexpr std::size_t Slot = 812;
constexpr std::int32_t RecLen = 24;

class RecordEngineDamage : public RecordEngineFixture {
protected:
    // Records 1..N with keys "0001".."N" (two levels from 63 keys on), the pair closed.
    void MakePair(int N) {
        CreateRecordFile(Base(), RecLen, 1, {{4, 0}});
        ASSERT_TRUE(EngineOK);
        TRecordFile* f = Open();
        char key[12];
        for (int i = 1; i <= N; ++i) {
            std::int32_t recNo;
            AddRecord(f, recNo, std::string(4, '\0') + "r" + std::to_string(i));
            std::snprintf(key, sizeof key, "%04d", i);
            AddKey(f, 1, recNo, key);
            ASSERT_TRUE(EngineOK);
        }
        Close(f);
        Data = ReadFileBytes(DataName());
        Index = ReadFileBytes(IndexName());
    }
    void Save() {
        WriteFileBytes(DataName(), Data);
        WriteFileBytes(IndexName(), Index);
    }
    // Opens the saved pair and returns the error (0 when the open succeeds; F is then open).
    std::int32_t OpenSaved() {
        Save();
        OpenRecordFile(F, Base());
        return EngineError;
    }
    std::size_t RootAt() const { return static_cast<std::size_t>(I32(Index, 16)) * Slot; }
    std::size_t LeftLeafAt() const { return static_cast<std::size_t>(I32(Index, RootAt() + 2)) * Slot; }
    // Offset of entry I of the page at P.
    static std::size_t EntryAt(std::size_t P, int I) { return P + 6 + static_cast<std::size_t>(I) * 13; }

    std::int32_t Find(const std::string& Key) {
        std::int32_t recNo = 0;
        FindKey(F, 1, recNo, Key);
        return EngineError;
    }
    // Walks the whole index and returns the error that ended the walk.
    std::int32_t Walk(int Limit = 100000) {
        ClearKey(F, 1);
        std::int32_t recNo = 0;
        std::string key;
        for (int i = 0; i < Limit; ++i) {
            NextKey(F, 1, recNo, key);
            if (!EngineOK) return EngineError;
        }
        return 0;
    }

    std::string Data, Index;
    TRecordFile* F = nullptr;
};

TEST_F(RecordEngineDamage, SoundPairPassesTheCheck) {
    MakePair(100);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(CheckRecordFile(F), "");
    EXPECT_EQ(Walk(), eeNoNextKey);
    EXPECT_EQ(Find("0050"), 0);
    Close(F);
}

TEST_F(RecordEngineDamage, DataHeaderFieldsOutOfRange) {
    MakePair(5);
    const std::string sound = Data;
    SetI32(Data, 12, 20); // record length below 21
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    Data = sound;
    SetI32(Data, 12, 1 << 30); // a record length the file cannot hold
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    Data = sound;
    SetI32(Data, 8, 6); // more slots in use than the file holds
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    Data = sound;
    SetI32(Data, 0, 9); // first free slot beyond the slots in use
    SetI32(Data, 4, 1);
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    Data = sound;
    SetI32(Data, 4, -3); // negative free count
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    Data = sound;
    SetI32(Data, 16, 101);
    EXPECT_EQ(OpenSaved(), eeHeaderTooManyKeys);
    Data = sound;
    SetI32(Data, 16, -1);
    EXPECT_EQ(OpenSaved(), eeHeaderTooManyKeys);
    Data = sound;
    Data[20] = 1;
    EXPECT_EQ(OpenSaved(), eeModified);
    Data = sound.substr(0, 10); // not even a header
    EXPECT_EQ(OpenSaved(), eeShortRead);
    EXPECT_EQ(F, nullptr);
}

TEST_F(RecordEngineDamage, KeyHeaderFieldsOutOfRange) {
    MakePair(100);
    const std::string sound = Index;
    SetI32(Index, 12, 1000); // page size that is no 6 + 62 * (K + 9)
    EXPECT_EQ(OpenSaved(), eeKeyHeaderSize);
    Index = sound;
    SetI32(Index, 12, 6 + 62 * 40); // K = 31
    EXPECT_EQ(OpenSaved(), eeKeyHeaderLength);
    Index = sound;
    SetI32(Index, 12, 6 + 62 * 9); // K = 0
    EXPECT_EQ(OpenSaved(), eeKeyHeaderLength);
    Index = sound;
    SetI32(Index, 12, -5);
    EXPECT_EQ(OpenSaved(), eeKeyHeaderSize);
    Index = sound;
    SetU16(Index, 26, 70); // capacity above 62
    EXPECT_EQ(OpenSaved(), eeKeyHeaderCapacity);
    Index = sound;
    SetI32(Index, 8, 50); // more pages than the file has slots
    EXPECT_EQ(OpenSaved(), eeKeyHeaderDamaged);
    Index = sound;
    SetI32(Index, 16, I32(sound, 8) + 1); // root beyond the pages in use
    EXPECT_EQ(OpenSaved(), eeKeyHeaderDamaged);
    Index = sound;
    SetI32(Index, 0, 2); // a free head without a free count
    EXPECT_EQ(OpenSaved(), eeKeyHeaderDamaged);
    Index = sound;
    SetI32(Index, 22, -1); // negative key count
    EXPECT_EQ(OpenSaved(), eeKeyHeaderDamaged);
    Index = sound.substr(0, 500); // shorter than the header slot
    EXPECT_EQ(OpenSaved(), eeIndexSlotSize);
    Index = sound.substr(0, 20); // not even a key header
    EXPECT_EQ(OpenSaved(), eeShortRead);
    // A data header naming more keys than the index holds reads pages as key headers.
    Index = sound;
    SetI32(Data, 16, 2);
    EXPECT_NE(OpenSaved(), 0);
    EXPECT_EQ(F, nullptr);
}

TEST_F(RecordEngineDamage, PageCountsOutsideOneToSixtyTwo) {
    MakePair(100);
    const std::string sound = Index;
    SetU16(Index, RootAt(), 63);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    EXPECT_EQ(Walk(), eePageDamaged);
    AddKey(F, 1, 1, "9999");
    EXPECT_EQ(EngineError, eePageDamaged);
    Close(F);

    Index = sound;
    SetU16(Index, LeftLeafAt(), 0);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    EXPECT_EQ(Find("0099"), 0); // the other half is still readable
    EXPECT_NE(CheckRecordFile(F), "");
    Close(F);

    Index = sound;
    SetU16(Index, LeftLeafAt(), 0xFFFF);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    Close(F);
}

TEST_F(RecordEngineDamage, ChildLinksOutsideTheFile) {
    MakePair(100);
    const std::string sound = Index;
    SetI32(Index, RootAt() + 2, 999);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    EXPECT_EQ(Walk(), eePageDamaged);
    Close(F);

    Index = sound;
    SetI32(Index, EntryAt(RootAt(), 0) + 4, -7);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    Close(F);

    // A leaf entry with a child: a page that is neither leaf nor inner page.
    Index = sound;
    SetI32(Index, EntryAt(LeftLeafAt(), 3) + 4, 1);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eePageDamaged);
    Close(F);
}

TEST_F(RecordEngineDamage, KeyLengthAboveTheIndexKeyLength) {
    MakePair(100);
    Index[EntryAt(LeftLeafAt(), 2) + 8] = 5;
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0002"), eePageDamaged);
    Close(F);
    Index[EntryAt(LeftLeafAt(), 2) + 8] = static_cast<char>(255);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Walk(), eePageDamaged);
    Close(F);
}

TEST_F(RecordEngineDamage, CyclesInTheTree) {
    MakePair(100);
    const std::string sound = Index;
    // The root is its own leftmost child: every descent goes round for ever.
    SetI32(Index, RootAt() + 2, I32(Index, 16));
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Find("0001"), eeIndexDamaged);
    EXPECT_EQ(Walk(), eeIndexDamaged);
    AddKey(F, 1, 1, "0000");
    EXPECT_EQ(EngineError, eeIndexDamaged);
    DeleteKey(F, 1, 1, "0001");
    EXPECT_EQ(EngineError, eeIndexDamaged);
    EXPECT_NE(CheckRecordFile(F), "");
    Close(F);

    // Two children lead to the same leaf: a walk would come back to keys it has given; it stops instead.
    Index = sound;
    SetI32(Index, EntryAt(RootAt(), 0) + 4, I32(Index, RootAt() + 2));
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Walk(), eeIndexDamaged);
    EXPECT_NE(CheckRecordFile(F), "");
    Close(F);
}

TEST_F(RecordEngineDamage, EntriesOutOfOrder) {
    MakePair(10);
    // Swap the keys of entries 2 and 3 of the only page.
    const std::size_t root = RootAt();
    for (int b = 0; b < 4; ++b)
        std::swap(Index[EntryAt(root, 2) + 9 + b], Index[EntryAt(root, 3) + 9 + b]);
    ASSERT_EQ(OpenSaved(), 0);
    EXPECT_EQ(Walk(), eeIndexDamaged);
    std::string problem = CheckRecordFile(F);
    EXPECT_NE(problem.find("out of order"), std::string::npos) << problem;
    EXPECT_EQ(EngineError, eeIndexDamaged);
    // A wrong key count is found too.
    Close(F);
    SetI32(Index, 22, 11);
    for (int b = 0; b < 4; ++b)
        std::swap(Index[EntryAt(root, 2) + 9 + b], Index[EntryAt(root, 3) + 9 + b]);
    ASSERT_EQ(OpenSaved(), 0);
    problem = CheckRecordFile(F);
    EXPECT_NE(problem.find("header says 11"), std::string::npos) << problem;
    Close(F);
}

TEST_F(RecordEngineDamage, DataFreeChainCycleAndStrayLinks) {
    MakePair(5);
    TRecordFile* f = Open();
    DeleteRecord(f, 3);
    DeleteRecord(f, 5); // chain 5 -> 3 -> -1
    Close(f);
    Data = ReadFileBytes(DataName());
    const std::string sound = Data;

    SetI32(Data, 3 * RecLen, 5); // 5 -> 3 -> 5 -> ...
    ASSERT_EQ(OpenSaved(), 0);
    std::int32_t recNo;
    AddRecord(F, recNo, "");
    EXPECT_EQ(recNo, 5);
    AddRecord(F, recNo, "");
    EXPECT_EQ(EngineError, eeFreeChain);
    EXPECT_NE(CheckRecordFile(F), "");
    Close(F);

    // The chain leads into a live record (first four bytes 0).
    Data = sound;
    SetI32(Data, 5 * RecLen, 2);
    ASSERT_EQ(OpenSaved(), 0);
    AddRecord(F, recNo, "");
    EXPECT_EQ(recNo, 5);
    AddRecord(F, recNo, "");
    EXPECT_EQ(EngineError, eeFreeChain);
    GetRecord(F, 2, Data);
    EXPECT_EQ(Data.substr(4, 2), "r2"); // the live record was not handed out
    Close(F);

    for (const std::int32_t stray : {6, -2, 1000000}) {
        Data = sound;
        SetI32(Data, 5 * RecLen, stray);
        ASSERT_EQ(OpenSaved(), 0);
        AddRecord(F, recNo, "");
        EXPECT_EQ(EngineError, eeFreeChain) << stray;
        Close(F);
    }

    // The chain ends before its count.
    Data = sound;
    SetI32(Data, 5 * RecLen, -1);
    ASSERT_EQ(OpenSaved(), 0);
    AddRecord(F, recNo, "");
    EXPECT_EQ(EngineError, eeFreeChain);
    Close(F);
}

TEST_F(RecordEngineDamage, IndexFreeChainCycleAndStrayLinks) {
    MakePair(100);
    TRecordFile* f = Open();
    char key[12];
    for (int i = 1; i <= 100; ++i) {
        std::snprintf(key, sizeof key, "%04d", i);
        DeleteKey(f, 1, i, key);
    }
    EXPECT_EQ(I32(ReadFileBytes(IndexName()), 16), 3); // headers are written at close only
    Close(f);
    Index = ReadFileBytes(IndexName());
    ASSERT_EQ(I32(Index, 16), 0); // empty
    ASSERT_EQ(I32(Index, 4), 3);  // three free pages
    const std::string sound = Index;
    const std::int32_t head = I32(Index, 0);
    const std::int32_t second = I32(Index, static_cast<std::size_t>(head) * Slot);

    SetI32(Index, static_cast<std::size_t>(second) * Slot, head); // head -> second -> head
    ASSERT_EQ(OpenSaved(), 0);
    AddKey(F, 1, 1, "0001");
    EXPECT_EQ(EngineError, eeFreeChain);
    EXPECT_EQ(KeyCount(F, 1), 0);
    Close(F);

    for (const std::int32_t stray : {0, 4, -9, 77777}) {
        Index = sound;
        SetI32(Index, static_cast<std::size_t>(head) * Slot, stray);
        ASSERT_EQ(OpenSaved(), 0);
        AddKey(F, 1, 1, "0001");
        EXPECT_EQ(EngineError, eeFreeChain) << stray;
        Close(F);
    }

    // Sound chain: the pages come back in order and the file does not grow.
    Index = sound;
    ASSERT_EQ(OpenSaved(), 0);
    for (int i = 1; i <= 100; ++i) {
        std::snprintf(key, sizeof key, "%04d", i);
        AddKey(F, 1, i, key);
    }
    EXPECT_EQ(CheckRecordFile(F), "");
    Close(F);
    EXPECT_EQ(ReadFileBytes(IndexName()).size(), sound.size());
}

TEST_F(RecordEngineDamage, TruncatedFiles) {
    MakePair(100);
    const std::string sound = Index;
    Data.resize(Data.size() - 10); // the last record cut short
    EXPECT_EQ(OpenSaved(), eeDataHeaderDamaged);
    // An index file cut in the middle of its last slot: its pages are beyond the file.
    MakePair(100);
    Index.resize(Index.size() - 100);
    EXPECT_EQ(OpenSaved(), eeKeyHeaderDamaged);
}

TEST_F(RecordEngineDamage, SalvageReadsWhatTheDataFileHolds) {
    MakePair(5);
    Data[20] = 1;
    SetI32(Data, 8, 2);           // stale count from before a crash
    Data += std::string(10, 'x'); // half a slot at the end
    Save();
    OpenRecordFileForSalvage(F, Base());
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(RecordSlotCount(F), 6);
    std::string r;
    GetRecord(F, 5, r);
    EXPECT_EQ(r.substr(4, 2), "r5");
    GetRecord(F, 6, r);
    EXPECT_EQ(EngineError, eeRecordRange);
    Close(F);
    SetI32(Data, 12, 3);
    Save();
    OpenRecordFileForSalvage(F, Base());
    EXPECT_EQ(EngineError, eeDataHeaderDamaged);
}

// Random bytes of a sound pair overwritten, many times over: whatever the engine reads, every operation
// ends (with or without an error) and a walk stops within the number of entries the pages can hold.
TEST_F(RecordEngineDamage, RandomCorruptionNeverCrashesOrHangs) {
    MakePair(300);
    const std::string soundData = Data, soundIndex = Index;
    std::mt19937 rng(4711);
    auto pick = [&rng](std::size_t N) { return std::uniform_int_distribution<std::size_t>(0, N - 1)(rng); };
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        Data = soundData;
        Index = soundIndex;
        std::string& target = round % 4 == 0 ? Data : Index;
        for (std::size_t n = 1 + pick(6); n > 0; --n)
            target[pick(target.size())] = static_cast<char>(pick(256));
        if (OpenSaved() != 0) continue;
        ++opened;
        const int pages = static_cast<int>(Index.size() / Slot);
        EXPECT_NE(Walk(pages * 62 + 1), 0) << "walk did not end, round " << round;
        char key[12];
        for (int i = 0; i < 20; ++i) {
            std::snprintf(key, sizeof key, "%04d", static_cast<int>(pick(400)));
            std::int32_t recNo = 0;
            FindKey(F, 1, recNo, key);
            if (i % 3 == 0) AddKey(F, 1, 1 + static_cast<std::int32_t>(pick(300)), key);
            if (i % 3 == 1) DeleteKey(F, 1, 1 + static_cast<std::int32_t>(pick(300)), key);
            if (i % 5 == 0) AddRecord(F, recNo, "");
            if (i % 5 == 1) DeleteRecord(F, 1 + static_cast<std::int32_t>(pick(300)));
        }
        CheckRecordFile(F);
        CloseRecordFile(F);
        if (F) DoneRecordEngine(), InitRecordEngine(8), F = nullptr;
    }
    EXPECT_GT(opened, 100); // most damage is only found while working
}

} // namespace
