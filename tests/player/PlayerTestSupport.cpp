#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include "catalogue/store/RecordEngine.h"
#include "devices/DiscIdentity.h"

TDriveToc EvenDisc(int Tracks, int Seconds) {
    TDriveToc toc;
    for (int t = 0; t < Tracks; ++t)
        toc.Tracks.push_back({t + 1, 150 + t * Seconds * 75, true});
    toc.LeadOutFrame = 150 + Tracks * Seconds * 75;
    return toc;
}

TTestPlayer::TTestPlayer(TDriveToc DiscToc) : Toc(std::move(DiscToc)) {
    Assemble([this](int, int&) {
        auto drive = std::make_unique<TSimulatedDrive>(Clock, Toc);
        Drive = drive.get();
        return drive;
    });
}

TTestPlayer::TTestPlayer(TCdDriveFactory Factory) {
    Assemble(std::move(Factory));
}

void TTestPlayer::Assemble(TCdDriveFactory Factory) {
    InitRecordEngine(8);
    Cd = std::make_unique<TCdAudio>(Settings, State, std::move(Factory));
    Catalogue = std::make_unique<TDiscCatalogue>(Home.Dir(), Settings);
    Answers.Answers.push_back(idYes); // create the catalogue files
    Catalogue->OpenDiscFiles();
    Catalogue->CloseDiscFiles();
    Core = std::make_unique<TPlayerCore>(Settings, State, Flags, *Cd, *Catalogue, View);
    Core->ShuffleSeed = [] { return 12345u; };
    Cd->OnStatusPoll = [this] { Core->StatusPoll(); };
}

TTestPlayer::~TTestPlayer() {
    Core.reset();
    Cd.reset();
    Catalogue.reset();
    DoneRecordEngine();
}

void TTestPlayer::Open() {
    Core->SetButtons(bsNoDisc);
    Cd->OpenCD(0);
    Flags.JustShown = true;
}

void TTestPlayer::Tick(int Millis) {
    Clock.Advance(Millis);
    Core->TimerTimer();
}

bool TTestPlayer::TickUntil(TCDMode Mode, int Limit) {
    for (int i = 0; i < Limit; ++i) {
        Tick();
        if (Cd->GetCDMode() == Mode) return true;
    }
    return false;
}

int TTestPlayer::PlayCommands() {
    int n = 0;
    for (const std::string& line : Drive->Log())
        n += line.rfind("Play", 0) == 0;
    return n;
}

std::string TTestPlayer::Code() {
    return DiscCodeText(DiscIdentity(Toc));
}

void TTestPlayer::StoreRecord(const TDiscRecord& Rec) {
    TDiscRecord copy = Rec;
    TStringGridData grid(3, 100);
    ResetDiscGrid(grid, copy.DiscCode);
    for (int t = 1; t <= copy.TrackCount; ++t)
        grid.SetCells(0, t, "Song " + std::to_string(t));
    std::int32_t recNo = 0;
    TDiscKeys keys;
    ASSERT_TRUE(Catalogue->SaveDisc(copy, grid, "", recNo, keys));
}
