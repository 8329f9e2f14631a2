// A few player scenarios on a real disc image through libcdio, with the clocked null sound output running
// ten times faster than real time so a short disc plays through in a couple of seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PlayerTestSupport.h"
#include "devices/DiscImageMaker.h"
#include "devices/DriveList.h"
#include "devices/NullSoundOutput.h"

namespace {

constexpr int Speed = 10;
constexpr int TrackSectors = 150; // two seconds

std::int64_t FastMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() * Speed;
}

class PlayerImage : public ::testing::Test {
protected:
    void SetUp() override {
        Cue = MakeDiscImage(Folder.Path(), "tones", 3 * TrackSectors, {0, TrackSectors, 2 * TrackSectors});
        P = std::make_unique<TTestPlayer>([this](int, int& Error) {
            return OpenDrivePath(
                Cue.string(), [] { return std::make_unique<TNullSoundOutput>(FastMicros); }, Error);
        });
        P->Open();
        P->Tick();
    }
    // Ticks every 20 ms of real time until Done holds or ten seconds pass.
    bool TickUntil(const std::function<bool()>& Done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            P->Core->TimerTimer();
            if (Done()) return true;
        }
        return false;
    }

    TTempHome Folder;
    std::filesystem::path Cue;
    std::unique_ptr<TTestPlayer> P;
};

} // namespace

TEST_F(PlayerImage, DiscIsReadAndPlaysThroughToItsStart) {
    ASSERT_TRUE(P->Flags.DiscShown);
    EXPECT_EQ(P->Cd->TrackCount, 3);
    EXPECT_EQ(P->View.StripNumbers, 3);
    EXPECT_EQ(P->Catalogue->CurrentDiscCode.size(), 16u);
    P->Cd->GoToTrack(3);
    P->Core->btnPlayClick();
    ASSERT_TRUE(TickUntil([&] { return P->Cd->GetCDMode() == cmPlaying; }));
    ASSERT_TRUE(TickUntil([&] { return !P->Cd->Playing; })) << "the play ends at the end of the disc";
    EXPECT_EQ(P->Cd->GetDiscPosition(), MakeMSF(0, 2, 0)) << "and the disc returns to its start";
    EXPECT_TRUE(P->View.Buttons.PlayGroup);
}

TEST_F(PlayerImage, IntroScanVisitsEveryTrackThenFallsBackToDiscMode) {
    P->Settings.IntroTime = 0.01;
    P->State.PlayMode = pmIntro;
    P->Core->btnPlayClick();
    std::vector<int> seen;
    ASSERT_TRUE(TickUntil([&] {
        if (P->Cd->GetCDMode() == cmPlaying && (seen.empty() || seen.back() != P->State.CurrentTrack))
            seen.push_back(P->State.CurrentTrack);
        return P->State.PlayMode == pmDisc;
    }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(P->Cd->Playing);
}

TEST_F(PlayerImage, CustomProgrammePlaysItsEntriesInOrder) {
    for (int t : {3, 1})
        P->Catalogue->CurrentDisc.Programme.Append(t);
    P->State.PlayMode = pmCustom;
    P->Core->btnPlayClick();
    std::vector<int> seen;
    ASSERT_TRUE(TickUntil([&] {
        if (P->Cd->GetCDMode() == cmPlaying && (seen.empty() || seen.back() != P->State.CurrentTrack))
            seen.push_back(P->State.CurrentTrack);
        return !P->Cd->Playing;
    }));
    EXPECT_EQ(seen, (std::vector<int>{3, 1}));
}

TEST_F(PlayerImage, EjectTakesTheDiscOutAndCloseBringsItBack) {
    P->Cd->OpenDoor();
    ASSERT_TRUE(TickUntil([&] { return !P->Flags.DiscShown; }));
    EXPECT_EQ(P->View.Title, "ORB [Stopped]");
    P->Cd->CloseDoor();
    ASSERT_TRUE(TickUntil([&] { return P->Flags.DiscShown; }));
}
