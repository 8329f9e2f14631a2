// The CD device's transport rules on the simulated drive: end points of plays, track jumps, skips,
// pause and resume, the door, and a device that is closed or lost.
#include <gtest/gtest.h>

#include "devices/CdAudio.h"
#include "devices/SimulatedDrive.h"

namespace {

TDriveToc FourTracks() {
    TDriveToc Toc;
    Toc.Tracks = {
        {1, 150, true}, {2, MSFToFrames(MakeMSF(2, 3, 40)), true}, {3, 22500, true}, {4, 27000, true}};
    Toc.LeadOutFrame = 31500;
    return Toc;
}

class CdAudioTest : public ::testing::Test {
protected:
    void Open(TDriveToc Toc = FourTracks()) {
        Cd.OnStatusPoll = [this] {
            ++Polls;
            // What the status poll does with a new disc.
            Cd.TrackCount = Cd.GetTrackCount();
            for (int T = 1; T <= Cd.TrackCount; ++T) {
                Cd.TrackStart[T] = Cd.GetTrackStart(T);
                Cd.TrackLength[T] = Cd.GetTrackLength(T);
            }
        };
        DiscToc = std::move(Toc);
        Cd.OpenCD(0);
    }
    std::string LastCommand() {
        auto Log = Drive->Log();
        return Log.empty() ? "" : Log.back();
    }
    static std::string PlayText(MSF From, int To) {
        return "Play " + std::to_string(MSFToFrames(From)) + " " + std::to_string(To);
    }

    TVirtualClock Clock;
    TPlayerSettings Settings;
    TPlayerState State;
    TDriveToc DiscToc;
    TSimulatedDrive* Drive = nullptr;
    int Polls = 0;
    TCdAudio Cd{Settings, State, [this](int, int&) {
                    auto D = std::make_unique<TSimulatedDrive>(Clock, DiscToc);
                    Drive = D.get();
                    return D;
                }};
};

TEST_F(CdAudioTest, OpenRunsThePollAndReadsTheTable) {
    Cd.Paused = true;
    Open();
    EXPECT_TRUE(Cd.CDOpen);
    EXPECT_EQ(Polls, 1);
    EXPECT_FALSE(Cd.Paused);
    EXPECT_EQ(Cd.TrackCount, 4);
    EXPECT_EQ(Cd.TrackStart[2], MakeMSF(2, 3, 40));
    EXPECT_EQ(Cd.TrackLength[1], FramesToMSF(MSFToFrames(MakeMSF(2, 3, 40)) - 150));
    // The last track ends one frame before the lead-out.
    EXPECT_EQ(Cd.TrackLength[4], FramesToMSF(31500 - 27000 - 1));
    EXPECT_EQ(Cd.GetCDMode(), cmStopped);
    EXPECT_EQ(Cd.GetCurrentTrack(), 1);
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(0, 2, 0));
}

TEST_F(CdAudioTest, ClosedOrMissingDevice) {
    EXPECT_THROW(Cd.GetTrackCount(), EMCIDeviceError);
    try {
        Cd.PlayFrom(MakeMSF(0, 2, 0), 1);
        FAIL();
    } catch (const EMCIDeviceError& E) {
        EXPECT_STREQ(E.what(), "CD device not open");
    }
    // The unchecked status routines report an empty drive.
    EXPECT_EQ(Cd.GetCDMode(), cmNotReady);
    EXPECT_FALSE(Cd.IsMediaPresent());
    EXPECT_EQ(Cd.GetDiscIdentity(), "");

    TCdAudio Failing(Settings, State, [](int, int& Error) -> std::unique_ptr<TCdDrive> {
        Error = deDriveBusy;
        return nullptr;
    });
    EXPECT_THROW(Failing.OpenCD(1), EMCIDeviceError);
    EXPECT_FALSE(Failing.CDOpen);
    EXPECT_EQ(Failing.LastMCIError, deDriveBusy);
    Failing.LastMCIError = 4711;
    EXPECT_EQ(Failing.MCIErrorText(), "An unknown error has occurred");
}

