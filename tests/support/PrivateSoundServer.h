// A sound server of the test's own: PulseAudio with a null sink ("ci_null") in a fresh runtime folder,
// reached through PULSE_SERVER, so what a test plays is heard by nobody and measured from the sink's
// monitor without other tests' sound mixed in. One per test program: the sound libraries bind to the
// server the first time they are used, so it is started before them and kept until the program ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TPrivateSoundServer {
public:
    // The program's server, started on the first call. Running() is false when PulseAudio is missing.
    static TPrivateSoundServer& Shared();
    ~TPrivateSoundServer();

    bool Running() const { return FPid > 0; }
    // Ends the server as a crash would (SIGKILL), and starts it again on the same socket.
    void Kill();
    bool Restart();
    // Runs pactl with Arguments against this server and returns what it printed.
    std::string Pactl(const std::string& Arguments) const;
    const std::filesystem::path& Folder() const { return FFolder; }

private:
    TPrivateSoundServer();
    bool Launch();

    std::filesystem::path FFolder;
    int FPid = -1;
};

// What the null sink played while the capture ran, as 44100 Hz mono samples (parec on the monitor).
class TMonitorCapture {
public:
    explicit TMonitorCapture(const TPrivateSoundServer& Server);
    ~TMonitorCapture();
    // The samples captured so far.
    std::vector<std::int16_t> Samples() const;
    // Ends the capture and returns the samples.
    std::vector<std::int16_t> Finish();

    static constexpr int Rate = 44100;

private:
    std::filesystem::path FFile;
    int FPid = -1;
};

// The sound in a capture from sample From on: where it starts and ends (first and last 5 ms window louder
// than Threshold) and the longest stretch of silence between, in milliseconds. Heard is false for silence.
struct TSoundSpan {
    bool Heard = false;
    double StartMillis = 0;
    double LengthMillis = 0;
    double LongestGapMillis = 0;
};
TSoundSpan MeasureSound(const std::vector<std::int16_t>& Samples, std::size_t From = 0, int Threshold = 1000);
