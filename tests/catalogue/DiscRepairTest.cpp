// Damage described byte by byte: each case damages a small catalogue the way a real fault did, then
// checks that nothing undamaged is written over, that no command reports success over it, and that the
// repair gets back what is still there.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "DiscTestSupport.h"
#include "catalogue/store/RecordEngineIO.h"
#include "catalogue/store/VlfFormat.h"

namespace fs = std::filesystem;

namespace {

void Poke(const std::string& Path, std::size_t Offset, const std::string& Bytes) {
    std::string all = ReadFileBytes(Path);
    all.replace(Offset, Bytes.size(), Bytes);
    WriteFileBytes(Path, all);
}

std::string Le32(std::int32_t V) {
    std::string s(4, '\0');
    VlfFormat::PutI32(reinterpret_cast<std::uint8_t*>(s.data()), V);
    return s;
}

std::string NotesOf(int I) {
    return "Notes of disc " + std::to_string(I);
}

// Discs 1 to Count, each with I + 2 named tracks and its notes.
void Fill(TCatalogueFolder& F, int Count = 3) {
    for (int i = 1; i <= Count; ++i)
        F.Save(MakeDisc(CodeOf(i), "Disc " + std::to_string(i)), i + 2, NotesOf(i));
}

void ExpectServed(TCatalogueFolder& F, int Count = 3) {
    for (int i = 1; i <= Count; ++i) {
        const TLoadedDisc d = LoadEntry(F.Cat(), CodeOf(i));
        ASSERT_GT(d.RecNo, 0) << "disc " << i;
        EXPECT_EQ(d.Rec.DiscName, "Disc " + std::to_string(i));
        EXPECT_EQ(d.Grid.Cells(0, i + 2), "Track " + std::to_string(i + 2));
        EXPECT_EQ(d.Memo, NotesOf(i));
    }
}

bool Contains(const std::string& Text, const std::string& Part) {
    return Text.find(Part) != std::string::npos;
}

} // namespace

// Headers that no longer describe the records: every command refuses with advice to repair, nothing is
// written, and the repair recovers every disc.
TEST(DiscRepair, DamagedHeadersAreRefusedAndRepairedFromTheRecords) {
    struct TCase {
        const char* Name;
        const char* File;
        std::size_t Offset;
        std::string Bytes;
        const char* Error;
    };
    const TCase cases[] = {
        // Slot count lowered below the written records (the free chain still fits): an append would
        // overwrite disc 2.
        {"slot count", "disc.DAT", 8, Le32(1), "10501"},
        {"zeroed data header", "disc.DAT", 0, std::string(21, '\0'), "10501"},
        // An entry count that would overflow at the next key added.
        {"entry count", "disc.IX", 22, Le32(0x7fffffff), "10502"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCatalogueFolder f;
        Fill(f);
        Poke(f.Home.File(c.File), c.Offset, c.Bytes);
        const std::string damaged = ReadFileBytes(f.Home.File("disc.DAT"));

        // The open offers the repair (declined here) and names the damage.
        EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(2)).RecNo, 0);
        ASSERT_FALSE(f.Answers.Questions.empty());
        EXPECT_TRUE(Contains(f.Answers.Questions.back(), c.Error)) << f.Answers.Questions.back();
        EXPECT_TRUE(Contains(f.Answers.Questions.back(), "repair it now")) << f.Answers.Questions.back();
        TDiscRecord fresh = MakeDisc(CodeOf(9), "New");
        TStringGridData grid;
        std::int32_t recNo = 0;
        TDiscKeys keys;
        EXPECT_FALSE(f.Cat().SaveDisc(fresh, grid, "", recNo, keys));
        EXPECT_FALSE(f.Cat().PackCatalogue());
        EXPECT_EQ(ReadFileBytes(f.Home.File("disc.DAT")), damaged);
        EXPECT_TRUE(Contains(Problems(f.Check()), "need a repair")) << Problems(f.Check());

        ASSERT_TRUE(f.Cat().RepairDatabase());
        EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        ExpectServed(f);
    }
}

