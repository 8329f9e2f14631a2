// The clock tick, status poll and play commands, tick by tick on the simulated drive with a real catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "PlayerTestSupport.h"
#include "devices/SoundOutput.h"
#include "player/MprisValues.h"

namespace {

constexpr int TrackFrames = 30 * 75;

MSF StartOf(int Track) {
    return FramesToMSF(150 + (Track - 1) * TrackFrames);
}

TDiscRecord RecordFor(TTestPlayer& P) {
    TDiscRecord rec = NewDiscRecord(P.Code(), 20000, 20000);
    rec.DiscName = "Harbour Lights";
    rec.Composer = "Anon";
    rec.Artist = "The Quartet";
    rec.TrackCount = static_cast<std::int16_t>(P.Toc.TrackCount());
    for (int t = 1; t <= rec.TrackCount; ++t)
        rec.TrackLengths[t - 1] = P.Toc.TrackLength(t);
    return rec;
}

// The disc's record as a fresh load from the catalogue finds it.
TDiscRecord StoredRecord(TTestPlayer& P, std::int32_t* RecNo = nullptr) {
    TDiscRecord loaded;
    TStringGridData grid;
    std::string memo;
    TDiscKeys keys;
    std::int32_t recNo = 0;
    P.Catalogue->LoadDisc(P.Code(), loaded, grid, memo, keys, recNo);
    if (RecNo) *RecNo = recNo;
    return loaded;
}

} // namespace

TEST(PlayerCore, NewDiscIsShownAndUnknownDiscGetsAFreshRecord) {
    TTestPlayer p;
    p.Open();
    EXPECT_TRUE(p.State.DiscLoaded);
    EXPECT_EQ(p.Catalogue->CurrentDiscCode, p.Code());
    EXPECT_EQ(p.Catalogue->CurrentDiscRecNo, 0);
    EXPECT_FALSE(p.Flags.DiscShown) << "shown by the next tick, not by the open";
    p.Tick();
    EXPECT_TRUE(p.Flags.DiscShown);
    EXPECT_EQ(p.View.Name, "Unknown");
    EXPECT_EQ(p.View.StripNumbers, 5);
    EXPECT_EQ(p.View.ModeLine, "Mode: Disc");
    EXPECT_EQ(p.View.TrackLine, "Track: 1");
    EXPECT_EQ(p.View.Title, "ORB [1] 00.00");
    EXPECT_EQ(p.View.TimeCaption, "Track time");
    // The last track ends a frame before the lead-out, and the total drops frames.
    EXPECT_DOUBLE_EQ(p.State.DiscTotalTime, 2.29);
    EXPECT_TRUE(p.View.Buttons.PlayGroup);
    EXPECT_FALSE(p.View.Buttons.StopGroup);
    EXPECT_TRUE(p.View.TimerEnabled);
    EXPECT_EQ(p.PlayCommands(), 0);
}

TEST(PlayerCore, StoredDiscBringsBackItsVolumeAndMode) {
    TTestPlayer p;
    TDiscRecord rec = RecordFor(p);
    rec.VolumeLeft = 1234;
    rec.VolumeRight = 4321;
    rec.PlayMode = pmTrack;
    p.StoreRecord(rec);
    p.Open();
    EXPECT_GT(p.Catalogue->CurrentDiscRecNo, 0);
    EXPECT_EQ(p.Settings.VolumeLeft, 1234);
    EXPECT_EQ(p.Settings.VolumeRight, 4321);
    EXPECT_EQ(p.Drive->VolumeLeft(), 1234);
    EXPECT_EQ(p.State.PlayMode, pmTrack);
    p.Tick();
    EXPECT_EQ(p.View.Name, "Harbour Lights");
    EXPECT_EQ(p.View.Composer, "Anon");
    EXPECT_EQ(p.View.Track, "Song 1");
    EXPECT_EQ(p.View.BarLeft, 1234);
    EXPECT_EQ(p.View.ModeLine, "Mode: Track");
}

