// QAudioSink sound output.
#include "devices/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "devices/CdErrors.h"
#include "devices/NullSoundOutput.h"
#include "devices/PulseSoundOutput.h"

namespace {

// A stretch of written samples in the stream the sink plays: StreamAt is the stream frame where it begins
// (the stream also holds the silence handed out while the ring was empty or paused), DataAt the number of
// written frames before it.
struct TDataRun {
    std::uint64_t StreamAt = 0;
    std::uint64_t DataAt = 0;
    std::uint64_t Count = 0;
};

// How often the played position is read from the sink: often until the server first reports frames
// played, so the start of a play shows at once, then coarsely; between two readings the position runs on
// with the clock (see TQtShared::PlayedLocked).
constexpr int StartClockMillis = 10;
constexpr int ClockMillis = 50;

std::int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// Everything the writer and the sound thread share, under Lock. The sink itself is only ever touched on
// the sound thread.
struct TQtShared {
    std::mutex Lock;
    std::condition_variable Answered;
    std::deque<std::function<void(TQtSinkHolder&)>> Tasks; // work for the sound thread

    // The ring of written samples.
    std::vector<std::int16_t> Data;
    std::size_t Head = 0; // next sample to read
    std::size_t Count = 0;
    int Channels = 2;
    int Rate = 44100;

    unsigned Serial = 0; // last stream number handed out
    unsigned Stream = 0; // stream the ring belongs to; 0 after Stop or a Start that gave up
    bool Active = false; // the sink of Stream runs: writes are taken
    bool Paused = false;
    unsigned AnswerFor = 0; // stream whose start has been answered
    int Answer = deOK;
    bool Stuck = false; // a start went unanswered: the sound thread hangs in the sound server

    // Played accounting of the current stream, in frames.
    std::uint64_t Handed = 0;       // frames handed to the sink, samples and silence
    std::uint64_t DataHanded = 0;   // written frames handed to the sink
    std::uint64_t Heard = 0;        // stream frames the server has played
    std::uint64_t PlayedBefore = 0; // written frames of the runs already dropped (all played)
    std::uint64_t Held = 0;         // the played count a pause froze
    std::int64_t HeardAt = 0;       // when Heard was last moved (steady clock, microseconds)
    std::uint64_t LastPlayed = 0;   // the last count reported: the count never goes back
    std::deque<TDataRun> Runs;

