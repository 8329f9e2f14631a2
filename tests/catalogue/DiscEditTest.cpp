#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <filesystem>

#include "DiscTestSupport.h"
#include "catalogue/BitmapCheck.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/DiscSamples.h"
#include "catalogue/ReferenceCompletion.h"
#include "catalogue/ReferenceList.h"
#include "catalogue/ShownDisc.h"
#include "catalogue/store/VlfFormat.h"

namespace fs = std::filesystem;

namespace {

struct TEditFixture : TCatalogueFolder {
    TEditFixture() {
        TDiscRecord rec = MakeDisc(CodeOf(7), "Goldberg");
        rec.TrackCount = 3;
        rec.TrackLengths[2] = MakeMSF(1, 2, 3);
        Save(rec, 3, CodeOf(7) + "\r\nfirst\r\nsecond");
        Disc = LoadEntry(Cat(), CodeOf(7));
    }
    std::unique_ptr<TDiscEdit> Start() {
        return std::make_unique<TDiscEdit>(Cat(), Disc.Rec, Disc.Grid, Disc.Memo, Disc.Keys, Disc.RecNo,
                                           CodeOf(7));
    }
    TLoadedDisc Stored() { return LoadEntry(Cat(), CodeOf(7)); }
    std::string Picture(const char* Format) {
        QImage image(40, 30, QImage::Format_ARGB32);
        image.fill(QColor(10, 200, 30, 128));
        const std::string name = Home.File(std::string("picture.") + Format);
        EXPECT_TRUE(image.save(QString::fromStdString(name), Format));
        return name;
    }
    std::string Blob(std::int32_t Pos) {
        EXPECT_TRUE(Cat().OpenDiscVlf());
        std::string bytes;
        EXPECT_TRUE(Cat().fvlf.Vlf.ReadItem(Pos, bytes));
        EXPECT_EQ(Cat().fvlf.Vlf.ItemKind(Pos), VlfKindPicture);
        Cat().CloseDiscVlf();
        return bytes;
    }
    TLoadedDisc Disc;
};

TDiscTexts TextsOf(const TDiscRecord& R) {
    return {R.DiscName,    R.Composer,  R.Artist,    R.UserField1, R.UserField2,
            R.RecordLabel, R.MusicType, R.Reference, R.Year};
}

} // namespace

TEST(DiscEdit, CompletionWalksTheSortedList) {
    const QStringList list = {"Bach", "Bartok", QString::fromUtf8("Dvořák")};
    struct {
        const char* Typed;
        int MaxBytes;
        const char* Text;
        int SelStart, SelLength;
    } const cases[] = {
        {"ba", 100, "Bach", 2, 2},    // the first match, its tail selected
        {"Bar", 100, "Bartok", 3, 3}, // after the selection was replaced by r
        {"BACH", 100, "Bach", 0, 0},  // the typed prefix takes the entry's capitalisation
        {"A", 100, "A", 0, 0},        // sorts before every entry: the walk stops at once
        {"Bz", 100, "Bz", 0, 0},      // passes Bartok, stops at the next entry
        {"dv", 5, "Dvoř", 2, 2},      // cut to 5 bytes, never inside a character
        {"", 100, "", 0, 0},
    };
    for (const auto& c : cases) {
        const TCompletion got = CompleteFromList(list, QString::fromUtf8(c.Typed), c.MaxBytes);
        EXPECT_EQ(got.Text, QString::fromUtf8(c.Text)) << c.Typed;
        EXPECT_EQ(got.SelStart, c.SelStart) << c.Typed;
        EXPECT_EQ(got.SelLength, c.SelLength) << c.Typed;
    }
    EXPECT_EQ(CompleteFromList({}, "ba", 100).Text, "ba");
}

