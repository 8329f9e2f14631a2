// The clocked null output: it plays at the clock's speed however often it is asked.
#include <gtest/gtest.h>

#include <vector>

#include "devices/FakeSoundOutput.h"

namespace {

TEST(NullSoundOutputTest, PlaysAtClockSpeedUnderAnyPolling) {
    for (const std::int64_t Step : {3, 23, 997, 250000}) {
        TVirtualClock Clock;
        TFakeSoundOutput Output(Clock);
        ASSERT_EQ(Output.Start(44100, 2), 0);
        std::vector<std::int16_t> Block(2 * 44100, 7);
        std::uint64_t Written = 0;
        for (std::int64_t Elapsed = 0; Elapsed < 1000000; Elapsed += Step) {
            Written += Output.Write(Block.data(), 44100); // as much as fits
            Clock.AdvanceMicros(Step);
            (void)Output.PlayedFrames();
        }
        const std::uint64_t Expected =
            (1000000 + Step - 1) / Step * static_cast<std::uint64_t>(Step) * 44100 / 1000000;
        EXPECT_EQ(Output.PlayedFrames(), Expected) << "polled every " << Step << " us";
        EXPECT_LE(Output.PlayedFrames(), Written);
    }
}

TEST(NullSoundOutputTest, PauseHoldsAndStopDrops) {
    TVirtualClock Clock;
    TFakeSoundOutput Output(Clock);
    ASSERT_EQ(Output.Start(44100, 2), 0);
    std::vector<std::int16_t> Block(2 * 44100, 7);
    EXPECT_EQ(Output.Write(Block.data(), 44100), 44100u * 250 / 1000); // what fits in 250 ms
    Clock.Advance(100);
    EXPECT_EQ(Output.PlayedFrames(), 4410u);
    Output.SetPaused(true);
    Clock.Advance(1000);
    EXPECT_EQ(Output.PlayedFrames(), 4410u);
    Output.SetPaused(false);
    Clock.Advance(1000); // an underrun banks no time
    EXPECT_EQ(Output.PlayedFrames(), 11025u);
    Output.Stop();
    EXPECT_EQ(Output.Write(Block.data(), 10), 0u);
}

} // namespace
