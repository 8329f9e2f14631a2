// The command line: the auto-play switch and the drive and report options.
#include <gtest/gtest.h>

#include "app/StartupOptions.h"

TEST(StartupOptions, AutoPlaySwitchIsTheWholeFirstArgument) {
    EXPECT_TRUE(ParseStartupOptions({"/p"}).AutoPlaySwitch);
    EXPECT_TRUE(ParseStartupOptions({"/P"}).AutoPlaySwitch);
    EXPECT_TRUE(ParseStartupOptions({"/P", "--drive", "x.cue"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"/Play"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"P"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"-p"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"/p "}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({" /p"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"x", "/p"}).AutoPlaySwitch);
    // The program's own options are taken out before the first-argument rule applies.
    EXPECT_TRUE(ParseStartupOptions({"--drive", "a.cue", "/p"}).AutoPlaySwitch);
    EXPECT_TRUE(ParseStartupOptions({"--drive=a.cue", "/P", "x"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"--drive", "a.cue", "x", "/p"}).AutoPlaySwitch);
}

TEST(StartupOptions, HelpAndVersion) {
    EXPECT_TRUE(ParseStartupOptions({"--help"}).Help);
    EXPECT_TRUE(ParseStartupOptions({"/p", "--version"}).Version);
    EXPECT_TRUE(ParseStartupOptions({"/p", "--version"}).AutoPlaySwitch);
    EXPECT_FALSE(ParseStartupOptions({"/p"}).Help);
}

TEST(StartupOptions, DriveAndTocReport) {
    TStartupOptions O = ParseStartupOptions({"--drive", "/dev/sr1"});
    EXPECT_EQ(O.DrivePath, "/dev/sr1");
    EXPECT_FALSE(O.TocReport);
    EXPECT_TRUE(O.Error.empty());
    EXPECT_EQ(ParseStartupOptions({"--drive=disc.cue"}).DrivePath, "disc.cue");

    O = ParseStartupOptions({"--toc"});
    EXPECT_TRUE(O.TocReport);
    EXPECT_EQ(O.TocPath, "");
    O = ParseStartupOptions({"--toc", "disc.cue"});
    EXPECT_EQ(O.TocPath, "disc.cue");
    O = ParseStartupOptions({"--drive", "a.cue", "--toc"});
    EXPECT_EQ(O.TocPath, "a.cue");
    O = ParseStartupOptions({"--toc", "--drive", "a.cue"});
    EXPECT_EQ(O.TocPath, "a.cue");

    EXPECT_FALSE(ParseStartupOptions({"--drive"}).Error.empty());
    EXPECT_FALSE(ParseStartupOptions({"--drive="}).Error.empty());
    EXPECT_FALSE(ParseStartupOptions({"--drive", ""}).Error.empty());
}
