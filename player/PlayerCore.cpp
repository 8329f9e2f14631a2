#include "player/PlayerCore.h"

#include <chrono>

#include "catalogue/DiscCatalogue.h"
#include "devices/MessageBoxes.h"
#include "devices/SoundOutput.h"
#include "player/base/TrackLine.h"

TPlayerCore::TPlayerCore(TPlayerSettings& Settings, TPlayerState& State, THandsetFlags& Flags, TCdAudio& Cd,
                         TDiscCatalogue& Catalogue, THandsetView& View)
    : FSettings(Settings), FState(State), FFlags(Flags), FCd(Cd), FCatalogue(Catalogue), FView(View) {}

const char* const msgSoundLost =
    "The sound output was lost, and the play is paused. Press Play when the sound is back.";

void TPlayerCore::SetButtons(TButtonState State) {
    FButtonState = State;
    TButtonGroups Groups = ButtonGroupsFor(State, FCd.IsDoorOpen());
    Groups.DriveOpen = FCd.CDOpen;
    FView.SetButtons(Groups);
}

void TPlayerCore::SetTimer(int Interval) {
    FView.SetTimerInterval(Interval);
}

// --- status poll -----------------------------------------------------------------------------------

void TPlayerCore::StatusPoll() {
    FState.MediaPresent = FCd.IsMediaPresent();
    if (!FState.MediaPresent) {
        // A disc taken out while it is recorded ends the recording with what was heard.
        if (FState.Recording) FinishRecording();
        FState.DeviceMode = FCd.GetCDMode();
        FState.DiscLoaded = false;
        FCatalogue.CurrentDiscCode.clear();
        return;
    }
    if (!FState.DiscLoaded) TakeOverNewDisc();

    FState.DeviceMode = FCd.GetCDMode();
    // A play nobody can hear, the sound server having been away for a while, pauses where it was heard
    // last, so that neither the handset nor the desktop shows it playing; Play goes on from there once
    // a sound server is back. Said once for each loss.
    if (FCd.Playing && !FCd.Paused && FCd.SoundLost()) {
        FCd.PauseCD();
        FState.DeviceMode = FCd.GetCDMode();
        ShowError(msgSoundLost);
    }
    // The volume is the sound stream's: one moved in the desktop's mixer is the player's volume too.
    int Left = 0, Right = 0;
    if (FCd.TakeVolumeChange(Left, Right)) {
        FSettings.VolumeLeft = Left;
        FSettings.VolumeRight = Right;
        FView.SetVolumeBars(Left, Right);
    }
    if (FCd.Playing && !FCd.Paused && FState.AdvanceArmed && FState.DeviceMode == cmStopped)
        AdvanceAtEndOfTrack();

    FState.DiscPosition = FCd.GetDiscPosition();

    // A disc play stops where a data track begins; it goes on with the next audio track.
    if (FState.DeviceMode == cmStopped && FState.PlayMode == pmDisc && FCd.Playing && !FCd.Paused &&
        !FCd.Positioned && FState.AdvanceArmed) {
        const int Track = FCd.GetCurrentTrack();
        const int Next = FCd.NextAudioTrack(Track);
        if (Next > Track + 1 && Track >= 1 &&
            MSFToFrames(FState.DiscPosition) + 1 == MSFToFrames(FCd.TrackStart[Track + 1])) {
            FCd.PlayFrom(FCd.TrackStart[Next], Next);
            FState.AdvanceArmed = false;
            FState.DeviceMode = FCd.GetCDMode();
            FState.DiscPosition = FCd.GetDiscPosition();
        }
    }

    // The disc played through, or Stop in disc mode: back to the start of the first audio track (track 1
    // on every disc that does not begin with data).
    const int First = FirstAudioTrack();
    if (FState.DeviceMode == cmStopped && FState.PlayMode == pmDisc && !FCd.Positioned && !FCd.Paused &&
        FState.DiscPosition != FCd.TrackStart[First]) {
        if (FState.Recording) FinishRecording();
        if (FState.RepeatOn && FCd.Playing) {
            FCd.PlayFrom(FCd.TrackStart[First], First);
        } else {
            FCd.Positioned = true;
            FCd.SeekCD(FCd.TrackStart[First]);
            FCd.Playing = false;
            FState.DiscPosition = FCd.TrackStart[First];
        }
    }

    // A single track that has ended: replayed with repeat on; otherwise the play is over.
    if (FState.DeviceMode == cmStopped && FState.PlayMode == pmTrack && !FCd.Paused && FCd.Playing) {
        if (FState.RepeatOn && FState.RepeatTrack != 0) {
            FCd.PlayFrom(FCd.TrackStart[FState.RepeatTrack], FState.RepeatTrack);
        } else if (!FState.RepeatOn && FState.AdvanceArmed) {
            FCd.Playing = false;
        }
    }

    FState.DeviceMode = FCd.GetCDMode();
    if (FState.DeviceMode != cmStopped) {
        FCd.Positioned = false;
        FState.AdvanceArmed = true;
    } else if (!FView.PlayButtonEnabled() && FState.PlayMode != pmIntro && FState.PlayMode != pmCustom &&
               !FCd.Paused) {
        SetButtons(bsStopped);
    }

    FState.CurrentTrack = FCd.GetCurrentTrack();
    if (FState.CurrentTrack != FState.LastTrackSeen && FState.CurrentTrack >= 1 &&
        FState.CurrentTrack <= 99) {
        FState.TrackStartTime = MSFToMinSec(FCd.TrackStart[FState.CurrentTrack]);
        FState.TrackLengthTime = MSFToMinSec(FCd.TrackLength[FState.CurrentTrack]);
        FState.LastTrackSeen = FState.CurrentTrack;
    }

    const TMinSec p = MSFToMinSec(FState.DiscPosition);
    FState.TrackElapsed = SubTimes(p, FState.TrackStartTime);
    FState.TrackRemaining = SubTimes(FState.TrackLengthTime, FState.TrackElapsed);
    FState.DiscElapsed = SubTimes(p, FState.DiscStartTime);
    FState.DiscRemaining = SubTimes(FState.DiscTotalTime, FState.DiscElapsed);
}

