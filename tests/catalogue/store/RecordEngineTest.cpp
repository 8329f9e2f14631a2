// The record engine's operations: status and entry check, file pairs, records, keys and key positions.
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "RecordEngineTestFixture.h"

namespace {

using RecordEngineApi = RecordEngineFixture;

std::string Rec(const std::string& Text) {
    return std::string(4, '\0') + Text;
}

TEST(RecordEngineLifecycle, InitAndDoneCheckTheirState) {
    DoneRecordEngine();
    EXPECT_EQ(EngineError, eeNotInit);
    InitRecordEngine(7);
    EXPECT_FALSE(EngineOK);
    EXPECT_EQ(EngineError, eeTooFewBuffers);
    InitRecordEngine(8);
    EXPECT_TRUE(EngineOK);
    InitRecordEngine(8);
    EXPECT_EQ(EngineError, eeAlreadyInit);
    DoneRecordEngine();
    EXPECT_TRUE(EngineOK);
    // Repeatedly, as tests and a restarted catalogue do.
    for (int i = 0; i < 3; ++i) {
        InitRecordEngine(8 + i);
        EXPECT_TRUE(EngineOK);
        DoneRecordEngine();
        EXPECT_TRUE(EngineOK);
    }
}

TEST(RecordEngineLifecycle, OperationsBeforeInitFail) {
    TTempHome home;
    TRecordFile* f = nullptr;
    CreateRecordFile(home.File("x"), 30, 0, {});
    EXPECT_EQ(EngineError, eeNotInit);
    OpenRecordFile(f, home.File("x"));
    EXPECT_EQ(EngineError, eeNotInit);
    std::int32_t recNo;
    AddRecord(f, recNo, "");
    EXPECT_EQ(EngineError, eeNotInit);
    EXPECT_EQ(RecordSlotCount(f), 0);
    EXPECT_EQ(EngineError, eeNotInit);
}

TEST_F(RecordEngineApi, DoneClosesOpenFilesCleanly) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    AddKey(f, 1, recNo, "CODE");
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 1);
    DoneRecordEngine();
    EXPECT_TRUE(EngineOK);
    const std::string data = ReadFileBytes(DataName());
    EXPECT_EQ(data[RecordFormat::DataModified], 0);
    EXPECT_EQ(I32(data, RecordFormat::DataSlotsInUse), 1);
    InitRecordEngine(8);
    f = Open();
    EXPECT_EQ(KeyCount(f, 1), 1);
    Close(f);
}

TEST_F(RecordEngineApi, CreateRefusesBadShapes) {
    CreateRecordFile(Base(), 20, 0, {});
    EXPECT_EQ(EngineError, eeRecordTooShort);
    CreateRecordFile(Base(), 21, 1, {{31, 0}});
    EXPECT_EQ(EngineError, eeBadKeyLength);
    CreateRecordFile(Base(), 21, 1, {{0, 0}});
    EXPECT_EQ(EngineError, eeBadKeyLength);
    CreateRecordFile(Base(), 21, 101, std::vector<TKeyDescriptor>(101, {10, 0}));
    EXPECT_EQ(EngineError, eeTooManyKeys);
    CreateRecordFile(Base(), 21, 2, {{10, 0}});
    EXPECT_EQ(EngineError, eeBadKeyLength);
    EXPECT_FALSE(std::filesystem::exists(DataName()));
    CreateRecordFile(Base(), 21, 1, {{30, 0}});
    EXPECT_TRUE(EngineOK);
}

TEST_F(RecordEngineApi, HundredKeysAndNoKeys) {
    CreateRecordFile(Base(), 21, 100, std::vector<TKeyDescriptor>(100, {1, 1}));
    ASSERT_TRUE(EngineOK);
    TRecordFile* f = Open();
    AddKey(f, 100, 1, "z");
    EXPECT_TRUE(EngineOK);
    AddKey(f, 101, 1, "z");
    EXPECT_EQ(EngineError, eeBadKeyNumber);
    AddKey(f, 0, 1, "z");
    EXPECT_EQ(EngineError, eeBadKeyNumber);
    Close(f);

    // No keys: no index file, records only.
    CreateRecordFile(Home.File("plain"), 25, 0, {});
    ASSERT_TRUE(EngineOK);
    EXPECT_FALSE(std::filesystem::exists(Home.File("plain.IX")));
    OpenRecordFile(f, Home.File("plain"));
    ASSERT_TRUE(EngineOK);
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("x"));
    EXPECT_EQ(recNo, 1);
    FindKey(f, 1, recNo, "x");
    EXPECT_EQ(EngineError, eeBadKeyNumber);
    Close(f);
}