TEST(DiscEdit, TrackRowsMoveBetweenFixedPositions) {
    const auto grid = [](std::initializer_list<const char*> Names) {
        TStringGridData g(3, static_cast<int>(Names.size()) + 1);
        int r = 1;
        for (const char* n : Names) {
            g.SetCells(0, r, n);
            g.SetCells(2, r++, std::string(n) + "2");
        }
        return g;
    };
    const auto names = [](const TStringGridData& g) {
        std::string all;
        for (int r = 1; r < g.RowCount(); ++r)
            all += (g.Cells(0, r).empty() ? "-" : g.Cells(0, r)) + (r + 1 < g.RowCount() ? " " : "");
        return all;
    };
    struct {
        void (*Op)(TStringGridData&, int, int);
        int A, B;
        const char* After;
    } const cases[] = {
        {[](TStringGridData& g, int c, int r) { InsertTrackRow(g, c, r); }, 5, 3, "a b - c d"},
        {[](TStringGridData& g, int c, int r) { InsertTrackRow(g, c, r); }, 5, 5, "a b c d -"},
        {[](TStringGridData& g, int c, int r) { DeleteTrackRow(g, c, r); }, 5, 2, "a c d e -"},
        {[](TStringGridData& g, int c, int r) { DeleteTrackRow(g, c, r); }, 5, 5, "a b c d -"},
        {[](TStringGridData& g, int c, int r) { DeleteTrackRow(g, c, r); }, 5, 0, "a b c d e"},
        {[](TStringGridData& g, int f, int t) { MoveTrackRow(g, f, t); }, 2, 4, "a c d b e"},
        {[](TStringGridData& g, int f, int t) { MoveTrackRow(g, f, t); }, 5, 1, "e a b c d"},
        {[](TStringGridData& g, int f, int t) { MoveTrackRow(g, f, t); }, 2, 9, "a b c d e"},
    };
    for (const auto& c : cases) {
        TStringGridData g = grid({"a", "b", "c", "d", "e"});
        c.Op(g, c.A, c.B);
        EXPECT_EQ(names(g), c.After) << c.A << " " << c.B;
        // The user fields travel with their names.
        for (int r = 1; r <= 5; ++r)
            EXPECT_EQ(g.Cells(2, r), g.Cells(0, r).empty() ? "" : g.Cells(0, r) + "2");
    }
    TStringGridData none(3, 1);
    InsertTrackRow(none, 0, 1);
    DeleteTrackRow(none, 0, 1);
    EXPECT_EQ(none.RowCount(), 1);
}

TEST(DiscEdit, OkStoresTextsTracksAndNotesCancelOnlyWhatWasStoredAtOnce) {
    TEditFixture f;
    auto edit = f.Start();
    EXPECT_EQ(edit->Notes, "first\nsecond");
    EXPECT_EQ(edit->TrackLineOf(3), " 301.02Track 3");
    edit->Tracks.SetCells(0, 2, "Aria");
    edit->Notes = "changed";
    TDiscTexts texts = TextsOf(edit->EditRecord);
    texts.DiscName = "Typed";
    ASSERT_TRUE(edit->StorePicture(f.Picture("png")));
    ASSERT_TRUE(edit->Finish(false, texts));
    TLoadedDisc cancelled = f.Stored();
    EXPECT_EQ(cancelled.Rec.DiscName, "Goldberg");
    EXPECT_EQ(cancelled.Grid.Cells(0, 2), "Track 2");
    EXPECT_EQ(cancelled.Memo, CodeOf(7) + "\r\nfirst\r\nsecond");
    EXPECT_NE(cancelled.Rec.PictureRef, 0);

    f.Disc = cancelled;
    edit = f.Start();
    edit->Tracks.SetCells(0, 2, "Aria");
    edit->Tracks.SetCells(1, 3, "Glenn");
    edit->Notes = "one\ntwo";
    texts = TextsOf(edit->EditRecord);
    // 99 bytes and a two-byte character: the cut leaves the character out whole.
    texts.DiscName = std::string(99, 'x') + "ř";
    texts.Composer = "Dvořák";
    texts.Year = 1955;
    ASSERT_TRUE(edit->Finish(true, texts));
    const TLoadedDisc stored = f.Stored();
    EXPECT_EQ(stored.Rec.DiscName, std::string(99, 'x'));
    EXPECT_EQ(stored.Rec.Composer, "Dvořák");
    EXPECT_EQ(stored.Rec.Year, 1955);
    EXPECT_EQ(stored.Grid.Cells(0, 2), "Aria");
    EXPECT_EQ(stored.Grid.Cells(1, 3), "Glenn");
    EXPECT_EQ(stored.Grid.Cells(0, 1), "Track 1");
    EXPECT_EQ(stored.Memo, CodeOf(7) + "\r\none\r\ntwo");
    EXPECT_EQ(stored.Rec.PictureRef, cancelled.Rec.PictureRef);
    EXPECT_EQ(stored.Keys[0], "Dvořák");
    EXPECT_TRUE(f.Check().Problems.empty()) << Problems(f.Check());
}

