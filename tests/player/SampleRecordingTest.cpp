// Recording samples of a disc image through the clocked null output: what the sample holds, keeping it
// with the disc, and the faults on the way (no temporary file, the disc taken out).
#include <gtest/gtest.h>

#include <soxr.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>
#include <utility>

#include "PlayerTestSupport.h"
#include "catalogue/DiscSamples.h"
#include "catalogue/tool/CatalogueTool.h"
#include "devices/DiscImageMaker.h"
#include "devices/DriveList.h"
#include "devices/NullSoundOutput.h"
#include "devices/WaveAudio.h"
#include "devices/WaveFile.h"

namespace {

constexpr int Speed = 10;
constexpr int TrackSectors = 300; // four seconds

std::int64_t FastMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() * Speed;
}

// The image's samples of Count sectors from First, resampled to Format as the recording should hold them.
std::vector<std::int16_t> SourceOf(const std::vector<std::pair<int, int>>& Runs,
                                   const TRecordFormat& Format) {
    std::vector<std::int16_t> Pcm;
    for (auto [First, Count] : Runs)
        for (int S = First; S < First + Count; ++S)
            for (int I = 0; I < 588; ++I) {
                const int L = ImageSample(S, I, 0), R = ImageSample(S, I, 1);
                if (Format.Channels == 1) {
                    Pcm.push_back(static_cast<std::int16_t>((L + R) / 2));
                } else {
                    Pcm.push_back(static_cast<std::int16_t>(L));
                    Pcm.push_back(static_cast<std::int16_t>(R));
                }
            }
    const std::size_t C = static_cast<std::size_t>(Format.Channels);
    const std::size_t In = Pcm.size() / C;
    std::vector<std::int16_t> Out((In * static_cast<std::size_t>(Format.Rate) / 44100 + 64) * C);
    std::size_t Done = 0;
    const soxr_io_spec_t Io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    soxr_oneshot(44100, Format.Rate, static_cast<unsigned>(C), Pcm.data(), In, nullptr, Out.data(),
                 Out.size() / C, &Done, &Io, nullptr, nullptr);
    Out.resize(Done * C);
    return Out;
}

// Best correlation of channel Ch of A and B over small shifts.
double Correlation(const std::vector<std::int16_t>& A, const std::vector<std::int16_t>& B, int Channels,
                   int Ch) {
    double Best = -1;
    const long N = static_cast<long>(std::min(A.size(), B.size()) / Channels) - 200;
    for (long Shift = -100; Shift <= 100; Shift += 1) {
        double Sa = 0, Sb = 0, Saa = 0, Sbb = 0, Sab = 0;
        long Count = 0;
        for (long I = 100; I < N; ++I) {
            const double X = A[static_cast<std::size_t>(I * Channels + Ch)];
            const double Y = B[static_cast<std::size_t>((I + Shift) * Channels + Ch)];
            Sa += X, Sb += Y, Saa += X * X, Sbb += Y * Y, Sab += X * Y;
            ++Count;
        }
        const double Va = Saa - Sa * Sa / Count, Vb = Sbb - Sb * Sb / Count;
        if (Va > 0 && Vb > 0) Best = std::max(Best, (Sab - Sa * Sb / Count) / std::sqrt(Va * Vb));
    }
    return Best;
}

class SampleRecording : public ::testing::Test {
protected:
    void SetUp() override {
        Cue = MakeDiscImage(Folder.Path(), "tones", 3 * TrackSectors, {0, TrackSectors, 2 * TrackSectors});
        P = std::make_unique<TTestPlayer>([this](int, int& Error) {
            return OpenDrivePath(
                Cue.string(), [] { return std::make_unique<TNullSoundOutput>(FastMicros); }, Error);
        });
        Wave = std::make_unique<TWaveAudio>(*P->Cd,
                                            [] { return std::make_unique<TNullSoundOutput>(FastMicros); });
        Recorder = std::make_unique<TSampleRecorder>(P->State, *P->Cd, *Wave, *P->Core,
                                                     DiscSampleKeeping(*P->Catalogue));
        P->Open();
        P->Tick();
        P->Settings.IntroTime = 0.02;
    }
    void TearDown() override {
        Recorder.reset();
        Wave.reset();
        P->Cd->CloseCD();
    }
    // Ticks every 10 ms of real time until Done holds or ten seconds pass.
    bool TickUntil(const std::function<bool()>& Done) {
        const auto Limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < Limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            P->Core->TimerTimer();
            if (Done()) return true;
        }
        return false;
    }
    // The sample stored with the disc in the drive.
    TWaveData StoredSample() {
        TWaveData Data;
        const std::string File = Folder.File("out.wav");
        EXPECT_TRUE(P->Catalogue->OpenDiscVlf());
        EXPECT_TRUE(P->Catalogue->fvlf.Vlf.ExtractFile(P->Catalogue->CurrentDisc.SampleRef, File, false));
        P->Catalogue->CloseDiscVlf();
        EXPECT_EQ(LoadWaveFile(File, Data), deOK);
        return Data;
    }

    TTempHome Folder;
    std::filesystem::path Cue;
    std::unique_ptr<TTestPlayer> P;
    std::unique_ptr<TWaveAudio> Wave;
    std::unique_ptr<TSampleRecorder> Recorder;
};

} // namespace