void TPlayerCore::TakeOverNewDisc() {
    for (int t = 0; t < 100; ++t)
        FCd.TrackStart[t] = FCd.TrackLength[t] = 0;
    FCd.TrackCount = FCd.GetTrackCount();
    for (int t = 1; t <= FCd.TrackCount && t <= 99; ++t) {
        FCd.TrackStart[t] = FCd.GetTrackStart(t);
        FCd.TrackLength[t] = FCd.GetTrackLength(t);
    }
    FState.ShuffleOrder.Clear();
    FState.LastTrackSeen = 0;
    const int n = FCd.TrackCount >= 1 && FCd.TrackCount <= 99 ? FCd.TrackCount : 0;
    FState.DiscStartTime = MSFToMinSec(FCd.TrackStart[1]);
    FState.DiscTotalTime =
        n == 0 ? 0
               : SubTimes(AddTimes(MSFToMinSec(FCd.TrackStart[n]), MSFToMinSec(FCd.TrackLength[n])),
                          FState.DiscStartTime);
    FState.DiscLoaded = true;
    FCd.Positioned = false;
    FCd.Paused = false;
    FCd.Playing = FCd.GetCDMode() == cmPlaying;
    SetButtons(bsStopped);
    FCatalogue.CurrentDiscCode = FCd.GetDiscIdentity().substr(0, 16);

    TDiscToc toc;
    toc.TrackCount = n;
    for (int t = 1; t <= n; ++t)
        toc.TrackLengths[t - 1] = FCd.TrackLength[t];
    toc.TotalTime = FState.DiscTotalTime;
    FCatalogue.LoadCurrentDisc(toc, FSettings.VolumeLeft, FSettings.VolumeRight);

    TDiscRecord& disc = FCatalogue.CurrentDisc;
    if (disc.TocPending) {
        // An imported record meets its disc: the disc's own track data replaces the imported one.
        disc.TocPending = false;
        disc.TrackCount = static_cast<std::int16_t>(n);
        for (int t = 1; t <= 99; ++t)
            disc.TrackLengths[t - 1] = FCd.TrackLength[t];
        disc.TotalTime = FState.DiscTotalTime;
        SaveCurrentDisc();
    }
    FSettings.VolumeLeft = disc.VolumeLeft;
    FSettings.VolumeRight = disc.VolumeRight;
    // A mode without a name can only come from a damaged record; it plays the whole disc.
    const TPlayMode mode = static_cast<TPlayMode>(disc.PlayMode & 0xFF);
    FState.PlayMode = mode <= pmCustom ? mode : pmDisc;
    FCd.ApplyVolume();
}

