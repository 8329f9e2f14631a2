// The wave device: the recording header, opening files that are and are not wave files, recording from
// the CD play's tap, saving, and playing back.
#include <gtest/gtest.h>

#include "devices/VirtualClockWait.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>

#include "DiscImageMaker.h"
#include "devices/CdAudio.h"
#include "devices/CdioDrive.h"
#include "devices/FakeSoundOutput.h"
#include "devices/WaveAudio.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class WaveAudioTest : public ::testing::Test {
protected:
    template <class F> bool RunUntil(F Done) { return RunClockUntil(Clock, Done); }
    TSoundOutputFactory Fake() {
        return [this] { return std::make_unique<TFakeSoundOutput>(Clock); };
    }

    TTempHome Home;
    TRecordingAnswerer Answers;
    TVirtualClock Clock;
    TPlayerSettings Settings;
    TPlayerState State;
    fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    TCdAudio Cd{Settings, State, [this](int, int& Error) -> std::unique_ptr<TCdDrive> {
                    return TCdioDrive::Open(Cue.string(), false, Fake(), Error);
                }};
};

TEST_F(WaveAudioTest, RecordingHeader) {
    const std::string Path = Home.File("$temp.wav");
    ASSERT_EQ(WriteWaveHeader(Path, 11025, 8, 1), deOK);
    const std::string Bytes = ReadFileBytes(Path);
    const std::string Expected(
        "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x11\x2b\0\0\x11\x2b\0\0\x01\0\x08\0data\0\0\0\0", 44);
    EXPECT_EQ(Bytes, Expected);
    ASSERT_EQ(WriteWaveHeader(Path, 44100, 16, 2), deOK);
    const std::string Stereo = ReadFileBytes(Path);
    ASSERT_EQ(Stereo.size(), 44u);
    EXPECT_EQ(Stereo.substr(28, 8), std::string("\x10\xb1\x02\0\x04\0\x10\0", 8)); // 176400 bytes/s, align 4
    EXPECT_EQ(WriteWaveHeader(Path, 11025, 12, 1), deWaveFormat);
}

// A sample is kept in the catalogue as the wave that SaveWaveFile writes: the plain 44-byte header and the
// samples (24-bit ones cut to their top 16 bits), none of the source file's other chunks. Stored samples
// hold these bytes, so they must stay as they are.
TEST_F(WaveAudioTest, ConvertedSampleBytes) {
    const auto U32 = [](std::uint32_t V) {
        std::string Out;
        for (int I = 0; I < 4; ++I)
            Out += static_cast<char>((V >> (8 * I)) & 0xFF);
        return Out;
    };
    // The fixtures: stereo at 11025 Hz; their format chunk as the conversion writes it.
    for (const auto& [Name, Format, Width] :
         {std::tuple{"pluck-pcm8.wav", std::string("\x02\0\x11\x2b\0\0\x22\x56\0\0\x02\0\x08\0", 14), 1},
          {"pluck-pcm16.wav", std::string("\x02\0\x11\x2b\0\0\x44\xac\0\0\x04\0\x10\0", 14), 2},
          {"pluck-pcm24.wav", std::string("\x02\0\x11\x2b\0\0\x44\xac\0\0\x04\0\x10\0", 14), 3}}) {
        const std::string Source = ReadFileBytes(TestDataDir() / "wav" / "cpython" / Name);
        const std::size_t At = Source.find("data");
        ASSERT_NE(At, std::string::npos) << Name;
        std::uint32_t Size = 0;
        std::memcpy(&Size, Source.data() + At + 4, 4);
        std::string Samples;
        for (std::size_t I = At + 8; I + Width <= At + 8 + Size; I += Width)
            Samples += Width == 3 ? Source.substr(I + 1, 2) : Source.substr(I, Width);
        TWaveData Data;
        ASSERT_EQ(LoadWaveFile((TestDataDir() / "wav" / "cpython" / Name).string(), Data), deOK);
        const std::string Path = Home.File("converted.wav");
        ASSERT_EQ(SaveWaveFile(Path, Data), deOK);
        const auto N = static_cast<std::uint32_t>(Samples.size());
        EXPECT_EQ(ReadFileBytes(Path), "RIFF" + U32(36 + N) + "WAVEfmt " +
                                           std::string("\x10\0\0\0\x01\0", 6) + Format + "data" + U32(N) +
                                           Samples)
            << Name;
    }
}