TEST_F(SampleRecording, SampleHoldsTheIntrosOrTheBookmark) {
    struct Case {
        bool Tracks;
        TRecordFormat Format;
        std::vector<std::pair<int, int>> Runs; // sectors heard
    };
    const Case Cases[] = {
        {true, {22050, 16, 2}, {{0, 150}, {TrackSectors, 150}, {2 * TrackSectors, 150}}},
        {false, {8000, 8, 1}, {{75, 150}}},
    };
    for (const Case& C : Cases) {
        P->State.BookmarkStart = MakeMSF(0, 3, 0);
        P->State.BookmarkEnd = MakeMSF(0, 5, 0);
        P->Answers.Answers.push_back(idYes);
        ASSERT_TRUE(Recorder->StartRecording(C.Tracks, C.Format));
        EXPECT_EQ(P->View.Interval, 50);
        ASSERT_TRUE(TickUntil([&] { return !P->State.Recording; }));
        EXPECT_EQ(P->View.Interval, 1000);
        EXPECT_EQ(P->Answers.Questions.back(), msgSaveAsDiscSample);
        EXPECT_FALSE(std::filesystem::exists(Recorder->TempFileName()));
        EXPECT_FALSE(std::filesystem::exists(P->Catalogue->WorkingSample()));
        ASSERT_GT(P->Catalogue->CurrentDiscRecNo, 0);

        const TWaveData Data = StoredSample();
        EXPECT_EQ(Data.Rate, C.Format.Rate);
        EXPECT_EQ(Data.Bits, C.Format.Bits);
        ASSERT_EQ(Data.Channels, C.Format.Channels);
        const int Expected = static_cast<int>(C.Runs.size()) * 2000;
        EXPECT_NEAR(static_cast<double>(Data.Frames()) * 1000 / Data.Rate, Expected, 50.0 * C.Runs.size());
        const std::vector<std::int16_t> Source = SourceOf(C.Runs, C.Format);
        for (int Ch = 0; Ch < C.Format.Channels; ++Ch)
            EXPECT_GT(Correlation(Source, Data.Samples, C.Format.Channels, Ch), 0.95) << "channel " << Ch;
    }
}

TEST_F(SampleRecording, ASecondSampleTakesTheFirstOnesPlace) {
    const std::string A = Folder.File("a.wav"), B = Folder.File("b.wav");
    TWaveData Data;
    Data.Bits = 16;
    Data.Samples.assign(30000, 100);
    SaveWaveFile(A, Data);
    Data.Samples.assign(10000, 200);
    SaveWaveFile(B, Data);
    ASSERT_TRUE(Recorder->KeepSample(A));
    const std::int32_t First = P->Catalogue->CurrentDisc.SampleRef;
    // Never written over the first, even when smaller: a write that failed halfway would lose both.
    ASSERT_TRUE(Recorder->KeepSample(B));
    EXPECT_NE(P->Catalogue->CurrentDisc.SampleRef, First);
    Data.Samples.assign(60000, 300);
    SaveWaveFile(B, Data);
    ASSERT_TRUE(Recorder->KeepSample(B)); // bigger: elsewhere, the first one freed
    EXPECT_NE(P->Catalogue->CurrentDisc.SampleRef, First);
    ASSERT_TRUE(P->Catalogue->OpenDiscVlf());
    int Samples = 0;
    for (const auto& [Pos, Header] : P->Catalogue->fvlf.Vlf.IndexedBlocks())
        Samples += Header.Kind == VlfKindSample;
    P->Catalogue->CloseDiscVlf();
    EXPECT_EQ(Samples, 1);
    EXPECT_EQ(StoredSample().Samples, Data.Samples);
    std::ostringstream Out, Err;
    ASSERT_EQ(RunCatalogueTool({"show", "--dir", P->Home.Dir(), P->Catalogue->CurrentDiscCode}, Out, Err), 0)
        << Err.str();
    EXPECT_NE(Out.str().find("Sample: yes, " + std::to_string(std::filesystem::file_size(B)) + " bytes"),
              std::string::npos)
        << Out.str();
}

TEST_F(SampleRecording, NoTemporaryFileLeavesEverythingAsItWas) {
    std::filesystem::create_directory(Recorder->TempFileName()); // cannot be written as a file
    EXPECT_FALSE(Recorder->StartRecording(true, {}));
    ASSERT_EQ(P->Answers.Errors.size(), 2u);
    EXPECT_EQ(P->Answers.Errors[0], msgCannotOpenFile);
    EXPECT_FALSE(P->State.Recording);
    EXPECT_EQ(P->State.PlayMode, pmDisc);
    EXPECT_EQ(P->Catalogue->CurrentDiscRecNo, 0);
    EXPECT_EQ(P->Cd->GetCDMode(), cmStopped);
}