    // Written frames played by now: what the server last reported, run on with the clock since then, but
    // by no more than one reading's interval (a stalled server stops it there) and never into frames not
    // yet handed over.
    std::uint64_t PlayedLocked() {
        std::uint64_t Reached = Heard;
        if (HeardAt != 0) {
            const std::int64_t Since = std::clamp<std::int64_t>(NowMicros() - HeardAt, 0, ClockMillis * 1000);
            Reached = std::min(Handed, Heard + static_cast<std::uint64_t>(Since) *
                                                   static_cast<std::uint64_t>(Rate) / 1000000);
        }
        std::uint64_t Played = PlayedBefore;
        for (const TDataRun& Run : Runs) {
            if (Run.StreamAt >= Reached) break;
            Played = Run.DataAt + std::min(Run.Count, Reached - Run.StreamAt);
        }
        LastPlayed = std::max(LastPlayed, Played);
        return LastPlayed;
    }
    void HearLocked(std::uint64_t StreamFrames) {
        StreamFrames = std::min(StreamFrames, Handed);
        if (StreamFrames <= Heard) return;
        Heard = StreamFrames;
        HeardAt = NowMicros();
        while (!Runs.empty() && Runs.front().StreamAt + Runs.front().Count <= Heard) {
            PlayedBefore = Runs.front().DataAt + Runs.front().Count;
            Runs.pop_front();
        }
    }
    void ResetLocked() {
        Head = Count = 0;
        Handed = DataHanded = Heard = PlayedBefore = Held = LastPlayed = 0;
        HeardAt = 0;
        Runs.clear();
        Paused = false;
    }
};

namespace {

// Hands the ring's samples to the sink, and silence when the ring is empty or paused, so the sink keeps
// running between writes instead of falling idle. A device of an earlier stream gets silence only.
class TRingDevice : public QIODevice {
public:
    TRingDevice(std::shared_ptr<TQtShared> Shared, unsigned Stream, int Channels)
        : FShared(std::move(Shared)), FStream(Stream), FChannels(static_cast<std::size_t>(Channels)) {
        // Unbuffered: a buffered device reads ahead in 16 KiB blocks, padded with silence past what the
        // ring holds, which at a wave's low byte rates is most of a second of silence per block.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* Out, qint64 MaxLen) override {
        const std::size_t FrameBytes = sizeof(std::int16_t) * FChannels;
        const std::size_t Frames = static_cast<std::size_t>(MaxLen) / FrameBytes;
        if (Frames == 0) return 0;
        std::size_t Copied = 0; // samples
        TQtShared& R = *FShared;
        {
            std::lock_guard Guard(R.Lock);
            if (R.Stream == FStream && R.Active) {
                if (!R.Paused) {
                    const std::size_t Want = std::min(Frames * FChannels, R.Count);
                    auto* Dest = reinterpret_cast<std::int16_t*>(Out);
                    while (Copied < Want) {
                        const std::size_t Run = std::min(Want - Copied, R.Data.size() - R.Head);
                        std::memcpy(Dest + Copied, R.Data.data() + R.Head, Run * sizeof(std::int16_t));
                        Copied += Run;
                        R.Head = (R.Head + Run) % R.Data.size();
                        R.Count -= Run;
                    }
                }
                const std::uint64_t DataFrames = Copied / FChannels;
                if (DataFrames > 0) {
                    if (!R.Runs.empty() && R.Runs.back().StreamAt + R.Runs.back().Count == R.Handed &&
                        R.Runs.back().DataAt + R.Runs.back().Count == R.DataHanded)
                        R.Runs.back().Count += DataFrames;
                    else
                        R.Runs.push_back({R.Handed, R.DataHanded, DataFrames});
                }
                R.Handed += Frames;
                R.DataHanded += DataFrames;
            }
        }
        std::memset(Out + Copied * sizeof(std::int16_t), 0,
                    Frames * FrameBytes - Copied * sizeof(std::int16_t));
        return static_cast<qint64>(Frames * FrameBytes);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<TQtShared> FShared;
    const unsigned FStream;
    const std::size_t FChannels;
};

} // namespace

// Owns the sink on the sound thread and runs the work the output posts there.
class TQtSinkHolder : public QObject {
    Q_OBJECT

public:
    explicit TQtSinkHolder(std::shared_ptr<TQtShared> Shared) : FShared(std::move(Shared)) {}

    // Invoked by name, so the work itself travels through the shared queue (under its mutex) and nothing
    // of it through Qt's event queue.
    Q_INVOKABLE void RunTasks() {
        for (;;) {
            std::function<void(TQtSinkHolder&)> Task;
            {
                std::lock_guard Guard(FShared->Lock);
                if (FShared->Tasks.empty()) return;
                Task = std::move(FShared->Tasks.front());
                FShared->Tasks.pop_front();
            }
            Task(*this);
        }
    }

    void Close() {
        if (!FSink) return;
        QAudioSink* Sink = FSink;
        FSink = nullptr;
        FStream = 0;
        Sink->stop();
        delete Sink; // with its clock and ring device
    }