int TPlayerCore::FirstAudioTrack() {
    const int First = FCd.NextAudioTrack(0);
    return First >= 1 && First <= 99 ? First : 1;
}

void TPlayerCore::StartTrack(int Track) {
    FCd.PlayFrom(FCd.TrackStart[Track], Track);
    // A play the drive refused leaves the advance armed, so the next tick moves on instead of waiting
    // for a play that never comes.
    if (FCd.LastMCIError == deOK) FState.AdvanceArmed = false;
}

void TPlayerCore::AdvanceAtEndOfTrack() {
    if (FState.PlayMode == pmIntro) {
        FState.CurrentTrack = FCd.GetCurrentTrack();
        const int Next = FState.CurrentTrack < FCd.TrackCount ? FCd.NextAudioTrack(FState.CurrentTrack) : 0;
        if (Next >= 1 && Next <= 99) {
            StartTrack(Next);
        } else {
            if (FState.Recording) FinishRecording();
            if (FState.RepeatOn) {
                StartTrack(FirstAudioTrack());
            } else {
                FState.PlayMode = pmDisc;
                FCd.Playing = false;
            }
        }
    }
    if (FState.PlayMode == pmCustom) AdvanceList(FCatalogue.CurrentDisc.Programme);
    if (FState.PlayMode == pmShuffle) AdvanceList(FState.ShuffleOrder);
}

bool TPlayerCore::PlayProgrammeEntry(const TPlayProgramme& List, int Direction) {
    // Entries that cannot be played (a data track, a track the disc does not have) are passed over in
    // the direction of the step; a step back that finds none plays the first playable entry after.
    const auto Playable = [&](int Pos) {
        const int t = List[Pos];
        return t >= 1 && t <= FCd.TrackCount && FCd.IsAudioTrack(t);
    };
    int Pos = FState.ProgrammePos;
    if (Pos < 1 || Pos > List.Count) return false;
    while (Pos >= 1 && Pos <= List.Count && !Playable(Pos))
        Pos += Direction < 0 ? -1 : 1;
    if (Pos < 1) {
        Pos = FState.ProgrammePos;
        while (Pos <= List.Count && !Playable(Pos))
            ++Pos;
    }
    if (Pos > List.Count) {
        FState.ProgrammePos = List.Count + 1;
        return false;
    }
    FState.ProgrammePos = Pos;
    StartTrack(List[Pos]);
    return true;
}

void TPlayerCore::AdvanceList(const TPlayProgramme& List) {
    ++FState.ProgrammePos;
    if (PlayProgrammeEntry(List)) return;
    if (FState.RepeatOn) {
        FState.ProgrammePos = 1;
        if (PlayProgrammeEntry(List)) return;
    }
    // Played out, or nothing to repeat: the play is over.
    FCd.Playing = false;
    SetButtons(bsStopped);
}

void TPlayerCore::FinishRecording() {
    if (EndRecording) EndRecording();
    SetTimer(ClockInterval);
}

// --- clock tick ------------------------------------------------------------------------------------