TEST_F(RecordEngineApi, FileNamesTakeTheEnginesExtensions) {
    CreateRecordFile(" " + Home.File("one.xyz") + " ", 30, 1, {{5, 0}});
    ASSERT_TRUE(EngineOK);
    EXPECT_TRUE(std::filesystem::exists(Home.File("one.DAT")));
    EXPECT_TRUE(std::filesystem::exists(Home.File("one.IX")));
    // "data;index" names the two files apart; a dot in a folder name is not an extension.
    std::filesystem::create_directory(Home.File("v1.2"));
    CreateRecordFile(Home.File("v1.2/recs") + ";" + Home.File("v1.2/keys.old"), 30, 1, {{5, 0}});
    ASSERT_TRUE(EngineOK);
    EXPECT_TRUE(std::filesystem::exists(Home.File("v1.2/recs.DAT")));
    EXPECT_TRUE(std::filesystem::exists(Home.File("v1.2/keys.IX")));
    TRecordFile* f = nullptr;
    OpenRecordFile(f, Home.File("v1.2/recs.DAT") + ";" + Home.File("v1.2/keys"));
    EXPECT_TRUE(EngineOK);
    Close(f);
}

TEST_F(RecordEngineApi, MissingFilesAndFolders) {
    TRecordFile* f = nullptr;
    OpenRecordFile(f, Base());
    EXPECT_EQ(EngineError, eeFileNotFound);
    EXPECT_EQ(f, nullptr);
    OpenRecordFile(f, Home.File("nowhere/disc"));
    EXPECT_EQ(EngineError, eePathNotFound);
    CreateRecordFile(Home.File("nowhere/disc"), 30, 0, {});
    EXPECT_EQ(EngineError, eePathNotFound);
    // A pair whose index file is gone cannot be opened.
    CreateCatalogueLike();
    std::filesystem::remove(IndexName());
    OpenRecordFile(f, Base());
    EXPECT_EQ(EngineError, eeModified);
}

TEST_F(RecordEngineApi, HandlesAreCheckedBeforeUse) {
    CreateCatalogueLike();
    TRecordFile* f = nullptr;
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    EXPECT_EQ(EngineError, eeBadHandle);
    CloseRecordFile(f);
    EXPECT_EQ(EngineError, eeNotOpen);
    f = Open();
    TRecordFile* stale = f;
    Close(f);
    EXPECT_EQ(f, nullptr);
    // A copy of a closed handle is refused without being touched.
    std::string r;
    GetRecord(stale, 1, r);
    EXPECT_EQ(EngineError, eeBadHandle);
    CloseRecordFile(stale);
    EXPECT_EQ(EngineError, eeNotOpen);
    EXPECT_EQ(KeyCount(stale, 1), 0);
    EXPECT_EQ(EngineError, eeBadHandle);
}

TEST_F(RecordEngineApi, ReadOnlyRefusesWrites) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    AddKey(f, 1, recNo, "K");
    Close(f);
    for (const bool allReadOnly : {false, true}) {
        OpenRecordFile(f, Base(), !allReadOnly, false, false, allReadOnly);
        ASSERT_TRUE(EngineOK);
        AddRecord(f, recNo, Rec("b"));
        EXPECT_EQ(EngineError, eeReadOnly);
        PutRecord(f, 1, Rec("b"));
        EXPECT_EQ(EngineError, eeReadOnly);
        DeleteRecord(f, 1);
        EXPECT_EQ(EngineError, eeReadOnly);
        AddKey(f, 1, 1, "L");
        EXPECT_EQ(EngineError, eeReadOnly);
        DeleteKey(f, 1, 1, "K");
        EXPECT_EQ(EngineError, eeReadOnly);
        FindKey(f, 1, recNo, "K");
        EXPECT_TRUE(EngineOK);
        EXPECT_EQ(recNo, 1);
        Close(f);
    }
}

TEST_F(RecordEngineApi, JournalModeIsRefusedAndStaleJournalsAreDeleted) {
    WriteFileBytes(Home.File("disc.DIA"), "x");
    CreateCatalogueLike();
    EXPECT_FALSE(std::filesystem::exists(Home.File("disc.DIA")));
    WriteFileBytes(Home.File("disc.DIA"), "x");
    TRecordFile* f = Open();
    EXPECT_FALSE(std::filesystem::exists(Home.File("disc.DIA")));
    Close(f);
    OpenRecordFile(f, Base(), false, false, true);
    EXPECT_EQ(EngineError, eeJournalNotSupported);
    EXPECT_EQ(f, nullptr);
}

