// What the desktop's media-player interface reports, and the two player commands only it uses: a jump to
// any position and the shuffle switch.
#include <gtest/gtest.h>

#include "PlayerTestSupport.h"
#include "devices/CdDrive.h"
#include "player/MprisValues.h"

TEST(MprisValues, StatusAndLoop) {
    const struct {
        bool Loaded, Playing, Paused;
        const char* Status;
    } Statuses[] = {
        {false, true, false, "Stopped"},
        {true, false, false, "Stopped"},
        {true, true, false, "Playing"},
        {true, true, true, "Paused"},
    };
    for (const auto& C : Statuses)
        EXPECT_EQ(MprisPlaybackStatus(C.Loaded, C.Playing, C.Paused), C.Status);
    EXPECT_EQ(MprisLoopStatus(false, pmTrack), "None");
    EXPECT_EQ(MprisLoopStatus(true, pmTrack), "Track");
    EXPECT_EQ(MprisLoopStatus(true, pmShuffle), "Playlist");
    const struct {
        const char* Loop;
        bool Repeat, Valid;
    } Loops[] = {
        {"None", false, true}, {"Track", true, true}, {"Playlist", true, true}, {"track", false, false}};
    for (const auto& C : Loops) {
        bool Valid = true;
        EXPECT_EQ(MprisLoopWantsRepeat(C.Loop, Valid), C.Repeat) << C.Loop;
        EXPECT_EQ(Valid, C.Valid) << C.Loop;
    }
    EXPECT_EQ(FramesToMicroseconds(75 * 24), 24000000);
    EXPECT_EQ(MicrosecondsToFrames(FramesToMicroseconds(1234)), 1234);
}

// Track and back: the mode Track switched from returns, so "None" read back is how the disc plays.
TEST(MprisValues, LoopModeReturnsToTheModeBeforeTrack) {
    const struct {
        TPlayMode Start;
        const char* Then;
        TPlayMode Mode;
    } Cases[] = {{pmDisc, "None", pmDisc},
                 {pmCustom, "None", pmCustom},
                 {pmShuffle, "Playlist", pmShuffle},
                 {pmTrack, "None", pmTrack},
                 {pmTrack, "Playlist", pmDisc}};
    for (const auto& C : Cases) {
        std::optional<TPlayMode> Before;
        EXPECT_EQ(MprisLoopMode("Track", C.Start, Before), pmTrack);
        EXPECT_EQ(MprisLoopMode("Track", pmTrack, Before), pmTrack);
        EXPECT_EQ(MprisLoopMode(C.Then, pmTrack, Before), C.Mode) << C.Then << " from " << C.Start;
    }
    // A mode chosen on the handset meanwhile is kept, and a later None leaves track mode alone.
    std::optional<TPlayMode> Before;
    MprisLoopMode("Track", pmCustom, Before);
    EXPECT_EQ(MprisLoopMode("None", pmShuffle, Before), pmShuffle);
    EXPECT_EQ(MprisLoopMode("None", pmTrack, Before), pmTrack);
}

// The disc panel's names; a track without a name gets one, and a track the disc lacks gives none.
TEST(MprisValues, TrackFromTheCatalogue) {
    TTestPlayer p;
    TDiscRecord Rec = NewDiscRecord(p.Code(), 20000, 20000);
    Rec.DiscName = "Harbour Lights";
    Rec.Artist = "The Quartet";
    Rec.TrackCount = 5;
    p.StoreRecord(Rec);
    p.Open();
    p.Catalogue->fvlf.Tracks.SetCells(0, 3, "");
    const TMprisTrack Stored = MprisTrackOf(*p.Catalogue, *p.Cd, 2);
    EXPECT_EQ(Stored.Title, "Song 2");
    EXPECT_EQ(Stored.Album, "Harbour Lights");
    EXPECT_EQ(Stored.Artist, "The Quartet");
    EXPECT_EQ(Stored.Composer, ""); // the new record's "Unknown" is a placeholder, not a composer
    EXPECT_EQ(Stored.Length, 30000000);
    EXPECT_EQ(Stored.TrackId, "/org/orbelune/Orbelune/Disc_" + p.Code() + "/Track_2");
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 3).Title, "Track 3");
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 6).Track, 0);
    // The record's names win over the disc's CD-TEXT.
    TCdText Text;
    Text.DiscTitle = "The Voice";
    Text.DiscPerformer = "A Gnu";
    Text.TrackTitles = {"One", "Two"};
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 2, &Text).Title, "Song 2");
    p.Catalogue->CurrentDiscCode.clear();
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 2).Track, 0);
}