TEST(PlayerCore, DamagedModesPlayTheWholeDiscAndMode2IsNamedRandom) {
    for (int stored : {2, 7, 255}) {
        TTestPlayer p;
        TDiscRecord rec = RecordFor(p);
        rec.PlayMode = static_cast<std::uint16_t>(stored);
        p.StoreRecord(rec);
        p.Open();
        p.Tick();
        if (stored == 2)
            EXPECT_EQ(p.View.ModeLine, "Mode: Random");
        else
            EXPECT_EQ(p.State.PlayMode, pmDisc);
    }
}

TEST(PlayerCore, AutoPlayStartsInTheTickThatShowsTheDisc) {
    TTestPlayer p;
    p.Settings.AutoPlayOnStartup = true;
    p.Open();
    p.Drive->OpenDoor(); // no disc yet
    p.Tick();
    EXPECT_FALSE(p.Flags.DiscShown);
    EXPECT_EQ(p.PlayCommands(), 0);
    p.Drive->CloseDoor();
    p.Tick();
    EXPECT_TRUE(p.Flags.DiscShown);
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
    EXPECT_TRUE(p.View.Buttons.StopGroup);
    EXPECT_TRUE(p.Cd->Playing);
    EXPECT_EQ(p.PlayCommands(), 1);
}

TEST(PlayerCore, AutoPlaySwitchActsLikeTheSetting) {
    TTestPlayer p;
    p.Flags.AutoPlaySwitch = true;
    p.Open();
    p.Tick();
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
}

TEST(PlayerCore, DiscAlreadyPlayingIsAdoptedWithoutANewPlay) {
    TTestPlayer p;
    p.Cd->OnStatusPoll = nullptr;
    p.Cd->OpenCD(0);
    p.Drive->Play(150 + TrackFrames + 10, -1);
    p.Cd->CloseCD();
    p.Cd->OnStatusPoll = [&] { p.Core->StatusPoll(); };
    // Reopening gives a new simulated drive; play on it before the poll sees it.
    p.Cd->OnStatusPoll = [&] {
        p.Drive->Play(150 + TrackFrames + 10, -1);
        p.Core->StatusPoll();
    };
    p.Open();
    p.Cd->OnStatusPoll = [&] { p.Core->StatusPoll(); };
    const int before = p.PlayCommands();
    p.Tick();
    EXPECT_TRUE(p.Cd->Playing);
    EXPECT_TRUE(p.View.Buttons.StopGroup);
    EXPECT_EQ(p.View.TrackLine, "Track: 2");
    EXPECT_EQ(p.PlayCommands(), before);
}

TEST(PlayerCore, StopInDiscModeReturnsToTrackOneOtherModesStayPut) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    p.Cd->GoToTrack(3);
    p.Core->btnPlayClick();
    p.Tick(5000);
    p.Core->btnStopClick();
    p.Tick();
    EXPECT_EQ(p.Cd->GetDiscPosition(), StartOf(1));
    EXPECT_FALSE(p.Cd->Playing);
    EXPECT_TRUE(p.View.Buttons.PlayGroup);

    TTestPlayer q;
    q.Open();
    q.State.PlayMode = pmTrack;
    q.Tick();
    q.Cd->GoToTrack(3);
    q.Core->btnPlayClick();
    q.Tick(5000);
    q.Core->btnStopClick();
    const MSF stopped = q.Cd->GetDiscPosition();
    q.Tick();
    q.Tick();
    EXPECT_EQ(q.Cd->GetDiscPosition(), stopped);
    EXPECT_EQ(q.View.TrackLine, "Track: 3");
}

