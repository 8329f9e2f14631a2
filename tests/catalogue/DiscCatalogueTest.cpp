#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "DiscTestSupport.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/RecordEngineIO.h"
#include "devices/Real48.h"

namespace fs = std::filesystem;

namespace {

// Walks index KeyNo and gives its keys in order, with their record numbers.
std::vector<std::pair<std::string, std::int32_t>> IndexEntries(TDiscCatalogue& Cat, int KeyNo) {
    std::vector<std::pair<std::string, std::int32_t>> entries;
    EXPECT_TRUE(Cat.OpenDiscFiles());
    ClearKey(Cat.DiscFile, KeyNo);
    std::int32_t recNo = 0;
    std::string key;
    for (NextKey(Cat.DiscFile, KeyNo, recNo, key); EngineOK; NextKey(Cat.DiscFile, KeyNo, recNo, key))
        entries.emplace_back(key, recNo);
    Cat.CloseDiscFiles();
    return entries;
}

std::int32_t Slots(TDiscCatalogue& Cat) {
    EXPECT_TRUE(Cat.OpenDiscFiles());
    const std::int32_t slots = RecordSlotCount(Cat.DiscFile);
    Cat.CloseDiscFiles();
    return slots;
}

std::string Fixture(const std::string& Relative) {
    return ReadFileBytes(TestDataDir() / Relative);
}

} // namespace

TEST(DiscCatalogue, OpeningAskBeforeCreatingAndStaysClosedOnNo) {
    TCatalogueFolder f;
    EXPECT_FALSE(f.Cat().OpenDiscFiles());
    ASSERT_EQ(f.Answers.Questions.size(), 1u);
    EXPECT_EQ(f.Answers.Questions[0], "Please confirm that a new set of data files are to be created?");
    EXPECT_FALSE(fs::exists(f.Home.File("disc.DAT")));

    // A save with the catalogue declined reports the engine's "no open file".
    TDiscRecord rec = MakeDisc(CodeOf(1), "X");
    TStringGridData grid;
    std::int32_t recNo = 0;
    TDiscKeys keys;
    EXPECT_FALSE(f.Cat().SaveDisc(rec, grid, "", recNo, keys));
    EXPECT_EQ(f.Answers.Errors.back(), "Error processing disc record file - 10445 Code 0");

    f.Answers.Answers.push_back(idYes);
    EXPECT_TRUE(f.Cat().OpenDiscFiles());
    EXPECT_TRUE(f.Cat().OpenDiscFiles()); // already open: no question
    EXPECT_EQ(f.Answers.Questions.size(), 3u);
    f.Cat().CloseDiscFiles();
    EXPECT_EQ(f.Cat().DiscFile, nullptr);
    EXPECT_TRUE(fs::exists(f.Home.File("disc.DAT")));
    EXPECT_TRUE(fs::exists(f.Home.File("disc.IX")));
}

TEST(DiscCatalogue, UnknownCodeGivesANewRecordAndChangesNoFile) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "Stored"));
    WriteFileBytes(f.Home.File("disc.bmp"), "old picture");
    WriteFileBytes(f.Home.File("disc.wav"), "old sample");
    const std::string dat = ReadFileBytes(f.Home.File("disc.DAT"));
    const std::string ix = ReadFileBytes(f.Home.File("disc.IX"));
    const std::string vlf = ReadFileBytes(f.Home.File("disc.VLF"));

    TDiscToc toc;
    toc.TrackCount = 3;
    toc.TrackLengths[2] = MakeMSF(1, 2, 3);
    toc.TotalTime = 12.34;
    f.Settings.VolumeLeft = 111;
    f.Settings.VolumeRight = 222;
    TDiscRecord rec;
    TStringGridData grid;
    std::string memo;
    TDiscKeys keys{"a", "b", "c", "d", "e"};
    std::int32_t recNo = 99;
    f.Cat().LoadDisc("FEDCBA9876543210EXTRA", rec, grid, memo, keys, recNo, toc);

    EXPECT_EQ(recNo, 0);
    EXPECT_EQ(rec.DiscCode, "FEDCBA9876543210");
    for (const auto* field : {&rec.DiscName, &rec.Artist, &rec.Composer, &rec.MusicType, &rec.RecordLabel})
        EXPECT_EQ(*field, "Unknown");
    EXPECT_EQ(rec.Reference, "");
    EXPECT_EQ(rec.TrackCount, 3);
    EXPECT_EQ(rec.TrackLengths[2], MakeMSF(1, 2, 3));
    EXPECT_DOUBLE_EQ(rec.TotalTime, 12.34);
    EXPECT_EQ(rec.VolumeLeft, 111);
    EXPECT_EQ(rec.VolumeRight, 222);
    EXPECT_EQ(keys, TDiscKeys{});
    EXPECT_EQ(memo, "FEDCBA9876543210");
    EXPECT_EQ(grid.RowCount(), 100);
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.Cells(0, 0), "FEDCBA9876543210");
    EXPECT_FALSE(fs::exists(f.Home.File("disc.bmp")));
    EXPECT_FALSE(fs::exists(f.Home.File("disc.wav")));
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc.DAT")), dat);
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc.IX")), ix);
    EXPECT_EQ(ReadFileBytes(f.Home.File("disc.VLF")), vlf);
}

