// The desktop sound output at real-time speed, against a sound server of the test program's own (a null
// sink whose monitor tells what was heard). Skipped when PulseAudio is missing unless
// ORBELUNE_REQUIRE_AUDIO=1. The test of a stuck sound thread needs no device.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "DiscImageMaker.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/CdioDrive.h"
#include "devices/QtSoundOutput.h"
#include "devices/SamplePlay.h"
#include "devices/WaveAudio.h"
#include "support/PrivateSoundServer.h"
#include "support/TestSupport.h"

namespace {

class QtSoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Before Qt's sound engine first connects, which it does once for the whole program.
        Server = &TPrivateSoundServer::Shared();
        if (!QCoreApplication::instance()) App = std::make_unique<QCoreApplication>(Argc, Argv);
        const char* Require = std::getenv("ORBELUNE_REQUIRE_AUDIO");
        if (!Server->Running() || !HaveAudioOutputDevice()) {
            if (Require && std::string(Require) == "1")
                FAIL() << "no audio output device, but ORBELUNE_REQUIRE_AUDIO=1";
            GTEST_SKIP() << "no audio output device";
        }
    }
    int Argc = 1;
    char Name[8] = "test";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QCoreApplication> App;
    TPrivateSoundServer* Server = nullptr;
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

TEST_F(QtSoundOutputTest, SamplesPlayInTheirOwnLengthWithoutAGap) {
    // Every format the recording window offers, played by the sample player as the user does, measured
    // from what the sink played: a tone of the sample's length with no silence inside it, and a position
    // that reaches the end when the sound does.
    TTempHome Home;
    TPlayerSettings Settings;
    TPlayerState State;
    TCdAudio Cd{Settings, State, [](int, int& Error) -> std::unique_ptr<TCdDrive> {
                    Error = deNoDrive;
                    return nullptr;
                }};
    TWaveAudio Wave(Cd);
    TMonitorCapture Capture(*Server);
    constexpr int Millis = 1500;
    for (const int Rate : {4000, 5510, 8000, 11025, 22050, 44100}) {
        for (const int Channels : {1, 2}) {
            TWaveData Tone;
            Tone.Rate = Rate;
            Tone.Channels = Channels;
            Tone.Bits = (Rate / 1000 + Channels) % 2 == 0 ? 8 : 16; // each size at every channel count
            for (int F = 0; F < Rate * Millis / 1000; ++F)
                Tone.Samples.insert(Tone.Samples.end(), static_cast<std::size_t>(Channels),
                                    static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 300.0 * F / Rate)));
            const std::string File = Home.File("tone.wav");
            ASSERT_EQ(SaveWaveFile(File, Tone), deOK);
            const std::string Format = std::to_string(Rate) + " Hz, " + std::to_string(Tone.Bits) + " bit, " +
                                       std::to_string(Channels) + " channel(s)";
            TSamplePlay Player(Wave, Home.File("working.wav"));
            ASSERT_TRUE(Player.OpenFile(File)) << Format;
            const std::size_t Before = Capture.Samples().size();
            const auto Start = std::chrono::steady_clock::now();
            ASSERT_TRUE(Player.Play()) << Format;
            while (Player.IsPlaying() && std::chrono::steady_clock::now() - Start < std::chrono::seconds(6))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto Took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - Start);
            std::this_thread::sleep_for(std::chrono::milliseconds(250)); // the sink's last buffer
            const TSoundSpan Heard = MeasureSound(Capture.Samples(), Before);
            ASSERT_TRUE(Heard.Heard) << Format;
            EXPECT_NEAR(Heard.LengthMillis, Millis, 50) << Format;
            EXPECT_LT(Heard.LongestGapMillis, 20) << Format;
            EXPECT_NEAR(static_cast<double>(Took.count()), Heard.StartMillis + Millis, 200)
                << Format << ": the position's pace";
        }
    }
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