TEST_F(CdAudioTest, PlayEndsByMode) {
    Open();
    const int Track2 = MSFToFrames(Cd.TrackStart[2]);
    for (TPlayMode Mode : {pmTrack, pmShuffle, pmCustom}) {
        State.PlayMode = Mode;
        Cd.PlayFrom(Cd.TrackStart[1], 1);
        EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[1], Track2)) << int(Mode);
        // On the last track the play runs to the end of the disc.
        Cd.PlayFrom(Cd.TrackStart[4], 4);
        EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[4], -1)) << int(Mode);
    }
    State.PlayMode = pmDisc;
    Cd.Paused = true;
    Cd.PlayFrom(Cd.TrackStart[2], 2);
    EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[2], -1));
    EXPECT_TRUE(Cd.Playing);
    EXPECT_FALSE(Cd.Paused);
}

TEST_F(CdAudioTest, IntroEndDropsFramesOfTheStart) {
    Open();
    State.PlayMode = pmIntro;
    Settings.IntroTime = 0.10;
    Cd.PlayFrom(MakeMSF(2, 3, 40), 2);
    EXPECT_EQ(Cd.IntroEnd, MakeMSF(2, 13, 0));
    EXPECT_EQ(LastCommand(), PlayText(MakeMSF(2, 3, 40), MSFToFrames(MakeMSF(2, 13, 0))));
    // The intro stops at its end and the drive still stands in the track.
    Clock.Advance(11000);
    EXPECT_EQ(Cd.GetCDMode(), cmStopped);
    EXPECT_EQ(Cd.GetCurrentTrack(), 2);
    EXPECT_EQ(Cd.GetDiscPosition(), FramesToMSF(MSFToFrames(MakeMSF(2, 13, 0)) - 1));
}

TEST_F(CdAudioTest, PlaysStopAtTheirEndPoint) {
    Open();
    State.PlayMode = pmTrack;
    Cd.PlayFrom(Cd.TrackStart[1], 1);
    Clock.Advance(60000);
    EXPECT_EQ(Cd.GetCDMode(), cmPlaying);
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(1, 2, 0));
    Clock.Advance(120000);
    EXPECT_EQ(Cd.GetCDMode(), cmStopped);
    EXPECT_EQ(Cd.GetCurrentTrack(), 1);
    // A disc play ends one frame before the lead-out.
    State.PlayMode = pmDisc;
    Cd.PlayFrom(Cd.TrackStart[4], 4);
    Clock.Advance(120000);
    EXPECT_EQ(Cd.GetCDMode(), cmStopped);
    EXPECT_EQ(Cd.GetDiscPosition(), FramesToMSF(31500 - 1));
    EXPECT_EQ(Cd.GetCurrentTrack(), 4);
}

TEST_F(CdAudioTest, TrackJumpsAtTheEnds) {
    Open();
    Cd.GoToTrack(4);
    EXPECT_EQ(LastCommand(), "Seek 27000");
    const auto Before = Drive->Log().size();
    Cd.Paused = true;
    Cd.Positioned = false;
    Cd.NextTrack();
    EXPECT_EQ(Drive->Log().size(), Before);
    EXPECT_FALSE(Cd.Paused);
    EXPECT_TRUE(Cd.Positioned);

    Cd.GoToTrack(1);
    Cd.Paused = true;
    Cd.Positioned = false;
    const auto AtOne = Drive->Log().size();
    Cd.PreviousTrack();
    EXPECT_EQ(Drive->Log().size(), AtOne);
    EXPECT_FALSE(Cd.Paused);
    EXPECT_TRUE(Cd.Positioned);

    Cd.GoToTrack(5);
    EXPECT_EQ(Drive->Log().size(), AtOne);
    EXPECT_EQ(Cd.SeekTarget, Cd.TrackStart[1]);
}

