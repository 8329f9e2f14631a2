#include <gtest/gtest.h>

#include "devices/Real48.h"
#include "devices/base/TimeValues.h"

TEST(TimeValues, AddAndSubtractSnapToWholeSeconds) {
    EXPECT_DOUBLE_EQ(AddTimes(2.50, 0.20), 3.10);
    EXPECT_DOUBLE_EQ(SubTimes(3.10, 0.20), 2.50);
    EXPECT_DOUBLE_EQ(SubTimes(0.10, 0.30), -0.20);
    EXPECT_DOUBLE_EQ(SubTimes(0.00, 0.30), -0.30);
    EXPECT_DOUBLE_EQ(SubTimes(1.00, 2.30), -1.30);
    EXPECT_DOUBLE_EQ(AddTimes(59.59, 0.01), 60.00);
    EXPECT_DOUBLE_EQ(AddTimes(0.0, 0.0), 0.0);
    // Every pair of whole-second times adds exactly.
    for (int a = 0; a < 7200; a += 37)
        for (int b = 0; b < 600; b += 13) {
            const double x = a / 60 + (a % 60) * 0.01, y = b / 60 + (b % 60) * 0.01;
            const int sum = a + b;
            ASSERT_DOUBLE_EQ(AddTimes(x, y), sum / 60 + (sum % 60) * 0.01) << x << " + " << y;
        }
}

TEST(TimeValues, ConversionsBetweenForms) {
    const MSF p = MakeMSF(2, 3, 40);
    EXPECT_EQ(MSFMinute(p), 2);
    EXPECT_EQ(MSFSecond(p), 3);
    EXPECT_EQ(MSFFrame(p), 40);
    EXPECT_EQ(p, 0x00280302u);
    EXPECT_DOUBLE_EQ(MSFToMinSec(p), 2.03);
    EXPECT_EQ(MinSecToMSF(2.03), MakeMSF(2, 3, 0));
    EXPECT_EQ(MinSecToMSF(45.59), MakeMSF(45, 59, 0));
    EXPECT_EQ(MSFToFrames(p), 2 * 4500 + 3 * 75 + 40);
    EXPECT_EQ(FramesToMSF(MSFToFrames(p)), p);
    EXPECT_EQ(FramesToMSF(0), 0u);
    // Intro end: 2:03:40 plus ten seconds drops the frames.
    EXPECT_EQ(MinSecToMSF(AddTimes(MSFToMinSec(p), 0.10)), MakeMSF(2, 13, 0));
}

TEST(TimeValues, Rounding) {
    EXPECT_EQ(TimeRound(2.5L), 2.0L);
    EXPECT_EQ(TimeRound(3.5L), 4.0L);
    EXPECT_EQ(TimeRound(-2.5L), -2.0L);
    EXPECT_EQ(TimeInt(-2.7L), -2.0L);
}

TEST(TimeValues, Formatting) {
    EXPECT_EQ(FormatMinSec(3.05), "03.05");
    EXPECT_EQ(FormatMinSec(12.3), "12.30");
    EXPECT_EQ(FormatMinSec(-1.5), "01.50");
    EXPECT_EQ(FormatMinSec(123.4), "123.40");
    EXPECT_EQ(FormatMinSec(0), "00.00");
    EXPECT_EQ(FormatWidth(3, 7), "  7");
    EXPECT_EQ(FormatWidth(1, 123), "123");
}

TEST(Real48, KnownEncodingsAndRoundTrips) {
    EXPECT_EQ(DoubleToReal48(0.0), (TReal48{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DoubleToReal48(1.0), (TReal48{0x81, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DoubleToReal48(-1.0), (TReal48{0x81, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(DoubleToReal48(0.5), (TReal48{0x80, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DoubleToReal48(3.0), (TReal48{0x82, 0, 0, 0, 0, 0x40}));
    EXPECT_DOUBLE_EQ(Real48ToDouble({0x82, 0, 0, 0, 0, 0x40}), 3.0);
    EXPECT_EQ(Real48ToDouble({0, 1, 2, 3, 4, 5}), 0.0);
    // Every time a disc can have comes back as the same minutes and seconds.
    for (int m = 0; m < 1000; ++m)
        for (int s = 0; s < 60; ++s) {
            const double t = m + s * 0.01;
            const double back = Real48ToDouble(DoubleToReal48(t));
            ASSERT_NEAR(back, t, 1e-9);
            ASSERT_EQ(MinSecToMSF(back), MinSecToMSF(t)) << t;
            ASSERT_EQ(FormatMinSec(back), FormatMinSec(t));
        }
}
