#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "DiscTestSupport.h"
#include "catalogue/store/RecordEngine.h"

namespace fs = std::filesystem;

namespace {

struct TSetBytes {
    std::string Dat, Ix, Vlf;
    bool operator==(const TSetBytes&) const = default;
};

TSetBytes ReadSet(const TTempHome& Home) {
    return {ReadFileBytes(Home.File("disc.DAT")), ReadFileBytes(Home.File("disc.IX")),
            ReadFileBytes(Home.File("disc.VLF"))};
}

// Ten discs with tracks, notes and (every third) a picture; discs 2, 5 and 8 deleted again.
void FillWithDeletions(TCatalogueFolder& F) {
    const std::string picture = ReadFileBytes(TestDataDir() / "bmp/g/pal4.bmp");
    for (int i = 1; i <= 10; ++i) {
        TDiscRecord rec = MakeDisc(CodeOf(i), "Disc " + std::to_string(i), i % 2 ? "Bach" : "Brahms");
        const std::int32_t recNo = F.Save(rec, 12, std::string(100 * i, 'n'));
        if (i % 3 == 0) {
            TDiscRecord stored = LoadEntry(F.Cat(), CodeOf(i)).Rec;
            WriteFileBytes(F.Cat().WorkingPicture(), picture);
            ASSERT_TRUE(F.Cat().OpenDiscVlf());
            stored.PictureRef = F.Cat().fvlf.Vlf.StoreFile(0, F.Cat().WorkingPicture(), VlfKindPicture);
            F.Cat().CloseDiscVlf();
            ASSERT_TRUE(F.Cat().PutDiscRecord(stored));
        }
        ASSERT_EQ(recNo, i);
    }
    for (int i : {2, 5, 8})
        ASSERT_TRUE(F.Cat().DeleteDisc(i));
}

std::int32_t SlotsAndKeys(TDiscCatalogue& Cat, std::int32_t& Keys) {
    EXPECT_TRUE(Cat.OpenDiscFiles());
    const std::int32_t slots = RecordSlotCount(Cat.DiscFile);
    Keys = KeyCount(Cat.DiscFile, 1);
    Cat.CloseDiscFiles();
    return slots;
}

void ExpectDiscsReadable(TCatalogueFolder& F, const std::vector<int>& Discs) {
    for (int i : Discs) {
        const auto [rec, grid, memo, keys, recNo] = LoadEntry(F.Cat(), CodeOf(i));
        ASSERT_GT(recNo, 0) << "disc " << i;
        EXPECT_EQ(rec.DiscName, "Disc " + std::to_string(i));
        EXPECT_EQ(grid.Cells(0, 12), "Track 12");
        EXPECT_EQ(memo, std::string(100 * i, 'n'));
        EXPECT_EQ(rec.PictureRef != 0, i % 3 == 0 && i <= 10); // only FillWithDeletions adds pictures
    }
}

} // namespace

TEST(DiscRebuild, PacksDeletedRecordsAndBlobsAway) {
    TCatalogueFolder f;
    FillWithDeletions(f);
    const auto vlfBefore = fs::file_size(f.Home.File("disc.VLF"));
    std::vector<int> gauge;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().RebuildDatabase([&](int Percent) { gauge.push_back(Percent); }));
    EXPECT_EQ(
        f.Answers.Questions.back(),
        "This routine will pack the CD catalog recovering unused space. Only proceed if you have a backup of "
        "your data files. Do you wish to continue?");
    EXPECT_FALSE(f.Settings.DeletedRecordsPresent);
    ASSERT_FALSE(gauge.empty());
    EXPECT_EQ(gauge.front(), 0);
    EXPECT_EQ(gauge.back(), 100);
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));

    std::int32_t keys = 0;
    const std::int32_t slots = SlotsAndKeys(f.Cat(), keys);
    EXPECT_EQ(slots, keys + 1);
    EXPECT_EQ(keys, 7);
    EXPECT_LT(fs::file_size(f.Home.File("disc.VLF")), vlfBefore);
    ExpectDiscsReadable(f, {1, 3, 4, 6, 7, 9, 10});
    for (const char* name : {"disc2.DAT", "disc2.IX", "disc2.VLF", "disc-old.DAT", "disc.bmp"})
        EXPECT_FALSE(fs::exists(f.Home.File(name))) << name;
    const TCatalogueCheck check = f.Check();
    EXPECT_TRUE(check.Ok) << Problems(check);
    EXPECT_EQ(check.Slots, 8);
}