TEST_F(CdAudioTest, TrackJumpsWhilePlayingStartTheTarget) {
    Open();
    State.PlayMode = pmTrack;
    Cd.PlayFrom(Cd.TrackStart[3], 3);
    Clock.Advance(5000);
    // Previous goes to the previous track's start, not to the start of the current one.
    Cd.PreviousTrack();
    EXPECT_EQ(Cd.SeekTarget, Cd.TrackStart[2]);
    EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[2], MSFToFrames(Cd.TrackStart[3])));
    Cd.NextTrack();
    EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[3], MSFToFrames(Cd.TrackStart[4])));
    EXPECT_EQ(Cd.GetCDMode(), cmPlaying);
}

TEST_F(CdAudioTest, Skips) {
    Open();
    Settings.SkipTime = 0.30;
    Cd.SeekCD(MakeMSF(3, 10, 20));
    Cd.SkipForward();
    EXPECT_EQ(Cd.SeekTarget, MakeMSF(3, 40, 0));
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(3, 40, 0));
    // A skip back while stopped moves the head as a skip forward does.
    Cd.Paused = true;
    Cd.SkipBack();
    EXPECT_FALSE(Cd.Paused);
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(3, 10, 0));

    State.PlayMode = pmTrack;
    Cd.PlayFrom(Cd.TrackStart[2], 2);
    Clock.Advance(1000);
    Cd.SkipForward();
    EXPECT_EQ(LastCommand(), PlayText(MakeMSF(2, 34, 0), MSFToFrames(Cd.TrackStart[3])));

    // Near the start the target would lie before the disc: refused, nothing moves.
    Cd.StopCD();
    Cd.SeekCD(MakeMSF(0, 2, 10));
    const auto Count = Drive->Log().size();
    Cd.SkipBack();
    EXPECT_EQ(Cd.LastMCIError, deOutOfRange);
    EXPECT_EQ(Drive->Log().size(), Count);
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(0, 2, 10));
    // Beyond the end the drive refuses.
    Cd.SeekCD(MakeMSF(6, 50, 0));
    Cd.SkipForward();
    EXPECT_EQ(Cd.LastMCIError, deOutOfRange);
    EXPECT_EQ(Cd.GetDiscPosition(), MakeMSF(6, 50, 0));
}

TEST_F(CdAudioTest, TogglePauseAndResumeFallBack) {
    Open();
    Cd.TogglePause(); // stopped and not paused: nothing
    EXPECT_EQ(Drive->Log().size(), 0u);
    EXPECT_FALSE(Cd.Paused);

    State.PlayMode = pmTrack;
    Cd.PlayFrom(Cd.TrackStart[2], 2);
    Clock.Advance(2000);
    Cd.TogglePause();
    EXPECT_TRUE(Cd.Paused);
    EXPECT_EQ(Cd.GetCDMode(), cmPaused);
    Clock.Advance(5000);
    EXPECT_EQ(Cd.GetDiscPosition(), FramesToMSF(MSFToFrames(Cd.TrackStart[2]) + 150));
    Cd.TogglePause();
    EXPECT_FALSE(Cd.Paused);
    EXPECT_EQ(LastCommand(), "Resume");
    EXPECT_EQ(Cd.GetCDMode(), cmPlaying);

    // A refused resume plays on from the position with the current track as the play's track.
    Clock.Advance(1000);
    Cd.PauseCD();
    Drive->SetRefuseResume(true);
    const MSF Here = Cd.GetDiscPosition();
    Cd.TogglePause();
    EXPECT_FALSE(Cd.Paused);
    EXPECT_EQ(LastCommand(), PlayText(Here, MSFToFrames(Cd.TrackStart[3])));
    EXPECT_EQ(Cd.GetCDMode(), cmPlaying);

    // A pause while the drive has stopped is refused and leaves Paused clear.
    Cd.StopCD();
    Cd.Playing = true;
    Cd.PauseCD();
    EXPECT_FALSE(Cd.Paused);
    EXPECT_EQ(Cd.LastMCIError, deNotPlaying);
}

