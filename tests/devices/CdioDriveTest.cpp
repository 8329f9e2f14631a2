// The libcdio drive on real disc images: tables of contents, CD-TEXT, identity, playing a stretch into a
// fake sound output, the door, and images that are damaged or hold no audio.
#include <gtest/gtest.h>

#include "devices/VirtualClockWait.h"

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "DiscImageMaker.h"
#include "devices/CdAudio.h"
#include "devices/CdioDrive.h"
#include "devices/DemoDisc.h"
#include "devices/DiscIdentity.h"
#include "devices/DriveList.h"
#include "devices/FakeSoundOutput.h"
#include "devices/TocReport.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class CdioDriveTest : public ::testing::Test {
protected:
    // Copies a fixture folder of the test data into the temporary home.
    fs::path Fixture(const std::string& Folder, const std::string& File) {
        const fs::path Target = Home.Path() / Folder;
        fs::create_directories(Target);
        for (const auto& Entry : fs::directory_iterator(TestDataDir() / "cd-images" / Folder))
            CopyFixture("cd-images/" + Folder + "/" + Entry.path().filename().string(), Target);
        return Target / File;
    }
    std::unique_ptr<TCdioDrive> OpenImage(const fs::path& Path, int& Error) {
        return TCdioDrive::Open(
            Path.string(), false,
            [this] {
                auto Out = std::make_unique<TFakeSoundOutput>(Clock);
                Output = Out.get();
                return Out;
            },
            Error);
    }
    template <class F> bool RunUntil(F Done) { return RunClockUntil(Clock, Done); }

    TTempHome Home;
    TVirtualClock Clock;
    TFakeSoundOutput* Output = nullptr;
};

TEST_F(CdioDriveTest, TablesOfTheLibraryImages) {
    struct TCase {
        std::string Folder, File;
        std::vector<int> Starts;
        int LeadOut;
    };
    const std::vector<TCase> Cases = {
        {"cdda", "cdda.cue", {150}, 452},
        {"cdda_4_5", "cdda_4_5.cue", {150, 300}, 452},
        {"cdtext-3track", "cdtext.cue", {150, 450, 750}, 1056},
    };
    for (const TCase& C : Cases) {
        int Error = -1;
        auto Drive = OpenImage(Fixture(C.Folder, C.File), Error);
        ASSERT_TRUE(Drive) << C.File << ": " << DeviceErrorText(Error);
        TDriveToc Toc;
        ASSERT_EQ(Drive->ReadToc(Toc), deOK);
        ASSERT_EQ(Toc.TrackCount(), static_cast<int>(C.Starts.size())) << C.File;
        for (int T = 1; T <= Toc.TrackCount(); ++T) {
            EXPECT_EQ(Toc.Tracks[static_cast<std::size_t>(T - 1)].StartFrame,
                      C.Starts[static_cast<std::size_t>(T - 1)]);
            EXPECT_TRUE(Toc.Tracks[static_cast<std::size_t>(T - 1)].Audio);
        }
        EXPECT_EQ(Toc.LeadOutFrame, C.LeadOut) << C.File;
    }
    // The table numbers tracks from 1 even where the disc starts at 4; the identity is that of the table.
    int Error = 0;
    auto Drive = OpenImage(Home.Path() / "cdda_4_5" / "cdda_4_5.cue", Error);
    ASSERT_TRUE(Drive);
    TDriveToc Toc;
    Drive->ReadToc(Toc);
    EXPECT_EQ(Toc.Tracks[0].Number, 4);
    EXPECT_EQ(DiscIdentity(Toc), 1838u);
}