void TPlayerCore::TimerTimer() {
    FView.SetTimerEnabled(false);
    if (FView.WindowTop() != FSettings.MainTop || FView.WindowLeft() != FSettings.MainLeft) {
        FSettings.MainTop = FView.WindowTop();
        FSettings.MainLeft = FView.WindowLeft();
        SaveSettings(FSettings);
    }
    try {
        StatusPoll();
        ShowTick();
    } catch (const EMCIDeviceError& e) {
        // The clock stays stopped: the device is gone from under the player.
        ShowError(e.what());
    }
}

void TPlayerCore::ShowTick() {
    if (!FState.MediaPresent && !FFlags.DiscShown) {
        FView.SetTimerEnabled(true);
        return;
    }
    if (!FState.MediaPresent) {
        SetButtons(bsNoDisc);
        FFlags.DiscShown = false;
        FView.ClearTrackStrip();
        FView.ClearDisplay();
        FCd.Playing = false;
        FView.SetApplicationTitle("ORB [Stopped]");
        FView.SetDiscLabels("", "", "", "");
        FFlags.HighlightedTrack = -1;
        SetSoundStreamName({});
        FView.SetTimerEnabled(true);
        return;
    }
    if (!FFlags.DiscShown) {
        if (FFlags.TrackListShown) {
            FView.ClearTrackStrip();
            FView.DrawTrackNumbers(FCd.TrackCount, FState.CurrentTrack);
        } else {
            FView.ShowDiscPicture();
        }
        FView.SetVolumeBars(FSettings.VolumeLeft, FSettings.VolumeRight);
        FFlags.DiscShown = true;
        const TShownDisc shown = FCatalogue.ShownTexts();
        FView.SetDiscLabels(shown.DiscName, "", shown.Composer, shown.Artist);
        FFlags.HighlightedTrack = -1;
        if ((FSettings.AutoPlayOnStartup || FFlags.AutoPlaySwitch) && FCd.GetCDMode() != cmPlaying)
            btnPlayClick();
        if (FCd.GetCDMode() == cmPlaying) {
            SetButtons(bsPlaying);
            FCd.Playing = true;
        }
    }

    // Another program (orbelune-cat) may have stored this disc meanwhile: its names and picture show.
    if (FCatalogue.RefreshCurrentDisc()) {
        const TShownDisc shown = FCatalogue.ShownTexts();
        FView.SetDiscLabels(shown.DiscName, "", shown.Composer, shown.Artist);
        if (!FFlags.TrackListShown) FView.ShowDiscPicture();
        FFlags.HighlightedTrack = -1;
    }

    std::string mode =
        FState.Recording ? "RECORDING..." : ("Mode: " + PlayModeName(FState.PlayMode)).substr(0, 16);
    if (FCd.Paused) mode = "Paused...";
    FView.SetModeLine(mode);

    if (FFlags.HighlightedTrack != FState.CurrentTrack) {
        if (FFlags.TrackListShown) {
            if (FFlags.HighlightedTrack != -1) FView.DrawTrackNumber(FFlags.HighlightedTrack, false);
            FView.DrawTrackNumber(FState.CurrentTrack, true);
        }
        FFlags.HighlightedTrack = FState.CurrentTrack;
        FView.SetTrackLabel(TrackName(FState.CurrentTrack));
        NameSoundStream();
    }
    FView.SetTrackLine("Track: " + std::to_string(FState.CurrentTrack));

    if (FFlags.ShowDiscTime)
        FView.SetTimes("Disc time", FState.DiscElapsed, FState.DiscRemaining);
    else
        FView.SetTimes("Track time", FState.TrackElapsed, FState.TrackRemaining);

    const std::string track = "ORB [" + std::to_string(FState.CurrentTrack) + "] ";
    FView.SetApplicationTitle(FCd.Paused ? track + "Paused" : track + FormatMinSec(FState.TrackElapsed));

    FView.SetTimerEnabled(true);
    if (FSettings.StartWithSmallHandset && FFlags.JustShown) FView.SwitchToSmallHandset();
    FFlags.JustShown = false;
}

