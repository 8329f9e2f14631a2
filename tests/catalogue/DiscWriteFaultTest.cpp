// Write faults and damage met while discs are stored: whatever fails, what was stored before stays
// readable, a disc is stored whole or not at all, a damaged store is not written to, and the user is
// told whenever something did not reach the disk.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "DiscTestSupport.h"
#include "catalogue/CatalogueImport.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngineIO.h"
#include "catalogue/tool/TransferCommands.h"

namespace {

constexpr int HeldDiscs = 50;
constexpr int NewDisc = HeldDiscs + 1;
const char* const SetFiles[] = {"disc.DAT", "disc.IX", "disc.VLF"};

std::string TrackText(int Disc, int Track, const std::string& Version) {
    return Version + " " + std::to_string(Disc) + "." + std::to_string(Track);
}
std::string NotesText(int Disc, const std::string& Version) {
    return CodeOf(Disc) + "\r\n" + Version + " notes of " + std::to_string(Disc);
}

void SaveNamedDisc(TCatalogueFolder& F, int N, int Tracks = 3, std::size_t NameBytes = 0) {
    TDiscRecord rec = MakeDisc(CodeOf(N), "Disc " + std::to_string(N));
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    for (int t = 1; t <= Tracks; ++t) {
        std::string name = TrackText(N, t, "Held");
        if (name.size() < NameBytes) name.resize(NameBytes, '-');
        grid.SetCells(0, t, name);
    }
    F.Answers.Answers.push_back(idYes);
    std::int32_t recNo = 0;
    TDiscKeys keys;
    EXPECT_TRUE(F.Cat().SaveDisc(rec, grid, NotesText(N, "Held"), recNo, keys));
    F.Answers.Answers.clear();
}

// The files of a folder, to lay into another one or to compare.
std::vector<std::string> SetBytes(const TCatalogueFolder& F) {
    std::vector<std::string> bytes;
    for (const char* name : SetFiles)
        bytes.push_back(ReadFileBytes(F.Home.File(name)));
    return bytes;
}
void LaySet(TCatalogueFolder& F, const std::vector<std::string>& Bytes) {
    for (std::size_t i = 0; i < Bytes.size(); ++i)
        WriteFileBytes(F.Home.File(SetFiles[i]), Bytes[i]);
}

// A version 4 import of discs First to Last with track names of Version (notes are not exported).
std::string ImportOf(const std::vector<int>& Discs, const std::string& Version) {
    std::string s;
    for (int n : Discs) {
        s += "[" + CodeOf(n) + "]\nDisc " + std::to_string(n) +
             "\nSomeone\nBach\n\nClassical\nLabel\n\n\n0\n7.30\n3\n";
        for (int t = 1; t <= 3; ++t)
            s += "03.10\n" + TrackText(n, t, Version) + "\n\n\n";
    }
    return s;
}

TImportResult Import(TCatalogueFolder& F, const std::string& Text) {
    const std::string file = F.Home.File("EXPORT.TXT");
    WriteFileBytes(file, Text);
    return ImportCatalogue(F.Cat(), file, ifVersion4, true);
}

// Which version of its track names disc N holds: "Held", "Merged", "" when it is not in the catalogue,
// or "mixed" when its names are of no one version.
std::string VersionOf(TCatalogueFolder& F, int N) {
    const TLoadedDisc d = LoadEntry(F.Cat(), CodeOf(N));
    if (d.RecNo == 0) return "";
    for (const char* version : {"Held", "Merged"}) {
        bool all = true;
        for (int t = 1; t <= 3; ++t)
            all = all && d.Grid.Cells(0, t) == TrackText(N, t, version);
        if (all) return version;
    }
    return "mixed";
}

} // namespace