TEST_F(CdioDriveTest, CdTextAndNrg) {
    int Error = 0;
    auto Drive = OpenImage(Fixture("cdtext-3track", "cdtext.cue"), Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    const TCdText Text = Drive->ReadCdText();
    EXPECT_EQ(Text.DiscTitle, "The Voice of the Gnu");
    EXPECT_EQ(Text.DiscPerformer, "A Gnu");
    ASSERT_EQ(Text.TrackTitles.size(), 3u);
    EXPECT_EQ(Text.TrackTitles[0], "I Will Survive");
    EXPECT_EQ(Text.TrackTitles[2], "Gnu Opera");

    auto Nrg = OpenImage(Fixture("p1", "p1.nrg"), Error);
    ASSERT_TRUE(Nrg) << DeviceErrorText(Error);
    TDriveToc Toc;
    ASSERT_EQ(Nrg->ReadToc(Toc), deOK);
    EXPECT_EQ(Toc.TrackCount(), 2);
    EXPECT_EQ(Nrg->ReadCdText().DiscPerformer.rfind("Richard Stallman", 0), 0u);
}

TEST_F(CdioDriveTest, DataDiscAndDamagedSheets) {
    int Error = 0;
    // A data disc opens and lists its track, but nothing on it plays.
    auto Data = OpenImage(Fixture("isofs-m1", "isofs-m1.cue"), Error);
    ASSERT_TRUE(Data) << DeviceErrorText(Error);
    TDriveToc Toc;
    ASSERT_EQ(Data->ReadToc(Toc), deOK);
    ASSERT_EQ(Toc.TrackCount(), 1);
    EXPECT_FALSE(Toc.Tracks[0].Audio);
    EXPECT_EQ(Data->Play(150, -1), deDataTrack);
    EXPECT_EQ(Data->Status().Mode, cmStopped);

    Fixture("toc-cue-parse", "t1.toc");
    fs::copy_file(Home.Path() / "isofs-m1" / "isofs-m1.bin", Home.Path() / "toc-cue-parse" / "isofs-m1.bin");
    fs::copy_file(TestDataDir() / "cd-images" / "cdda" / "cdda.bin",
                  Home.Path() / "toc-cue-parse" / "cdda.bin");
    for (const char* Bad : {"bad-cat1.cue", "bad-mode1.cue", "bad-msf-1.cue", "bad-msf-3.cue",
                            "bad-msf-2.toc", "bad-file.toc", "bad-cat2.toc"}) {
        Error = 0;
        EXPECT_FALSE(OpenImage(Home.Path() / "toc-cue-parse" / Bad, Error)) << Bad;
        EXPECT_NE(Error, deOK) << Bad;
    }
    // libcdio places this sheet's track (a byte offset into its data file) before the start of the disc.
    EXPECT_FALSE(OpenImage(Fixture("cdda", "cdda.toc"), Error));
    EXPECT_TRUE(Error == deBadToc || Error == deBadImage) << Error;
    EXPECT_FALSE(OpenImage(Home.Path() / "nothing-here.cue", Error));
    EXPECT_EQ(Error, deNoDrive);
}

TEST_F(CdioDriveTest, MissingAndTruncatedBin) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "short", 300, {0, 150});
    fs::resize_file(Home.Path() / "short.bin", 100 * 2352);
    int Error = 0;
    EXPECT_FALSE(OpenImage(Cue, Error));
    EXPECT_TRUE(Error == deBadImage || Error == deBadToc) << Error;
    fs::remove(Home.Path() / "short.bin");
    EXPECT_FALSE(OpenImage(Cue, Error));
    EXPECT_TRUE(Error == deBadImage || Error == deBadToc) << Error;
}

TEST_F(CdioDriveTest, PlaysAStretchIntoTheOutputAndStopsAtItsEnd) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    Drive->SetVolume(65535, 65535);
    std::vector<std::int16_t> Tapped;
    Drive->SetPcmTap(
        [&](const std::int16_t* S, std::size_t F) { Tapped.insert(Tapped.end(), S, S + 2 * F); });
    // Sectors 10..39 of the data, i.e. frames 160..189.
    ASSERT_EQ(Drive->Play(160, 190), deOK);
    EXPECT_EQ(Drive->Status().Mode, cmPlaying);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
    const TDriveStatus S = Drive->Status();
    EXPECT_EQ(S.PositionFrame, 189);
    EXPECT_EQ(S.CurrentTrack, 1);
    const auto Samples = Output->Samples();
    ASSERT_EQ(Samples.size(), 30u * 588 * 2);
    for (std::size_t I = 0; I < Samples.size(); I += 997) {
        const int Sector = 10 + static_cast<int>(I / (588 * 2));
        const int Index = static_cast<int>(I % (588 * 2)) / 2;
        ASSERT_EQ(Samples[I], ImageSample(Sector, Index, static_cast<int>(I % 2))) << I;
    }
    EXPECT_EQ(Tapped, Samples);

    // A play without an end runs through the last track to one frame before the lead-out, at the volume
    // set for each channel.
    Drive->SetVolume(32768, 0);
    ASSERT_EQ(Drive->Play(700, -1), deOK);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
    EXPECT_EQ(Drive->Status().PositionFrame, 749);
    EXPECT_EQ(Drive->Status().CurrentTrack, 2);
    const auto All = Output->Samples();
    const std::size_t First = 30u * 588 * 2;
    ASSERT_EQ(All.size(), First + 50u * 588 * 2);
    EXPECT_EQ(All[First + 1], 0);
    EXPECT_EQ(All[First + 2 * 25], static_cast<std::int16_t>(ImageSample(550, 25, 0) * 32768 / 65535));
}