TEST_F(CdAudioTest, Bookmark) {
    Open();
    State.PlayMode = pmShuffle;
    State.BookmarkStart = MakeMSF(1, 0, 0);
    State.BookmarkEnd = MakeMSF(1, 5, 0);
    Cd.PlayBookmark();
    EXPECT_EQ(State.PlayMode, pmDisc);
    auto Log = Drive->Log();
    ASSERT_GE(Log.size(), 2u);
    EXPECT_EQ(Log[Log.size() - 2], "Seek 4500");
    EXPECT_EQ(Log.back(), "Play 4500 4875");
    Clock.Advance(6000);
    EXPECT_EQ(Cd.GetCDMode(), cmStopped);
}

TEST_F(CdAudioTest, DoorAndLostDisc) {
    Open();
    const std::string Code = Cd.GetDiscIdentity();
    EXPECT_EQ(Code.size(), 16u);
    Cd.Paused = true;
    Cd.OpenDoor();
    EXPECT_FALSE(Cd.Paused);
    EXPECT_FALSE(Cd.IsMediaPresent());
    EXPECT_TRUE(Cd.IsDoorOpen());
    EXPECT_EQ(Cd.GetCDMode(), cmOpen);
    EXPECT_EQ(Cd.GetDiscIdentity(), "");
    Cd.CloseDoor();
    EXPECT_TRUE(Cd.IsMediaPresent());
    EXPECT_FALSE(Cd.IsDoorOpen());
    EXPECT_EQ(Cd.GetDiscIdentity(), Code);

    Cd.PlayFrom(Cd.TrackStart[1], 1);
    Drive->Vanish();
    EXPECT_FALSE(Cd.IsMediaPresent());
    EXPECT_NE(Cd.GetCDMode(), cmPlaying);
    Cd.PlayFrom(Cd.TrackStart[1], 1);
    EXPECT_EQ(Cd.LastMCIError, deNoMedia);
}

TEST_F(CdAudioTest, NinetyNineTracksAndDataTracks) {
    TDriveToc Toc;
    for (int T = 1; T <= 99; ++T)
        Toc.Tracks.push_back({T, 150 + (T - 1) * 750, true});
    Toc.LeadOutFrame = 150 + 99 * 750;
    Open(Toc);
    EXPECT_EQ(Cd.TrackCount, 99);
    State.PlayMode = pmTrack;
    Cd.PlayFrom(Cd.TrackStart[98], 98);
    EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[98], MSFToFrames(Cd.TrackStart[99])));
    Cd.PlayFrom(Cd.TrackStart[99], 99);
    EXPECT_EQ(LastCommand(), PlayText(Cd.TrackStart[99], -1));
    Cd.GoToTrack(99);
    Cd.NextTrack();
    EXPECT_EQ(Cd.GetCurrentTrack(), 99);

    // A disc whose second track holds data: the data track is listed, never played, and a disc play
    // stops before it.
    Cd.CloseCD();
    TDriveToc Mixed;
    Mixed.Tracks = {{1, 150, true}, {2, 4650, false}};
    Mixed.LeadOutFrame = 9150;
    Open(Mixed);
    EXPECT_EQ(Cd.TrackCount, 2);
    State.PlayMode = pmDisc;
    Cd.PlayFrom(Cd.TrackStart[2], 2);
    EXPECT_EQ(Cd.LastMCIError, deDataTrack);
    Cd.PlayFrom(Cd.TrackStart[1], 1);
    EXPECT_EQ(Cd.LastMCIError, deOK);
    EXPECT_EQ(Drive->PlayEnd(), 4650);
}

TEST_F(CdAudioTest, VolumeTakesTheLowWords) {
    Open();
    Settings.VolumeLeft = 0x12345;
    Settings.VolumeRight = 1000;
    Cd.ApplyVolume();
    EXPECT_EQ(Drive->VolumeLeft(), 0x2345);
    EXPECT_EQ(Drive->VolumeRight(), 1000);
    Cd.OnCountDrives = [] { return 3; };
    EXPECT_EQ(Cd.CountCDDevices(), 3);
}

} // namespace
