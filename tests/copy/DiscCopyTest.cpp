// Copies of disc images: the FLAC files hold the image's samples (shifted by the read offset), the CUE sheet
// plays back the disc, the log's checksums agree with the description, AccurateRip answers from a local
// server, data tracks, pregaps and hidden audio, Cancel, and names that file systems refuse.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <fstream>
#include <regex>
#include <sstream>

#include "CopyTestSupport.h"
#include "copy/CopyFileNames.h"
#include "copy/CopySetup.h"
#include "copy/DiscCopy.h"
#include "devices/DemoDisc.h"
#include "devices/DiscImageMaker.h"
#include "support/LocalHttpServer.h"

namespace fs = std::filesystem;

namespace {

constexpr int Pps = 588; // stereo samples per sector

void EnsureApplication() {
    static int Argc = 1;
    static char Name[] = "copytest";
    static char* Argv[] = {Name, nullptr};
    // Kept to the end of the process: Qt's own exit handlers still use it.
    if (!QCoreApplication::instance()) new QCoreApplication(Argc, Argv);
}

struct TPlayedCue {
    std::vector<std::int16_t> Pcm;     // what the sheet plays, from its first file's start
    std::map<int, int> Index1, Index0; // track number -> sector in Pcm
    std::string Text;
};

// Plays a CUE sheet of FLAC files as a player does: the files one after the other, a PREGAP as silence.
TPlayedCue PlayCue(const fs::path& Cue) {
    TPlayedCue Out;
    Out.Text = ReadFileBytes(Cue);
    std::istringstream Lines(Out.Text);
    std::string Line;
    int Track = 0;
    std::size_t FileStart = 0;
    const std::regex FileLine(R"x(^FILE "(.*)" WAVE)x"), TrackLine(R"x(^\s*TRACK (\d+) AUDIO)x"),
        IndexLine(R"x(^\s*INDEX (\d\d) (\d+):(\d\d):(\d\d))x"),
        GapLine(R"x(^\s*PREGAP (\d+):(\d\d):(\d\d))x");
    std::smatch M;
    while (std::getline(Lines, Line)) {
        if (std::regex_search(Line, M, FileLine)) {
            FileStart = Out.Pcm.size();
            const TDecodedFlac File = DecodeFlac(Cue.parent_path() / M[1].str());
            EXPECT_TRUE(File.Error.empty()) << File.Error;
            Out.Pcm.insert(Out.Pcm.end(), File.Pcm.begin(), File.Pcm.end());
        } else if (std::regex_search(Line, M, TrackLine)) {
            Track = std::stoi(M[1]);
        } else if (std::regex_search(Line, M, GapLine)) {
            const int Sectors = std::stoi(M[1]) * 4500 + std::stoi(M[2]) * 75 + std::stoi(M[3]);
            Out.Pcm.insert(Out.Pcm.begin() + static_cast<std::ptrdiff_t>(FileStart),
                           std::size_t(Sectors) * Pps * 2, 0);
            FileStart += std::size_t(Sectors) * Pps * 2;
        } else if (std::regex_search(Line, M, IndexLine)) {
            const int At = static_cast<int>(FileStart / 2 / Pps) + std::stoi(M[2]) * 4500 +
                           std::stoi(M[3]) * 75 + std::stoi(M[4]);
            (M[1] == "00" ? Out.Index0 : Out.Index1)[Track] = At;
        }
    }
    return Out;
}

std::vector<fs::path> FilesUnder(const fs::path& Folder) {
    std::vector<fs::path> Files;
    for (const auto& E : fs::recursive_directory_iterator(Folder))
        if (E.is_regular_file()) Files.push_back(E.path());
    std::sort(Files.begin(), Files.end());
    return Files;
}

class DiscCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        Settings.Folder = (Home.Path() / "out").string();
        Settings.UserAgent = "Orbelune-test";
        Settings.TimeoutMs = 10000;
        Settings.IntervalMs = 0;
        Settings.FlacLevel = 1;
    }
    TDiscCopyResult Copy(const fs::path& Image, const TCopyProgressFn& Progress = {}) {
        return CopyDisc(Image.string(), false, Settings, Tags, Progress, Cancel);
    }

    TTempHome Home;
    TCopySettings Settings;
    TCopyTags Tags;
    std::atomic<bool> Cancel{false};
};

