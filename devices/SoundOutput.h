// Where played PCM goes: the desktop's sound server, or a clocked stand-in when there is none. Writers
// push interleaved 16-bit samples; the output takes what fits in its small buffer and reports how many
// frames have been played, which is what positions and the end of a play are measured by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TSoundOutput {
public:
    virtual ~TSoundOutput() = default;

    // Starts a stream of Rate frames per second with Channels channels, dropping anything buffered and
    // counting played frames from zero. Returns 0 or an error code.
    virtual int Start(int Rate, int Channels) = 0;
    // Ends the stream; buffered frames are dropped.
    virtual void Stop() = 0;
    // Takes up to Frames frames (as many as fit) and returns how many it took.
    virtual std::size_t Write(const std::int16_t* Samples, std::size_t Frames) = 0;
    // Frames played since Start.
    virtual std::uint64_t PlayedFrames() = 0;
    // A paused stream keeps its buffer and plays nothing.
    virtual void SetPaused(bool Paused) = 0;
    // True while a started stream cannot be heard because the sound server has been away for a while.
    virtual bool SoundLost() { return false; }
    // The stream's volume per channel, 0..65535 for 0..100 % as the desktop's mixer shows it. False
    // when the output has no volume of its own (the writer then scales the samples itself).
    virtual bool SetVolume(int Left, int Right) {
        (void)Left, (void)Right;
        return false;
    }
    // A volume set from outside (the desktop's mixer) since the last call: true with it in Left/Right.
    virtual bool TakeVolumeChange(int& Left, int& Right) {
        (void)Left, (void)Right;
        return false;
    }
};

// The name of the player's sound stream as the desktop's mixers show it (the disc and track playing);
// an empty name gives the program's name. Applies to every sound output, at once and from then on.
void SetSoundStreamName(const std::string& Name);
// The name the streams get now.
std::string SoundStreamName();

using TSoundOutputFactory = std::function<std::unique_ptr<TSoundOutput>()>;

// The desktop's sound output when a QCoreApplication exists and an audio output device is present,
// otherwise the clocked null output. ORBELUNE_AUDIO=null forces the null output, ORBELUNE_AUDIO=qt plays
// through Qt Multimedia's sink instead of libpulse.
std::unique_ptr<TSoundOutput> CreateSoundOutput();
// Whether the desktop's sound server answers now (needs a QCoreApplication).
bool HaveAudioOutputDevice();
// The sound server's properties of the player's stream (PULSE_PROP_OVERRIDE): its name and icon in
// the desktop's mixers, and music as its role.
constexpr const char* SoundStreamProperties =
    "application.name='Orbelune' application.icon_name='orbelune' media.role='music'";
// Whether CreateSoundOutput gives a sound output that is heard (or the null output by choice): false when
// there is no sound server or device, where it falls back to the silent clock.
bool SoundOutputPresent();