// A store whose signature is damaged is read by the repair; only the block damaged itself is lost, the
// message says so, and an earlier damaged copy is kept.
TEST(DiscRepair, AStoreWithADamagedSignatureIsSalvagedWithoutOverwritingEarlierCopies) {
    TCatalogueFolder f;
    Fill(f);
    for (const char* ext : {".DAT", ".IX", ".VLF"})
        WriteFileBytes(f.Home.File(std::string("disc-damaged") + ext), "an earlier copy");
    const std::int32_t notes2 = LoadEntry(f.Cat(), CodeOf(2)).Rec.NotesRef;
    Poke(f.Home.File("disc.VLF"), 0, "XX");
    Poke(f.Home.File("disc.VLF"), static_cast<std::size_t>(notes2), "??");

    ASSERT_TRUE(f.Cat().RepairDatabase());
    const std::string message = f.Answers.Errors.back();
    EXPECT_TRUE(Contains(message, "3 disc records were recovered")) << message;
    EXPECT_TRUE(Contains(message, "1 disc lost its notes")) << message;
    EXPECT_TRUE(Contains(message, "disc-damaged-2.DAT, disc-damaged-2.IX and disc-damaged-2.VLF")) << message;
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc-damaged.VLF")), "an earlier copy");
    EXPECT_TRUE(fs::exists(f.Home.File("disc-damaged-2.VLF")));
    for (int i : {1, 3})
        EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(i)).Memo, NotesOf(i));
    const TLoadedDisc two = LoadEntry(f.Cat(), CodeOf(2));
    EXPECT_EQ(two.Grid.Cells(0, 4), "Track 4");
    EXPECT_EQ(two.Rec.NotesRef, 0);
}

// Blocks claimed twice: a notes block whose length covers the next disc's track list, and a track list
// reference that names another disc's block. Check finds both; a save and a delete leave the other disc
// whole.
TEST(DiscRepair, BlocksThatCoverOrNameAnotherDiscsBlockAreNeverWrittenThrough) {
    TCatalogueFolder f;
    Fill(f);
    const TDiscRecord one = LoadEntry(f.Cat(), CodeOf(1)).Rec;
    const TDiscRecord two = LoadEntry(f.Cat(), CodeOf(2)).Rec;
    ASSERT_TRUE(f.Cat().OpenDiscVlf());
    const std::int32_t notesLength = f.Cat().fvlf.Vlf.ItemLength(one.NotesRef);
    const std::int32_t gridLength = f.Cat().fvlf.Vlf.ItemLength(two.TracksRef);
    f.Cat().CloseDiscVlf();
    ASSERT_EQ(two.TracksRef, one.NotesRef + 8 + notesLength); // the layout this case relies on
    Poke(f.Home.File("disc.VLF"), static_cast<std::size_t>(one.NotesRef) + 4,
         Le32(notesLength + 8 + gridLength));
    // Disc 3's track list reference now names disc 2's block.
    Poke(f.Home.File("disc.DAT"), 3 * 1204 + 1192, Le32(two.TracksRef));
    const std::string gridBytes =
        ReadFileBytes(f.Home.File("disc.VLF")).substr(two.TracksRef, 8 + gridLength);

    const std::string problems = Problems(f.Check());
    EXPECT_TRUE(Contains(problems, "record 2 (" + CodeOf(2) + "): its track list at " +
                                       std::to_string(two.TracksRef) + " is not a block of the chain"))
        << problems;
    EXPECT_TRUE(Contains(problems, "also belongs to record 2")) << problems;

    TLoadedDisc d1 = LoadEntry(f.Cat(), CodeOf(1));
    EXPECT_TRUE(f.Cat().SaveDisc(d1.Rec, d1.Grid, "short", d1.RecNo, d1.Keys));
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(3)).Grid.Cells(0, 5), ""); // another disc's list is not shown
    EXPECT_FALSE(f.Cat().DeleteDisc(3));                           // its track list is not freed
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc.VLF")).substr(two.TracksRef, 8 + gridLength), gridBytes);
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(2)).Grid.Cells(0, 4), "Track 4");
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(1)).Memo, "short");
}