TEST_F(RecordEngineApi, PairIsForExclusiveUse) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    TRecordFile* second = nullptr;
    OpenRecordFile(second, Base(), true);
    EXPECT_EQ(EngineError, eeAccessDenied);
    EXPECT_EQ(second, nullptr);
    // Nor may the pair be created anew while it is open.
    CreateRecordFile(Base(), 1204, 1, {{16, 0}});
    EXPECT_EQ(EngineError, eeAccessDenied);
    // Another process is refused the same way.
    const pid_t child = ::fork();
    if (child == 0) {
        TRecordFile* g = nullptr;
        OpenRecordFile(g, Base());
        ::_exit(EngineError == eeAccessDenied ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    Close(f);
    second = Open();
    Close(second);
}

TEST_F(RecordEngineApi, RecordsAreAddedReadOverwrittenAndDeleted) {
    CreateRecordFile(Base(), 32, 0, {});
    TRecordFile* f = Open();
    EXPECT_EQ(RecordLength(f), 32);
    std::int32_t recNo = 0;
    for (int i = 1; i <= 5; ++i) {
        AddRecord(f, recNo, Rec("record " + std::to_string(i)));
        ASSERT_TRUE(EngineOK);
        EXPECT_EQ(recNo, i);
    }
    EXPECT_EQ(RecordSlotCount(f), 6);
    std::string r;
    GetRecord(f, 2, r);
    EXPECT_EQ(r, Rec("record 2") + std::string(32 - 12, '\0'));
    // The engine's four bytes are always 0 in a live record, whatever the caller passed.
    PutRecord(f, 2, "XXXXchanged");
    EXPECT_TRUE(EngineOK);
    GetRecord(f, 2, r);
    EXPECT_EQ(r.substr(0, 11), Rec("changed"));
    PutRecord(f, 0, Rec("x"));
    EXPECT_EQ(EngineError, eeRecordZero);
    PutRecord(f, 6, Rec("x"));
    EXPECT_EQ(EngineError, eeRecordRange);
    AddRecord(f, recNo, std::string(33, 'x'));
    EXPECT_EQ(EngineError, eeRecordTooLong);
    GetRecord(f, 6, r);
    EXPECT_EQ(EngineError, eeRecordRange);
    // A run of slots in one read, within the slots in use only.
    std::string run(4 * 32, '\0');
    GetRecords(f, 2, 4, run.data());
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(run.substr(0, 32), Rec("changed") + std::string(32 - 11, '\0'));
    EXPECT_EQ(run.substr(96, 12), Rec("record 5"));
    GetRecords(f, 3, 4, run.data());
    EXPECT_EQ(EngineError, eeRecordRange);

    // Deleting record 3 and adding one reuses slot 3; the slot count stays.
    DeleteRecord(f, 3);
    EXPECT_TRUE(EngineOK);
    GetRecord(f, 3, r); // a deleted slot reads like any other: its link ends the chain
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(I32(r, 0), -1);
    DeleteRecord(f, 3);
    EXPECT_EQ(EngineError, eeSlotAlreadyFree);
    PutRecord(f, 3, Rec("x"));
    EXPECT_EQ(EngineError, eeSlotAlreadyFree);
    DeleteRecord(f, 0);
    EXPECT_EQ(EngineError, eeRecordRange);
    DeleteRecord(f, 6);
    EXPECT_EQ(EngineError, eeRecordRange);
    AddRecord(f, recNo, Rec("again"));
    EXPECT_EQ(recNo, 3);
    EXPECT_EQ(RecordSlotCount(f), 6);

    // The free chain is last in, first out.
    DeleteRecord(f, 1);
    DeleteRecord(f, 4);
    AddRecord(f, recNo, Rec("n"));
    EXPECT_EQ(recNo, 4);
    AddRecord(f, recNo, Rec("n"));
    EXPECT_EQ(recNo, 1);
    AddRecord(f, recNo, Rec("n"));
    EXPECT_EQ(recNo, 6);
    Close(f);
}

TEST_F(RecordEngineApi, UniqueAndDuplicateKeys) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    AddKey(f, 1, 1, "00112233AABBCCDD");
    EXPECT_TRUE(EngineOK);
    AddKey(f, 1, 2, "00112233AABBCCDD");
    EXPECT_EQ(EngineError, eeDuplicateKey);
    // The same composer for two records is fine; the same pair twice is not.
    AddKey(f, 2, 5, "Bach");
    AddKey(f, 2, 2, "Bach");
    AddKey(f, 2, 9, "Bach");
    EXPECT_TRUE(EngineOK);
    AddKey(f, 2, 5, "Bach");
    EXPECT_EQ(EngineError, eeDuplicateKey);
    EXPECT_EQ(KeyCount(f, 2), 3);
    // Find in a duplicates index gives the lowest record number.
    std::int32_t recNo = 0;
    FindKey(f, 2, recNo, "Bach");
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(recNo, 2);
    FindKey(f, 2, recNo, "Bac");
    EXPECT_EQ(EngineError, eeKeyNotFound);
    FindKey(f, 2, recNo, "Bachs");
    EXPECT_EQ(EngineError, eeKeyNotFound);
    DeleteKey(f, 2, 2, "Bach");
    EXPECT_TRUE(EngineOK);
    FindKey(f, 2, recNo, "Bach");
    EXPECT_EQ(recNo, 5);
    DeleteKey(f, 2, 2, "Bach");
    EXPECT_EQ(EngineError, eeDeleteNotFound);
    // Keys longer than the index's length are refused; beyond 30 bytes they are cut first.
    AddKey(f, 1, 3, std::string(17, 'x'));
    EXPECT_EQ(EngineError, eeKeyTooLong);
    AddKey(f, 1, 0, "zero");
    EXPECT_EQ(EngineError, eeRecordRange);
    Close(f);

    CreateRecordFile(Home.File("long"), 30, 1, {{30, 0}});
    OpenRecordFile(f, Home.File("long"));
    AddKey(f, 1, 1, std::string(30, 'k') + "ignored");
    EXPECT_TRUE(EngineOK);
    FindKey(f, 1, recNo, std::string(30, 'k') + "other");
    EXPECT_TRUE(EngineOK);
    std::string key;
    ClearKey(f, 1);
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, std::string(30, 'k'));
    Close(f);
}

