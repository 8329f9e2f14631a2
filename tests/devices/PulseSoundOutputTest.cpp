// The sound server's client output against a PulseAudio of the test program's own: what the desktop
// sees of the stream (its name, corked while paused and stopped, read with pactl) and a server that goes
// away during a play and comes back. Skipped when PulseAudio is missing unless ORBELUNE_REQUIRE_AUDIO=1.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "devices/CdErrors.h"
#include "devices/PulseSoundOutput.h"
#include "support/PrivateSoundServer.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F> bool Within(std::chrono::milliseconds Limit, F Done) {
    const auto Until = Clock::now() + Limit;
    while (!Done()) {
        if (Clock::now() > Until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class PulseSoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server = &TPrivateSoundServer::Shared();
        if (!Server->Running()) {
            const char* Require = std::getenv("ORBELUNE_REQUIRE_AUDIO");
            if (Require && std::string(Require) == "1") FAIL() << "PulseAudio did not start";
            GTEST_SKIP() << "no PulseAudio";
        }
    }
    void TearDown() override {
        if (Server && !Server->Running()) Server->Restart();
    }

    // A field of the player's stream as pactl lists it ("Corked", "media.name"); empty without a stream.
    std::string StreamField(const std::string& Field) {
        const std::string List = Server->Pactl("list sink-inputs");
        const std::size_t At = List.find(Field == "media.name" ? "media.name = \"" : Field + ": ");
        if (At == std::string::npos) return {};
        const std::size_t From = List.find_first_of("\":", At + Field.size()) + 2 - (Field == "media.name");
        return List.substr(From, List.find_first_of("\"\n", From) - From);
    }

    // Keeps the output fed with a tone on a thread of its own until the object goes.
    struct TFeeder {
        explicit TFeeder(TSoundOutput& Output)
            : Thread([this, &Output] {
                  std::vector<std::int16_t> Block(2 * 441);
                  for (std::size_t I = 0; I < 441; ++I)
                      Block[2 * I] = Block[2 * I + 1] =
                          static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * I / 44.1));
                  std::size_t Offset = 0;
                  while (!Done) {
                      Offset = (Offset + Output.Write(Block.data() + 2 * Offset, 441 - Offset)) % 441;
                      std::this_thread::sleep_for(std::chrono::milliseconds(10));
                  }
              }) {}
        ~TFeeder() {
            Done = true;
            Thread.join();
        }
        std::atomic<bool> Done{false};
        std::thread Thread;
    };

    TPrivateSoundServer* Server = nullptr;
};

TEST_F(PulseSoundOutputTest, TheStreamIsNamedAndCorkedWhilePausedOrStopped) {
    SetSoundStreamName("Nocturnes \xe2\x80\x93 Track 2");
    TPulseSoundOutput Output;
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    const auto Start = Clock::now();
    {
        TFeeder Feed(Output);
        ASSERT_TRUE(Within(std::chrono::seconds(3), [&] { return Output.PlayedFrames() >= 22050; }));
        EXPECT_GT(Clock::now() - Start, std::chrono::milliseconds(450)) << "counted before it was heard";
        EXPECT_EQ(StreamField("Corked"), "no");
        EXPECT_EQ(StreamField("media.name"), "Nocturnes \xe2\x80\x93 Track 2");
        SetSoundStreamName("Nocturnes \xe2\x80\x93 Track 3");
        EXPECT_TRUE(Within(std::chrono::seconds(2),
                           [&] { return StreamField("media.name") == "Nocturnes \xe2\x80\x93 Track 3"; }));

        Output.SetPaused(true);
        EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return StreamField("Corked") == "yes"; }));
        const auto Held = Output.PlayedFrames();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(Output.PlayedFrames(), Held);
        Output.SetPaused(false);
        EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return StreamField("Corked") == "no"; }));
        EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return Output.PlayedFrames() > Held + 4410; }));
        Output.Stop();
    }
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return StreamField("Corked") == "yes"; }));
    EXPECT_EQ(Output.PlayedFrames(), 0u);
    // A new play in the same format takes the stream up again, counting from zero.
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    TFeeder Feed(Output);
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return StreamField("Corked") == "no"; }));
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return Output.PlayedFrames() > 4410; }));
    SetSoundStreamName({});
}

