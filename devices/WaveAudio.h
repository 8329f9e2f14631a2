// The wave device: plays wave samples through the sound output and records them from the CD play. A
// recording is a digital tap: the PCM that the CD play sends to the sound output, converted to the wave's
// rate, channels and sample size. The wave is held in memory from open to close; SaveWave writes it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "devices/SoundOutput.h"
#include "devices/WaveFile.h"

class TCdAudio;

class TWaveAudio {
public:
    // Recordings tap CD; Output makes the sound output for playing (the desktop's when none is given).
    explicit TWaveAudio(TCdAudio& CD, TSoundOutputFactory Output = {});
    ~TWaveAudio();
    TWaveAudio(const TWaveAudio&) = delete;
    TWaveAudio& operator=(const TWaveAudio&) = delete;

    // Set by the player: StartWaveRecording calls it with 50 so the handset polls quickly while recording.
    std::function<void(int Interval)> OnSetTimer;

    // An empty name opens a new, empty wave (11025 Hz, 8 bits, mono). Raises EMCIDeviceError when the
    // file is missing or no wave file, and for the empty name when the desktop's sound output is not
    // there (no sound server), as the start-up's probe of the device must learn.
    void OpenWave(const std::string& FileName);
    void CloseWave();
    // Plays from the start; with Wait it returns when the play has ended. Returns 0 or an error code.
    int PlayWave(bool Wait);
    // Position in milliseconds.
    void PlayWaveFrom(int Position);
    void StopWave();
    void StartWaveRecording();
    void SaveWave(const std::string& FileName);
    // Milliseconds.
    int GetWaveLength();
    int GetWavePosition();
    bool CanRecordRate(int Rate);

    void CheckWaveOpen();
    std::string MCIErrorText();
    bool IsRecording() const { return FRecording; }
    // Format of the open wave.
    TWaveData Format();

    bool WaveOpen = false;
    bool WaveCanPlay = false;
    bool WaveCanRecord = false;
    int LastMCIError = 0;

private:
    void HaltPlay();
    void EndRecording();
    void PlayLoop(std::size_t FromFrame, unsigned Generation);
    void TapSamples(const std::int16_t* Samples, std::size_t Frames);

    TCdAudio& FCD;
    TSoundOutputFactory FOutputFactory;
    // Whether the output the factory makes is heard; a factory given by the caller always is.
    std::function<bool()> FOutputPresent;
    std::unique_ptr<TSoundOutput> FOutput;

    std::mutex FLock;
    std::condition_variable FChanged;
    TWaveData FWave;
    bool FPlaying = false;
    std::size_t FPlayFrom = 0; // frame
    std::size_t FPosition = 0; // frame where the last play or recording ended
    unsigned FGeneration = 0;
    std::thread FPlayer;

    std::atomic<bool> FRecording{false};
    struct soxr* FResampler = nullptr;
    std::vector<std::int16_t> FMix; // tap scratch
};