TEST_F(RecordEngineApi, KeyOrderIsUnsignedBytesShorterFirst) {
    CreateRecordFile(Base(), 30, 1, {{5, 1}});
    TRecordFile* f = Open();
    const std::vector<std::string> keys = {"b", "", "\xE9", "ab", "a", "B", "abc", "a", "\x01"};
    for (std::size_t i = 0; i < keys.size(); ++i)
        AddKey(f, 1, static_cast<std::int32_t>(10 - i), keys[i]);
    ClearKey(f, 1);
    std::vector<std::pair<std::string, std::int32_t>> walked;
    std::int32_t recNo = 0;
    std::string key;
    for (NextKey(f, 1, recNo, key); EngineOK; NextKey(f, 1, recNo, key))
        walked.emplace_back(key, recNo);
    const std::vector<std::pair<std::string, std::int32_t>> expected = {
        {"", 9}, {"\x01", 2}, {"B", 5}, {"a", 3}, {"a", 6}, {"ab", 7}, {"abc", 4}, {"b", 10}, {"\xE9", 8}};
    EXPECT_EQ(walked, expected);
    Close(f);
}

TEST_F(RecordEngineApi, NextKeyWalksWrapsAndContinuesAfterChanges) {
    CreateRecordFile(Base(), 30, 1, {{4, 0}});
    TRecordFile* f = Open();
    std::int32_t recNo = 0;
    std::string key;
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(EngineError, eeNoNextKey); // empty index
    for (const char* k : {"b", "d", "f", "h"})
        AddKey(f, 1, k[0], k);
    // Without a position the walk starts at the first entry.
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "b");
    FindKey(f, 1, recNo, "f");
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "h");
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(EngineError, eeNoNextKey);
    NextKey(f, 1, recNo, key);
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(key, "b");
    // The index changes between steps: the walk goes on after the pair the caller holds.
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "d");
    AddKey(f, 1, 'e', "e");
    DeleteKey(f, 1, 'd', "d");
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "e");
    AddKey(f, 1, 'c', "c");
    key = "a"; // the caller's variables decide where a changed index is continued
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "b");
    // A failed find leaves no position to continue from.
    FindKey(f, 1, recNo, "g");
    EXPECT_EQ(EngineError, eeKeyNotFound);
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(EngineError, eeNoPosition);
    ClearKey(f, 1);
    NextKey(f, 1, recNo, key);
    EXPECT_EQ(key, "b");
    Close(f);
}