TEST_F(PulseSoundOutputTest, TheVolumeIsTheStreamsOwn) {
    // The player's volume is the stream's (the samples are not scaled), and the mixer's is the player's.
    TPulseSoundOutput Output;
    ASSERT_TRUE(Output.SetVolume(32768, 16384));
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    TFeeder Feed(Output);
    const auto Volume = [&] {
        const std::string List = Server->Pactl("list sink-inputs");
        const std::size_t At = List.find("\tVolume: ");
        return At == std::string::npos ? std::string() : List.substr(At + 9, List.find('\n', At) - At - 9);
    };
    const auto Shows = [&](const std::string& Left, const std::string& Right) {
        const std::string V = Volume();
        const std::size_t L = V.find("front-left: "), R = V.find("front-right: ");
        return L != std::string::npos && R != std::string::npos && V.find(" " + Left + "%", L) < R &&
               V.find(" " + Right + "%", R) != std::string::npos;
    };
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return Shows("50", "25"); })) << Volume();
    Output.SetVolume(65535, 65535);
    EXPECT_TRUE(Within(std::chrono::seconds(2), [&] { return Shows("100", "100"); })) << Volume();
    int Left = 0, Right = 0;
    EXPECT_FALSE(Output.TakeVolumeChange(Left, Right));

    const std::string List = Server->Pactl("list short sink-inputs");
    const std::string Index = List.substr(0, List.find('\t'));
    Server->Pactl("set-sink-input-volume " + Index + " 30% 15%");
    ASSERT_TRUE(Within(std::chrono::seconds(2), [&] { return Output.TakeVolumeChange(Left, Right); }));
    EXPECT_NEAR(Left, 19661, 2);
    EXPECT_NEAR(Right, 9830, 2);
    EXPECT_FALSE(Output.TakeVolumeChange(Left, Right));
}

TEST_F(PulseSoundOutputTest, PlaysOnOnTheNewDefaultSinkWhenItsSinkGoes) {
    // As when a headset is unplugged or its profile switched: the sink goes, another is the default.
    const auto ModuleOf = [&](const std::string& Sink) {
        const std::string List = Server->Pactl("list short modules");
        const std::size_t At = List.find("sink_name=" + Sink);
        if (At == std::string::npos) return std::string();
        const std::size_t Line = List.rfind('\n', At) + 1;
        return List.substr(Line, List.find('\t', Line) - Line);
    };
    TPulseSoundOutput Output;
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    TFeeder Feed(Output);
    ASSERT_TRUE(Within(std::chrono::seconds(3), [&] { return Output.PlayedFrames() >= 4410; }));
    Server->Pactl("load-module module-null-sink sink_name=ci_other");
    Server->Pactl("set-default-sink ci_other");
    Server->Pactl("unload-module " + ModuleOf("ci_null"));
    const auto Moved = Output.PlayedFrames();
    EXPECT_TRUE(Within(std::chrono::seconds(3), [&] { return Output.PlayedFrames() >= Moved + 22050; }));
    const std::string Sinks = Server->Pactl("list short sinks");
    const std::string Inputs = Server->Pactl("list short sink-inputs");
    const std::string Other = Sinks.substr(0, Sinks.find('\t'));
    EXPECT_EQ(Inputs.substr(Inputs.find('\t') + 1, Other.size() + 1), Other + "\t") << Sinks << Inputs;
    // The program's sink back for the tests after this one.
    Server->Pactl("load-module module-null-sink sink_name=ci_null");
    Server->Pactl("set-default-sink ci_null");
    Server->Pactl("unload-module " + ModuleOf("ci_other"));
}

TEST_F(PulseSoundOutputTest, PlaysOnWhenTheSoundServerComesBack) {
    TPulseSoundOutput Output;
    ASSERT_EQ(Output.Start(44100, 2), deOK);
    TFeeder Feed(Output);
    ASSERT_TRUE(Within(std::chrono::seconds(3), [&] { return Output.PlayedFrames() >= 13230; }));

    // Away: the position stands still (what the lost server held counts as played), nothing blocks.
    Server->Kill();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto Gone = Output.PlayedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(Output.PlayedFrames(), Gone);
    EXPECT_FALSE(Output.SoundLost());
    EXPECT_FALSE(SoundServerReachable());

    // Back: a new stream on the new server's sink, heard, and the position goes on from where it stood.
    ASSERT_TRUE(Server->Restart());
    TMonitorCapture Capture(*Server);
    ASSERT_TRUE(Within(std::chrono::seconds(5), [&] { return Output.PlayedFrames() >= Gone + 22050; }));
    EXPECT_EQ(StreamField("Corked"), "no");
    EXPECT_TRUE(MeasureSound(Capture.Finish()).Heard);
    EXPECT_TRUE(SoundServerReachable()) << "a new sound output finds the server again";

    // Away for good: after a while the output says so, once a server is back it no longer does.
    Server->Kill();
    EXPECT_TRUE(Within(std::chrono::milliseconds(TPulseSoundOutput::LostMillis + 2000),
                       [&] { return Output.SoundLost(); }));
    ASSERT_TRUE(Server->Restart());
    EXPECT_TRUE(Within(std::chrono::seconds(3), [&] { return !Output.SoundLost(); }));
}

} // namespace