TEST(PlayerCore, EndOfDiscWithAndWithoutRepeat) {
    for (bool repeat : {false, true}) {
        TTestPlayer p(EvenDisc(2, 10));
        p.Open();
        p.State.RepeatOn = repeat;
        p.Tick();
        p.Core->btnPlayClick();
        int plays = 0;
        for (int i = 0; i < 25; ++i) {
            p.Tick();
            plays = p.PlayCommands();
        }
        if (repeat) {
            EXPECT_EQ(plays, 2) << "started again at track 1 once";
            EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
        } else {
            EXPECT_EQ(plays, 1);
            EXPECT_EQ(p.Cd->GetDiscPosition(), MakeMSF(0, 2, 0));
            EXPECT_FALSE(p.Cd->Playing);
            EXPECT_TRUE(p.View.Buttons.PlayGroup);
            EXPECT_EQ(p.View.TrackLine, "Track: 1");
        }
    }
}

TEST(PlayerCore, IntroScanToTheEnd) {
    for (bool repeat : {false, true}) {
        TTestPlayer p(EvenDisc(4, 30));
        p.Settings.IntroTime = 0.05;
        p.Open();
        p.State.PlayMode = pmIntro;
        p.State.RepeatOn = repeat;
        p.Tick();
        p.Core->btnPlayClick();
        std::vector<int> tracks;
        for (int i = 0; i < 30; ++i) {
            p.Tick();
            if (tracks.empty() || tracks.back() != p.State.CurrentTrack)
                tracks.push_back(p.State.CurrentTrack);
        }
        if (repeat) {
            EXPECT_EQ(std::vector<int>(tracks.begin(), tracks.begin() + 5),
                      (std::vector<int>{1, 2, 3, 4, 1}));
            EXPECT_EQ(p.State.PlayMode, pmIntro);
        } else {
            EXPECT_EQ(tracks, (std::vector<int>{1, 2, 3, 4, 1}))
                << "the last intro ends, then the disc returns to its start";
            EXPECT_EQ(p.State.PlayMode, pmDisc);
            EXPECT_FALSE(p.Cd->Playing);
            EXPECT_EQ(p.PlayCommands(), 4);
            EXPECT_TRUE(p.View.Buttons.PlayGroup);
        }
    }
}

TEST(PlayerCore, StopDuringIntroPlaysThatTrackToItsEnd) {
    TTestPlayer p;
    p.Open();
    p.State.PlayMode = pmIntro;
    p.Tick();
    p.Cd->GoToTrack(2);
    p.Core->btnPlayClick();
    p.Tick(3000);
    p.Core->btnStopClick();
    EXPECT_EQ(p.State.PlayMode, pmTrack);
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
    EXPECT_EQ(p.Drive->PlayEnd(), 150 + 2 * TrackFrames);
    p.Core->btnStopClick();
    EXPECT_EQ(p.Cd->GetCDMode(), cmStopped);
}

TEST(PlayerCore, CustomProgrammeToTheEnd) {
    for (bool repeat : {false, true}) {
        TTestPlayer p(EvenDisc(5, 10));
        TDiscRecord rec = RecordFor(p);
        for (int t : {4, 2, 5})
            rec.Programme.Append(t);
        p.StoreRecord(rec);
        p.Open();
        p.State.RepeatOn = repeat;
        p.State.PlayMode = pmCustom;
        p.Tick();
        p.Core->btnPlayClick();
        std::vector<int> tracks{p.Cd->GetCurrentTrack()};
        for (int i = 0; i < 45; ++i) {
            p.Tick();
            if (p.Cd->GetCDMode() == cmPlaying && tracks.back() != p.State.CurrentTrack)
                tracks.push_back(p.State.CurrentTrack);
        }
        if (repeat) {
            EXPECT_EQ(std::vector<int>(tracks.begin(), tracks.begin() + 5),
                      (std::vector<int>{4, 2, 5, 4, 2}));
        } else {
            EXPECT_EQ(tracks, (std::vector<int>{4, 2, 5}));
            EXPECT_FALSE(p.Cd->Playing);
            EXPECT_TRUE(p.View.Buttons.PlayGroup);
            EXPECT_EQ(p.PlayCommands(), 3) << "one advance per end of track";
        }
    }
}

