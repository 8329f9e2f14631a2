// The desktop sound output at real-time speed. Skipped without an audio output device unless
// ORBELUNE_REQUIRE_AUDIO=1 (CI starts a private sound server with a null sink and sets it).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "devices/CdErrors.h"
#include "devices/QtSoundOutput.h"

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

} // namespace