    void Open(unsigned Stream, int Rate, int Channels) {
        Close();
        TQtShared& R = *FShared;
        {
            std::lock_guard Guard(R.Lock);
            if (R.Stream != Stream) return; // superseded, or the caller gave up waiting
        }
        int Result = deOK;
        QAudioFormat Format;
        Format.setSampleRate(Rate);
        Format.setChannelCount(Channels);
        Format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice Device = QMediaDevices::defaultAudioOutput();
        if (Device.isNull() || !Device.isFormatSupported(Format)) {
            Result = Device.isNull() ? deNoSoundOutput : deWaveFormat;
        } else {
            auto* Sink = new QAudioSink(Device, Format, this);
            // About 100 ms in the sink keeps latency low without underruns on a busy machine.
            Sink->setBufferSize(Rate * Channels * 2 / 10);
            auto* Source = new TRingDevice(FShared, Stream, Channels);
            Source->setParent(Sink);
            {
                std::lock_guard Guard(R.Lock);
                if (R.Stream == Stream) R.Active = true;
            }
            Sink->start(Source);
            if (Sink->error() != QAudio::NoError) {
                delete Sink;
                Result = deNoSoundOutput;
            } else {
                FSink = Sink;
                FStream = Stream;
                FRate = Rate;
                auto* Clock = new QTimer(Sink);
                QObject::connect(Clock, &QTimer::timeout, Sink, [this, Clock] { Sample(Clock); });
                Clock->start(StartClockMillis);
            }
        }
        bool GaveUp;
        {
            std::lock_guard Guard(R.Lock);
            GaveUp = R.Stream != Stream;
            if (!GaveUp) {
                R.Active = Result == deOK;
                R.AnswerFor = Stream;
                R.Answer = Result;
            }
            R.Stuck = false;
        }
        R.Answered.notify_all();
        if (GaveUp) Close();
    }

    void Pause(unsigned Stream, bool Paused) {
        if (!FSink || FStream != Stream) return;
        if (Paused)
            FSink->suspend();
        else
            FSink->resume();
    }

private:
    // Moves the played position up to what the sound server reports.
    void Sample(QTimer* Clock) {
        if (!FSink) return;
        const qint64 Micros = FSink->processedUSecs();
        std::lock_guard Guard(FShared->Lock);
        if (FShared->Stream != FStream || Micros <= 0) return;
        FShared->HearLocked(static_cast<std::uint64_t>(Micros) * static_cast<std::uint64_t>(FRate) / 1000000);
        if (Clock->interval() != ClockMillis) Clock->setInterval(ClockMillis);
    }

