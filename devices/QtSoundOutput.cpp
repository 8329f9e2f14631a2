// QAudioSink sound output.
#include "devices/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "devices/CdErrors.h"
#include "devices/NullSoundOutput.h"

// The buffer between the writer and the sink's thread.
struct TQtRing {
    std::mutex Lock;
    std::vector<std::int16_t> Data;
    std::size_t Head = 0; // next sample to read
    std::size_t Count = 0;
    int Channels = 2;
    bool Paused = false;
    std::uint64_t Played = 0;
};

namespace {

// Hands the ring's samples to the sink, and silence when the ring is empty or paused, so the sink keeps
// running between writes instead of falling idle.
class TRingDevice : public QIODevice {
public:
    explicit TRingDevice(std::shared_ptr<TQtRing> Ring) : FRing(std::move(Ring)) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* Out, qint64 MaxLen) override {
        TQtRing& R = *FRing;
        std::lock_guard Guard(R.Lock);
        const std::size_t FrameBytes = sizeof(std::int16_t) * static_cast<std::size_t>(R.Channels);
        const std::size_t Frames = static_cast<std::size_t>(MaxLen) / FrameBytes;
        if (Frames == 0) return 0;
        std::size_t Copied = 0; // samples
        if (!R.Paused) {
            const std::size_t Want = std::min(Frames * static_cast<std::size_t>(R.Channels), R.Count);
            auto* Dest = reinterpret_cast<std::int16_t*>(Out);
            while (Copied < Want) {
                const std::size_t Run = std::min(Want - Copied, R.Data.size() - R.Head);
                std::memcpy(Dest + Copied, R.Data.data() + R.Head, Run * sizeof(std::int16_t));
                Copied += Run;
                R.Head = (R.Head + Run) % R.Data.size();
                R.Count -= Run;
            }
            R.Played += Copied / static_cast<std::size_t>(R.Channels);
        }
        std::memset(Out + Copied * sizeof(std::int16_t), 0,
                    Frames * FrameBytes - Copied * sizeof(std::int16_t));
        return static_cast<qint64>(Frames * FrameBytes);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<TQtRing> FRing;
};

} // namespace

TQtSoundOutput::TQtSoundOutput()
    : FThread(std::make_unique<QThread>()), FContext(std::make_unique<QObject>()),
      FRing(std::make_shared<TQtRing>()) {
    FThread->setObjectName("Sound output");
    FContext->moveToThread(FThread.get());
    FThread->start();
}

TQtSoundOutput::~TQtSoundOutput() {
    StopSink();
    FThread->quit();
    FThread->wait();
    FContext.reset();
}

void TQtSoundOutput::StopSink() {
    if (!FSink) return;
    QAudioSink* Sink = FSink;
    FSink = nullptr;
    QMetaObject::invokeMethod(
        FContext.get(),
        [Sink] {
            Sink->stop();
            delete Sink;
        },
        Qt::BlockingQueuedConnection);
}

int TQtSoundOutput::Start(int Rate, int Channels) {
    StopSink();
    if (Rate <= 0 || Channels <= 0) return deWaveFormat;
    {
        std::lock_guard Guard(FRing->Lock);
        FRing->Data.assign(
            static_cast<std::size_t>(Rate) * static_cast<std::size_t>(Channels) * BufferMillis / 1000, 0);
        FRing->Head = FRing->Count = 0;
        FRing->Channels = Channels;
        FRing->Paused = false;
        FRing->Played = 0;
    }
    int Result = deOK;
    QMetaObject::invokeMethod(
        FContext.get(),
        [this, Rate, Channels, &Result] {
            QAudioFormat Format;
            Format.setSampleRate(Rate);
            Format.setChannelCount(Channels);
            Format.setSampleFormat(QAudioFormat::Int16);
            const QAudioDevice Device = QMediaDevices::defaultAudioOutput();
            if (Device.isNull() || !Device.isFormatSupported(Format)) {
                Result = Device.isNull() ? deNoSoundOutput : deWaveFormat;
                return;
            }
            auto* Sink = new QAudioSink(Device, Format, FContext.get());
            // About 100 ms in the sink keeps latency low without underruns on a busy machine.
            Sink->setBufferSize(Rate * Channels * 2 / 10);
            auto* Source = new TRingDevice(FRing);
            Source->setParent(Sink);
            Sink->start(Source);
            if (Sink->error() != QAudio::NoError) {
                delete Sink;
                Result = deNoSoundOutput;
                return;
            }
            FSink = Sink;
        },
        Qt::BlockingQueuedConnection);
    return Result;
}

void TQtSoundOutput::Stop() {
    StopSink();
    std::lock_guard Guard(FRing->Lock);
    FRing->Count = 0;
}

std::size_t TQtSoundOutput::Write(const std::int16_t* Samples, std::size_t Frames) {
    TQtRing& R = *FRing;
    std::lock_guard Guard(R.Lock);
    if (!FSink || R.Data.empty()) return 0;
    const std::size_t Channels = static_cast<std::size_t>(R.Channels);
    const std::size_t Take = std::min(Frames, (R.Data.size() - R.Count) / Channels);
    std::size_t Tail = (R.Head + R.Count) % R.Data.size();
    for (std::size_t I = 0; I < Take * Channels; ++I) {
        R.Data[Tail] = Samples[I];
        Tail = (Tail + 1) % R.Data.size();
    }
    R.Count += Take * Channels;
    return Take;
}

std::uint64_t TQtSoundOutput::PlayedFrames() {
    std::lock_guard Guard(FRing->Lock);
    return FRing->Played;
}

void TQtSoundOutput::SetPaused(bool Paused) {
    std::lock_guard Guard(FRing->Lock);
    FRing->Paused = Paused;
}

bool HaveAudioOutputDevice() {
    if (!QCoreApplication::instance()) return false;
    return !QMediaDevices::audioOutputs().isEmpty();
}

std::unique_ptr<TSoundOutput> CreateSoundOutput() {
    const char* Choice = std::getenv("ORBELUNE_AUDIO");
    if (Choice && std::string(Choice) == "null") return std::make_unique<TNullSoundOutput>();
    if (HaveAudioOutputDevice()) return std::make_unique<TQtSoundOutput>();
    return std::make_unique<TNullSoundOutput>();
}