TEST_F(WaveAudioTest, OpeningFiles) {
    TWaveAudio Wave(Cd, Fake());
    try {
        Wave.GetWaveLength();
        FAIL();
    } catch (const EMCIDeviceError& E) {
        EXPECT_STREQ(E.what(), "Wave device not open");
    }
    Wave.OpenWave("");
    EXPECT_TRUE(Wave.WaveOpen);
    EXPECT_TRUE(Wave.WaveCanPlay);
    EXPECT_TRUE(Wave.WaveCanRecord);
    EXPECT_EQ(Wave.GetWaveLength(), 0);

    const std::string Header = Home.File("$temp.wav");
    WriteWaveHeader(Header, 22050, 16, 2);
    Wave.OpenWave(Header);
    EXPECT_EQ(Wave.Format().Rate, 22050);
    EXPECT_EQ(Wave.Format().Channels, 2);

    WriteFileBytes(Home.Path() / "notes.wav", "This is no wave file, only text.\n");
    EXPECT_THROW(Wave.OpenWave(Home.File("notes.wav")), EMCIDeviceError);
    EXPECT_FALSE(Wave.WaveOpen);
    EXPECT_EQ(Wave.LastMCIError, deNotWave);
    EXPECT_THROW(Wave.OpenWave(Home.File("missing.wav")), EMCIDeviceError);
    EXPECT_EQ(Wave.LastMCIError, deWaveNotFound);
    // Real files of several sample sizes open; damaged ones give an error or open, but never crash.
    for (const char* Name : {"cpython/pluck-pcm8.wav", "cpython/pluck-pcm16.wav"}) {
        Wave.OpenWave(CopyFixture(std::string("wav/") + Name, Home.Path()).string());
        EXPECT_GT(Wave.GetWaveLength(), 0) << Name;
        EXPECT_EQ(Wave.Format().Bits, std::string(Name).find("pcm8") != std::string::npos ? 8 : 16);
    }
    for (const auto& Entry : fs::directory_iterator(TestDataDir() / "wav" / "hound" / "fuzz")) {
        const fs::path Copy = CopyFixture("wav/hound/fuzz/" + Entry.path().filename().string(), Home.Path());
        try {
            Wave.OpenWave(Copy.string());
            EXPECT_GE(Wave.GetWaveLength(), 0);
        } catch (const EMCIDeviceError&) {
            EXPECT_FALSE(Wave.WaveOpen);
        }
    }
    EXPECT_TRUE(Wave.CanRecordRate(11025));
    EXPECT_FALSE(Wave.CanRecordRate(0));
    EXPECT_EQ(Wave.LastMCIError, deBadRate);
}