TEST(PlayerCore, EmptyProgrammeStartsNothingEvenWithRepeat) {
    TTestPlayer p;
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.State.PlayMode = pmCustom;
    p.State.RepeatOn = true;
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick();
    EXPECT_EQ(p.PlayCommands(), 0);
    EXPECT_TRUE(p.View.Buttons.PlayGroup);
}

TEST(PlayerCore, NextPastTheLastEntryThenPrevious) {
    TTestPlayer p;
    TDiscRecord rec = RecordFor(p);
    for (int t : {3, 1})
        rec.Programme.Append(t);
    p.StoreRecord(rec);
    p.Open();
    p.State.PlayMode = pmCustom;
    p.Tick();
    p.Core->btnPlayClick();
    p.Core->btnForwardClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 1);
    const int plays = p.PlayCommands();
    p.Core->btnForwardClick();
    EXPECT_EQ(p.PlayCommands(), plays) << "nothing past the end";
    EXPECT_EQ(p.State.ProgrammePos, 3);
    p.Core->btnBackClick();
    EXPECT_EQ(p.PlayCommands(), plays + 1);
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 1) << "the last entry again";
    p.Core->btnBackClick();
    p.Core->btnBackClick();
    EXPECT_EQ(p.State.ProgrammePos, 1);
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 3) << "the first entry from its start";
}

TEST(PlayerCore, ShuffleDealsEveryTrackOnceAndANewOrderEachPlay) {
    TTestPlayer p(EvenDisc(12, 10));
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.State.PlayMode = pmShuffle;
    p.Tick();
    std::uint32_t seed = 1;
    p.Core->ShuffleSeed = [&] { return seed++; };
    std::set<int> firsts, lasts;
    for (int press = 0; press < 200; ++press) {
        p.Core->btnPlayClick();
        const TPlayProgramme& order = p.State.ShuffleOrder;
        ASSERT_EQ(order.Count, 12);
        std::vector<int> sorted(order.Entries.begin(), order.Entries.begin() + 12);
        std::sort(sorted.begin(), sorted.end());
        for (int t = 1; t <= 12; ++t)
            ASSERT_EQ(sorted[t - 1], t);
        EXPECT_EQ(p.Cd->GetCurrentTrack(), order[1]);
        firsts.insert(order[1]);
        lasts.insert(order[12]);
    }
    EXPECT_EQ(firsts.size(), 12u);
    EXPECT_EQ(lasts.size(), 12u);

    TTestPlayer one(EvenDisc(1, 10));
    one.StoreRecord(RecordFor(one));
    one.Open();
    one.State.PlayMode = pmShuffle;
    one.Core->btnPlayClick();
    EXPECT_EQ(one.State.ShuffleOrder.Count, 1);
    EXPECT_EQ(one.State.ShuffleOrder[1], 1);
}

TEST(PlayerCore, ShuffleToTheEndWithAndWithoutRepeat) {
    for (bool repeat : {false, true}) {
        TTestPlayer p(EvenDisc(3, 10));
        p.StoreRecord(RecordFor(p));
        p.Open();
        p.State.PlayMode = pmShuffle;
        p.State.RepeatOn = repeat;
        p.Tick();
        p.Core->btnPlayClick();
        for (int i = 0; i < 40; ++i)
            p.Tick();
        if (repeat) {
            EXPECT_GE(p.PlayCommands(), 4);
            EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
        } else {
            EXPECT_EQ(p.PlayCommands(), 3);
            EXPECT_FALSE(p.Cd->Playing);
        }
    }
}