    std::shared_ptr<TQtShared> FShared;
    QAudioSink* FSink = nullptr;
    unsigned FStream = 0;
    int FRate = 44100;
};

namespace {

void Post(const std::shared_ptr<TQtShared>& Shared, TQtSinkHolder* Holder,
          std::function<void(TQtSinkHolder&)> Task) {
    {
        std::lock_guard Guard(Shared->Lock);
        Shared->Tasks.push_back(std::move(Task));
    }
    QMetaObject::invokeMethod(Holder, "RunTasks", Qt::QueuedConnection);
}

} // namespace

TQtSoundOutput::TQtSoundOutput(int StartTimeoutMillis)
    : FStartTimeout(StartTimeoutMillis), FThread(std::make_unique<QThread>()),
      FShared(std::make_shared<TQtShared>()) {
    FHolder = std::make_unique<TQtSinkHolder>(FShared);
    FThread->setObjectName("Sound output");
    FHolder->moveToThread(FThread.get());
    FThread->start();
}

TQtSoundOutput::~TQtSoundOutput() {
    {
        std::lock_guard Guard(FShared->Lock);
        FShared->Stream = 0;
        FShared->Active = false;
    }
    Post(FShared, FHolder.get(), [](TQtSinkHolder& Holder) {
        Holder.Close();
        QThread::currentThread()->quit();
    });
    bool Stuck;
    {
        std::lock_guard Guard(FShared->Lock);
        Stuck = FShared->Stuck;
    }
    if (FThread->wait(QDeadlineTimer(Stuck ? StuckShutdownMillis : ShutdownMillis))) {
        FHolder.reset();
        std::lock_guard Guard(FShared->Lock);
        FShared->Tasks.clear();
    } else {
        // The thread is stuck in the sound server. Leave it and its sink behind rather than hang the
        // caller; it ends by itself if the server ever answers.
        (void)FHolder.release();
        (void)FThread.release();
    }
}

void TQtSoundOutput::PostToSoundThread(std::function<void()> Task) {
    Post(FShared, FHolder.get(), [Task = std::move(Task)](TQtSinkHolder&) { Task(); });
}

int TQtSoundOutput::Start(int Rate, int Channels) {
    if (Rate <= 0 || Channels <= 0) return deWaveFormat;
    TQtShared& R = *FShared;
    unsigned Stream;
    {
        std::lock_guard Guard(R.Lock);
        if (++R.Serial == 0) ++R.Serial;
        Stream = R.Stream = R.Serial;
        R.Active = false;
        R.Data.assign(
            static_cast<std::size_t>(Rate) * static_cast<std::size_t>(Channels) * BufferMillis / 1000, 0);
        R.Channels = Channels;
        R.Rate = Rate;
        R.ResetLocked();
    }
    Post(FShared, FHolder.get(),
         [Stream, Rate, Channels](TQtSinkHolder& Holder) { Holder.Open(Stream, Rate, Channels); });
    std::unique_lock Guard(R.Lock);
    R.Answered.wait_for(Guard, std::chrono::milliseconds(FStartTimeout),
                        [&] { return R.AnswerFor == Stream || R.Stream != Stream; });
    if (R.AnswerFor == Stream) return R.Answer;
    // No answer in time: the sound server (or the thread talking to it) is stuck.
    R.Stuck = true;
    if (R.Stream == Stream) {
        R.Stream = 0;
        R.Active = false;
    }
    return deNoSoundOutput;
}

void TQtSoundOutput::Stop() {
    {
        std::lock_guard Guard(FShared->Lock);
        FShared->Stream = 0;
        FShared->Active = false;
        FShared->Count = 0;
        FShared->Paused = false;
    }
    Post(FShared, FHolder.get(), [](TQtSinkHolder& Holder) { Holder.Close(); });
}

std::size_t TQtSoundOutput::Write(const std::int16_t* Samples, std::size_t Frames) {
    TQtShared& R = *FShared;
    std::lock_guard Guard(R.Lock);
    if (!R.Active || R.Stream == 0 || R.Data.empty()) return 0;
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
    std::lock_guard Guard(FShared->Lock);
    return FShared->Paused ? FShared->Held : FShared->PlayedLocked();
}

void TQtSoundOutput::SetPaused(bool Paused) {
    unsigned Stream;
    {
        std::lock_guard Guard(FShared->Lock);
        if (FShared->Paused == Paused) return;
        if (Paused) FShared->Held = FShared->PlayedLocked();
        FShared->Paused = Paused;
        Stream = FShared->Stream;
    }
    // Corking the stream also holds what the server has buffered, so the pause is heard at once.
    if (Stream != 0)
        Post(FShared, FHolder.get(),
             [Stream, Paused](TQtSinkHolder& Holder) { Holder.Pause(Stream, Paused); });
}

bool HaveAudioOutputDevice() {
    if (!QCoreApplication::instance()) return false;
    // Asked of the sound server itself: Qt's list of devices is kept from its first connection and
    // stays empty after the server restarted.
    return SoundServerReachable();
}

bool SoundOutputPresent() {
    const char* Choice = std::getenv("ORBELUNE_AUDIO");
    return (Choice && std::string(Choice) == "null") || HaveAudioOutputDevice();
}

std::unique_ptr<TSoundOutput> CreateSoundOutput() {
    const char* Choice = std::getenv("ORBELUNE_AUDIO");
    if (Choice && std::string(Choice) == "null") return std::make_unique<TNullSoundOutput>();
    // The sound server's own client library where it is there: the stream is named, corked and
    // followed across restarts of the server; Qt's sink stays for ORBELUNE_AUDIO=qt.
    if (Choice && std::string(Choice) == "qt" && HaveAudioOutputDevice())
        return std::make_unique<TQtSoundOutput>();
    if (HaveAudioOutputDevice()) return std::make_unique<TPulseSoundOutput>();
    return std::make_unique<TNullSoundOutput>();
}

#include "QtSoundOutput.moc"
