#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/AutoPlayHandler.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Points the desktop's configuration and data folders at the test's own folder.
class AutoPlay : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* Name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
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
        EXPECT_EQ(DefaultApplication(On, "text/plain"), Case.Text == WithPrevious ? "gedit.desktop" : "");
        ASSERT_TRUE(SetAutoPlayHandler(s, false, Error)) << Error;
        EXPECT_FALSE(s.AutoPlayHandler);
        EXPECT_EQ(ReadFileBytes(File), Case.Text);
    }
    // No entry was installed, so one was written that starts this program with the disc's address,
    // which asks for automatic play.
    const std::string Entry = ReadFileBytes(UserDesktopEntryFileName());
    EXPECT_NE(Entry.find("MimeType=x-content/audio-cdda;"), std::string::npos);
    EXPECT_NE(Entry.find("\" %U\n"), std::string::npos);
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