// Each track's file decodes to the image's samples, shifted by the read offset (zeros beyond the disc);
// at offset 0 the CUE sheet plays back the whole image and the log gives the description's checksums.
TEST_F(DiscCopyTest, FilesHoldTheImageShiftedByTheReadOffset) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tones", 500, {0, 180, 390});
    const std::vector<std::int16_t> Image = ImagePcm(Home.Path() / "tones.bin");
    const std::int64_t Available = static_cast<std::int64_t>(Image.size() / 2);
    const std::vector<int> Starts = {0, 180, 390, 500};
    for (int Offset : {0, 6, -30, 1000}) {
        SCOPED_TRACE("offset " + std::to_string(Offset));
        fs::remove_all(Settings.Folder);
        Settings.ReadOffset = Offset;
        const TDiscCopyResult Result = Copy(Cue);
        ASSERT_TRUE(Result.Completed()) << Result.Error;
        ASSERT_EQ(Result.Tracks.size(), 3u);
        const std::string Log = ReadFileBytes(Result.LogPath);
        for (int T = 0; T < 3; ++T) {
            const TTrackCopy& Track = Result.Tracks[static_cast<std::size_t>(T)];
            const auto Expected = Shifted(Image, std::int64_t(Starts[T]) * Pps + Offset,
                                          std::int64_t(Starts[T + 1] - Starts[T]) * Pps, Available);
            const TDecodedFlac File = DecodeFlac(Track.Path);
            ASSERT_TRUE(File.Error.empty()) << File.Error;
            EXPECT_TRUE(File.Pcm == Expected) << "track " << T + 1;
            const auto [V1, V2] = ReferenceArChecksums(Expected, T == 0, T == 2);
            char Line[64];
            std::snprintf(Line, sizeof Line, "AccurateRip v1: %08X, v2: %08X", V1, V2);
            EXPECT_NE(Log.find(Line), std::string::npos) << Line;
        }
        EXPECT_NE(Log.rfind("The copy is not verified: AccurateRip was not asked.\n"), std::string::npos);
        if (Offset == 0) {
            const TPlayedCue Played = PlayCue(Result.CuePath);
            EXPECT_TRUE(Played.Pcm == Image);
            EXPECT_EQ(Played.Index1, (std::map<int, int>{{1, 0}, {2, 180}, {3, 390}}));
        }
    }
    // libcdio's own image, whose sheet names its data file in other letters.
    fs::remove_all(Settings.Folder);
    Settings.ReadOffset = 0;
    const fs::path Real = CopyFixture("cd-images/cdda/cdda.cue", Home.Path());
    CopyFixture("cd-images/cdda/cdda.bin", Home.Path());
    const TDiscCopyResult Result = Copy(Real);
    ASSERT_TRUE(Result.Completed()) << Result.Error;
    EXPECT_TRUE(DecodeFlac(Result.Tracks.at(0).Path).Pcm == ImagePcm(Home.Path() / "cdda.bin"));
    EXPECT_NE(ReadFileBytes(Result.CuePath).find("CATALOG 0000010271955"), std::string::npos);
}