// A merge import of three held discs and a new one while writes to disc.VLF fail: the Nth write only
// (an I/O error) or every write from the Nth on (a full disc), for every N the import makes.
TEST(DiscWriteFaults, AFailedStoreWriteNeverCostsAStoredDisc) {
    std::vector<std::string> held;
    {
        TCatalogueFolder f;
        for (int n = 1; n <= HeldDiscs; ++n)
            SaveNamedDisc(f, n);
        held = SetBytes(f);
    }
    const std::string text = ImportOf({1, 2, 3, NewDisc}, "Merged");
    int writes = 0;
    {
        TCatalogueFolder f;
        LaySet(f, held);
        f.Cat().fvlf.Vlf.WriteFault = [&](std::int64_t, std::int64_t) { return ++writes, true; };
        const TImportResult r = Import(f, text);
        EXPECT_EQ(r.Merged + r.Added, 4);
    }
    ASSERT_GT(writes, 4);
    for (const bool fullDisc : {false, true}) {
        for (int failing = 1; failing <= writes; ++failing) {
            SCOPED_TRACE((fullDisc ? "every write from write " : "only write ") + std::to_string(failing));
            TCatalogueFolder f;
            LaySet(f, held);
            int count = 0;
            f.Cat().fvlf.Vlf.WriteFault = [&](std::int64_t, std::int64_t) {
                ++count;
                return fullDisc ? count < failing : count != failing;
            };
            const TImportResult r = Import(f, text);
            f.Cat().fvlf.Vlf.WriteFault = nullptr;
            // A write that only a hint or freed space depended on fails without a word.
            if (r.StoreFailed) {
                ASSERT_FALSE(f.Answers.Errors.empty());
                EXPECT_EQ(f.Answers.Errors.front().rfind(msgCannotWriteVlf, 0), 0u)
                    << f.Answers.Errors.front();
            } else {
                EXPECT_EQ(r.Merged + r.Added, 4);
            }
            // Sound and closed as such; every disc holds what it held or what was merged, whole.
            const TCatalogueCheck check = f.Check();
            EXPECT_TRUE(check.Ok) << Problems(check);
            for (int n = 1; n <= NewDisc; ++n) {
                const std::string version = VersionOf(f, n);
                if (n > 3 && n < NewDisc) {
                    EXPECT_EQ(version, "Held") << n;
                } else {
                    EXPECT_TRUE(version == (n == NewDisc ? "" : "Held") || version == "Merged")
                        << n << version;
                }
                if (version == "Held") {
                    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(n)).Memo, NotesText(n, "Held"));
                }
            }
            // The same import once the disk works again brings every disc, the new one with its names.
            const TImportResult again = Import(f, text);
            EXPECT_FALSE(again.StoreFailed);
            EXPECT_EQ(again.Merged + again.Added, 4);
            for (int n : {1, 2, 3, NewDisc})
                EXPECT_EQ(VersionOf(f, n), "Merged") << n;
            EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        }
    }
}

// A free block whose length was damaged so that it covers the next disc's track list, wholly or in part:
// no save places anything there; the save is refused with the advice to repair, and nothing is written.
TEST(DiscWriteFaults, ADamagedStoreIsNotWrittenTo) {
    for (const bool wholly : {true, false}) {
        SCOPED_TRACE(wholly ? "covers the track list" : "ends inside the track list");
        TCatalogueFolder f;
        for (int n = 1; n <= 3; ++n)
            SaveNamedDisc(f, n);
        const TLoadedDisc one = LoadEntry(f.Cat(), CodeOf(1));
        const TLoadedDisc two = LoadEntry(f.Cat(), CodeOf(2));
        ASSERT_TRUE(f.Cat().DeleteDisc(one.RecNo));
        ASSERT_TRUE(f.Cat().OpenDiscVlf());
        const std::int32_t twoLength = f.Cat().fvlf.Vlf.ItemLength(two.Rec.TracksRef);
        f.Cat().CloseDiscVlf();
        // Disc 1's freed track list now reaches over its notes into disc 2's track list.
        const std::int32_t covered = two.Rec.TracksRef + 8 + (wholly ? twoLength : twoLength / 2);
        std::string vlf = ReadFileBytes(f.Home.File("disc.VLF"));
        const std::int32_t length = covered - (one.Rec.TracksRef + 8);
        for (int i = 0; i < 4; ++i)
            vlf[static_cast<std::size_t>(one.Rec.TracksRef + 4 + i)] = static_cast<char>(length >> (8 * i));
        WriteFileBytes(f.Home.File("disc.VLF"), vlf);
        ASSERT_FALSE(f.Check().Ok);
        const std::vector<std::string> before = SetBytes(f);

        // Long enough to reach past disc 2's block header when placed in the damaged block.
        f.Answers.Errors.clear();
        const TImportResult r = Import(f, ImportOf({4}, std::string(400, 'n')));
        EXPECT_TRUE(r.StoreFailed);
        ASSERT_FALSE(f.Answers.Errors.empty());
        EXPECT_EQ(f.Answers.Errors.front(), StoreDamagedMessage());
        EXPECT_TRUE(SetBytes(f) == before);
        EXPECT_EQ(VersionOf(f, 2), "Held");
        EXPECT_EQ(VersionOf(f, 4), "");
        // An edit of a held disc is refused the same way.
        TLoadedDisc three = LoadEntry(f.Cat(), CodeOf(3));
        three.Grid.SetCells(0, 1, "Changed");
        EXPECT_FALSE(f.Cat().SaveDisc(three.Rec, three.Grid, three.Memo, three.RecNo, three.Keys));
        EXPECT_EQ(f.Answers.Errors.back(), StoreDamagedMessage());
        EXPECT_TRUE(SetBytes(f) == before);
    }
}