// A disc without a record is named by its CD-TEXT where it has one.
TEST(MprisValues, NewDiscFromItsCdText) {
    TCdText Text;
    Text.DiscTitle = "The Voice";
    Text.DiscPerformer = "A Gnu";
    Text.TrackTitles = {"One", "Two"};
    TTestPlayer New;
    New.Open();
    New.Tick();
    const TMprisTrack Two = MprisTrackOf(*New.Catalogue, *New.Cd, 2, &Text);
    EXPECT_EQ(Two.Title, "Two");
    EXPECT_EQ(Two.Album, "The Voice");
    EXPECT_EQ(Two.Artist, "A Gnu");
    EXPECT_EQ(MprisTrackOf(*New.Catalogue, *New.Cd, 3, &Text).Title, "Track 3");
}

TEST(MprisValues, JumpKeepsPlayingAndStoppedOnlyMovesTheHead) {
    TTestPlayer p;
    p.Open();
    p.Tick();
    const MSF Target = FramesToMSF(150 + 30 * 75 + 20 * 75);
    p.Cd->SeekTo(Target, 2);
    EXPECT_NE(p.Cd->GetCDMode(), cmPlaying);
    EXPECT_EQ(p.Cd->GetDiscPosition(), Target);
    p.Core->btnPlayClick();
    p.Tick();
    p.Cd->SeekTo(FramesToMSF(150 + 5 * 75), 1);
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
    p.Tick();
    EXPECT_EQ(p.State.CurrentTrack, 1);
    EXPECT_NEAR(MSFToFrames(p.State.DiscPosition), 150 + 6 * 75, 75);
}

TEST(MprisValues, ModeSwitchIsKeptWithTheDiscAndWhilePlayingGoesOnFromTheTrackHeard) {
    TTestPlayer p;
    TDiscRecord Rec = NewDiscRecord(p.Code(), 20000, 20000);
    Rec.TrackCount = 5;
    p.StoreRecord(Rec);
    p.Open();
    p.Tick();
    p.Core->SetPlayMode(pmShuffle);
    EXPECT_EQ(p.State.PlayMode, pmShuffle);
    TDiscRecord Stored;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    p.Catalogue->LoadDisc(p.Code(), Stored, Grid, Memo, Keys, RecNo);
    EXPECT_EQ(Stored.PlayMode, pmShuffle);

    // Into shuffle while track 2 plays: track 2 heads the order and plays on; its end plays the next.
    p.Core->SetPlayMode(pmDisc);
    p.Cd->GoToTrack(2);
    p.Core->btnPlayClick();
    p.Tick();
    p.Core->SetPlayMode(pmShuffle);
    EXPECT_EQ(p.Cd->GetCDMode(), cmPlaying);
    EXPECT_EQ(p.Cd->GetCurrentTrack(), 2);
    ASSERT_EQ(p.State.ShuffleOrder.Count, 5);
    EXPECT_EQ(p.State.ShuffleOrder[1], 2);
    for (int Tick = 0; Tick < 40 && p.State.ProgrammePos == 1; ++Tick)
        p.Tick();
    EXPECT_EQ(p.State.ProgrammePos, 2);
    p.Tick();
    EXPECT_EQ(p.State.CurrentTrack, p.State.ShuffleOrder[2]);

    // Into track mode: the track heard plays to its end, then the play is over.
    const int Heard = p.State.CurrentTrack;
    p.Core->SetPlayMode(pmTrack);
    EXPECT_EQ(p.State.RepeatTrack, Heard);
    EXPECT_TRUE(p.TickUntil(cmStopped, 40));
    p.Tick();
    EXPECT_FALSE(p.Cd->Playing);
}