TEST_F(CdioDriveTest, IdleDriveDoesNotWake) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 300, {0});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    ASSERT_EQ(Drive->Play(150, 160), deOK);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
    // Stopped with the disc in: the worker sleeps until a command comes, so the process hardly switches.
    const auto Switches = [] {
        rusage Usage{};
        getrusage(RUSAGE_SELF, &Usage);
        return Usage.ru_nvcsw + Usage.ru_nivcsw;
    };
    const long Before = Switches();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Switches() - Before, 6);
    // And a command still wakes it.
    ASSERT_EQ(Drive->Play(150, 160), deOK);
    EXPECT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
}

TEST_F(CdioDriveTest, PcmIsExactThroughPauseAndASeekWhilePlaying) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive);
    std::mutex TapLock;
    std::vector<std::int16_t> Tapped;
    Drive->SetPcmTap([&](const std::int16_t* S, std::size_t F) {
        std::lock_guard Guard(TapLock);
        Tapped.insert(Tapped.end(), S, S + 2 * F);
    });
    // Odd clock steps, so the output's buffer boundaries fall anywhere inside a sector.
    auto Until = [&](auto Done) {
        const auto Limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Done()) {
            if (std::chrono::steady_clock::now() > Limit) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            Clock.AdvanceMicros(7919);
        }
        return true;
    };
    ASSERT_EQ(Drive->Play(160, 460), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().PositionFrame >= 230; }));
    ASSERT_EQ(Drive->Pause(), deOK);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int Held = Drive->Status().PositionFrame;
    const std::size_t Taken = Output->SampleCount();
    Clock.Advance(2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Drive->Status().PositionFrame, Held);
    EXPECT_EQ(Output->SampleCount(), Taken) << "nothing is fed to the output while paused";
    ASSERT_EQ(Drive->Resume(), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().PositionFrame >= 300; }));
    // A play started while playing replaces the running one at once.
    ASSERT_EQ(Drive->Play(600, 650), deOK);
    ASSERT_TRUE(Until([&] { return Drive->Status().Mode == cmStopped; }));
    EXPECT_EQ(Drive->Status().PositionFrame, 649);

    const auto Samples = Output->Samples();
    std::string Fault;
    const auto Runs = PlayedRuns(Samples, {10, 450}, Fault);
    ASSERT_TRUE(Fault.empty()) << Fault;
    ASSERT_EQ(Runs.size(), 2u);
    EXPECT_GE(Runs[0].second, (300u - 160u) * 588u); // at least up to where the second play began
    EXPECT_EQ(Runs[1].second, 50u * 588u);           // the second play whole
    // The recording tap saw exactly what went to the output: nothing read ahead and dropped.
    std::lock_guard Guard(TapLock);
    EXPECT_EQ(Tapped.size(), Samples.size());
    EXPECT_TRUE(Tapped == Samples);
}

TEST_F(CdioDriveTest, GainIsExactAtFullVolumeAndSilentAtZero) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 300, {0});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive);
    for (const auto& [Left, Right] : {std::pair{65535, 0}, std::pair{0, 65535}, std::pair{70000, -5}}) {
        const std::size_t Before = Output->SampleCount();
        Drive->SetVolume(Left, Right);
        ASSERT_EQ(Drive->Play(170, 190), deOK);
        ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
        const auto Samples = Output->Samples();
        ASSERT_EQ(Samples.size() - Before, 20u * 588 * 2);
        for (std::size_t I = Before; I < Samples.size(); ++I) {
            const int Sector = 20 + static_cast<int>((I - Before) / (588 * 2));
            const int Index = static_cast<int>((I - Before) % (588 * 2)) / 2;
            const int Channel = static_cast<int>(I % 2);
            const bool Full = (Channel == 0 ? Left : Right) >= 65535;
            ASSERT_EQ(Samples[I], Full ? ImageSample(Sector, Index, Channel) : 0)
                << "volume " << Left << "/" << Right << " sample " << I - Before;
        }
    }
}

