#include <gtest/gtest.h>

#include <climits>

#include "app/base/IniFile.h"
#include "app/base/Settings.h"
#include "app/base/WindowPlacement.h"
#include "support/TestSupport.h"

TEST(Settings, MissingFileGivesDefaultsAndFirstSaveWritesEveryKey) {
    TTempHome home;
    TPlayerSettings s;
    s.VolumeLeft = 1;
    LoadSettings(s);
    EXPECT_EQ(s.VolumeLeft, 30000);
    EXPECT_EQ(s.TrackWindowFontName, "Small fonts");
    EXPECT_DOUBLE_EQ(s.SkipTime, 0.30);
    EXPECT_DOUBLE_EQ(s.FitTracksTime, 45.00);
    EXPECT_EQ(s.BackgroundBitmap, home.Dir() + "sandblst.bmp");
    EXPECT_EQ(s.MixerControl, "/usr/bin/pavucontrol");
    EXPECT_EQ(s.HandsetBackground, clBtnFace);
    EXPECT_EQ(s.CollectorName, AccountFullName()); // the account's full name until one is stored
    EXPECT_EQ(SettingsFileName(), home.Dir() + "ORBELUNE.INI");

    ASSERT_TRUE(SaveSettings(s));
    const std::string text = ReadFileBytes(SettingsFileName());
    for (const char* line :
         {"Track window name=Small fonts", "Left=30000", "Skip time=30", "Fit tracks time=4500",
          "Handset background=-2147483633", "Use Orbelune to auto play=0", "Tracks user 2=Composer",
          "Deleted records present=0", "CDROM in use=0", "Collector name=", "[Lookup]",
          "MusicBrainz server=https://musicbrainz.org", "Look up new discs=0", "Store looked-up discs=0"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // Every section once, in the order of first use.
    EXPECT_LT(text.find("[Fonts]"), text.find("[Color]"));
    EXPECT_LT(text.find("[Color]"), text.find("[Repeat buttons]"));
    EXPECT_EQ(text.find("[Fonts]", text.find("[Fonts]") + 1), std::string::npos);
}

TEST(Settings, StoredTimesAreHundredths) {
    TTempHome home;
    WriteFileBytes(SettingsFileName(), "[General]\nSkip time=45\nIntro time=100\nFit tracks time=4500\n");
    TPlayerSettings s;
    LoadSettings(s);
    EXPECT_DOUBLE_EQ(s.SkipTime, 0.45);
    EXPECT_DOUBLE_EQ(s.IntroTime, 1.00);
    EXPECT_DOUBLE_EQ(s.FitTracksTime, 45.00);
    s.SkipTime = 0.125; // halves round to even: 12.5 -> 12
    s.IntroTime = 0.135;
    ASSERT_TRUE(SaveSettings(s));
    TPlayerSettings back;
    LoadSettings(back);
    EXPECT_DOUBLE_EQ(back.SkipTime, 0.12);
    EXPECT_DOUBLE_EQ(back.IntroTime, 0.14);
}

TEST(Settings, CaseInsensitiveKeysGarbageAndSystemColours) {
    TTempHome home;
    WriteFileBytes(SettingsFileName(),
                   "[volume]\r\nLEFT = 12\r\nright=abc\r\n[COLOR]\r\n"
                   "Handset background=-2147483633\r\nVolume bar foreground=$FF\r\n"
                   "[General]\r\nShow hints=7\r\nMain top=\r\nBackground bitmap=\"/x/y.bmp\"\r\n");
    TPlayerSettings s;
    LoadSettings(s);
    EXPECT_EQ(s.VolumeLeft, 12);
    EXPECT_EQ(s.VolumeRight, 30000);
    EXPECT_EQ(s.HandsetBackground, clBtnFace);
    EXPECT_EQ(s.VolumeBarForeground, 0xFF);
    EXPECT_TRUE(s.ShowHints);
    EXPECT_EQ(s.MainTop, 10);
    EXPECT_EQ(s.BackgroundBitmap, "/x/y.bmp");
}

TEST(Settings, SaveKeepsForeignLinesAndReplacesOwnKeys) {
    TTempHome home;
    WriteFileBytes(SettingsFileName(), "; written by hand\r\r\n[Plugins]\nfoo=bar\n\n[general]\nmain TOP=77\n"
                                       "Something else=5\n");
    TPlayerSettings s;
    LoadSettings(s);
    EXPECT_EQ(s.MainTop, 77);
    s.MainTop = 5;
    ASSERT_TRUE(SaveSettings(s));
    const std::string text = ReadFileBytes(SettingsFileName());
    EXPECT_NE(text.find("; written by hand\n[Plugins]\nfoo=bar\n"), std::string::npos);
    EXPECT_NE(text.find("Something else=5"), std::string::npos);
    EXPECT_NE(text.find("Main top=5"), std::string::npos);
    EXPECT_EQ(text.find("main TOP=77"), std::string::npos);
    EXPECT_EQ(text.find("[General]"), std::string::npos) << "the existing section is reused";
    ASSERT_TRUE(SaveSettings(s));
    EXPECT_EQ(ReadFileBytes(SettingsFileName()), text) << "a second save changes nothing";
}

TEST(Settings, TextsAreCutTo255CharactersWithoutSplittingOne) {
    TTempHome home;
    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "\xC3\xA9"; // é
    WriteFileBytes(SettingsFileName(), "[Fonts]\nReport name=" + longName + "\n");
    TPlayerSettings s;
    LoadSettings(s);
    EXPECT_EQ(s.ReportFontName.size(), 510u);
}

TEST(Settings, UnwritableFileKeepsTheOldOne) {
    TTempHome home;
    TPlayerSettings s;
    ASSERT_TRUE(SaveSettings(s));
    const std::string before = ReadFileBytes(SettingsFileName());
    // A folder in the way of the temporary file makes the write fail.
    std::filesystem::create_directory(SettingsFileName() + ".new");
    s.MainTop = 99;
    EXPECT_FALSE(SaveSettings(s));
    EXPECT_EQ(ReadFileBytes(SettingsFileName()), before);
}

TEST(IniFile, IntegerParsing) {
    long long v = 0;
    EXPECT_TRUE(ParseIniInteger(" -42 ", v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(ParseIniInteger("$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_FALSE(ParseIniInteger("12abc", v));
    EXPECT_FALSE(ParseIniInteger("", v));
    EXPECT_FALSE(ParseIniInteger("99999999999999999999", v));
}

TEST(Settings, ValuesOutOfRangeAreClampedAndBeyond32BitsRefused) {
    TTempHome home;
    WriteFileBytes(SettingsFileName(), "[Volume]\nLeft=70000\nRight=-5\n"
                                       "[Fonts]\nTrack window size=2\nDisc data size=500\nSmall Size=9\n"
                                       "[Color]\nHandset background=$8000000F\nDisc data back=4294967296\n"
                                       "[General]\nMain left=4294967396\nSkip time=4294967326\n"
                                       "Show hints=4294967296\nCDROM in use=-4294967295\n");
    TPlayerSettings s;
    LoadSettings(s);
    EXPECT_EQ(s.VolumeLeft, 65535);
    EXPECT_EQ(s.VolumeRight, 0);
    EXPECT_EQ(s.TrackWindowFontSize, 6);
    EXPECT_EQ(s.DiscDataFontSize, 72);
    EXPECT_EQ(s.SmallFontSize, 9);
    EXPECT_EQ(s.HandsetBackground, clBtnFace);
    // Beyond 32 bits: the defaults, not the numbers wrapped.
    EXPECT_EQ(s.DiscDataBackground, clWhite);
    EXPECT_EQ(s.MainLeft, 10);
    EXPECT_DOUBLE_EQ(s.SkipTime, 0.30);
    EXPECT_TRUE(s.ShowHints);
    EXPECT_EQ(s.CDROMInUse, 0);
}

// Each value is brought into the range where it means something when read, so what is saved back is sane.
TEST(Settings, ValuesBeyondSenseAreClampedWhenRead) {
    const struct {
        const char *Section, *Key, *Read, *Saved;
    } cases[] = {
        {"Repeat buttons", "Volume delay", "-1", "10"},
        {"Repeat buttons", "Volume delay", "2147483647", "5000"},
        {"Repeat buttons", "Volume interval", "0", "10"},
        {"Repeat buttons", "Skip interval", "-2147483648", "10"},
        {"Repeat buttons", "Skip interval", "750", "750"},
        {"General", "Main left", "2147483647", "32767"},
        {"General", "Main top", "-2147483648", "-32768"},
        {"General", "Small left", "-40", "-40"},
        {"General", "Small top", "99999", "32767"},
        {"General", "Skip time", "-30", "0"},
        {"General", "Skip time", "100", "100"},
        {"General", "Intro time", "2147483647", "9959"},
        {"General", "Fit tracks time", "-2147483648", "0"},
        {"General", "Fit tracks time", "9000", "9000"},
        {"General", "CDROM in use", "-3", "0"},
        {"General", "CDROM in use", "2147483647", "99"},
        {"General", "CDROM in use", "7", "7"},
    };
    TTempHome home;
    for (const auto& c : cases) {
        const std::string key = std::string(c.Key) + "=";
        WriteFileBytes(SettingsFileName(), "[" + std::string(c.Section) + "]\n" + key + c.Read + "\n");
        TPlayerSettings s;
        LoadSettings(s);
        ASSERT_TRUE(SaveSettings(s));
        EXPECT_NE(ReadFileBytes(SettingsFileName()).find("\n" + key + c.Saved + "\n"), std::string::npos)
            << c.Key << " " << c.Read;
    }
}

TEST(Settings, LineBreaksInTextsAreStoredAsBlanks) {
    TTempHome home;
    TPlayerSettings s;
    s.DiscUser1Caption = "Two\nlines";
    s.BackgroundBitmap = "/a/b.bmp\r\n";
    ASSERT_TRUE(SaveSettings(s));
    const std::string text = ReadFileBytes(SettingsFileName());
    EXPECT_NE(text.find("\nDisc user 1=Two lines\n"), std::string::npos);
    EXPECT_EQ(text.find("\nlines"), std::string::npos);
    TPlayerSettings back;
    LoadSettings(back);
    EXPECT_EQ(back.DiscUser1Caption, "Two lines");
    EXPECT_EQ(back.BackgroundBitmap, "/a/b.bmp");
    EXPECT_EQ(back.DiscUser2Caption, "User field 2");
}

TEST(WindowPlacement, StoredPositionsStayOnAScreen) {
    const std::vector<QRect> screens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const QSize size(400, 300);
    const struct {
        QPoint Wanted, Placed;
    } cases[] = {{{10, 10}, {10, 10}},        {{2000, 500}, {2000, 500}},
                 {{10, 100000}, {10, 780}},   {{100000, 100000}, {1520, 780}},
                 {{-5000, 20}, {0, 20}},      {{3150, 20}, {2800, 20}},
                 {{1900, 500}, {1900, 500}},  {{INT_MAX, INT_MAX}, {1520, 780}},
                 {{INT_MIN, INT_MIN}, {0, 0}}};
    for (const auto& c : cases)
        EXPECT_EQ(PlaceOnScreen(c.Wanted, size, screens), c.Placed) << c.Wanted.x() << "," << c.Wanted.y();
}
