// The command line: the auto-play switch and the drive and report options.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/base/StartupOptions.h"
#include "support/TestSupport.h"

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

// The desktop's handler for an inserted CD gets the disc's address: automatic play on the drive it names.
TEST(StartupOptions, DiscAddressPlaysItsDrive) {
    const struct {
        std::vector<std::string> Args;
        bool AutoPlay;
        std::string Drive;
    } Cases[] = {
        {{"cdda://sr0/"}, true, "/dev/sr0"},
        {{"cdda://sr1"}, true, "/dev/sr1"},
        {{"CDDA:///dev/sr0"}, true, "/dev/sr0"},
        {{"cdda://sr0/", "--drive", "x.cue"}, true, "x.cue"},
        {{"cdda://../../etc/passwd"}, true, ""},
        {{"cdda://"}, true, ""},
        {{"x", "cdda://sr0/"}, false, ""},
        {{"file:///dev/sr0"}, false, ""},
        {{"cdda:/sr0"}, false, ""},
    };
    for (const auto& Case : Cases) {
        const TStartupOptions O = ParseStartupOptions(Case.Args);
        EXPECT_EQ(O.AutoPlaySwitch, Case.AutoPlay) << Case.Args.front();
        EXPECT_EQ(O.DrivePath, Case.Drive) << Case.Args.front();
    }
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

TEST(StartupOptions, HelpAndVersionEndBeforeTheDataFolderIsMade) {
    const char* Build = std::getenv("ORBELUNE_BUILD");
    ASSERT_NE(Build, nullptr);
    TTempHome Home;
    const std::string Data = Home.File("data");
    for (const std::string Option : {"--help", "--version"}) {
        const std::string Command = "ORBELUNE_HOME=" + Data + " XDG_DATA_HOME=" + Data + " timeout 30 " +
                                    Build + "/orbelune /p " + Option + " 2>&1";
        FILE* Pipe = ::popen(Command.c_str(), "r");
        ASSERT_NE(Pipe, nullptr);
        std::string Out;
        std::array<char, 1024> Buffer;
        for (std::size_t N; (N = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0;)
            Out.append(Buffer.data(), N);
        EXPECT_EQ(::pclose(Pipe), 0) << Option;
        EXPECT_EQ(Out.rfind(Option == "--help" ? "Usage: orbelune" : "orbelune 0.", 0), 0u) << Out;
        EXPECT_FALSE(std::filesystem::exists(Data)) << Option;
    }
}