TEST_F(RecordEngineApi, SixtyThreeKeysMakeTwoLevels) {
    const std::vector<TKeyDescriptor> keys = {{16, 0}};
    CreateRecordFile(Base(), 30, 1, keys);
    TRecordFile* f = Open();
    char code[17];
    for (int i = 1; i <= 62; ++i) {
        std::snprintf(code, sizeof code, "%016X", i);
        AddKey(f, 1, i, code);
    }
    Close(f);
    EXPECT_EQ(TreeDepth(ReadFileBytes(IndexName()), keys, 1), 1);
    f = Open();
    AddKey(f, 1, 63, "0000000000000040");
    Close(f);
    const std::string index = ReadFileBytes(IndexName());
    EXPECT_EQ(TreeDepth(index, keys, 1), 2);
    // 31 entries stay, 31 move to a new page, the middle one is the new root's only entry.
    const std::int32_t root = I32(index, RecordFormat::KeyRoot);
    const std::size_t slot = 1556;
    EXPECT_EQ(U16(index, root * slot), 1);
    EXPECT_EQ(U16(index, I32(index, root * slot + RecordFormat::PageLeftChild) * slot), 31);
    EXPECT_EQ(U16(index, I32(index, root * slot + 6 + RecordFormat::EntryChild) * slot), 31);
    EXPECT_EQ(I32(index, RecordFormat::KeyPagesInUse), 3);
    EXPECT_EQ(I32(index, RecordFormat::KeyEntryCount), 63);
}

TEST_F(RecordEngineApi, ModifiedFlagIsWrittenAtOnceAndClearedAtClose) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 0);
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    std::string data = ReadFileBytes(DataName());
    EXPECT_EQ(data[RecordFormat::DataModified], 1);
    // The counts stay in memory until the close.
    EXPECT_EQ(I32(data, RecordFormat::DataSlotsInUse), 0);
    Close(f);
    data = ReadFileBytes(DataName());
    EXPECT_EQ(data[RecordFormat::DataModified], 0);
    EXPECT_EQ(I32(data, RecordFormat::DataSlotsInUse), 1);

    // Overwriting a record does not count as a change; failed key additions neither.
    f = Open();
    PutRecord(f, 1, Rec("b"));
    AddKey(f, 1, 1, std::string(17, 'x'));
    DeleteKey(f, 2, 1, "absent");
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 0);
    AddKey(f, 3, 1, "k");
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 1);
    Close(f);
    f = Open();
    DeleteRecord(f, 1);
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 1);
    Close(f);
}

TEST_F(RecordEngineApi, UncleanPairIsRefusedButCanBeSalvaged) {
    CreateCatalogueLike(64);
    TRecordFile* f = Open();
    std::int32_t recNo;
    for (int i = 0; i < 3; ++i)
        AddRecord(f, recNo, Rec("old " + std::to_string(i)));
    DeleteRecord(f, 2);
    Close(f);
    f = Open();
    AddRecord(f, recNo, Rec("new 2"));
    AddRecord(f, recNo, Rec("new 4"));
    AddKey(f, 1, recNo, "KEY");
    // A crash now leaves the flag set, the old counts in the header and the new records behind them.
    const std::string crashedData = ReadFileBytes(DataName());
    const std::string crashedIndex = ReadFileBytes(IndexName());
    Close(f);
    WriteFileBytes(Home.File("crash.DAT"), crashedData);
    WriteFileBytes(Home.File("crash.IX"), crashedIndex);
    OpenRecordFile(f, Home.File("crash"));
    EXPECT_EQ(EngineError, eeModified);
    EXPECT_EQ(f, nullptr);

    OpenRecordFileForSalvage(f, Home.File("crash"));
    ASSERT_TRUE(EngineOK) << EngineError;
    EXPECT_EQ(RecordSlotCount(f), 5);
    std::string r;
    GetRecord(f, 2, r);
    EXPECT_EQ(I32(r, 0), 0); // live again
    EXPECT_EQ(r.substr(4, 5), "new 2");
    GetRecord(f, 4, r);
    EXPECT_EQ(r.substr(4, 5), "new 4");
    AddRecord(f, recNo, Rec("x"));
    EXPECT_EQ(EngineError, eeReadOnly);
    FindKey(f, 1, recNo, "KEY");
    EXPECT_EQ(EngineError, eeSalvageNoIndex);
    CloseRecordFile(f);
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(ReadFileBytes(Home.File("crash.DAT")), crashedData);
}