TEST(PlayerCore, SingleTrackRepeatsOnlyWithRepeatOn) {
    TTestPlayer p(EvenDisc(3, 10));
    p.Open();
    p.State.PlayMode = pmTrack;
    p.Tick();
    p.Cd->GoToTrack(2);
    p.Core->btnPlayClick();
    for (int i = 0; i < 15; ++i)
        p.Tick();
    EXPECT_EQ(p.Cd->GetCDMode(), cmStopped);
    EXPECT_FALSE(p.Cd->Playing) << "a single track that ended is no longer playing";
    EXPECT_EQ(p.PlayCommands(), 1);
    // Switching repeat on afterwards does not replay a track that has already ended.
    p.Core->btnRepeatClick();
    p.Tick();
    EXPECT_EQ(p.PlayCommands(), 1);

    p.Cd->GoToTrack(2);
    p.Core->btnPlayClick();
    for (int i = 0; i < 25; ++i)
        p.Tick();
    EXPECT_EQ(p.PlayCommands(), 4) << "the track and two repeats";
    EXPECT_EQ(p.State.RepeatTrack, 2);
    EXPECT_EQ(p.State.CurrentTrack, 2);
}

TEST(PlayerCore, TheSoundStreamIsNamedAfterTheDiscAndTrack) {
    TTestPlayer p;
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick();
    EXPECT_EQ(SoundStreamName(), "Harbour Lights \u2013 " + p.View.Track);
    p.Core->btnForwardClick();
    p.Tick();
    ASSERT_EQ(p.View.TrackLine, "Track: 2");
    EXPECT_EQ(SoundStreamName(), "Harbour Lights \u2013 " + p.View.Track);
    p.Drive->OpenDoor();
    p.Tick();
    EXPECT_EQ(SoundStreamName(), "Orbelune");
}

TEST(PlayerCore, APlayNobodyCanHearPausesAndSaysSoOnce) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick();
    p.Drive->SetSoundLost(true);
    p.Tick();
    p.Tick();
    EXPECT_TRUE(p.Cd->Paused);
    EXPECT_EQ(p.State.DeviceMode, cmPaused);
    EXPECT_EQ(MprisPlaybackStatus(true, p.Cd->Playing, p.Cd->Paused), "Paused");
    EXPECT_EQ(p.Answers.Errors, std::vector<std::string>{msgSoundLost});
    // Once the server is back, Play goes on.
    p.Drive->SetSoundLost(false);
    p.Cd->TogglePause();
    p.Tick();
    EXPECT_EQ(p.State.DeviceMode, cmPlaying);
    EXPECT_EQ(p.Answers.Errors.size(), 1u);
}

TEST(PlayerCore, AVolumeSetInTheMixerIsThePlayersVolume) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Drive->SetVolumeOutside(19661, 9830); // 30 % and 15 %
    p.Tick();
    EXPECT_EQ(std::pair(p.Settings.VolumeLeft, p.Settings.VolumeRight), std::pair(19661, 9830));
    EXPECT_EQ(std::pair(p.View.BarLeft, p.View.BarRight), std::pair(19661, 9830));
    // The player's own volume reaches the drive as before.
    p.Settings.VolumeLeft = p.Settings.VolumeRight = 40000;
    p.Cd->ApplyVolume();
    EXPECT_EQ(p.Drive->VolumeLeft(), 40000);
    p.Tick();
    EXPECT_EQ(p.Settings.VolumeLeft, 40000);
}

TEST(PlayerCore, DiscRemovedWhilePlaying) {
    TTestPlayer p;
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick();
    p.Drive->OpenDoor();
    p.Tick();
    EXPECT_FALSE(p.Flags.DiscShown);
    EXPECT_EQ(p.View.Title, "ORB [Stopped]");
    EXPECT_EQ(p.View.Name, "");
    EXPECT_EQ(p.View.Composer, "");
    EXPECT_FALSE(p.View.Buttons.PlayGroup);
    EXPECT_FALSE(p.View.Buttons.StopGroup);
    EXPECT_TRUE(p.View.Buttons.DoorOpen);
    EXPECT_FALSE(p.Cd->Playing);
    EXPECT_EQ(p.Catalogue->CurrentDiscCode, "");
    EXPECT_TRUE(p.View.TimerEnabled);
    // And back: the disc is read again.
    p.Drive->CloseDoor();
    p.Tick();
    EXPECT_TRUE(p.Flags.DiscShown);
    EXPECT_EQ(p.View.Name, "Harbour Lights");
}