// One write fails anywhere in a save, as on a disk that fills up for a moment: the catalogue is sound
// afterwards, or it is marked so that the next open offers the repair. Never sound-looking and wrong.
TEST(DiscRepair, OneFailedWriteDuringASaveLeavesTheCatalogueSoundOrMarkedForRepair) {
    TCatalogueFolder base;
    ASSERT_TRUE((base.Answers.Answers.push_back(idYes), base.Cat().HoldDiscFiles()));
    for (int i = 1; i <= 300; ++i) // enough for every index to have two levels, so pages are evicted
        base.Save(MakeDisc(CodeOf(i), "Disc " + std::to_string(i), "Composer " + std::to_string(i % 7)));
    base.Cat().ReleaseDiscFiles();
    int marked = 0;
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE("write " + std::to_string(n));
        TCatalogueFolder f;
        for (const char* name : {"disc.DAT", "disc.IX", "disc.VLF"})
            fs::copy_file(base.Home.File(name), f.Home.File(name));
        TDiscRecord rec = MakeDisc(CodeOf(1000), "New", "Someone else", "Other artist");
        TStringGridData grid;
        std::int32_t recNo = 0;
        TDiscKeys keys;
        SetRecordEngineWriteFault(n, false, true);
        const bool saved = f.Cat().SaveDisc(rec, grid, "notes", recNo, keys).Done();
        SetRecordEngineWriteFault(-1);
        f.Cat().CloseDiscFiles(); // a close that failed is done now
        const TCatalogueCheck check = f.Check();
        if (!check.Ok) {
            ++marked;
            ASSERT_EQ(check.Problems.size(), 1u) << Problems(check);
            EXPECT_TRUE(Contains(check.Problems[0], "not closed properly")) << Problems(check);
        }
        if (saved && f.Answers.Errors.empty()) break; // the fault came after the last write
    }
    EXPECT_GT(marked, 0);
}

// The rebuild: a full disk names its cause, a swap marker that stays is a failure, and records left out
// for a code already copied are told.
TEST(DiscRepair, RebuildTellsWhatWentWrongAndWhatWasLeftOut) {
    TCatalogueFolder f;
    Fill(f);
    f.Cat().fvlf.Vlf2.WriteFault = [](std::int64_t, std::int64_t) { return false; };
    EXPECT_FALSE(f.Cat().PackCatalogue());
    f.Cat().fvlf.Vlf2.WriteFault = nullptr;
    EXPECT_TRUE(
        Contains(f.Answers.Errors.back(), "Cannot open new VLF file: cannot write the store header: " +
                                              std::string(std::strerror(ENOSPC))))
        << f.Answers.Errors.back();

    f.Cat().RemoveFile = [](const char*) { return errno = EACCES, -1; };
    EXPECT_FALSE(f.Cat().PackCatalogue());
    EXPECT_TRUE(Contains(f.Answers.Errors.back(), "disc2.SWP cannot be removed")) << f.Answers.Errors.back();
    f.Reopen();
    ExpectServed(f); // opening finishes what the marker says
    EXPECT_FALSE(fs::exists(f.Home.File("disc2.SWP")));

    // Disc 3's record takes disc 1's code: only one of them can be reached.
    Poke(f.Home.File("disc.DAT"), 3 * 1204 + 4, std::string(1, '\x10') + CodeOf(1));
    f.Answers.Answers = {idYes};
    ASSERT_TRUE(f.Cat().RebuildDatabase());
    EXPECT_TRUE(Contains(f.Answers.Errors.back(), "1 record was left out")) << f.Answers.Errors.back();
}

