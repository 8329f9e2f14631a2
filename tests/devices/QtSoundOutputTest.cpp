// The desktop sound output at real-time speed. Skipped without an audio output device unless
// ORBELUNE_REQUIRE_AUDIO=1 (CI starts a private sound server with a null sink and sets it). The test of a
// stuck sound thread needs no device.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "DiscImageMaker.h"
#include "devices/CdErrors.h"
#include "devices/CdioDrive.h"
#include "devices/QtSoundOutput.h"
#include "support/TestSupport.h"

namespace {

class QtSoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QCoreApplication::instance()) App = std::make_unique<QCoreApplication>(Argc, Argv);
        const char* Require = std::getenv("ORBELUNE_REQUIRE_AUDIO");
        if (!HaveAudioOutputDevice()) {
            if (Require && std::string(Require) == "1")
                FAIL() << "no audio output device, but ORBELUNE_REQUIRE_AUDIO=1";
            GTEST_SKIP() << "no audio output device";
        }
    }
    int Argc = 1;
    char Name[8] = "test";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QCoreApplication> App;
};

TEST_F(QtSoundOutputTest, PlaysAtRealTimeSpeed) {
    TQtSoundOutput Output;
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    std::vector<std::int16_t> Block(2 * 4410, 100);
    const auto Start = std::chrono::steady_clock::now();
    std::size_t Written = 0;
    // Feed half a second of audio; the output takes it only as fast as it plays.
    while (Written < 22050 && std::chrono::steady_clock::now() - Start < std::chrono::seconds(5)) {
        Written += Output.Write(Block.data(), std::min<std::size_t>(4410, 22050 - Written));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Written, 22050u);
    while (Output.PlayedFrames() < 22050 &&
           std::chrono::steady_clock::now() - Start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto Elapsed = std::chrono::steady_clock::now() - Start;
    EXPECT_EQ(Output.PlayedFrames(), 22050u);
    EXPECT_GT(Elapsed, std::chrono::milliseconds(200));
    EXPECT_LT(Elapsed, std::chrono::milliseconds(3000));

    // Paused, nothing more is played.
    Written = Output.Write(Block.data(), 4410);
    Output.SetPaused(true);
    const auto Held = Output.PlayedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Output.PlayedFrames(), Held);
    Output.Stop();
}

TEST_F(QtSoundOutputTest, PlayedFramesNeverRunAheadOfTheClock) {
    // Played means heard: frames the sink has taken into its buffer but not yet played do not count, so
    // a play that ends does not cut off its last samples.
    TQtSoundOutput Output;
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    std::vector<std::int16_t> Block(2 * 4410, 100);
    const auto Start = std::chrono::steady_clock::now();
    std::size_t Written = 0;
    std::int64_t WorstLead = 0; // frames counted beyond what real time allows
    while (Output.PlayedFrames() < 22050 &&
           std::chrono::steady_clock::now() - Start < std::chrono::seconds(5)) {
        if (Written < 22050)
            Written += Output.Write(Block.data(), std::min<std::size_t>(4410, 22050 - Written));
        const auto Micros =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - Start)
                .count();
        WorstLead =
            std::max(WorstLead, static_cast<std::int64_t>(Output.PlayedFrames()) - Micros * 44100 / 1000000);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(Output.PlayedFrames(), 22050u);
    EXPECT_LT(WorstLead, 2205) << "more than 50 ms counted before it could have been played";
    EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(450));
}

TEST_F(QtSoundOutputTest, DrivePlaysAnImageThroughTheDesktopOutput) {
    // The whole path at real-time speed: worker, ring, sink thread, recording tap, and the commands of the
    // user-interface thread meanwhile. What the tap saw is what went to the output, sample for sample.
    TTempHome Home;
    const auto Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    int Error = 0;
    auto Drive = TCdioDrive::Open(
        Cue.string(), false, [] { return std::make_unique<TQtSoundOutput>(); }, Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    std::mutex TapLock;
    std::vector<std::int16_t> Tapped;
    Drive->SetPcmTap([&](const std::int16_t* S, std::size_t F) {
        std::lock_guard Guard(TapLock);
        Tapped.insert(Tapped.end(), S, S + 2 * F);
    });
    const auto Until = [&](auto Done) {
        const auto Limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Done()) {
            if (std::chrono::steady_clock::now() > Limit) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    };
    ASSERT_EQ(Drive->Play(160, 260), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().PositionFrame >= 180; }));
    ASSERT_EQ(Drive->Pause(), deOK);
    const int Held = Drive->Status().PositionFrame;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Drive->Status().PositionFrame, Held);
    ASSERT_EQ(Drive->Resume(), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().PositionFrame >= 200; }));
    ASSERT_EQ(Drive->Play(700, 730), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().Mode == cmStopped; }));
    EXPECT_EQ(Drive->Status().PositionFrame, 729);
    Drive.reset();
    std::string Fault;
    std::lock_guard Guard(TapLock);
    const auto Runs = PlayedRuns(Tapped, {10, 550}, Fault);
    ASSERT_TRUE(Fault.empty()) << Fault;
    ASSERT_EQ(Runs.size(), 2u);
    EXPECT_GE(Runs[0].second, 40u * 588u);
    EXPECT_EQ(Runs[1].second, 30u * 588u);
}

TEST(QtSoundOutputStall, AStuckSoundThreadNeverHangsTheCaller) {
    int Argc = 1;
    char Name[8] = "test";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QCoreApplication> App;
    if (!QCoreApplication::instance()) App = std::make_unique<QCoreApplication>(Argc, Argv);
    // The sound thread hangs as it does inside a sound server that stopped answering.
    std::promise<void> Release;
    std::shared_future<void> Released = Release.get_future().share();
    using Clock = std::chrono::steady_clock;
    const auto Within = [](auto Limit, auto Call) {
        const auto Start = Clock::now();
        Call();
        return Clock::now() - Start < Limit;
    };
    {
        auto Output = std::make_unique<TQtSoundOutput>(300);
        Output->PostToSoundThread([Released] { Released.wait(); });
        int Result = deOK;
        EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { Result = Output->Start(44100, 2); }));
        EXPECT_EQ(Result, deNoSoundOutput);
        std::vector<std::int16_t> Block(2 * 100, 1);
        EXPECT_EQ(Output->Write(Block.data(), 100), 0u);
        EXPECT_TRUE(Within(std::chrono::milliseconds(500), [&] {
            Output->SetPaused(true);
            Output->SetPaused(false);
            Output->Stop();
            (void)Output->PlayedFrames();
        }));
        EXPECT_TRUE(Within(std::chrono::milliseconds(1500), [&] { Output.reset(); }));
    }
    // A drive whose sound output hangs plays on the clocked output, and stops and closes at once.
    TTempHome Home;
    const auto Cue = MakeDiscImage(Home.Path(), "tone", 300, {0});
    int Error = 0;
    auto Drive = TCdioDrive::Open(
        Cue.string(), false,
        [Released] {
            auto Output = std::make_unique<TQtSoundOutput>(300);
            Output->PostToSoundThread([Released] { Released.wait(); });
            return Output;
        },
        Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { EXPECT_EQ(Drive->Play(150, -1), deOK); }));
    EXPECT_EQ(Drive->Status().Mode, cmPlaying);
    EXPECT_TRUE(Within(std::chrono::milliseconds(500), [&] {
        Drive->Pause();
        Drive->Resume();
        Drive->Stop();
    }));
    EXPECT_TRUE(Within(std::chrono::milliseconds(1500), [&] { Drive.reset(); }));
    // Let the abandoned threads finish before the application object goes.
    Release.set_value();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

} // namespace