TEST_F(CdioDriveTest, CommandsFromOtherThreadsWhileThePlayRuns) {
    // The user-interface thread sends commands and reads status while the worker plays and the
    // recording tap runs; a second reader stands for the tick. Meant to be run under ThreadSanitizer.
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive);
    std::atomic<bool> Done{false};
    std::atomic<std::size_t> TappedFrames{0};
    std::thread Ticker([&] {
        while (!Done) {
            Clock.AdvanceMicros(3001);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    std::thread Poll([&] {
        while (!Done) {
            const TDriveStatus S = Drive->Status();
            EXPECT_TRUE(S.PositionFrame == 0 || (S.PositionFrame >= 150 && S.PositionFrame < 750));
            TDriveToc Toc;
            Drive->ReadToc(Toc);
            (void)Drive->ReadCdText();
            (void)Drive->LastPlayError();
        }
    });
    for (int Round = 0; Round < 60; ++Round) {
        Drive->SetPcmTap(Round % 3 == 0 ? TPcmTap{} : TPcmTap([&](const std::int16_t*, std::size_t F) {
            TappedFrames += F;
        }));
        Drive->SetVolume(Round * 1000, 65535 - Round * 1000);
        switch (Round % 6) {
        case 0:
            Drive->Play(150 + Round * 5, -1);
            break;
        case 1:
            Drive->Pause();
            break;
        case 2:
            Drive->Resume();
            break;
        case 3:
            Drive->Seek(400 + Round);
            break;
        case 4:
            Drive->Play(300, 320);
            break;
        case 5:
            Drive->OpenDoor();
            Drive->CloseDoor();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    Done = true;
    Poll.join();
    Ticker.join();
    Drive.reset(); // closes with a play possibly running
    EXPECT_GT(TappedFrames.load(), 0u);
}

TEST_F(CdioDriveTest, TocSheetsFindTheirDataBesideThem) {
    // libcdio's cdrdao reader looks for a sheet's data files in the working directory; the drive finds
    // them beside the sheet, wherever the program runs (a file of the same name elsewhere is not used).
    const fs::path Folder = Home.Path() / "sheets";
    const fs::path Elsewhere = Home.Path() / "elsewhere";
    fs::create_directories(Folder);
    fs::create_directories(Elsewhere);
    MakeDiscImage(Folder, "tone", 600, {0, 300});
    MakeDiscImage(Elsewhere, "tone", 900, {0}); // a decoy in the working directory
    std::ofstream(Folder / "tone.toc") << "CD_DA\n\n// two tracks of two and four seconds\nTRACK AUDIO\n"
                                          "FILE \"tone.bin\" 0 00:04:00\n\nTRACK AUDIO\n"
                                          "FILE \"tone.bin\" 00:04:00 00:04:00\n";
    Fixture("isofs-m1", "isofs-m1.toc");
    struct TWorkingDirectory {
        fs::path Saved = fs::current_path();
        ~TWorkingDirectory() { fs::current_path(Saved); }
    } Restore;
    fs::current_path(Elsewhere);

    int Error = 0;
    auto Drive = OpenImage(Folder / "tone.toc", Error);
    ASSERT_TRUE(Drive) << DeviceErrorText(Error);
    TDriveToc Toc;
    ASSERT_EQ(Drive->ReadToc(Toc), deOK);
    ASSERT_EQ(Toc.TrackCount(), 2);
    EXPECT_EQ(Toc.Tracks[1].StartFrame, 450);
    EXPECT_EQ(Toc.LeadOutFrame, 750);
    ASSERT_EQ(Drive->Play(745, -1), deOK);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
    const auto Samples = Output->Samples();
    ASSERT_EQ(Samples.size(), 5u * 588 * 2);
    EXPECT_EQ(Samples[1], ImageSample(595, 0, 1));
    EXPECT_EQ(Samples.back(), ImageSample(599, 587, 1));

    auto Data = OpenImage(Home.Path() / "isofs-m1" / "isofs-m1.toc", Error);
    ASSERT_TRUE(Data) << DeviceErrorText(Error);
    ASSERT_EQ(Data->ReadToc(Toc), deOK);
    ASSERT_EQ(Toc.TrackCount(), 1);
    EXPECT_FALSE(Toc.Tracks[0].Audio);
    EXPECT_EQ(Toc.LeadOutFrame, 452);
}

TEST_F(CdioDriveTest, OneDriveUnderTwoNamesIsListedOnce) {
    const fs::path Dev = Home.Path() / "dev";
    fs::create_directories(Dev);
    std::ofstream(Dev / "sr0").put('x');
    std::ofstream(Dev / "sr1").put('x');
    fs::create_symlink("sr0", Dev / "cdrom");
    fs::create_symlink("cdrom", Dev / "dvd");
    const auto P = [&](const char* Name) { return (Dev / Name).string(); };
    EXPECT_EQ(UniqueDevices({P("cdrom"), P("sr0"), P("dvd"), P("sr1"), P("sr1"), P("gone")}),
              (std::vector<std::string>{P("cdrom"), P("sr1"), P("gone")}));
}

TEST_F(CdioDriveTest, PauseSeekDoorAndALostImage) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    int Error = 0;
    auto Drive = OpenImage(Cue, Error);
    ASSERT_TRUE(Drive);
    ASSERT_EQ(Drive->Play(150, -1), deOK);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().PositionFrame >= 200; }));
    ASSERT_EQ(Drive->Pause(), deOK);
    const int Held = Drive->Status().PositionFrame;
    Clock.Advance(3000);
    EXPECT_EQ(Drive->Status().PositionFrame, Held);
    EXPECT_EQ(Drive->Status().Mode, cmPaused);
    ASSERT_EQ(Drive->Resume(), deOK);
    EXPECT_EQ(Drive->Resume(), deNotPaused);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().PositionFrame > Held + 20; }));
    ASSERT_EQ(Drive->Seek(500), deOK);
    EXPECT_EQ(Drive->Status().Mode, cmStopped);
    EXPECT_EQ(Drive->Status().CurrentTrack, 2);
    EXPECT_EQ(Drive->Seek(750), deOutOfRange);

    ASSERT_EQ(Drive->OpenDoor(), deOK);
    TDriveStatus S = Drive->Status();
    EXPECT_FALSE(S.MediaPresent);
    EXPECT_EQ(S.Mode, cmOpen);
    EXPECT_EQ(Drive->Play(150, -1), deNoMedia);
    ASSERT_EQ(Drive->CloseDoor(), deOK);
    S = Drive->Status();
    EXPECT_TRUE(S.MediaPresent);
    EXPECT_EQ(S.Mode, cmStopped);

    // The image's data goes away in the middle of a play: the play ends, nothing hangs.
    ASSERT_EQ(Drive->Play(150, -1), deOK);
    fs::resize_file(Home.Path() / "tone.bin", 0);
    ASSERT_TRUE(RunUntil([&] { return Drive->Status().Mode == cmStopped; }));
    EXPECT_EQ(Drive->LastPlayError(), deReadError);
}