// A picture or sample whose own size field no longer matches its block: the rebuild and the repair mend
// the field of a file that is sound otherwise and drop (and name) one that is not, so that the check
// passes afterwards and a second repair is never needed.
TEST(DiscRepair, APictureOrSampleWithAWrongSizeFieldIsMendedOrDroppedSoTheCheckPasses) {
    struct TCase {
        const char* Name;
        bool Picture;
        std::int32_t SizeChange; // added to the size field
        std::size_t BreakAt;     // a further byte of the file made 0xff (0: none)
        bool Repair;             // repair, else rebuild
        bool Kept;
    };
    const TCase cases[] = {
        {"picture larger", true, 1000, 0, true, true},
        {"picture smaller", true, -20, 0, false, true},
        // A header size of no bitmap version: nothing to show.
        {"picture broken", true, 1000, 14, true, false},
        {"sample larger", false, 4000, 0, false, true},
        {"sample smaller", false, -100, 0, true, true},
        // "fmt " lost: no wave any more.
        {"sample broken", false, 4000, 12, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCatalogueFolder f;
        Fill(f);
        TDiscRecord rec = LoadEntry(f.Cat(), CodeOf(2)).Rec;
        const std::string work = c.Picture ? f.Cat().WorkingPicture() : f.Cat().WorkingSample();
        WriteFileBytes(work, ReadFileBytes(TestDataDir() /
                                           (c.Picture ? "bmp/g/pal4.bmp" : "wav/cpython/pluck-pcm16.wav")));
        ASSERT_TRUE(f.Cat().OpenDiscVlf());
        std::int32_t& ref = c.Picture ? rec.PictureRef : rec.SampleRef;
        ref = f.Cat().fvlf.Vlf.StoreFile(0, work, c.Picture ? VlfKindPicture : VlfKindSample);
        const std::int32_t length = f.Cat().fvlf.Vlf.ItemLength(ref);
        f.Cat().CloseDiscVlf();
        ASSERT_TRUE(f.Cat().PutDiscRecord(rec));
        const std::size_t data = static_cast<std::size_t>(ref) + 8;
        const std::size_t field = data + (c.Picture ? 2 : 4);
        Poke(f.Home.File("disc.VLF"), field, Le32(length - (c.Picture ? 0 : 8) + c.SizeChange));
        if (c.BreakAt) Poke(f.Home.File("disc.VLF"), data + c.BreakAt, "\xff");
        ASSERT_FALSE(f.Check().Ok);

        f.Answers.Answers = {idYes};
        ASSERT_TRUE(c.Repair ? f.Cat().RepairDatabase() : f.Cat().RebuildDatabase());
        EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        const TDiscRecord back = LoadEntry(f.Cat(), CodeOf(2)).Rec;
        const std::int32_t backRef = c.Picture ? back.PictureRef : back.SampleRef;
        EXPECT_EQ(backRef != 0, c.Kept);
        if (c.Kept) {
            ASSERT_TRUE(f.Cat().OpenDiscVlf());
            EXPECT_EQ(f.Cat().fvlf.Vlf.ItemLength(backRef), length);
            f.Cat().CloseDiscVlf();
        } else {
            const std::string& message = f.Answers.Errors.back();
            EXPECT_TRUE(Contains(message, "Cleared: " + CodeOf(2) +
                                              " (Disc 2): " + (c.Picture ? "picture" : "sample")))
                << message;
        }
        ExpectServed(f);
    }
}

// disc.DAT cut inside its header, as a full disk or a crash during its creation leaves it: the repair
// makes a usable catalogue again, with the discs whose track lists and notes the store still holds.
TEST(DiscRepair, ADiscFileShorterThanItsHeaderIsRepairedFromTheStore) {
    struct TCase {
        const char* Name;
        std::size_t Keep; // bytes of disc.DAT left
        bool Store;       // disc.VLF kept
    };
    const TCase cases[] = {{"empty", 0, true}, {"cut in the header", 1203, true}, {"no store", 100, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCatalogueFolder f;
        // Notes as the editor stores them, under their disc's code.
        for (int i = 1; i <= 3; ++i)
            f.Save(MakeDisc(CodeOf(i), "Disc " + std::to_string(i)), i + 2, CodeOf(i) + "\r\n" + NotesOf(i));
        WriteFileBytes(f.Home.File("disc.DAT"), ReadFileBytes(f.Home.File("disc.DAT")).substr(0, c.Keep));
        if (!c.Store) fs::remove(f.Home.File("disc.VLF"));
        EXPECT_FALSE(f.Check().Ok);

        ASSERT_TRUE(f.Cat().RepairDatabase()) << f.Answers.Errors.back();
        EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        EXPECT_EQ(f.Cat().LastPack.Records, c.Store ? 3 : 0);
        for (int i = 1; c.Store && i <= 3; ++i) {
            const TLoadedDisc d = LoadEntry(f.Cat(), CodeOf(i));
            ASSERT_GT(d.RecNo, 0) << "disc " << i;
            EXPECT_TRUE(d.Rec.TocPending);
            EXPECT_EQ(d.Rec.TrackCount, i + 2);
            EXPECT_EQ(d.Grid.Cells(0, i + 2), "Track " + std::to_string(i + 2));
            EXPECT_EQ(d.Memo, CodeOf(i) + "\r\n" + NotesOf(i));
        }
        // The catalogue takes new discs again.
        f.Save(MakeDisc(CodeOf(7), "Disc 7"), 2, "new");
        EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(7)).Memo, "new");
        EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
    }
}
