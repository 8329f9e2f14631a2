// Sound output straight to the desktop's PulseAudio (or PipeWire's PulseAudio service) through libpulse.
//
// The stream is the player's own: it carries the name SetSoundStreamName gives it (media.name, what the
// desktop's mixer shows), it is corked while paused and while stopped, so the desktop does not show a
// silent player as playing and a headset may suspend. It outlives the sound server: when the server
// goes away the output keeps what was written, tries to connect again every ReconnectMillis and, when a
// server is back, plays on from there on its default sink. Played frames stand still meanwhile, and
// SoundLost says when the server has been away for longer than LostMillis. The volume is the stream's,
// so the player's volume and the mixer's are one: it is set on each new stream, and a change made in
// the mixer is reported by TakeVolumeChange.
//
// Writes go straight into the server's buffer (ServerBufferMillis), as much as it has room for; the
// stream starts once StartMillis are there. PlayedFrames counts frames heard: those handed to the server
// less its latency.
#pragma once

#include <memory>
#include <string>

#include "devices/SoundOutput.h"

class TPulseSoundOutput : public TSoundOutput {
public:
    explicit TPulseSoundOutput(int StartTimeoutMillis = DefaultStartTimeoutMillis);
    ~TPulseSoundOutput() override;
    TPulseSoundOutput(const TPulseSoundOutput&) = delete;
    TPulseSoundOutput& operator=(const TPulseSoundOutput&) = delete;

    // Returns deNoSoundOutput when no server answered since the output was made (within the timeout);
    // once one has, a start while it is away succeeds and plays when it is back.
    int Start(int Rate, int Channels) override;
    void Stop() override;
    std::size_t Write(const std::int16_t* Samples, std::size_t Frames) override;
    std::uint64_t PlayedFrames() override;
    void SetPaused(bool Paused) override;
    bool SoundLost() override;
    // The stream's own volume: what the desktop's mixer shows, and what it sets comes back here.
    bool SetVolume(int Left, int Right) override;
    bool TakeVolumeChange(int& Left, int& Right) override;

    static constexpr int ServerBufferMillis = 150;
    static constexpr int StartMillis = 20;
    static constexpr int ReconnectMillis = 300;
    static constexpr int LostMillis = 5000;
    static constexpr int DefaultStartTimeoutMillis = 3000;

    struct TState;

private:
    const int FStartTimeout;
    std::unique_ptr<TState> F;
};

// Whether a sound server answers now (within TimeoutMillis). Asked afresh each time, so a server that
// was restarted is found again.
bool SoundServerReachable(int TimeoutMillis = 1000);