TEST_F(CdioDriveTest, DeviceLayerOnAnImage) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    TPlayerSettings Settings;
    TPlayerState State;
    TCdAudio Cd(Settings, State,
                [&](int, int& Error) -> std::unique_ptr<TCdDrive> { return OpenImage(Cue, Error); });
    Cd.OpenCD(0);
    EXPECT_EQ(Cd.GetTrackCount(), 2);
    EXPECT_EQ(Cd.GetTrackStart(2), MakeMSF(0, 6, 0));
    EXPECT_EQ(Cd.GetTrackLength(2), MakeMSF(0, 3, 74));
    // 512 + 1536 + 0 + 600 frames of disc.
    EXPECT_EQ(Cd.GetDiscIdentity(), DiscCodeText(2648));
    EXPECT_EQ(Cd.GetCdText().TrackTitles.at(1), "Tone 2");
    Cd.OpenDoor();
    EXPECT_FALSE(Cd.IsMediaPresent());
    EXPECT_TRUE(Cd.IsDoorOpen());
    Cd.CloseDoor();
    EXPECT_TRUE(Cd.IsMediaPresent());
}

TEST_F(CdioDriveTest, TocReport) {
    const fs::path Cue = Fixture("cdtext-3track", "cdtext.cue");
    std::ostringstream Out, Err;
    EXPECT_EQ(RunTocReport(Cue.string(), Out, Err), 0) << Err.str();
    const std::string Text = Out.str();
    EXPECT_NE(Text.find("Tracks: 3"), std::string::npos) << Text;
    EXPECT_NE(Text.find(" 2  start 00:06:00 (00.06)  length 00:04:00 (00.04)  A Forest Full of Gnus"),
              std::string::npos)
        << Text;
    EXPECT_NE(Text.find("Identity: 4608"), std::string::npos);
    EXPECT_NE(Text.find("Disc code: 0000000000001200"), std::string::npos);
    EXPECT_NE(Text.find("FreeDB disc ID: 09000c03  https://gnudb.org/cd/09000c03"), std::string::npos);
    EXPECT_TRUE(Err.str().empty());

    std::ostringstream Out2, Err2;
    EXPECT_EQ(RunTocReport((Home.Path() / "missing.cue").string(), Out2, Err2), 1);
    EXPECT_EQ(Err2.str(), "orbelune: " + (Home.Path() / "missing.cue").string() +
                              ": The CD drive or disc image cannot be found.\n");

    // A disc of data alone has a FreeDB id but no MusicBrainz id.
    std::ostringstream Out3, Err3;
    EXPECT_EQ(RunTocReport(Fixture("isofs-m1", "isofs-m1.cue").string(), Out3, Err3), 1);
    EXPECT_NE(Err3.str().find("no audio tracks"), std::string::npos);
    EXPECT_EQ(Out3.str().find("MusicBrainz"), std::string::npos) << Out3.str();
    EXPECT_NE(Out3.str().find("FreeDB disc ID: "), std::string::npos) << Out3.str();

    // Tracks numbered from 3 are reported by their numbers; the FreeDB id ends in the number of tracks.
    const fs::path Late = MakeDiscImage(Home.Path(), "late", 900, {0, 450}, {}, 3);
    std::ostringstream Out4, Err4;
    EXPECT_EQ(RunTocReport(Late.string(), Out4, Err4), 0) << Err4.str();
    for (const char* Line :
         {"\n 3  start 00:02:00 (00.02)  length 00:06:00 (00.06)  Tone 3\n",
          "\n 4  start 00:08:00 (00.08)  length 00:05:74 (00.05)  Tone 4\n", "FreeDB disc ID: 0a000c02"})
        EXPECT_NE(Out4.str().find(Line), std::string::npos) << Line << " in\n" << Out4.str();
}