TEST(DiscEdit, ANewDiscWithoutTracksIsStoredOnCancel) {
    TCatalogueFolder f;
    f.Answers.Answers.push_back(idYes);
    TLoadedDisc disc = LoadEntry(f.Cat(), CodeOf(9));
    ASSERT_EQ(disc.RecNo, 0);
    TDiscEdit edit(f.Cat(), disc.Rec, disc.Grid, disc.Memo, disc.Keys, disc.RecNo, CodeOf(9));
    EXPECT_EQ(edit.TrackCount(), 0);
    EXPECT_EQ(edit.Notes, "");
    EXPECT_TRUE(edit.Finish(false, {}));
    EXPECT_GT(disc.RecNo, 0);
    const TLoadedDisc stored = LoadEntry(f.Cat(), CodeOf(9));
    EXPECT_EQ(stored.Rec.DiscName, "Unknown");
    EXPECT_EQ(stored.Memo, CodeOf(9));
}

TEST(DiscEdit, PicturesAreStoredAsBitmapsAndCleared) {
    TEditFixture f;
    auto edit = f.Start();
    // A PNG (with transparency) and a JPEG become bitmap files; a bitmap is stored byte for byte.
    for (const char* format : {"png", "jpg", "bmp"}) {
        const std::string file = f.Picture(format);
        ASSERT_TRUE(edit->StorePicture(file)) << format;
        const TLoadedDisc stored = f.Stored();
        EXPECT_EQ(stored.Rec.PictureRef, edit->EditRecord.PictureRef);
        const std::string blob = f.Blob(stored.Rec.PictureRef);
        QImage image;
        ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(blob.data()), int(blob.size()), "BMP"));
        EXPECT_EQ(image.size(), QSize(40, 30));
        if (std::string(format) == "bmp") {
            EXPECT_EQ(blob, ReadFileBytes(file));
        }
    }
    EXPECT_TRUE(f.Settings.DeletedRecordsPresent);
    ASSERT_TRUE(edit->StorePicture(PictureCleared));
    EXPECT_EQ(f.Stored().Rec.PictureRef, 0);
    // Nothing chosen changes nothing.
    EXPECT_TRUE(edit->StorePicture(""));
    EXPECT_TRUE(f.Check().Problems.empty()) << Problems(f.Check());
}

TEST(DiscEdit, DamagedBitmapsAreRefusedWithAReason) {
    TEditFixture f;
    auto edit = f.Start();
    ASSERT_TRUE(edit->StorePicture(f.Picture("png")));
    const std::int32_t picture = edit->EditRecord.PictureRef;
    for (const auto& entry : fs::directory_iterator(TestDataDir() / "bmp" / "b")) {
        f.Answers.Errors.clear();
        EXPECT_FALSE(edit->StorePicture(entry.path().string())) << entry.path();
        ASSERT_EQ(f.Answers.Errors.size(), 1u) << entry.path();
        EXPECT_NE(f.Answers.Errors[0].find(entry.path().filename().string()), std::string::npos);
    }
    f.Answers.Errors.clear();
    WriteFileBytes(f.Home.File("notes.png"), "not a picture");
    EXPECT_FALSE(edit->StorePicture(f.Home.File("notes.png")));
    EXPECT_FALSE(edit->StorePicture(f.Home.File("missing.bmp")));
    EXPECT_EQ(f.Answers.Errors.size(), 2u);
    EXPECT_EQ(f.Stored().Rec.PictureRef, picture);
    // The sound bitmaps of the same suite all pass.
    for (const auto& entry : fs::directory_iterator(TestDataDir() / "bmp" / "g"))
        EXPECT_EQ(CheckPictureFile(entry.path().string()), "") << entry.path();
}

