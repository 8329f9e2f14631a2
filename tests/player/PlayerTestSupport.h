// A player put together for tests: the simulated drive on a virtual clock, a catalogue in a fresh data
// folder, and a handset view that records what it was told to show.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "devices/SimulatedDrive.h"
#include "player/HandsetView.h"
#include "player/PlayerCore.h"
#include "support/TestSupport.h"

class TRecordingView : public THandsetView {
public:
    void SetButtons(const TButtonGroups& Groups) override { Buttons = Groups; }
    bool PlayButtonEnabled() const override { return Buttons.PlayGroup; }
    void ClearTrackStrip() override { StripNumbers = 0; }
    void DrawTrackNumbers(int TrackCount, int Current) override {
        StripNumbers = TrackCount;
        Selected = Current;
    }
    void DrawTrackNumber(int Track, bool IsSelected) override {
        if (IsSelected) Selected = Track;
    }
    void ShowDiscPicture() override { PictureShown = true; }
    void ClearDisplay() override {}
    void SetVolumeBars(int Left, int Right) override {
        BarLeft = Left;
        BarRight = Right;
    }
    void SetDiscLabels(const std::string& N, const std::string& T, const std::string& C,
                       const std::string& A) override {
        Name = N;
        Track = T;
        Composer = C;
        Artist = A;
    }
    void SetTrackLabel(const std::string& T) override { Track = T; }
    void SetModeLine(const std::string& Text) override { ModeLine = Text; }
    void SetTrackLine(const std::string& Text) override { TrackLine = Text; }
    void SetTimes(const std::string& Caption, TMinSec E, TMinSec R) override {
        TimeCaption = Caption;
        Elapsed = E;
        Remaining = R;
    }
    void SetApplicationTitle(const std::string& T) override { Title = T; }
    void SetRepeatShown(bool On) override { RepeatShown = On; }
    void SetTimerEnabled(bool Enabled) override { TimerEnabled = Enabled; }
    void SetTimerInterval(int Ms) override { Interval = Ms; }
    int WindowTop() const override { return Top; }
    int WindowLeft() const override { return Left; }
    void SwitchToSmallHandset() override { ++SmallHandsetSwitches; }
    bool ChooseMode(TPlayMode, TPlayMode& Chosen) override {
        if (ModeAnswer < 0) return false;
        Chosen = static_cast<TPlayMode>(ModeAnswer);
        return true;
    }
    int ChooseTrack(const std::vector<std::string>& Lines) override {
        ChooserLines = Lines;
        return TrackAnswer;
    }

    TButtonGroups Buttons;
    int StripNumbers = 0, Selected = 0;
    bool PictureShown = false;
    int BarLeft = 0, BarRight = 0;
    std::string Name, Track, Composer, Artist, ModeLine, TrackLine, TimeCaption, Title;
    TMinSec Elapsed = 0, Remaining = 0;
    bool RepeatShown = false, TimerEnabled = false;
    int Interval = 1000, Top = 10, Left = 10, SmallHandsetSwitches = 0;
    int ModeAnswer = -1, TrackAnswer = -1;
    std::vector<std::string> ChooserLines;
};

// Tracks of Seconds each from 00:02:00.
TDriveToc EvenDisc(int Tracks, int Seconds);

class TTestPlayer {
    void Assemble(TCdDriveFactory Factory);

public:
    explicit TTestPlayer(TDriveToc Toc = EvenDisc(5, 30));
    // A player on another drive (a disc image through libcdio).
    explicit TTestPlayer(TCdDriveFactory Factory);
    ~TTestPlayer();

    // Opens the drive (which runs one poll) the way the handset's show handler does.
    void Open();
    // One clock tick after Millis of drive time.
    void Tick(int Millis = 1000);
    // Ticks until the drive reports Mode or Limit ticks pass; returns whether it got there.
    bool TickUntil(TCDMode Mode, int Limit = 400);
    std::vector<std::string> DriveLog() { return Drive->Log(); }
    int PlayCommands();
    // Stores a disc record for the disc in the drive before it is inserted.
    void StoreRecord(const TDiscRecord& Rec);
    std::string Code();

    TTempHome Home;
    TRecordingAnswerer Answers;
    TVirtualClock Clock;
    TPlayerSettings Settings;
    TPlayerState State;
    THandsetFlags Flags;
    TDriveToc Toc;
    TSimulatedDrive* Drive = nullptr;
    std::unique_ptr<TCdAudio> Cd;
    std::unique_ptr<TDiscCatalogue> Catalogue;
    TRecordingView View;
    std::unique_ptr<TPlayerCore> Core;
};