TEST(DiscRebuild, RefusesWithADiscInTheDriveAndStopsUnlessConfirmed) {
    TCatalogueFolder f;
    FillWithDeletions(f);
    const TSetBytes before = ReadSet(f.Home);
    f.Answers.Questions.clear();
    f.Cat().CurrentDiscCode = CodeOf(1);
    EXPECT_FALSE(f.Cat().RebuildDatabase());
    EXPECT_EQ(f.Answers.Errors.back(), "Please remove CD before selecting this option.");
    EXPECT_TRUE(f.Answers.Questions.empty());
    f.Cat().CurrentDiscCode.clear();
    EXPECT_FALSE(f.Cat().RebuildDatabase()); // answered No
    EXPECT_EQ(ReadSet(f.Home), before);
}

TEST(DiscRebuild, EveryRecordDeletedGivesEmptyFiles) {
    TCatalogueFolder f;
    for (int i = 1; i <= 3; ++i)
        f.Save(MakeDisc(CodeOf(i), "D"));
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(f.Cat().DeleteDisc(i));
    std::vector<int> gauge;
    ASSERT_TRUE(f.Cat().PackCatalogue([&](int Percent) { gauge.push_back(Percent); }));
    EXPECT_EQ(gauge.back(), 100);
    std::int32_t keys = 0;
    const std::int32_t slots = SlotsAndKeys(f.Cat(), keys);
    EXPECT_EQ(slots, 1);
    EXPECT_EQ(keys, 0);
    EXPECT_EQ(fs::file_size(f.Home.File("disc.VLF")), 1024u);
    // A file without records packs too.
    ASSERT_TRUE(f.Cat().PackCatalogue());
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

TEST(DiscRebuild, AFailureBeforeTheSwapLeavesTheOldFilesUntouched) {
    TCatalogueFolder f;
    FillWithDeletions(f);
    const TSetBytes before = ReadSet(f.Home);

    // The new store cannot be written.
    f.Cat().fvlf.Vlf2.WriteFault = [](std::int64_t Pos, std::int64_t) { return Pos < 1024; };
    EXPECT_FALSE(f.Cat().PackCatalogue());
    f.Cat().fvlf.Vlf2.WriteFault = nullptr;
    EXPECT_EQ(f.Answers.Errors.back(),
              "The catalogue could not be rebuilt. Your data files have not been changed.");
    EXPECT_EQ(ReadSet(f.Home), before);
    EXPECT_FALSE(fs::exists(f.Home.File("disc2.DAT")));
    EXPECT_FALSE(fs::exists(f.Home.File("disc2.VLF")));

    // The new store cannot even be created.
    fs::create_directory(f.Home.File("disc2.VLF"));
    EXPECT_FALSE(f.Cat().PackCatalogue());
    EXPECT_EQ(f.Answers.Errors.back().rfind("Cannot open new VLF file: ", 0), 0u) << f.Answers.Errors.back();
    fs::remove(f.Home.File("disc2.VLF"));
    EXPECT_EQ(ReadSet(f.Home), before);
    EXPECT_TRUE(f.Settings.DeletedRecordsPresent);
    ExpectDiscsReadable(f, {1, 3, 4, 6, 7, 9, 10});
}

TEST(DiscRebuild, ARenameFailureMidSwapLeavesOneWholeSet) {
    for (int failAt = 1; failAt <= 6; ++failAt) {
        SCOPED_TRACE("rename " + std::to_string(failAt) + " fails");
        TCatalogueFolder f;
        FillWithDeletions(f);
        const TSetBytes before = ReadSet(f.Home);
        int calls = 0;
        f.Cat().RenameFile = [&](const char* From, const char* To) {
            return ++calls == failAt ? -1 : std::rename(From, To);
        };
        EXPECT_FALSE(f.Cat().PackCatalogue());
        EXPECT_EQ(ReadSet(f.Home), before);
        EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        f.Cat().RenameFile = [](const char* From, const char* To) { return std::rename(From, To); };
        EXPECT_TRUE(f.Cat().PackCatalogue());
        ExpectDiscsReadable(f, {1, 3, 4, 6, 7, 9, 10});
    }
}

TEST(DiscRepair, AProgramKilledWithTheFilesOpenIsOfferedARepair) {
    TCatalogueFolder f;
    FillWithDeletions(f);
    f.Reopen();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Saves two more discs and changes one, then dies without closing anything.
        TRecordingAnswerer quiet;
        if (!f.Cat().HoldDiscFiles()) ::_exit(2);
        f.Save(MakeDisc(CodeOf(11), "Disc 11"), 12, std::string(1100, 'n'));
        f.Save(MakeDisc(CodeOf(12), "Disc 12"), 12, std::string(1200, 'n'));
        auto [rec, grid, memo, keys, recNo] = LoadEntry(f.Cat(), CodeOf(1));
        rec.DiscName = "Disc 1";
        rec.Composer = "Changed";
        f.Cat().SaveDisc(rec, grid, memo, recNo, keys);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(f.Check().Ok);

    // Declined: the catalogue stays as it is and the open fails with 10010; the question was the one
    // message, and the next read of this run asks nothing.
    f.Reopen();
    const TSetBytes damaged = ReadSet(f.Home);
    f.Answers.Questions.clear();
    f.Answers.Errors.clear();
    EXPECT_FALSE(f.Cat().OpenDiscFiles());
    EXPECT_EQ(EngineError, 10010);
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(12)).RecNo, 0);
    EXPECT_EQ(f.Answers.Questions, std::vector<std::string>{msgNotClosedProperly});
    EXPECT_TRUE(f.Answers.Errors.empty());
    EXPECT_EQ(ReadSet(f.Home), damaged);

    // The next start asks again.
    f.Reopen();
    f.Answers.Answers.push_back(idYes);
    const TLoadedDisc twelve = LoadEntry(f.Cat(), CodeOf(12));
    EXPECT_GT(twelve.RecNo, 0);
    EXPECT_EQ(twelve.Memo, std::string(1200, 'n'));
    EXPECT_NE(f.Answers.Errors.back().find("has been repaired: 9 disc records"), std::string::npos)
        << f.Answers.Errors.back();
    ExpectDiscsReadable(f, {1, 3, 4, 6, 7, 9, 10, 11, 12});
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(1)).Rec.Composer, "Changed");
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc-damaged.DAT")), damaged.Dat);
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc-damaged.IX")), damaged.Ix);
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc-damaged.VLF")), damaged.Vlf);
    const TCatalogueCheck check = f.Check();
    EXPECT_TRUE(check.Ok) << Problems(check);
    EXPECT_EQ(check.Records, 9);
}