TEST_F(RecordEngineApi, FailedRecordWriteGivesTheSlotBack) {
    CreateRecordFile(Base(), 30, 0, {});
    TRecordFile* f = Open();
    std::int32_t recNo = 0;
    AddRecord(f, recNo, Rec("1"));
    AddRecord(f, recNo, Rec("2"));
    SetRecordEngineWriteFault(0);
    AddRecord(f, recNo, Rec("3"));
    EXPECT_EQ(EngineError, eeShortWrite);
    SetRecordEngineWriteFault(-1);
    EXPECT_EQ(RecordSlotCount(f), 3);
    DeleteRecord(f, 1);
    SetRecordEngineWriteFault(0);
    AddRecord(f, recNo, Rec("3"));
    EXPECT_EQ(EngineError, eeShortWrite);
    SetRecordEngineWriteFault(-1);
    AddRecord(f, recNo, Rec("3"));
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(recNo, 1);
    AddRecord(f, recNo, Rec("4"));
    EXPECT_EQ(recNo, 3);
    Close(f);
}

TEST_F(RecordEngineApi, FailedCloseKeepsThePairOpenAndCanBeRetried) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    AddKey(f, 1, recNo, "A");
    SetRecordEngineWriteFault(0);
    CloseRecordFile(f);
    EXPECT_EQ(EngineError, eeShortWrite);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(RecordSlotCount(f), 2);
    // Nothing was marked clean over the missing pages.
    EXPECT_EQ(ReadFileBytes(DataName())[RecordFormat::DataModified], 1);
    SetRecordEngineWriteFault(-1);
    Close(f);
    f = Open();
    FindKey(f, 1, recNo, "A");
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(CheckRecordFile(f), "");
    Close(f);
}

TEST_F(RecordEngineApi, FailedTreeChangeLeavesThePairMarkedForRepair) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    // The flag write succeeds, growing the index file for the first page fails.
    SetRecordEngineWriteFault(1);
    AddKey(f, 1, 1, "A");
    EXPECT_EQ(EngineError, eeShortWrite);
    SetRecordEngineWriteFault(-1);
    Close(f);
    OpenRecordFile(f, Base());
    EXPECT_EQ(EngineError, eeModified);
}

TEST_F(RecordEngineApi, FailedSyncReportsCloseFailure) {
    CreateCatalogueLike();
    TRecordFile* f = Open();
    std::int32_t recNo;
    AddRecord(f, recNo, Rec("a"));
    SetRecordEngineWriteFault(100, true);
    CloseRecordFile(f);
    EXPECT_EQ(EngineError, eeCloseFailed);
    ASSERT_NE(f, nullptr);
    SetRecordEngineWriteFault(-1);
    Close(f);
    f = Open();
    EXPECT_EQ(RecordSlotCount(f), 2);
    Close(f);
}

TEST_F(RecordEngineApi, SeveralPairsShareThePageBuffers) {
    std::vector<TRecordFile*> files;
    for (int n = 0; n < 3; ++n) {
        CreateRecordFile(Home.File("f" + std::to_string(n)), 30, 2, {{8, 0}, {8, 1}});
        TRecordFile* f = nullptr;
        OpenRecordFile(f, Home.File("f" + std::to_string(n)));
        ASSERT_TRUE(EngineOK);
        files.push_back(f);
    }
    char key[9];
    for (int i = 1; i <= 400; ++i)
        for (int n = 0; n < 3; ++n) {
            std::snprintf(key, sizeof key, "%02d%06d", n, (i * 7919) % 1000);
            AddKey(files[n], 1, i, key);
            AddKey(files[n], 2, i, key + 6);
            ASSERT_TRUE(EngineOK);
        }
    for (TRecordFile*& f : files) {
        EXPECT_EQ(CheckRecordFile(f), "");
        Close(f);
    }
    for (int n = 0; n < 3; ++n) {
        TRecordFile* f = nullptr;
        OpenRecordFile(f, Home.File("f" + std::to_string(n)));
        EXPECT_EQ(CheckRecordFile(f), "");
        EXPECT_EQ(KeyCount(f, 1), 400);
        std::int32_t recNo = 0;
        std::snprintf(key, sizeof key, "%02d%06d", n, (17 * 7919) % 1000);
        FindKey(f, 1, recNo, key);
        EXPECT_EQ(recNo, 17);
        Close(f);
    }
}

} // namespace