TEST_F(WaveAudioTest, RecordsTheCdPlayAndSavesIt) {
    Cd.OpenCD(0);
    Cd.ApplyVolume(); // 30000 of 65535 on both channels
    TWaveAudio Wave(Cd, Fake());
    int Timer = 0;
    Wave.OnSetTimer = [&](int Interval) { Timer = Interval; };
    const std::string Temp = Home.File("$temp.wav");
    ASSERT_EQ(WriteWaveHeader(Temp, 22050, 16, 1), deOK);
    Wave.OpenWave(Temp);
    Wave.StartWaveRecording();
    EXPECT_EQ(Timer, 50);
    EXPECT_TRUE(Wave.IsRecording());
    Cd.PlayFrom(MakeMSF(0, 2, 0), 1);
    ASSERT_TRUE(RunUntil([&] { return MSFToFrames(Cd.GetDiscPosition()) >= 225; }));
    Cd.StopCD();
    Wave.StopWave();
    EXPECT_FALSE(Wave.IsRecording());
    const int Length = Wave.GetWaveLength();
    EXPECT_EQ(Wave.GetWavePosition(), Length); // a recording ends at its end
    EXPECT_GE(Length, 1000);
    EXPECT_LE(Length, 1600); // what the output had taken but not yet played is recorded too

    const std::string Saved = Home.File("Disc.wav");
    Wave.SaveWave(Saved);
    EXPECT_TRUE(Answers.Errors.empty());
    TWaveData Data;
    ASSERT_EQ(LoadWaveFile(Saved, Data), deOK);
    EXPECT_EQ(Data.Rate, 22050);
    EXPECT_EQ(Data.Channels, 1);
    EXPECT_EQ(Data.Bits, 16);
    // The mono mix of a 12000 sine and a small ramp, at the volume of the CD play.
    int Peak = 0;
    for (std::size_t I = 2000; I < Data.Samples.size(); ++I)
        Peak = std::max(Peak, std::abs(int(Data.Samples[I])));
    EXPECT_NEAR(Peak, 6000 * 30000 / 65535, 300);

    // A save that cannot be written says so and leaves the earlier file alone.
    const std::string Before = ReadFileBytes(Saved);
    Wave.SaveWave(Home.File("no-such-folder/sample.wav"));
    ASSERT_EQ(Answers.Errors.size(), 1u);
    EXPECT_EQ(Answers.Errors[0], "Error saving file");
    EXPECT_EQ(ReadFileBytes(Saved), Before);
    Wave.CloseWave();

    // 8-bit saves keep their format.
    WriteWaveHeader(Temp, 8000, 8, 2);
    Wave.OpenWave(Temp);
    Wave.StartWaveRecording();
    Cd.PlayFrom(MakeMSF(0, 2, 0), 1);
    ASSERT_TRUE(RunUntil([&] { return MSFToFrames(Cd.GetDiscPosition()) >= 190; }));
    Wave.StopWave();
    Wave.SaveWave(Saved);
    ASSERT_EQ(LoadWaveFile(Saved, Data), deOK);
    EXPECT_EQ(Data.Bits, 8);
    EXPECT_EQ(Data.Rate, 8000);
    EXPECT_EQ(Data.Channels, 2);
    EXPECT_GT(Data.Frames(), 3000u);
}

TEST_F(WaveAudioTest, PlaysBack) {
    TWaveData Data;
    Data.Rate = 8000;
    Data.Channels = 1;
    Data.Bits = 16;
    Data.Samples.assign(8000, 1000); // one second
    const std::string Path = Home.File("sample.wav");
    ASSERT_EQ(SaveWaveFile(Path, Data), deOK);

    TWaveAudio Wave(Cd, Fake());
    Wave.OpenWave(Path);
    EXPECT_EQ(Wave.GetWaveLength(), 1000);
    EXPECT_EQ(Wave.PlayWave(false), deOK);
    Clock.Advance(100);
    ASSERT_TRUE(RunUntil([&] { return Wave.GetWavePosition() >= 400; }));
    Wave.PlayWaveFrom(900);
    // Played to the end, the wave stands at its end until it is played or closed again.
    ASSERT_TRUE(RunUntil([&] { return Wave.GetWavePosition() == 1000; }));
    Clock.Advance(500);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Wave.GetWavePosition(), 1000);
    Wave.StopWave();
    EXPECT_EQ(Wave.GetWavePosition(), 1000);
    // A play that is stopped stays where it stopped.
    Wave.PlayWaveFrom(200);
    ASSERT_TRUE(RunUntil([&] { return Wave.GetWavePosition() >= 400; }));
    Wave.StopWave();
    const int Stopped = Wave.GetWavePosition();
    EXPECT_GE(Stopped, 400);
    EXPECT_LT(Stopped, 1000);
    Clock.Advance(500);
    EXPECT_EQ(Wave.GetWavePosition(), Stopped);
    Wave.CloseWave();

    // Waiting for the end on the clocked null output returns after about the wave's length.
    Data.Samples.resize(800); // 100 ms
    ASSERT_EQ(SaveWaveFile(Path, Data), deOK);
    TWaveAudio Real(Cd, [] { return std::make_unique<TNullSoundOutput>(); });
    Real.OpenWave(Path);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Real.PlayWave(true), deOK);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(1500));
}

} // namespace
