// What the desktop's media-player interface reports, and the two player commands only it uses: a jump to
// any position and the shuffle switch.
#include <gtest/gtest.h>

#include "PlayerTestSupport.h"
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
    const TMprisTrack Two = MprisTrackOf(*p.Catalogue, *p.Cd, 2);
    EXPECT_EQ(Two.Title, "Song 2");
    EXPECT_EQ(Two.Album, "Harbour Lights");
    EXPECT_EQ(Two.Artist, "The Quartet");
    EXPECT_EQ(Two.Composer, "Unknown");
    EXPECT_EQ(Two.Length, 30000000);
    EXPECT_EQ(Two.TrackId, "/org/orbelune/Orbelune/Disc_" + p.Code() + "/Track_2");
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 3).Title, "Track 3");
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 6).Track, 0);
    p.Catalogue->CurrentDiscCode.clear();
    EXPECT_EQ(MprisTrackOf(*p.Catalogue, *p.Cd, 2).Track, 0);
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

TEST(MprisValues, ShuffleSwitchIsRefusedWhilePlayingAndKeptWithTheDisc) {
    TTestPlayer p;
    TDiscRecord Rec = NewDiscRecord(p.Code(), 20000, 20000);
    Rec.TrackCount = 5;
    p.StoreRecord(Rec);
    p.Open();
    p.Tick();
    EXPECT_TRUE(p.Core->SetPlayMode(pmShuffle));
    EXPECT_EQ(p.State.PlayMode, pmShuffle);
    TDiscRecord Stored;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    p.Catalogue->LoadDisc(p.Code(), Stored, Grid, Memo, Keys, RecNo);
    EXPECT_EQ(Stored.PlayMode, pmShuffle);
    p.Core->btnPlayClick();
    p.Tick();
    EXPECT_FALSE(p.Core->SetPlayMode(pmDisc));
    EXPECT_EQ(p.State.PlayMode, pmShuffle);
}