void TPlayerCore::NameSoundStream() {
    std::string Name = FCatalogue.ShownTexts().DiscName;
    const std::string Track = TrackName(FState.CurrentTrack);
    if (!Track.empty()) Name = Name.empty() ? Track : Name + " \u2013 " + Track;
    SetSoundStreamName(Name);
}

// --- commands --------------------------------------------------------------------------------------

void TPlayerCore::btnPlayClick() {
    if (FCd.NextAudioTrack(0) == 0) {
        ShowError("This disc has no audio tracks.");
        return;
    }
    if (FState.PlayMode == pmCustom) {
        FState.ProgrammePos = 1;
        if (PlayProgrammeEntry(FCatalogue.CurrentDisc.Programme)) SetButtons(bsPlaying);
        return;
    }
    if (FState.PlayMode == pmShuffle) {
        DealShuffle();
        FState.ProgrammePos = 1;
        if (PlayProgrammeEntry(FState.ShuffleOrder)) SetButtons(bsPlaying);
        return;
    }
    int Track = FCd.GetCurrentTrack();
    MSF From = FCd.GetDiscPosition();
    if (!FCd.IsAudioTrack(Track)) {
        // Standing in a data track: play from the next audio track, or from the first one.
        Track = FCd.NextAudioTrack(Track);
        if (Track == 0) Track = FirstAudioTrack();
        From = FCd.TrackStart[Track];
    }
    FState.RepeatTrack = Track;
    FCd.PlayFrom(From, Track);
    SetButtons(bsPlaying);
}

void TPlayerCore::DealShuffle() {
    FRandom.seed(ShuffleSeed ? ShuffleSeed()
                             : static_cast<std::uint32_t>(
                                   std::chrono::steady_clock::now().time_since_epoch().count()));
    std::vector<int> tracks;
    const int n = FCatalogue.CurrentDisc.TrackCount;
    for (int t = 1; t <= n; ++t)
        if (FCd.IsAudioTrack(t)) tracks.push_back(t);
    FState.ShuffleOrder.Clear();
    while (tracks.size() > 1) {
        std::uniform_int_distribution<std::size_t> draw(0, tracks.size() - 1);
        const std::size_t p = draw(FRandom);
        FState.ShuffleOrder.Append(tracks[p]);
        tracks.erase(tracks.begin() + static_cast<std::ptrdiff_t>(p));
    }
    if (!tracks.empty()) FState.ShuffleOrder.Append(tracks.front());
}

void TPlayerCore::btnStopClick() {
    FCd.StopCD();
    if (FState.Recording) {
        // Stop ends a recording with what was heard so far.
        FinishRecording();
        if (FState.PlayMode == pmIntro) FState.PlayMode = pmDisc;
        SetButtons(bsStopped);
        return;
    }
    if (FState.PlayMode == pmIntro) {
        // Keep the track being heard and play it to its end.
        FState.PlayMode = pmTrack;
        FCd.PlayFrom(FCd.GetDiscPosition(), FCd.GetCurrentTrack());
        return;
    }
    SetButtons(bsStopped);
}

const TPlayProgramme& TPlayerCore::ListOfMode() const {
    return FState.PlayMode == pmCustom ? FCatalogue.CurrentDisc.Programme : FState.ShuffleOrder;
}

void TPlayerCore::StepList(const TPlayProgramme& List, int Step) {
    if (Step < 0) {
        if (FState.ProgrammePos > 1) --FState.ProgrammePos;
    } else {
        ++FState.ProgrammePos;
    }
    PlayProgrammeEntry(List, Step);
}

void TPlayerCore::btnBackClick() {
    if (FState.PlayMode == pmCustom || FState.PlayMode == pmShuffle)
        StepList(ListOfMode(), -1);
    else
        FCd.PreviousTrack();
}

void TPlayerCore::btnForwardClick() {
    if (FState.PlayMode == pmCustom || FState.PlayMode == pmShuffle)
        StepList(ListOfMode(), +1);
    else
        FCd.NextTrack();
}