TEST_F(SampleRecording, ProgramEndingMidwayDropsTheWorkingFile) {
    ASSERT_TRUE(Recorder->StartRecording(true, {}));
    ASSERT_TRUE(TickUntil([&] { return P->State.CurrentTrack == 2; }));
    const std::string Temp = Recorder->TempFileName();
    ASSERT_TRUE(std::filesystem::exists(Temp));
    const std::size_t Asked = P->Answers.Questions.size();
    Recorder.reset();
    EXPECT_FALSE(std::filesystem::exists(Temp));
    EXPECT_FALSE(P->State.Recording);
    EXPECT_EQ(P->Answers.Questions.size(), Asked) << "nothing is asked on the way out";
    // One left by a kill goes at the next start.
    WriteFileBytes(Temp, "RIFF");
    RemoveLeftoverRecording(P->Catalogue->DataDir());
    EXPECT_FALSE(std::filesystem::exists(Temp));
}

TEST_F(SampleRecording, ASampleTheCatalogueRefusedGoesInWhenTriedAgain) {
    // The first write into the store meets a full disk; when asked, the user tries again.
    bool Full = true;
    P->Catalogue->fvlf.Vlf.WriteFault = [&](std::int64_t, std::int64_t) {
        return !std::exchange(Full, false);
    };
    P->Answers.Answers = {idYes, idYes};
    ASSERT_TRUE(Recorder->StartRecording(true, {}));
    ASSERT_TRUE(TickUntil([&] { return P->State.CurrentTrack == 2; }));
    P->Cd->OpenDoor();
    ASSERT_TRUE(TickUntil([&] { return !P->State.Recording; }));
    P->Catalogue->fvlf.Vlf.WriteFault = nullptr;
    EXPECT_EQ(P->Answers.Questions.back(), msgKeepSampleAgain);
    EXPECT_NE(P->Catalogue->CurrentDisc.SampleRef, 0);
    EXPECT_GT(P->Catalogue->CurrentDiscRecNo, 0);
}

TEST_F(SampleRecording, DiscTakenOutEndsTheRecordingAndKeepsWhatWasHeard) {
    P->Answers.Answers.push_back(idNo);
    const std::string Saved = Folder.File("kept.wav");
    Recorder->ChooseSaveFile = [&] { return Saved; };
    ASSERT_TRUE(Recorder->StartRecording(true, {}));
    ASSERT_TRUE(TickUntil([&] { return P->State.CurrentTrack == 2; }));
    P->Cd->OpenDoor();
    ASSERT_TRUE(TickUntil([&] { return !P->State.Recording; }));
    EXPECT_EQ(P->Answers.Questions.back(), msgSaveAsDiscSample);
    TWaveData Data;
    ASSERT_EQ(LoadWaveFile(Saved, Data), deOK);
    EXPECT_GE(Data.Frames(), 11025u * 2); // the whole intro of track 1
    EXPECT_EQ(P->Catalogue->CurrentDiscRecNo, 0) << "No keeps the catalogue as it was";
}

TEST_F(SampleRecording, StoredSamplesThatAreNoWaveGiveAMessageWhenPlayed) {
    TDiscSamplePlay Player(*Wave, *P->Catalogue);
    WriteFileBytes(Folder.Path() / "text.wav", "Only a few words, no wave.\n");
    std::vector<std::filesystem::path> Files{Folder.Path() / "text.wav"};
    for (const auto& Entry : std::filesystem::directory_iterator(TestDataDir() / "wav" / "hound" / "fuzz"))
        Files.push_back(CopyFixture("wav/hound/fuzz/" + Entry.path().filename().string(), Folder.Path()));
    Files.push_back(CopyFixture("wav/cpython/pluck-pcm16.wav", Folder.Path()));
    for (const auto& File : Files) {
        P->Answers.Errors.clear();
        ASSERT_TRUE(Recorder->KeepSample(File.string()));
        if (Player.OpenSample(P->Catalogue->CurrentDisc.SampleRef)) {
            EXPECT_TRUE(Player.Play()) << File;
            Player.Stop();
        } else {
            ASSERT_EQ(P->Answers.Errors.size(), 1u) << File;
            EXPECT_EQ(P->Answers.Errors[0].rfind(msgCannotPlaySample, 0), 0u) << P->Answers.Errors[0];
        }
        Player.Close();
        EXPECT_FALSE(std::filesystem::exists(P->Catalogue->WorkingSample()));
    }
    // The last one is a real wave: it plays to its end.
    ASSERT_TRUE(Player.OpenSample(P->Catalogue->CurrentDisc.SampleRef));
    EXPECT_GT(Player.Length(), 0);
    ASSERT_TRUE(Player.Play());
    ASSERT_TRUE(TickUntil([&] { return !Player.IsPlaying(); }));
    EXPECT_GE(Player.Position(), Player.Length() - 50);
}