// Audio before track 1, a pregap, a data track, pre-emphasis, an ISRC, and track names with "/" and
// non-ASCII characters.
TEST_F(DiscCopyTest, HiddenAudioPregapDataTrackAndNames) {
    MakeDiscImage(Home.Path(), "rich", 400, {0});
    const fs::path Cue = Home.Path() / "rich.cue";
    std::ofstream(Cue) << "CATALOG 0123456789012\nFILE \"rich.bin\" BINARY\n"
                          "  TRACK 01 AUDIO\n    FLAGS PRE\n    ISRC DEGNU1100001\n"
                          "    INDEX 00 00:00:00\n    INDEX 01 00:00:60\n"
                          "  TRACK 02 AUDIO\n    INDEX 00 00:02:00\n    INDEX 01 00:02:20\n"
                          "  TRACK 03 MODE1/2352\n    INDEX 01 00:04:00\n";
    Tags.Artist = "Ørkester";
    Tags.Album = "Live/Dead";
    Tags.Year = 1999;
    Tags.Tracks = {{"AC/DC: Été?", "", ""}, {"Second", "Guest", "Writer"}};
    Tags.Picture = {std::string("\x89PNG fake", 9), "image/png", 1, 1, 24};
    const TDiscCopyResult Result = Copy(Cue);
    ASSERT_TRUE(Result.Completed()) << Result.Error;

    const fs::path Folder = fs::path(Settings.Folder) / "Ørkester - Live_Dead";
    const std::vector<fs::path> Expected = {Folder / "00 Hidden track.flac", Folder / "01 AC_DC_ Été_.flac",
                                            Folder / "02 Second.flac", Folder / "Ørkester - Live_Dead.cue",
                                            Folder / "Ørkester - Live_Dead.log"};
    EXPECT_EQ(FilesUnder(Settings.Folder), Expected);

    const std::vector<std::int16_t> Image = ImagePcm(Home.Path() / "rich.bin");
    const TPlayedCue Played = PlayCue(Result.CuePath);
    EXPECT_TRUE(Played.Pcm == std::vector<std::int16_t>(Image.begin(), Image.begin() + 300 * Pps * 2));
    EXPECT_EQ(Played.Index1, (std::map<int, int>{{1, 60}, {2, 170}}));
    EXPECT_EQ(Played.Index0, (std::map<int, int>{{1, 0}, {2, 150}}));
    for (const char* Line : {"CATALOG 0123456789012\n", "    FLAGS PRE\n", "    ISRC DEGNU1100001\n"})
        EXPECT_NE(Played.Text.find(Line), std::string::npos) << Line;

    const std::string Log = ReadFileBytes(Result.LogPath);
    EXPECT_NE(Log.find("Track 3: data track, not copied"), std::string::npos);
    const TDecodedFlac Second = DecodeFlac(Folder / "02 Second.flac");
    for (const char* Comment : {"TITLE=Second", "ARTIST=Guest", "ALBUMARTIST=Ørkester", "ALBUM=Live/Dead",
                                "COMPOSER=Writer", "TRACKNUMBER=2", "TRACKTOTAL=2", "DATE=1999"})
        EXPECT_NE(std::find(Second.Comments.begin(), Second.Comments.end(), Comment), Second.Comments.end())
            << Comment;
    EXPECT_TRUE(Second.Picture);
    // Silence before track 1 is no file: the sheet makes it up.
    fs::remove_all(Settings.Folder);
    std::string Bin = ReadFileBytes(Home.Path() / "rich.bin");
    std::fill(Bin.begin(), Bin.begin() + 60 * 2352, '\0');
    WriteFileBytes(Home.Path() / "rich.bin", Bin);
    const TDiscCopyResult Silent = Copy(Cue);
    ASSERT_TRUE(Silent.Completed()) << Silent.Error;
    EXPECT_FALSE(fs::exists(Folder / "00 Hidden track.flac"));
    const TPlayedCue Gap = PlayCue(Silent.CuePath);
    EXPECT_NE(Gap.Text.find("PREGAP 00:00:60"), std::string::npos);
    EXPECT_EQ(Gap.Pcm.size(), std::size_t(300) * Pps * 2);
}

// A dBAR file made for the demo disc: every track accurately copied; one changed sample makes its track
// differ.
TEST_F(DiscCopyTest, AccurateRipFromALocalServer) {
    const fs::path Demo = DemoDiscPath();
    ASSERT_FALSE(Demo.empty());
    fs::copy_file(Demo, Home.Path() / "demo.cue");
    std::string Bin = ReadFileBytes(fs::path(Demo).parent_path() / "orbelune-demo.bin");
    WriteFileBytes(Home.Path() / "orbelune-demo.bin", Bin);
    const std::vector<std::int16_t> Image = ImagePcm(Home.Path() / "orbelune-demo.bin");

    // The demo's table, read by the copy itself, gives the tracks; the checksums come from the reference.
    Settings.CheckAccurateRip = false;
    const TDiscCopyResult Plain = Copy(Home.Path() / "demo.cue");
    ASSERT_TRUE(Plain.Completed()) << Plain.Error;
    TDbarPressing Pressing{Plain.ArId.AudioTracks, Plain.ArId.Id1, Plain.ArId.Id2, Plain.ArId.FreeDb, {}};
    for (std::size_t T = 0; T < Plain.Tracks.size(); ++T) {
        const TTrackCopy& Track = Plain.Tracks[T];
        const std::vector<std::int16_t> Samples(Image.begin() + std::ptrdiff_t(Track.FirstSector) * Pps * 2,
                                                Image.begin() + std::ptrdiff_t(Track.EndSector) * Pps * 2);
        const auto [V1, V2] = ReferenceArChecksums(Samples, T == 0, T + 1 == Plain.Tracks.size());
        Pressing.Tracks.push_back({7, V2, 0});
    }
    const std::string Dbar = MakeDbar({Pressing});
    TLocalHttpServer Server([&](const QByteArray& Target) {
        if (Target == QByteArray::fromStdString(DbarUrl("", Plain.ArId)))
            return THttpAnswer(200, QByteArray::fromStdString(Dbar));
        return THttpAnswer(404, "not found");
    });
    Settings.CheckAccurateRip = true;
    Settings.AccurateRipServer = Server.BaseUrl().toStdString();
    fs::remove_all(Settings.Folder);
    const TDiscCopyResult Checked = Copy(Home.Path() / "demo.cue");
    ASSERT_TRUE(Checked.Completed()) << Checked.Error;
    for (const TTrackCopy& Track : Checked.Tracks)
        EXPECT_EQ(Track.Verdict.Text(), "accurately copied, confidence 7") << Track.Number;
    EXPECT_TRUE(Checked.Verified());
    const std::string Log = ReadFileBytes(Checked.LogPath);
    EXPECT_NE(Log.rfind("The copy is verified: every audio track was accurately copied.\n"),
              std::string::npos);

    // One sample of track 2 changed.
    const std::size_t At = std::size_t(Checked.Tracks[1].FirstSector) * 2352 + 1000;
    Bin[At] = static_cast<char>(Bin[At] ^ 0x10);
    WriteFileBytes(Home.Path() / "orbelune-demo.bin", Bin);
    fs::remove_all(Settings.Folder);
    const TDiscCopyResult Changed = Copy(Home.Path() / "demo.cue");
    ASSERT_TRUE(Changed.Completed()) << Changed.Error;
    EXPECT_EQ(Changed.Tracks[0].Verdict.Text(), "accurately copied, confidence 7");
    EXPECT_EQ(Changed.Tracks[1].Verdict.Text(), "differs from 7 copies");
    EXPECT_FALSE(Changed.Verified());
    // A disc the server does not know.
    Settings.AccurateRipServer = Server.BaseUrl().toStdString() + "/elsewhere";
    fs::remove_all(Settings.Folder);
    const TDiscCopyResult Unknown = Copy(Home.Path() / "demo.cue");
    ASSERT_TRUE(Unknown.Completed()) << Unknown.Error;
    EXPECT_EQ(Unknown.Tracks[0].Verdict.Text(), "not in the database");
}