// The disc data editor on a record whose field no longer matches its index entry: Cancel writes nothing,
// OK is refused with the advice to repair; the check finds the same problems as before, and no second
// index entry.
TEST(DiscWriteFaults, CancelOnADamagedRecordWritesNothing) {
    TCatalogueFolder f;
    SaveNamedDisc(f, 1);
    TLoadedDisc disc = LoadEntry(f.Cat(), CodeOf(1));
    ASSERT_TRUE(f.Cat().OpenDiscFiles());
    TDiscRecordBytes bytes;
    ASSERT_TRUE(ReadDiscRecord(f.Cat().DiscFile, disc.RecNo, bytes));
    TDiscRecord damaged = DecodeDiscRecord(bytes);
    damaged.Artist = "Nobody";
    PutRecord(f.Cat().DiscFile, disc.RecNo, RecordView(EncodeDiscRecord(damaged)));
    ASSERT_TRUE(EngineOK);
    f.Cat().CloseDiscFiles();
    const std::vector<std::string> problems = f.Check().Problems;
    ASSERT_FALSE(problems.empty());
    const std::vector<std::string> before = SetBytes(f);

    disc = LoadEntry(f.Cat(), CodeOf(1));
    TDiscEdit edit(f.Cat(), disc.Rec, disc.Grid, disc.Memo, disc.Keys, disc.RecNo, CodeOf(1));
    edit.Tracks.SetCells(0, 1, "Typed, then cancelled");
    EXPECT_TRUE(edit.Finish(false, {}));
    EXPECT_TRUE(SetBytes(f) == before);
    EXPECT_EQ(f.Check().Problems, problems);

    disc = LoadEntry(f.Cat(), CodeOf(1));
    TDiscEdit ok(f.Cat(), disc.Rec, disc.Grid, disc.Memo, disc.Keys, disc.RecNo, CodeOf(1));
    TDiscTexts texts{"Disc 1", "Bach", "Nobody", "", "", "Label", "Classical", "", 0};
    EXPECT_FALSE(ok.Finish(true, texts));
    ASSERT_FALSE(f.Answers.Errors.empty());
    EXPECT_EQ(f.Answers.Errors.back(),
              "Error processing disc record file - 10505 Code 3" + DamageAdvice(10505));
    EXPECT_EQ(f.Check().Problems, problems);
    EXPECT_EQ(VersionOf(f, 1), "Held");
}

// A catalogue that cannot be written out at the end of an import (its flush fails): the import says so
// and the command ends with status 1, not with a plain summary.
TEST(DiscWriteFaults, AFailedCloseIsNoSuccess) {
    TCatalogueFolder f;
    SaveNamedDisc(f, 1);
    const std::string file = f.Home.File("EXPORT.TXT");
    WriteFileBytes(file, ImportOf({1, 2}, "Merged"));
    SetRecordEngineWriteFault(1 << 30, true); // writes work, every flush to disk fails
    std::ostringstream out, err;
    const int status = RunTransferCommand(f.Home.Dir(), {"import", "--merge", file}, out, err);
    SetRecordEngineWriteFault(-1);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.str().find("Cannot close disc record file - 10160"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("could not be written out"), std::string::npos) << out.str();
}
