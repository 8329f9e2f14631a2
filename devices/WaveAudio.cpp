// Wave device: playing from memory, recording from the CD tap.
#include "devices/WaveAudio.h"

#include <soxr.h>

#include <algorithm>
#include <chrono>

#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/NullSoundOutput.h"

namespace {

constexpr int CdRate = 44100;
constexpr int MinRecordRate = 1000;
constexpr int MaxRecordRate = 192000;

} // namespace

TWaveAudio::TWaveAudio(TCdAudio& CD, TSoundOutputFactory Output)
    : FCD(CD), FOutputFactory(std::move(Output)) {
    FOutputPresent = [] { return true; };
    if (!FOutputFactory) {
        FOutputFactory = CreateSoundOutput;
        FOutputPresent = SoundOutputPresent;
    }
}

TWaveAudio::~TWaveAudio() {
    CloseWave();
}

void TWaveAudio::CheckWaveOpen() {
    if (!WaveOpen) throw EMCIDeviceError("Wave device not open");
}

std::string TWaveAudio::MCIErrorText() {
    return DeviceErrorText(LastMCIError);
}

TWaveData TWaveAudio::Format() {
    std::lock_guard Guard(FLock);
    TWaveData Result;
    Result.Rate = FWave.Rate;
    Result.Channels = FWave.Channels;
    Result.Bits = FWave.Bits;
    return Result;
}

void TWaveAudio::OpenWave(const std::string& FileName) {
    CloseWave();
    WaveCanPlay = WaveCanRecord = false;
    TWaveData Wave;
    if (!FileName.empty()) {
        LastMCIError = LoadWaveFile(FileName, Wave);
        if (LastMCIError) throw EMCIDeviceError(MCIErrorText());
    } else if (!FOutputPresent()) {
        LastMCIError = deNoSoundOutput;
        throw EMCIDeviceError(MCIErrorText());
    }
    {
        std::lock_guard Guard(FLock);
        FWave = std::move(Wave);
        FPosition = 0;
    }
    LastMCIError = deOK;
    WaveOpen = true;
    WaveCanPlay = static_cast<bool>(FOutputFactory);
    // Recording taps the CD play, which is always there to tap.
    WaveCanRecord = true;
}

void TWaveAudio::CloseWave() {
    if (!WaveOpen) return;
    StopWave();
    FOutput.reset();
    std::lock_guard Guard(FLock);
    FWave = TWaveData{};
    FPosition = 0;
    WaveOpen = false;
}

void TWaveAudio::HaltPlay() {
    {
        std::lock_guard Guard(FLock);
        // A stopped play stays where it was heard last, so a later play can continue from there.
        if (FPlaying && FOutput)
            FPosition =
                std::min(FWave.Frames(), FPlayFrom + static_cast<std::size_t>(FOutput->PlayedFrames()));
        FPlaying = false;
        ++FGeneration;
    }
    FChanged.notify_all();
    if (FPlayer.joinable()) FPlayer.join();
    if (FOutput) FOutput->Stop();
}

void TWaveAudio::PlayLoop(std::size_t FromFrame, unsigned Generation) {
    std::size_t Next = FromFrame;
    std::unique_lock Guard(FLock);
    while (FGeneration == Generation) {
        const std::size_t Total = FWave.Frames();
        const std::size_t Played = FromFrame + static_cast<std::size_t>(FOutput->PlayedFrames());
        if (Next >= Total && Played >= Total) {
            FPlaying = false;
            FPosition = Total;
            FChanged.notify_all();
            return;
        }
        if (Next < Total) {
            const std::size_t Channels = static_cast<std::size_t>(FWave.Channels);
            Next += FOutput->Write(FWave.Samples.data() + Next * Channels,
                                   std::min<std::size_t>(Total - Next, 4096));
        }
        FChanged.wait_for(Guard, std::chrono::milliseconds(10));
    }
}

int TWaveAudio::PlayWave(bool Wait) {
    CheckWaveOpen();
    PlayWaveFrom(0);
    if (Wait && LastMCIError == deOK) {
        // Bounded by the wave's length, so a stalled output cannot hang the caller.
        const auto Limit = std::chrono::milliseconds(GetWaveLength() + 2000);
        std::unique_lock Guard(FLock);
        FChanged.wait_for(Guard, Limit, [this] { return !FPlaying; });
    }
    return LastMCIError;
}

void TWaveAudio::PlayWaveFrom(int Position) {
    CheckWaveOpen();
    HaltPlay();
    if (FRecording) EndRecording();
    if (!FOutput) FOutput = FOutputFactory();
    std::size_t From;
    int Rate, Channels;
    {
        std::lock_guard Guard(FLock);
        Rate = FWave.Rate;
        Channels = FWave.Channels;
        From = static_cast<std::size_t>(std::max(0, Position)) * static_cast<std::size_t>(Rate) / 1000;
        if (From > FWave.Frames()) {
            LastMCIError = deOutOfRange;
            return;
        }
    }
    if (FOutput->Start(Rate, Channels) != deOK) {
        FOutput = std::make_unique<TNullSoundOutput>();
        FOutput->Start(Rate, Channels);
    }
    unsigned Generation;
    {
        std::lock_guard Guard(FLock);
        FPlaying = true;
        FPlayFrom = From;
        Generation = FGeneration;
    }
    LastMCIError = deOK;
    FPlayer = std::thread([this, From, Generation] { PlayLoop(From, Generation); });
}