TEST_F(CdioDriveTest, DriveNumbers) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 300, {0});
    const std::vector<TDriveEntry> Drives = DriveList();
    const int Physical = static_cast<int>(std::count_if(
        Drives.begin(), Drives.end(), [](const TDriveEntry& E) { return E.Kind == dkPhysical; }));
    SetVirtualDrives({});
    const int Number = DriveNumberFor(Cue.string());
    EXPECT_EQ(Number, Physical);
    EXPECT_EQ(AddVirtualDrive(Cue.string()), Number);
    EXPECT_EQ(DriveLabel(Number), "CD ROM " + std::to_string(Number) + " <" + Cue.string() + ">");
    int Error = 0;
    EXPECT_TRUE(ProgramDriveFactory([] { return std::make_unique<TNullSoundOutput>(); })(Number, Error));
    // Without a drive of its own the machine keeps the demo disc after the images.
    const int Demo = Physical == 0 && !DemoDiscPath().empty() ? 1 : 0;
    EXPECT_EQ(DriveCount(), Number + 1 + Demo);
    if (Demo) {
        EXPECT_EQ(StoredDriveNumber(DemoDiscPath(), 0), Number + 1);
    }
    EXPECT_FALSE(ProgramDriveFactory()(Number + 1 + Demo, Error));
    EXPECT_EQ(Error, deNoDrives);
    SetVirtualDrives({});
}

} // namespace