void TPlayerCore::btnModeClick() {
    if (FCd.GetCDMode() == cmPlaying) {
        ShowError("You may only change mode if the CD is not playing.");
        return;
    }
    TPlayMode chosen = FState.PlayMode;
    if (FView.ChooseMode(FState.PlayMode, chosen)) FState.PlayMode = chosen;
    FCatalogue.CurrentDisc.PlayMode = FState.PlayMode;
    if (FCatalogue.CurrentDiscRecNo > 0) SaveCurrentDisc();
}

void TPlayerCore::SetPlayMode(TPlayMode Mode) {
    const TPlayMode Before = FState.PlayMode;
    FState.PlayMode = Mode;
    FCatalogue.CurrentDisc.PlayMode = Mode;
    if (FCatalogue.CurrentDiscRecNo > 0) SaveCurrentDisc();
    if (Mode == Before || !FCd.Playing || FState.Recording) return;
    const int Track = FCd.GetCurrentTrack();
    if (Track < 1 || Track > FCd.TrackCount) return;
    if (Mode == pmShuffle) {
        DealShuffle();
        // The track heard comes first; the others follow in the dealt order.
        std::vector<int> Order{Track};
        for (int Pos = 1; Pos <= FState.ShuffleOrder.Count; ++Pos)
            if (FState.ShuffleOrder[Pos] != Track) Order.push_back(FState.ShuffleOrder[Pos]);
        FState.ShuffleOrder.Clear();
        for (int T : Order)
            FState.ShuffleOrder.Append(T);
        FState.ProgrammePos = 1;
    }
    if (Mode == pmCustom) {
        const TPlayProgramme& List = FCatalogue.CurrentDisc.Programme;
        FState.ProgrammePos = List.Count + 1;
        for (int Pos = 1; Pos <= List.Count; ++Pos)
            if (List[Pos] == Track) {
                FState.ProgrammePos = Pos;
                break;
            }
    }
    FState.RepeatTrack = Track;
    // The play is sent again so it ends where the new mode ends it; a pause stays a pause.
    const bool WasPaused = FCd.Paused;
    FCd.PlayFrom(FCd.GetDiscPosition(), Track);
    if (FCd.LastMCIError == deOK) FState.AdvanceArmed = false;
    if (WasPaused) FCd.PauseCD();
}

void TPlayerCore::btnRepeatClick() {
    FState.RepeatOn = !FState.RepeatOn;
    FView.SetRepeatShown(FState.RepeatOn);
}

std::string TPlayerCore::TrackName(int Track) const {
    return FCatalogue.ShownTrackName(Track);
}

std::vector<std::string> TPlayerCore::TrackChooserLines() const {
    std::vector<std::string> lines;
    const TDiscRecord& disc = FCatalogue.CurrentDisc;
    for (int t = 1; t <= FCd.TrackCount && t <= 99; ++t) {
        lines.push_back(TrackLine(t, disc.TrackLengths[t - 1], TrackName(t)));
    }
    return lines;
}

void TPlayerCore::btnTrackClick() {
    const int index = FView.ChooseTrack(TrackChooserLines());
    if (index >= 0) FCd.GoToTrack(index + 1);
}

void TPlayerCore::btnBegClick() {
    FState.BookmarkStart = FCd.GetDiscPosition();
    ShowError("Click [OK] to mark end of bookmark");
    FState.BookmarkEnd = FCd.GetDiscPosition();
}

void TPlayerCore::StoreVolumeWithDisc() {
    FCatalogue.CurrentDisc.VolumeLeft = FSettings.VolumeLeft;
    FCatalogue.CurrentDisc.VolumeRight = FSettings.VolumeRight;
    if (FCatalogue.CurrentDiscRecNo > 0) SaveCurrentDisc();
}

void TPlayerCore::SaveCurrentDisc() {
    FCatalogue.SaveCurrentDisc();
}
