#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/base/AutoPlayHandler.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Points the desktop's configuration and data folders at the test's own folder.
class AutoPlay : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* Name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS",
                                 "XDG_CURRENT_DESKTOP"}) {
            const char* Old = std::getenv(Name);
            Saved.emplace_back(Name, Old ? std::optional<std::string>(Old) : std::nullopt);
        }
        setenv("XDG_CONFIG_HOME", Home.File("config").c_str(), 1);
        setenv("XDG_DATA_HOME", Home.File("data").c_str(), 1);
        setenv("XDG_DATA_DIRS", Home.File("system").c_str(), 1);
        fs::create_directories(Home.File("config"));
    }
    void TearDown() override {
        for (const auto& [Name, Value] : Saved)
            Value ? setenv(Name.c_str(), Value->c_str(), 1) : unsetenv(Name.c_str());
    }
    TTempHome Home;
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

} // namespace

TEST_F(AutoPlay, OnAndOffGiveBackTheFileByteForByte) {
    const std::string WithPrevious =
        "# mine\r\n[Added Associations]\r\nx-content/audio-cdda=vlc.desktop;\r\n\r\n"
        "[Default Applications]\r\ntext/plain=gedit.desktop\r\n"
        "x-content/audio-cdda=rhythmbox.desktop\r\nimage/png=eog.desktop";
    const std::string WithoutSection = "[Added Associations]\ntext/plain=gedit.desktop;\n";
    struct {
        std::string Text, Previous;
    } Cases[] = {{WithPrevious, "rhythmbox.desktop"}, {WithoutSection, ""}, {"", ""}};
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Text);
        const std::string File = MimeAppsFileName();
        WriteFileBytes(File, Case.Text);
        TPlayerSettings s;
        std::string Error;
        ASSERT_TRUE(SetAutoPlayHandler(s, true, Error)) << Error;
        ASSERT_TRUE(SetAutoPlayHandler(s, true, Error)) << Error; // twice keeps the first default
        EXPECT_TRUE(s.AutoPlayHandler);
        EXPECT_EQ(s.PreviousCommandLine, Case.Previous);
        const std::string On = ReadFileBytes(File);
        EXPECT_EQ(DefaultApplication(On, AudioCdContentType), OrbeluneDesktopEntry);
        // No entry was installed, so one was written that starts this program with the disc's address,
        // which asks for automatic play; off removes it again.
        const std::string Entry = ReadFileBytes(UserDesktopEntryFileName());
        EXPECT_NE(Entry.find("MimeType=x-content/audio-cdda;"), std::string::npos);
        EXPECT_NE(Entry.find("\" %U\n"), std::string::npos);
        EXPECT_EQ(DefaultApplication(On, "text/plain"), Case.Text == WithPrevious ? "gedit.desktop" : "");
        ASSERT_TRUE(SetAutoPlayHandler(s, false, Error)) << Error;
        EXPECT_FALSE(s.AutoPlayHandler);
        EXPECT_EQ(ReadFileBytes(File), Case.Text);
        EXPECT_FALSE(fs::exists(UserDesktopEntryFileName()));
    }
}