TEST(PlayerCore, VanishedDriveEndsThePlay) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick();
    p.Drive->Vanish();
    p.Tick();
    EXPECT_FALSE(p.Flags.DiscShown);
    EXPECT_FALSE(p.Cd->Playing);
    EXPECT_EQ(p.View.Title, "ORB [Stopped]");
}

TEST(PlayerCore, ImportedRecordTakesTheDiscsTableOfContents) {
    TTestPlayer p;
    TDiscRecord rec = NewDiscRecord(p.Code(), 100, 200);
    rec.DiscName = "Imported";
    rec.TocPending = true;
    rec.TrackCount = 2;
    rec.TrackLengths[0] = MakeMSF(9, 9, 9);
    p.StoreRecord(rec);
    p.Open();
    const TDiscRecord& current = p.Catalogue->CurrentDisc;
    EXPECT_FALSE(current.TocPending);
    EXPECT_EQ(current.TrackCount, 5);
    EXPECT_EQ(current.TrackLengths[0], p.Toc.TrackLength(1));
    EXPECT_DOUBLE_EQ(current.TotalTime, 2.29);
    // Stored at once: a fresh load sees the same.
    std::int32_t recNo = 0;
    const TDiscRecord loaded = StoredRecord(p, &recNo);
    EXPECT_GT(recNo, 0);
    EXPECT_FALSE(loaded.TocPending);
    EXPECT_EQ(loaded.TrackCount, 5);
    EXPECT_EQ(loaded.DiscName, "Imported");
}

TEST(PlayerCore, ModeDialogRefusedWhilePlayingAndCancelStillStores) {
    TTestPlayer p;
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Core->btnModeClick();
    ASSERT_EQ(p.Answers.Errors.size(), 1u);
    EXPECT_EQ(p.Answers.Errors[0], "You may only change mode if the CD is not playing.");
    p.Core->btnStopClick();
    p.State.PlayMode = pmIntro; // changed behind the record's back
    p.View.ModeAnswer = -1;     // Cancel
    p.Core->btnModeClick();
    EXPECT_EQ(p.State.PlayMode, pmIntro);
    p.View.ModeAnswer = pmShuffle;
    p.Core->btnModeClick();
    EXPECT_EQ(p.State.PlayMode, pmShuffle);

    EXPECT_EQ(StoredRecord(p).PlayMode, pmShuffle);
}

TEST(PlayerCore, ModeOfAnUnstoredDiscIsNotWritten) {
    TTestPlayer p;
    p.Open();
    p.View.ModeAnswer = pmTrack;
    p.Core->btnModeClick();
    EXPECT_EQ(p.Catalogue->CurrentDiscRecNo, 0);
    EXPECT_EQ(p.Catalogue->CurrentDisc.PlayMode, pmTrack);
}

TEST(PlayerCore, TitleTimesAndPause) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    p.Cd->GoToTrack(3);
    p.Core->btnPlayClick();
    p.Tick(7000);
    EXPECT_EQ(p.View.Title, "ORB [3] 00.07");
    EXPECT_DOUBLE_EQ(p.View.Elapsed, 0.07);
    EXPECT_DOUBLE_EQ(p.View.Remaining, 0.23) << "a 30 s track";
    p.Flags.ShowDiscTime = true;
    p.Tick(0);
    EXPECT_EQ(p.View.TimeCaption, "Disc time");
    EXPECT_DOUBLE_EQ(p.View.Elapsed, 1.07);
    p.Cd->TogglePause();
    p.Tick();
    EXPECT_EQ(p.View.Title, "ORB [3] Paused");
    EXPECT_EQ(p.View.ModeLine, "Paused...");
    p.Cd->TogglePause();
    p.Tick();
    EXPECT_EQ(p.View.ModeLine, "Mode: Disc");
}