TEST(DiscRepair, TheModifiedFlagSetByHandIsRepaired) {
    TCatalogueFolder f;
    FillWithDeletions(f);
    std::string dat = ReadFileBytes(f.Home.File("disc.DAT"));
    dat[20] = 1;
    WriteFileBytes(f.Home.File("disc.DAT"), dat);
    EXPECT_FALSE(f.Check().Ok);
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().OpenDiscFiles());
    f.Cat().CloseDiscFiles();
    EXPECT_EQ(f.Check().Records, 7);
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
    ExpectDiscsReadable(f, {1, 3, 4, 6, 7, 9, 10});
}

TEST(DiscCatalogueScale, TenThousandDiscsSavedAndChecked) {
    TCatalogueFolder f;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().HoldDiscFiles());
    TStringGridData grid;
    for (int i = 1; i <= 10000; ++i) {
        TDiscRecord rec = MakeDisc(CodeOf(i * 7919 % 100003), "Disc " + std::to_string(i % 997),
                                   "Composer " + std::to_string(i % 89), "Artist " + std::to_string(i % 113));
        ResetDiscGrid(grid, rec.DiscCode);
        grid.SetCells(0, 1, "Track one");
        std::int32_t recNo = 0;
        TDiscKeys keys;
        ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "short note", recNo, keys));
    }
    f.Cat().ReleaseDiscFiles();
    const TCatalogueCheck check = f.Check();
    EXPECT_TRUE(check.Ok) << Problems(check);
    EXPECT_EQ(check.Records, 10000);
    EXPECT_TRUE(f.Answers.Errors.empty());
}