TEST(DiscCatalogue, FullRecordWithTracksNotesPictureAndSampleRoundTrips) {
    TCatalogueFolder f;
    const auto fill = [](int Bytes, const std::string& Unit) {
        std::string s;
        while (s.size() + Unit.size() <= static_cast<std::size_t>(Bytes))
            s += Unit;
        return s;
    };
    TDiscRecord rec = NewDiscRecord("0123456789ABCDEF", 1000, 2000);
    rec.DiscName = fill(100, "\xC3\xA9");
    rec.Artist = fill(100, "\xE2\x82\xAC") + "a";
    rec.Composer = fill(100, "Dvo\xC5\x99\xC3\xA1k ");
    rec.Reference = fill(30, "\xC3\xB8");
    rec.MusicType = fill(50, "t");
    rec.RecordLabel = fill(50, "\xC3\x9F");
    rec.UserField1 = fill(100, "1");
    rec.UserField2 = fill(100, "\xF0\x9F\x8E\xB5");
    rec.Year = 2001;
    rec.Programme.Append(3);
    rec.Programme.Append(99);
    rec.TrackCount = 99;
    for (int t = 0; t < 99; ++t)
        rec.TrackLengths[t] = MakeMSF(t % 70, t % 60, t % 75);
    rec.TotalTime = Real48ToDouble(DoubleToReal48(74.59));
    rec.PlayMode = pmShuffle;

    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    for (int t = 1; t <= 99; ++t)
        for (int c = 0; c < 3; ++c)
            grid.SetCells(c, t, "Trk \xC3\xA9 " + std::to_string(t) + "/" + std::to_string(c));
    std::string notes;
    while (notes.size() < 9000)
        notes += "Liner notes \xE2\x80\x94 Satz " + std::to_string(notes.size()) + "\n";

    std::int32_t recNo = 0;
    TDiscKeys keys;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, notes, recNo, keys));
    EXPECT_EQ(recNo, 1);
    EXPECT_FALSE(f.Settings.DeletedRecordsPresent); // a first save gives nothing up

    // The picture and the sample go in through the working files, as the editor and recorder do.
    const std::string picture = Fixture("bmp/g/pal4.bmp");
    const std::string sample = Fixture("wav/cpython/pluck-pcm16.wav");
    WriteFileBytes(f.Cat().WorkingPicture(), picture);
    WriteFileBytes(f.Cat().WorkingSample(), sample);
    ASSERT_TRUE(f.Cat().OpenDiscVlf());
    rec.PictureRef = f.Cat().fvlf.Vlf.StoreFile(0, f.Cat().WorkingPicture(), VlfKindPicture);
    rec.SampleRef = f.Cat().fvlf.Vlf.StoreFile(0, f.Cat().WorkingSample(), VlfKindSample);
    f.Cat().CloseDiscVlf();
    ASSERT_TRUE(f.Cat().PutDiscRecord(rec));

    f.Reopen();
    TDiscRecord back;
    TStringGridData backGrid;
    std::string backNotes;
    TDiscKeys backKeys;
    std::int32_t backNo = 0;
    f.Cat().LoadDisc(rec.DiscCode, back, backGrid, backNotes, backKeys, backNo);
    EXPECT_EQ(back, rec);
    EXPECT_EQ(backNo, 1);
    EXPECT_EQ(backKeys, keys);
    EXPECT_EQ(backNotes, notes);
    EXPECT_EQ(backGrid.RowCount(), 100);
    for (int t = 1; t <= 99; ++t)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(backGrid.Cells(c, t), grid.Cells(c, t));
    ASSERT_TRUE(f.Cat().OpenDiscVlf());
    EXPECT_TRUE(f.Cat().fvlf.Vlf.ExtractFile(back.PictureRef, f.Cat().WorkingPicture(), false));
    EXPECT_TRUE(f.Cat().fvlf.Vlf.ExtractFile(back.SampleRef, f.Cat().WorkingSample(), false));
    f.Cat().CloseDiscVlf();
    EXPECT_EQ(ReadFileBytes(f.Cat().WorkingPicture()), picture);
    EXPECT_EQ(ReadFileBytes(f.Cat().WorkingSample()), sample);
    const TCatalogueCheck check = f.Check();
    EXPECT_TRUE(check.Ok) << Problems(check);
}