void TWaveAudio::StopWave() {
    if (!WaveOpen) return;
    HaltPlay();
    if (FRecording) EndRecording();
}

void TWaveAudio::StartWaveRecording() {
    CheckWaveOpen();
    HaltPlay();
    if (FRecording) EndRecording();
    {
        std::lock_guard Guard(FLock);
        // A recording starts at the beginning of the wave and replaces what was there.
        FWave.Samples.clear();
        FPosition = 0;
        soxr_error_t Error = nullptr;
        const soxr_io_spec_t Io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const soxr_quality_spec_t Quality = soxr_quality_spec(SOXR_MQ, 0);
        FResampler = soxr_create(CdRate, FWave.Rate, static_cast<unsigned>(FWave.Channels), &Error, &Io,
                                 &Quality, nullptr);
        if (Error) {
            FResampler = nullptr;
            LastMCIError = deBadRate;
            return;
        }
    }
    FRecording = true;
    FCD.SetPcmTap([this](const std::int16_t* Samples, std::size_t Frames) { TapSamples(Samples, Frames); });
    LastMCIError = deOK;
    if (OnSetTimer) OnSetTimer(50);
}

void TWaveAudio::TapSamples(const std::int16_t* Samples, std::size_t Frames) {
    std::lock_guard Guard(FLock);
    if (!FResampler) return;
    const std::int16_t* Input = Samples;
    if (FWave.Channels == 1) {
        FMix.resize(Frames);
        for (std::size_t I = 0; I < Frames; ++I)
            FMix[I] = static_cast<std::int16_t>((Samples[2 * I] + Samples[2 * I + 1]) / 2);
        Input = FMix.data();
    }
    const std::size_t Channels = static_cast<std::size_t>(FWave.Channels);
    const std::size_t Room = Frames * static_cast<std::size_t>(FWave.Rate) / CdRate + 64;
    const std::size_t Old = FWave.Samples.size();
    FWave.Samples.resize(Old + Room * Channels);
    std::size_t Done = 0;
    soxr_process(FResampler, Input, Frames, nullptr, FWave.Samples.data() + Old, Room, &Done);
    FWave.Samples.resize(Old + Done * Channels);
}

void TWaveAudio::EndRecording() {
    // After the tap is removed the drive calls it no more, so the resampler can be flushed and freed.
    FCD.SetPcmTap({});
    std::lock_guard Guard(FLock);
    FRecording = false;
    if (!FResampler) return;
    const std::size_t Channels = static_cast<std::size_t>(FWave.Channels);
    for (;;) {
        std::int16_t Tail[1024];
        std::size_t Done = 0;
        soxr_process(FResampler, nullptr, 0, nullptr, Tail, 1024 / Channels, &Done);
        if (Done == 0) break;
        FWave.Samples.insert(FWave.Samples.end(), Tail, Tail + Done * Channels);
    }
    soxr_delete(FResampler);
    FResampler = nullptr;
    FPosition = FWave.Frames(); // a recording ends at its end
}

void TWaveAudio::SaveWave(const std::string& FileName) {
    CheckWaveOpen();
    if (FRecording) EndRecording();
    TWaveData Copy;
    {
        std::lock_guard Guard(FLock);
        Copy = FWave;
    }
    LastMCIError = SaveWaveFile(FileName, Copy);
    if (LastMCIError) ShowError("Error saving file");
}

int TWaveAudio::GetWaveLength() {
    CheckWaveOpen();
    std::lock_guard Guard(FLock);
    return FWave.Rate > 0 ? static_cast<int>(FWave.Frames() * 1000 / static_cast<std::size_t>(FWave.Rate))
                          : 0;
}

int TWaveAudio::GetWavePosition() {
    CheckWaveOpen();
    std::lock_guard Guard(FLock);
    if (FRecording)
        return FWave.Rate > 0 ? static_cast<int>(FWave.Frames() * 1000 / static_cast<std::size_t>(FWave.Rate))
                              : 0;
    if (FWave.Rate <= 0) return 0;
    const std::size_t Frame =
        FPlaying && FOutput
            ? std::min(FWave.Frames(), FPlayFrom + static_cast<std::size_t>(FOutput->PlayedFrames()))
            : std::min(FWave.Frames(), FPosition);
    return static_cast<int>(Frame * 1000 / static_cast<std::size_t>(FWave.Rate));
}

bool TWaveAudio::CanRecordRate(int Rate) {
    LastMCIError = Rate >= MinRecordRate && Rate <= MaxRecordRate ? deOK : deBadRate;
    return LastMCIError == deOK;
}