TEST(DiscEdit, SampleIsClearedOnlyOnYes) {
    TEditFixture f;
    ASSERT_TRUE(f.Cat().OpenDiscVlf());
    WriteFileBytes(f.Home.File("s.wav"), "RIFF....WAVE");
    f.Disc.Rec.SampleRef = f.Cat().fvlf.Vlf.StoreFile(0, f.Home.File("s.wav"), VlfKindSample);
    f.Cat().CloseDiscVlf();
    ASSERT_TRUE(f.Cat().PutDiscRecord(f.Disc.Rec));
    auto edit = f.Start();
    ASSERT_TRUE(edit->ExtractSample(f.Home.File("out.wav")));
    EXPECT_EQ(ReadFileBytes(f.Home.File("out.wav")), "RIFF....WAVE");
    f.Answers.Answers = {idNo};
    EXPECT_FALSE(edit->ClearSample());
    EXPECT_NE(f.Stored().Rec.SampleRef, 0);
    f.Answers.Answers = {idYes};
    EXPECT_TRUE(edit->ClearSample());
    EXPECT_EQ(f.Stored().Rec.SampleRef, 0);
    EXPECT_EQ(f.Answers.Questions.back(), msgDeleteSample);
    EXPECT_FALSE(edit->ClearSample());
    EXPECT_EQ(f.Answers.Errors.back(), msgNoSample);
}

TEST(DiscEdit, ASampleRecordedWhileTheEditorIsOpenIsKept) {
    TEditFixture f;
    TDiscCatalogue& cat = f.Cat();
    const fs::path waves = TestDataDir() / "wav" / "cpython";
    fs::copy_file(waves / "pluck-pcm8.wav", f.Home.File("old.wav"));
    fs::copy_file(waves / "pluck-pcm16.wav", f.Home.File("new.wav"));
    // The disc is in the drive with a sample; the editor works on copies, as the handset gives them.
    cat.CurrentDiscCode = CodeOf(7);
    cat.LoadDisc(CodeOf(7), cat.CurrentDisc, cat.fvlf.Tracks, cat.fvlf.Memo, cat.LoadedKeys,
                 cat.CurrentDiscRecNo);
    ASSERT_TRUE(KeepSampleWithDisc(cat, f.Home.File("old.wav")));
    f.Disc = f.Stored();
    auto edit = f.Start();
    // The recording ends while the window is open; then a picture is stored and the window closes.
    ASSERT_TRUE(KeepSampleWithDisc(cat, f.Home.File("new.wav")));
    const std::int32_t recorded = cat.CurrentDisc.SampleRef;
    ASSERT_TRUE(edit->StorePicture(f.Picture("bmp")));
    EXPECT_EQ(f.Stored().Rec.SampleRef, recorded);
    ASSERT_TRUE(edit->ExtractSample(f.Home.File("out.wav")));
    EXPECT_TRUE(ReadFileBytes(f.Home.File("out.wav")) == ReadFileBytes(f.Home.File("new.wav")));
    ASSERT_TRUE(edit->Finish(true, TextsOf(f.Disc.Rec)));
    EXPECT_EQ(f.Stored().Rec.SampleRef, recorded);
    EXPECT_TRUE(f.Check().Problems.empty()) << Problems(f.Check());
}