// Cancel in the middle of a track: the finished tracks stay, nothing stands under the unfinished track's
// name, no temporary file is left, and no sheet or log claims a copy.
TEST_F(DiscCopyTest, CancelLeavesNoFinalNamedPartialFile) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tones", 600, {0, 200, 400});
    const TDiscCopyResult Result = Copy(Cue, [&](const TCopyProgress& P) {
        if (P.Track == 2 && P.TrackFraction > 0.4) Cancel = true;
    });
    EXPECT_TRUE(Result.Cancelled);
    const fs::path Folder = fs::path(Settings.Folder) / "Unknown - Unknown";
    EXPECT_EQ(FilesUnder(Settings.Folder), std::vector<fs::path>{Folder / "01 Track 1.flac"});
}

TEST(CopyFileNames, PatternAndRefusedCharacters) {
    const TNameFields Fields{"AC/DC", "Back: in *Black*", "Hells \"Bells\" ✓ Ünïcode", 1980, 1};
    const struct {
        const char* Pattern;
        const char* Path;
    } Cases[] = {
        {DefaultCopyPattern, "/m/AC_DC - Back_ in _Black_/01 Hells _Bells_ ✓ Ünïcode.flac"},
        {"{artist}/{year} {disc}/{number}", "/m/AC_DC/1980 Back_ in _Black_/01.flac"},
        {"{unknown} {number}", "/m/{unknown} 01.flac"},
        {"", "/m/01.flac"},
        {"..//{title}.", "/m/Hells _Bells_ ✓ Ünïcode.flac"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(PatternPath("/m", C.Pattern, Fields, ".flac"), C.Path) << C.Pattern;
    EXPECT_EQ(SafeNamePart(" .a\tb\x01/c. "), "a_b__c");
    EXPECT_LE(SafeNamePart(std::string(300, 'x') + "é").size(), 200u);
}

} // namespace

TEST(CopySetup, OffsetsPerDriveAndTheCheckOffByDefault) {
    TTempHome Home;
    TPlayerSettings Settings;
    EXPECT_FALSE(CopySettingsFor(Settings, "/dev/sr0").CheckAccurateRip);
    RememberReadOffset(Settings, "/dev/sr0", 6);
    RememberReadOffset(Settings, "/dev/sr1", -1164);
    RememberReadOffset(Settings, "/dev/sr0", 48);
    Settings.LookupAccurateRipServer = "http://127.0.0.1:9";
    ASSERT_TRUE(SaveSettingsTo(Home.File("ORBELUNE.INI"), Settings));
    TPlayerSettings Loaded;
    LoadSettingsFrom(Home.File("ORBELUNE.INI"), Loaded);
    const TCopySettings Copy = CopySettingsFor(Loaded, "/dev/sr0");
    EXPECT_EQ(Copy.ReadOffset, 48);
    EXPECT_EQ(ReadOffsetFor(Loaded, "/dev/sr1"), -1164);
    EXPECT_EQ(ReadOffsetFor(Loaded, "/dev/sr2"), 0);
    EXPECT_EQ(Copy.AccurateRipServer, "http://127.0.0.1:9");
    EXPECT_FALSE(Copy.Folder.empty());
}
