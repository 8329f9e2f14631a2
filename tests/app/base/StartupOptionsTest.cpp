// The command line: the auto-play switch and the drive and report options.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
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

// Unknown options and stray words are refused; Qt's own options and a file left standing pass.
TEST(StartupOptions, UnknownArgumentsAreErrors) {
    TTempHome Home;
    const std::string File = Home.File("disc.cue");
    std::FILE* Made = std::fopen(File.c_str(), "w");
    ASSERT_NE(Made, nullptr);
    std::fclose(Made);
    const struct {
        std::vector<std::string> Args;
        const char* Error;
    } Cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"/p", "-x"}, "unknown option -x"},
        {{"stray"}, "unexpected argument stray"},
        {{"/p", "/p"}, "unexpected argument /p"},
        {{"-platform", "offscreen", "--style=fusion", "-reverse", "/p"}, ""},
        {{"cdda://sr0/", File}, ""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ParseStartupOptions(C.Args).Error, C.Error) << C.Args.front();
    EXPECT_TRUE(ParseStartupOptions({"-platform", "offscreen", "/p"}).AutoPlaySwitch);
}

namespace {

// Runs the shell command, output and errors together in Out; returns the exit status.
int RunCommand(const std::string& Command, std::string& Out) {
    FILE* Pipe = ::popen((Command + " 2>&1").c_str(), "r");
    if (!Pipe) return -1;
    std::array<char, 1024> Buffer;
    for (std::size_t N; (N = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0;)
        Out.append(Buffer.data(), N);
    const int Status = ::pclose(Pipe);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

} // namespace

// A bad option ends with status 2 and no display with status 1, each with one line naming the cause,
// before a window or the data folder is made.
TEST(StartupOptions, PlayerRefusesBadCommandLinesAndMissingDisplays) {
    const char* Build = std::getenv("ORBELUNE_BUILD");
    ASSERT_NE(Build, nullptr);
    TTempHome Home;
    const std::string Env = "ORBELUNE_HOME=" + Home.File("data") + " XDG_DATA_HOME=" + Home.File("data");
    const struct {
        std::string Command;
        int Status;
        const char* Names;
    } Cases[] = {
        {Env + " timeout 30 " + Build + "/orbelune --bogus", 2, "--bogus"},
        {Env + " timeout 30 " + Build + "/orbelune -x", 2, "-x"},
        {"env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Env + " timeout 30 " + Build + "/orbelune",
         1, "DISPLAY"},
    };
    for (const auto& C : Cases) {
        std::string Out;
        EXPECT_EQ(RunCommand(C.Command, Out), C.Status) << C.Command << "\n" << Out;
        EXPECT_NE(Out.find(C.Names), std::string::npos) << Out;
        EXPECT_EQ(std::count(Out.begin(), Out.end(), '\n'), 1) << Out;
    }
    EXPECT_FALSE(std::filesystem::exists(Home.File("data")));
}

TEST(StartupOptions, HelpAndVersionEndBeforeTheDataFolderIsMade) {
    const char* Build = std::getenv("ORBELUNE_BUILD");
    ASSERT_NE(Build, nullptr);
    TTempHome Home;
    const std::string Data = Home.File("data");
    for (const std::string Option : {"--help", "--version"}) {
        const std::string Command = "ORBELUNE_HOME=" + Data + " XDG_DATA_HOME=" + Data + " timeout 30 " +
                                    Build + "/orbelune /p " + Option;
        std::string Out;
        EXPECT_EQ(RunCommand(Command, Out), 0) << Option;
        EXPECT_EQ(Out.rfind(Option == "--help" ? "Usage: orbelune" : "orbelune 0.", 0), 0u) << Out;
        EXPECT_FALSE(std::filesystem::exists(Data)) << Option;
    }
}