TEST(DiscEdit, NewReferenceEntriesAreAddedOnceAndFailuresReported) {
    TTempHome home;
    std::vector<std::string> names = {"Bach", "Haydn"};
    const std::string file = home.File("composer.fle");
    EXPECT_TRUE(AddNewReferenceEntry(names, "BACH", file));
    EXPECT_TRUE(AddNewReferenceEntry(names, "", file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(AddNewReferenceEntry(names, "Dvořák", file));
    EXPECT_EQ(ReadFileBytes(file), "Bach\r\nDvořák\r\nHaydn\r\n");
    fs::create_directory(home.File("label.fle"));
    EXPECT_FALSE(AddNewReferenceEntry(names, "Zelenka", home.File("label.fle")));
    EXPECT_EQ(CannotSaveListsMessage({"Labels"}), "Cannot save Labels file!");
    EXPECT_EQ(CannotSaveListsMessage({"Composers", "Artists", "Labels"}),
              "Cannot save Composers, Artists and Labels files!");
}

TEST(DiscEdit, NotesKeepTheirCodeLine) {
    EXPECT_EQ(NotesForEditing("CODE"), "");
    EXPECT_EQ(NotesForEditing("CODE\r\na\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(NotesForEditing("CODE\na\nb\n"), "a\nb\n");
    EXPECT_EQ(StoredNotes("CODE", ""), "CODE");
    EXPECT_EQ(StoredNotes("CODE", "a\n\nb"), "CODE\r\na\r\n\r\nb");
    TEditFixture f;
    auto edit = f.Start();
    const std::string longest(static_cast<std::size_t>(edit->NotesLimit()), 'n');
    EXPECT_EQ(StoredNotes(CodeOf(7), longest).size(), std::size_t(VlfFormat::TextMax));
}

TEST(DiscEdit, CdTextIsOfferedToANewDiscOnlyAndFillsItsNames) {
    TCatalogueFolder f;
    f.Answers.Answers.push_back(idYes);
    TLoadedDisc disc = LoadEntry(f.Cat(), CodeOf(9));
    disc.Rec.TrackCount = 2; // the text names one track more than the record has
    TDiscEdit edit(f.Cat(), disc.Rec, disc.Grid, disc.Memo, disc.Keys, disc.RecNo, CodeOf(9));
    const TCdText Text{"", "", {std::string(300, 'x'), "", "Third"}, {"Band", "Band", "Band"}};
    EXPECT_TRUE(edit.OffersCdText(Text));
    EXPECT_FALSE(edit.OffersCdText({"", "", {"", ""}, {}}));
    const TCdTextNames names = edit.TakeCdText(Text);
    EXPECT_EQ(names.DiscName, "");
    EXPECT_EQ(names.Artist, "Band"); // every track's performer, the disc naming none
    EXPECT_EQ(edit.Tracks.Cells(0, 1).size(), std::size_t(VlfFormat::GridCellMax));
    EXPECT_EQ(edit.Tracks.RowCount(), 3);
    // A record with a track name, a disc name or an artist of its own is not offered the text.
    EXPECT_FALSE(edit.OffersCdText(Text));
    edit.Tracks.SetCells(0, 1, "");
    EXPECT_TRUE(edit.OffersCdText(Text));
    edit.EditRecord.Artist = "Someone";
    EXPECT_FALSE(edit.OffersCdText(Text));
    EXPECT_EQ(disc.Grid.Cells(0, 1), "");

    // What the handset shows of the text takes the same names; blanks are no text.
    const TShownDisc Shown = ShownFromCdText("C", Text, disc.Rec);
    EXPECT_EQ(Shown.Source, ssCdText);
    EXPECT_EQ(Shown.DiscName, "Unknown");
    EXPECT_EQ(Shown.Artist, "Band");
    EXPECT_EQ(Shown.TrackNames, (std::vector<std::string>{std::string(VlfFormat::GridCellMax, 'x'), ""}));
    EXPECT_EQ(ShownFromCdText("C", {" ", "\t", {"  "}, {}}, disc.Rec).Source, ssNone);
}
