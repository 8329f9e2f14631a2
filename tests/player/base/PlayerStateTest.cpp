#include <gtest/gtest.h>

#include "player/base/PlayerState.h"

TEST(PlayerState, ModeNamesAndProgrammeLimit) {
    EXPECT_EQ(PlayModeName(pmRandom), "Random");
    EXPECT_EQ(PlayModeName(pmCustom), "Custom");
    EXPECT_EQ(PlayModeName(200), "Disc");
    TPlayProgramme p;
    for (int i = 1; i <= 100; ++i)
        EXPECT_TRUE(p.Append(i % 99 + 1));
    EXPECT_FALSE(p.Append(7));
    EXPECT_EQ(p.Count, 100);
    EXPECT_EQ(p[100], 100 % 99 + 1);
    TPlayerState fresh;
    EXPECT_TRUE(fresh.MediaPresent);
    EXPECT_TRUE(fresh.AdvanceArmed);
    EXPECT_EQ(fresh.PlayMode, pmDisc);
}
