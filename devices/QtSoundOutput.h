// Sound output through Qt Multimedia's QAudioSink (PulseAudio or PipeWire on the desktop). The sink lives
// on a thread of its own with an event loop and pulls PCM from a small ring buffer that writers fill.
#pragma once

#include <memory>

#include "devices/SoundOutput.h"

class QThread;
class QObject;
class QAudioSink;
struct TQtRing;

class TQtSoundOutput : public TSoundOutput {
public:
    TQtSoundOutput();
    ~TQtSoundOutput() override;

    int Start(int Rate, int Channels) override;
    void Stop() override;
    std::size_t Write(const std::int16_t* Samples, std::size_t Frames) override;
    std::uint64_t PlayedFrames() override;
    void SetPaused(bool Paused) override;

    static constexpr int BufferMillis = 250;

private:
    void StopSink();

    std::unique_ptr<QThread> FThread;
    std::unique_ptr<QObject> FContext; // lives on FThread; owns the sink and the ring device
    std::shared_ptr<TQtRing> FRing;
    QAudioSink* FSink = nullptr;
};