TEST(DiscCatalogue, NotesOutgrowingTheirBlockMarkUnusedSpace) {
    TCatalogueFolder f;
    TDiscRecord rec = MakeDisc(CodeOf(8), "Requiem");
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    std::int32_t recNo = 0;
    TDiscKeys keys;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "n", recNo, keys));
    EXPECT_FALSE(f.Settings.DeletedRecordsPresent);
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, std::string(5000, 'x'), recNo, keys));
    EXPECT_TRUE(f.Settings.DeletedRecordsPresent);
}

TEST(DiscCatalogue, ResavingWithAChangedComposerLeavesExactlySixKeys) {
    TCatalogueFolder f;
    TDiscRecord rec = MakeDisc(CodeOf(7), "Mass in B minor", "Bach");
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    std::int32_t recNo = 0;
    TDiscKeys keys;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "n", recNo, keys));
    EXPECT_EQ(keys[0], "Bach");

    rec.Composer = "Johann Sebastian Bach";
    rec.DiscName = "Messe h-Moll";
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "n", recNo, keys));
    EXPECT_EQ(keys[0], "Johann Sebastian Bac");
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(IndexEntries(f.Cat(), k).size(), 1u) << "index " << k;
    EXPECT_EQ(IndexEntries(f.Cat(), kComposer)[0].first, "Johann Sebastian Bac");

    // Fields overwritten by PutDiscRecord keep their keys in step too, and a later save with the old
    // loaded keys still leaves six.
    rec.Artist = "Another";
    ASSERT_TRUE(f.Cat().PutDiscRecord(rec));
    EXPECT_EQ(IndexEntries(f.Cat(), kArtist)[0].first, "Another");
    rec.Artist = "Third";
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "n", recNo, keys));
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(IndexEntries(f.Cat(), k).size(), 1u) << "index " << k;
    EXPECT_EQ(Slots(f.Cat()), 2);
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

TEST(DiscCatalogue, KeysSortByTheirFirstTwentyBytesAndKeepCase) {
    TCatalogueFolder f;
    const std::string common = "Twenty characters ab";
    f.Save(MakeDisc(CodeOf(1), common + " second"));
    f.Save(MakeDisc(CodeOf(2), common + " first"));
    f.Save(MakeDisc(CodeOf(3), "abba"));
    f.Save(MakeDisc(CodeOf(4), "ABBA"));
    const auto names = IndexEntries(f.Cat(), kDiscName);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], std::make_pair(std::string("ABBA"), 4));
    EXPECT_EQ(names[1], std::make_pair(common, 1)); // equal prefixes: by record number
    EXPECT_EQ(names[2], std::make_pair(common, 2));
    EXPECT_EQ(names[3], std::make_pair(std::string("abba"), 3));
}

TEST(DiscCatalogue, AnImportedRecordTakesOverTheDiscsTrackDataWhenInserted) {
    TCatalogueFolder f;
    TDiscRecord imported = MakeDisc(CodeOf(5), "Imported");
    imported.TocPending = true;
    imported.TrackCount = 1;
    f.Save(imported);
    TDiscToc toc;
    toc.TrackCount = 4;
    for (int t = 0; t < 4; ++t)
        toc.TrackLengths[t] = MakeMSF(2, t, 0);
    toc.TotalTime = 8.06;
    f.Cat().DiscInserted(CodeOf(5) + "99", toc);
    EXPECT_EQ(f.Cat().CurrentDiscCode, CodeOf(5));
    EXPECT_EQ(f.Cat().CurrentDiscRecNo, 1);
    EXPECT_FALSE(f.Cat().CurrentDisc.TocPending);
    EXPECT_EQ(f.Cat().CurrentDisc.TrackCount, 4);

    f.Reopen();
    f.Cat().DiscInserted(CodeOf(5), {});
    EXPECT_FALSE(f.Cat().CurrentDisc.TocPending);
    EXPECT_EQ(f.Cat().CurrentDisc.TrackCount, 4);
    EXPECT_EQ(f.Cat().CurrentDisc.TrackLengths[3], MakeMSF(2, 3, 0));
    EXPECT_DOUBLE_EQ(f.Cat().CurrentDisc.TotalTime, Real48ToDouble(DoubleToReal48(8.06)));
    EXPECT_EQ(f.Cat().TrackName(1), "");
}