TEST(PlayerCore, DiscChangeWithTheSameTrackNumberTakesTheNewTimes) {
    TTestPlayer p(EvenDisc(3, 30));
    p.Open();
    p.Tick();
    EXPECT_DOUBLE_EQ(p.State.TrackLengthTime, 0.30);
    p.Drive->OpenDoor();
    p.Tick();
    // Another disc goes in: the drive is reopened on a new table of contents.
    p.Toc = EvenDisc(3, 45);
    p.Cd->OpenCD(0);
    p.Tick();
    EXPECT_EQ(p.State.CurrentTrack, 1);
    EXPECT_DOUBLE_EQ(p.State.TrackLengthTime, 0.45);
    EXPECT_DOUBLE_EQ(p.State.DiscTotalTime, 2.14);
}

TEST(PlayerCore, WindowMovesAreSavedAndSmallHandsetAtStart) {
    TTestPlayer p;
    p.Settings.StartWithSmallHandset = true;
    p.Open();
    p.View.Top = 200;
    p.Tick();
    EXPECT_EQ(p.Settings.MainTop, 200);
    TPlayerSettings saved;
    LoadSettings(saved);
    EXPECT_EQ(saved.MainTop, 200);
    EXPECT_EQ(p.View.SmallHandsetSwitches, 1);
    p.Tick();
    EXPECT_EQ(p.View.SmallHandsetSwitches, 1);
}

TEST(PlayerCore, BookmarkAndTrackChooser) {
    TTestPlayer p;
    p.StoreRecord(RecordFor(p));
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    p.Tick(2000);
    p.Core->btnBegClick();
    EXPECT_EQ(p.Answers.Errors.back(), "Click [OK] to mark end of bookmark");
    EXPECT_EQ(p.State.BookmarkStart, p.State.BookmarkEnd);
    EXPECT_NE(p.State.BookmarkStart, 0u);

    p.View.TrackAnswer = 3;
    p.Core->btnTrackClick();
    ASSERT_EQ(p.View.ChooserLines.size(), 5u);
    EXPECT_EQ(p.View.ChooserLines[0], " 100.30Song 1");
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 4);
}

TEST(PlayerCore, RecordingEndsWithTheLastIntroOrTheBookmarkAndTheClockSlowsAgain) {
    TTestPlayer p(EvenDisc(3, 30));
    p.Settings.IntroTime = 0.02;
    int ended = 0;
    p.Core->EndRecording = [&] {
        ++ended;
        p.State.Recording = false;
    };
    p.Open();
    p.Tick();
    p.State.Recording = true;
    p.State.PlayMode = pmIntro;
    p.Core->SetTimer(RecordingClockInterval);
    p.Core->btnPlayClick();
    for (int i = 0; i < 200 && ended == 0; ++i) {
        p.Tick(50);
        if (ended == 0) {
            EXPECT_EQ(p.View.ModeLine, "RECORDING...");
        }
    }
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(p.View.Interval, ClockInterval);
    EXPECT_EQ(p.State.PlayMode, pmDisc);

    // A recorded bookmark plays in disc mode and ends where the device stops away from the disc start.
    p.State.Recording = true;
    p.Core->SetTimer(RecordingClockInterval);
    p.State.BookmarkStart = MakeMSF(0, 40, 0);
    p.State.BookmarkEnd = MakeMSF(0, 43, 0);
    p.Cd->PlayBookmark();
    for (int i = 0; i < 200 && ended == 1; ++i)
        p.Tick(50);
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(p.View.Interval, ClockInterval);
}

