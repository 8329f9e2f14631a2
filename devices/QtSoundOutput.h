// Sound output through Qt Multimedia's QAudioSink (PulseAudio or PipeWire on the desktop). The sink lives
// on a thread of its own with an event loop and pulls PCM from a small ring buffer that writers fill.
//
// PlayedFrames counts the frames the sound server has played (QAudioSink::processedUSecs), not the frames
// handed to the sink, so a play that ends stops its stream only after its last samples were heard.
//
// No call waits on the sound server without a limit: Start gives up after StartTimeoutMillis (a stalled
// server, or one that never answers) and returns deNoSoundOutput; Stop and SetPaused only post work to
// the sound thread; the destructor waits at most ShutdownMillis for the thread and leaves it behind when
// it is stuck in the sound server.
#pragma once

#include <functional>
#include <memory>

#include "devices/SoundOutput.h"

class QThread;
struct TQtShared;
class TQtSinkHolder;

class TQtSoundOutput : public TSoundOutput {
public:
    explicit TQtSoundOutput(int StartTimeoutMillis = DefaultStartTimeoutMillis);
    ~TQtSoundOutput() override;

    int Start(int Rate, int Channels) override;
    void Stop() override;
    std::size_t Write(const std::int16_t* Samples, std::size_t Frames) override;
    std::uint64_t PlayedFrames() override;
    void SetPaused(bool Paused) override;

    // Runs Task on the sound thread after the work posted before it (tests use it to stall the thread).
    void PostToSoundThread(std::function<void()> Task);

    static constexpr int BufferMillis = 250;
    static constexpr int DefaultStartTimeoutMillis = 3000;
    static constexpr int ShutdownMillis = 1000;
    static constexpr int StuckShutdownMillis = 100; // after a start that went unanswered

private:
    const int FStartTimeout;
    std::unique_ptr<QThread> FThread;
    std::unique_ptr<TQtSinkHolder> FHolder; // lives on FThread; owns the sink
    std::shared_ptr<TQtShared> FShared;
};
