// A fresh data folder with a disc catalogue in it, the message answerer, and discs made up for tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/store/RecordEngine.h"
#include "support/TestSupport.h"

class TCatalogueFolder {
public:
    TCatalogueFolder() : Catalogue(std::make_unique<TDiscCatalogue>(Home.Dir(), Settings)) {}
    // The engine is global: other tests in this program start it themselves.
    ~TCatalogueFolder() {
        Catalogue.reset();
        if (RecordEngineInitialized()) DoneRecordEngine();
    }

    // A new catalogue object on the same folder, as the next start of the program would make.
    void Reopen() {
        Catalogue.reset();
        Catalogue = std::make_unique<TDiscCatalogue>(Home.Dir(), Settings);
    }
    TDiscCatalogue& Cat() { return *Catalogue; }

    // Stores a disc through SaveDisc, answering the creation question; returns its record number.
    std::int32_t Save(TDiscRecord Rec, int TrackCount = 0, const std::string& Notes = "notes") {
        TStringGridData grid;
        ResetDiscGrid(grid, Rec.DiscCode);
        for (int t = 1; t <= TrackCount; ++t)
            grid.SetCells(0, t, "Track " + std::to_string(t));
        Answers.Answers.push_back(idYes);
        std::int32_t recNo = 0;
        TDiscKeys keys;
        EXPECT_TRUE(Catalogue->SaveDisc(Rec, grid, Notes, recNo, keys));
        Answers.Answers.clear();
        return recNo;
    }

    TCatalogueCheck Check() { return CheckDiscCatalogue(Home.Dir()); }

    TTempHome Home;
    TRecordingAnswerer Answers;
    TPlayerSettings Settings;
    std::unique_ptr<TDiscCatalogue> Catalogue;
};

// Everything LoadDisc fills in for one code.
struct TLoadedDisc {
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
};

inline TLoadedDisc LoadEntry(TDiscCatalogue& Cat, const std::string& Code) {
    TLoadedDisc d;
    Cat.LoadDisc(Code, d.Rec, d.Grid, d.Memo, d.Keys, d.RecNo);
    return d;
}

inline TDiscRecord MakeDisc(const std::string& Code, const std::string& Name,
                            const std::string& Composer = "Bach", const std::string& Artist = "Someone") {
    TDiscRecord rec = NewDiscRecord(Code, 30000, 30000);
    rec.DiscName = Name;
    rec.Composer = Composer;
    rec.Artist = Artist;
    rec.RecordLabel = "Label";
    rec.MusicType = "Classical";
    rec.TrackCount = 2;
    rec.TrackLengths[0] = MakeMSF(3, 10, 5);
    rec.TrackLengths[1] = MakeMSF(4, 20, 0);
    rec.TotalTime = 7.30;
    return rec;
}

inline std::string CodeOf(int N) {
    char code[17];
    std::snprintf(code, sizeof code, "%016X", N);
    return code;
}

// Every problem of a check, for a failure message.
inline std::string Problems(const TCatalogueCheck& Check) {
    std::string all;
    for (const auto& p : Check.Problems)
        all += p + "\n";
    return all;
}

// The name, track count and notes FillDiscs gives disc I.
inline std::string FilledName(int I) {
    return "Disc " + std::to_string(I);
}
inline std::string FilledNotes(int I) {
    return "Notes of disc " + std::to_string(I);
}

// Discs 1 to Count with their names, three track names and notes, stored in one hold of the files.
inline void FillDiscs(TCatalogueFolder& F, int Count) {
    F.Answers.Answers.push_back(idYes);
    ASSERT_TRUE(F.Cat().HoldDiscFiles());
    for (int i = 1; i <= Count; ++i)
        F.Save(MakeDisc(CodeOf(i), FilledName(i)), 3, FilledNotes(i));
    ASSERT_TRUE(F.Cat().ReleaseDiscFiles());
}

// Every disc of FillDiscs loads with its name, track names and notes, and the check passes.
inline void ExpectFilledDiscs(TCatalogueFolder& F, int Count) {
    for (int i = 1; i <= Count; ++i) {
        const TLoadedDisc d = LoadEntry(F.Cat(), CodeOf(i));
        ASSERT_GT(d.RecNo, 0) << "disc " << i << " cannot be loaded";
        EXPECT_EQ(d.Rec.DiscName, FilledName(i));
        EXPECT_EQ(d.Grid.Cells(0, 3), "Track 3");
        EXPECT_EQ(d.Memo, FilledNotes(i));
    }
    const TCatalogueCheck check = F.Check();
    EXPECT_TRUE(check.Ok) << Problems(check);
    EXPECT_EQ(check.Records, Count);
}

// What a partial restore of the data folder or a disk error can leave under the names of a rebuild's
// swap: the marker disc2.SWP and disc2.DAT, disc2.IX and disc2.VLF holding bytes of no use.
inline void WriteJunkSwapFiles(const TTempHome& Home) {
    std::mt19937 random(34);
    for (const char* name : {"disc2.SWP", "disc2.DAT", "disc2.IX", "disc2.VLF"}) {
        std::string bytes(std::string(name) == "disc2.SWP" ? 12 : 5000, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        WriteFileBytes(Home.File(name), bytes);
    }
}