namespace {

// Tracks of 10 s from 00:02:00; the tracks named in Data hold data.
TDriveToc MixedDisc(int Tracks, std::set<int> Data) {
    TDriveToc toc = EvenDisc(Tracks, 10);
    for (int t : Data)
        toc.Tracks[static_cast<std::size_t>(t - 1)].Audio = false;
    return toc;
}

// Ticks until the play is over (or Limit ticks), noting every track heard in order.
std::vector<int> TracksHeard(TTestPlayer& P, int Limit = 200) {
    std::vector<int> tracks;
    for (int i = 0; i < Limit; ++i) {
        if (P.Cd->GetCDMode() == cmPlaying && (tracks.empty() || tracks.back() != P.Cd->GetCurrentTrack()))
            tracks.push_back(P.Cd->GetCurrentTrack());
        if (!P.Cd->Playing && P.Cd->GetCDMode() == cmStopped) break;
        P.Tick();
    }
    return tracks;
}

} // namespace

TEST(PlayerCore, DataTracksAreNeverPlayedInAnyMode) {
    struct TCase {
        const char* Name;
        std::set<int> Data;
        TPlayMode Mode;
        std::vector<int> Programme;
        std::vector<int> Heard;
    };
    const TCase cases[] = {
        {"disc mode passes over a data track", {3}, pmDisc, {}, {1, 2, 4}},
        {"intro ends after the last audio track", {4}, pmIntro, {}, {1, 2, 3}},
        {"programme entries naming data are passed over", {2, 4}, pmCustom, {2, 3, 4, 1, 4}, {3, 1}},
        {"a programme of data only plays nothing", {2, 4}, pmCustom, {4, 2}, {}},
    };
    for (const TCase& c : cases) {
        TTestPlayer p(MixedDisc(4, c.Data));
        TDiscRecord rec = RecordFor(p);
        for (int t : c.Programme)
            rec.Programme.Append(t);
        p.StoreRecord(rec);
        p.Settings.IntroTime = 0.03;
        p.Open();
        p.State.PlayMode = c.Mode;
        p.Tick();
        p.Core->btnPlayClick();
        EXPECT_EQ(TracksHeard(p), c.Heard) << c.Name;
        // The play ends cleanly: the device stopped and Play can be pressed again.
        EXPECT_EQ(p.Cd->GetCDMode(), cmStopped) << c.Name;
        EXPECT_FALSE(p.Cd->Playing) << c.Name;
        p.Tick();
        EXPECT_TRUE(p.View.Buttons.PlayGroup) << c.Name;
        EXPECT_TRUE(p.Answers.Errors.empty()) << c.Name;
    }
}

TEST(PlayerCore, ShuffleAndTrackStepsPassOverDataTracks) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        TTestPlayer p(MixedDisc(5, {1, 5}));
        p.StoreRecord(RecordFor(p));
        p.Core->ShuffleSeed = [seed] { return seed; };
        p.Open();
        p.State.PlayMode = pmShuffle;
        p.Tick();
        p.Core->btnPlayClick();
        EXPECT_EQ(p.State.ShuffleOrder.Count, 3) << "only the audio tracks are dealt";
        const std::vector<int> heard = TracksHeard(p);
        EXPECT_EQ(std::set<int>(heard.begin(), heard.end()), (std::set<int>{2, 3, 4})) << seed;
        EXPECT_EQ(p.Cd->GetCDMode(), cmStopped);
    }
    // Next and previous in the other modes, and Play standing in a data track.
    TTestPlayer p(MixedDisc(5, {1, 3, 5}));
    p.Open();
    p.Tick();
    p.Core->btnPlayClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 2) << "a disc that begins with data plays from its first audio track";
    p.Core->btnForwardClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 4);
    p.Core->btnForwardClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 4) << "nothing but data after it";
    p.Core->btnBackClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 2);
    p.Core->btnBackClick();
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 2);
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
}

TEST(PlayerCore, DiscWithoutAudioSaysSo) {
    TTestPlayer p(MixedDisc(2, {1, 2}));
    p.Open();
    p.Tick();
    for (TPlayMode mode : {pmDisc, pmShuffle, pmIntro}) {
        p.State.PlayMode = mode;
        p.Core->btnPlayClick();
    }
    EXPECT_EQ(p.PlayCommands(), 0);
    EXPECT_EQ(p.Answers.Errors, std::vector<std::string>(3, "This disc has no audio tracks."));
}