TEST(DiscCatalogue, AFailedStoreWriteStoresNothingOfTheDisc) {
    TCatalogueFolder f;
    TDiscRecord rec = MakeDisc(CodeOf(9), "Disc");
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    grid.SetCells(0, 1, "Old name");
    std::int32_t recNo = 0;
    TDiscKeys keys;
    f.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(f.Cat().SaveDisc(rec, grid, "old notes", recNo, keys));
    const TDiscRecord stored = rec;

    f.Cat().fvlf.Vlf.WriteFault = [](std::int64_t, std::int64_t) { return false; };
    grid.SetCells(0, 1, "A much longer track name that cannot stay in place");
    rec.DiscName = "Renamed";
    EXPECT_FALSE(f.Cat().SaveDisc(rec, grid, "new and longer notes", recNo, keys));
    EXPECT_EQ(f.Answers.Errors.back(), "Cannot write VLF file: the disk is full");
    f.Cat().fvlf.Vlf.WriteFault = nullptr;
    EXPECT_EQ(rec.TracksRef, stored.TracksRef);
    EXPECT_EQ(rec.NotesRef, stored.NotesRef);

    TDiscRecord back;
    TStringGridData backGrid;
    std::string notes;
    f.Cat().LoadDisc(rec.DiscCode, back, backGrid, notes, keys, recNo);
    EXPECT_EQ(back.DiscName, "Disc");
    EXPECT_EQ(backGrid.Cells(0, 1), "Old name");
    EXPECT_EQ(notes, "old notes");
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

TEST(DiscCatalogue, AFailedRecordWriteStoresNothingAndLeavesTheCatalogueSound) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "One"));
    for (int okWrites : {0, 1}) {
        TDiscRecord rec = MakeDisc(CodeOf(2), "Two");
        TStringGridData grid;
        std::int32_t recNo = 0;
        TDiscKeys keys;
        f.Answers.Errors.clear();
        SetRecordEngineWriteFault(okWrites); // every write from then on fails, as on a full disc
        EXPECT_FALSE(f.Cat().SaveDisc(rec, grid, "n", recNo, keys));
        SetRecordEngineWriteFault(-1);
        EXPECT_EQ(recNo, 0);
        ASSERT_FALSE(f.Answers.Errors.empty());
        EXPECT_EQ(f.Answers.Errors.front(),
                  "Error processing disc record file - 10075 Code 0: the disk is full");
        f.Cat().CloseDiscFiles(); // the close that failed on the full disc succeeds now
        EXPECT_EQ(f.Cat().DiscFile, nullptr);
        const TCatalogueCheck check = f.Check();
        EXPECT_TRUE(check.Ok) << Problems(check);
        EXPECT_EQ(check.Records, 1);
    }
}

TEST(DiscCatalogue, DeletingADiscRemovesRecordKeysAndBlobs) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "One"));
    const std::int32_t two = f.Save(MakeDisc(CodeOf(2), "Two"));
    f.Settings.DeletedRecordsPresent = false;
    EXPECT_TRUE(f.Cat().DeleteDisc(two));
    EXPECT_TRUE(f.Settings.DeletedRecordsPresent);
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(IndexEntries(f.Cat(), k).size(), 1u);
    EXPECT_EQ(Slots(f.Cat()), 3);
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
    // Deleting it again fails without touching the keys of the other disc.
    EXPECT_FALSE(f.Cat().DeleteDisc(two));
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

TEST(DiscCatalogue, PadRightAndDeleteFileQuietly) {
    EXPECT_EQ(PadRight("ab", 4), "ab  ");
    EXPECT_EQ(PadRight("\xC3\xA9", 2), "\xC3\xA9 ");
    EXPECT_EQ(PadRight("abcdef", 3), "abcdef");
    EXPECT_EQ(PadRight("", 300).size(), 255u);
    DeleteFileQuietly("/nonexistent/folder/file");
}