// What the desktop's own tools answer: xdg-mime and gio, which read a desktop's own list before
// mimeapps.list. Off leaves nothing of this program answering where nothing did before.
TEST_F(AutoPlay, TheDesktopsToolsAnswerOrbeluneAndThenWhatTheyDidBefore) {
    setenv("XDG_CONFIG_DIRS", Home.File("system").c_str(), 1);
    const auto Query = [](const char* Command) {
        std::string Answer;
        if (FILE* Pipe = ::popen(Command, "r")) {
            char Buffer[256];
            while (std::fgets(Buffer, sizeof Buffer, Pipe))
                Answer += Buffer;
            ::pclose(Pipe);
        }
        return Answer;
    };
    const auto XdgMime = [&] { return Query("xdg-mime query default x-content/audio-cdda 2>/dev/null"); };
    // gio names the default on its first line.
    const auto Gio = [&] {
        const std::string Out = Query("gio mime x-content/audio-cdda 2>/dev/null");
        return Out.substr(0, Out.find('\n'));
    };
    if (std::system("command -v xdg-mime >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdg-mime not installed";
    const bool HaveGio = std::system("command -v gio >/dev/null 2>&1") == 0;
    const struct {
        const char* Desktop;
        std::string GnomeList; // $XDG_CONFIG_HOME/gnome-mimeapps.list, when there is one
        std::string Before;    // xdg-mime's answer before and after
    } Cases[] = {{"", "", ""},
                 {"GNOME", "[Default Applications]\nx-content/audio-cdda=other.desktop\n", "other.desktop\n"},
                 {"ubuntu:GNOME", "", ""}};
    fs::create_directories(Home.File("data/applications"));
    WriteFileBytes(Home.File("data/applications/other.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %U\n");
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Desktop);
        setenv("XDG_CURRENT_DESKTOP", Case.Desktop, 1);
        fs::remove(MimeAppsFileName());
        const std::string GnomeList = Home.File("config/gnome-mimeapps.list");
        fs::remove(GnomeList);
        if (!Case.GnomeList.empty()) WriteFileBytes(GnomeList, Case.GnomeList);
        ASSERT_EQ(XdgMime(), Case.Before);
        TPlayerSettings s;
        std::string Error;
        ASSERT_TRUE(SetAutoPlayHandler(s, true, Error)) << Error;
        EXPECT_EQ(XdgMime(), std::string(OrbeluneDesktopEntry) + "\n");
        if (HaveGio) {
            EXPECT_NE(Gio().find(OrbeluneDesktopEntry), std::string::npos) << Gio();
        }
        ASSERT_TRUE(SetAutoPlayHandler(s, false, Error)) << Error;
        EXPECT_EQ(XdgMime(), Case.Before);
        if (HaveGio) {
            EXPECT_EQ(Gio().find(OrbeluneDesktopEntry), std::string::npos) << Gio();
        }
        if (!Case.GnomeList.empty()) {
            EXPECT_EQ(ReadFileBytes(GnomeList), Case.GnomeList);
        }
    }
}

TEST_F(AutoPlay, ADefaultChosenSinceIsKept) {
    TPlayerSettings s;
    std::string Error;
    ASSERT_TRUE(SetAutoPlayHandler(s, true, Error));
    WriteFileBytes(MimeAppsFileName(), "[Default Applications]\nx-content/audio-cdda=other.desktop\n");
    ASSERT_TRUE(SetAutoPlayHandler(s, false, Error));
    EXPECT_EQ(ReadFileBytes(MimeAppsFileName()),
              "[Default Applications]\nx-content/audio-cdda=other.desktop\n");
}

TEST_F(AutoPlay, AFileThatCannotBeUsedIsLeftAloneWithAMessage) {
    const std::string File = MimeAppsFileName();
    const char Bytes[] = "[Default Applications]\nx-content/audio-cdda=a\0\xff\xfe";
    const std::string Garbage(Bytes, sizeof Bytes - 1);
    WriteFileBytes(File, Garbage);
    TPlayerSettings s;
    s.PreviousCommandLine = "kept.desktop";
    std::string Error;
    EXPECT_FALSE(SetAutoPlayHandler(s, true, Error));
    EXPECT_NE(Error.find(File), std::string::npos);
    EXPECT_EQ(ReadFileBytes(File), Garbage);
    EXPECT_FALSE(s.AutoPlayHandler);
    EXPECT_EQ(s.PreviousCommandLine, "kept.desktop");

    // A folder where the file should be, and a configuration folder that is a file.
    fs::remove(File);
    fs::create_directory(File);
    Error.clear();
    EXPECT_FALSE(SetAutoPlayHandler(s, true, Error));
    EXPECT_FALSE(Error.empty());
    WriteFileBytes(Home.File("plain"), "x");
    setenv("XDG_CONFIG_HOME", Home.File("plain").c_str(), 1);
    Error.clear();
    EXPECT_FALSE(SetAutoPlayHandler(s, true, Error));
    EXPECT_NE(Error.find("cannot be written"), std::string::npos);
    EXPECT_FALSE(s.AutoPlayHandler);
    EXPECT_EQ(ReadFileBytes(Home.File("plain")), "x");
}
