#include "devices/SampleRecorder.h"

#include "app/base/RegularFile.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/SoundTap.h"
#include "devices/WaveAudio.h"
#include "player/base/PlayerState.h"

const char* const msgSaveAsDiscSample = "Save Wave as disk sample?";
const char* const msgKeepSampleAgain =
    "The sample was not stored in the catalogue. Try again? (No offers to save it as a file.)";
const char* const msgCannotOpenFile = "Cannot open file";

TSampleRecorder::TSampleRecorder(TPlayerState& State, TCdAudio& Cd, TWaveAudio& Wave, TSoundTap& Tap,
                                 TSampleKeeping Keeping)
    : FState(State), FCd(Cd), FWave(Wave), FTap(Tap), FKeeping(std::move(Keeping)) {
    FTap.SetEndOfRecording([this] { EndRecording(); });
    FWave.OnSetTimer = [this](int Interval) { FTap.SetTimer(Interval); };
}

TSampleRecorder::~TSampleRecorder() {
    FTap.SetEndOfRecording(nullptr);
    FWave.OnSetTimer = nullptr;
    if (FState.Recording) {
        FState.Recording = false;
        FWave.CloseWave();
    }
    DeleteFileQuietly(TempFileName());
}

std::string RecordingFileName(const std::string& DataDir) {
    return DataDir + "$temp.wav";
}

void RemoveLeftoverRecording(const std::string& DataDir) {
    DeleteFileQuietly(RecordingFileName(DataDir));
}

std::string TSampleRecorder::TempFileName() const {
    return RecordingFileName(FKeeping.DataDir);
}

bool TSampleRecorder::StartRecording(bool Tracks, const TRecordFormat& Format) {
    if (WriteWaveHeader(TempFileName(), Format.Rate, Format.Bits, Format.Channels) != deOK)
        ShowError(msgCannotOpenFile);
    // The wave device is opened before the player is touched, so a file that cannot be opened leaves the
    // player as it was.
    try {
        FWave.OpenWave(TempFileName());
    } catch (const EMCIDeviceError& Error) {
        ShowError(Error.what());
        DeleteFileQuietly(TempFileName());
        return false;
    }
    if (Tracks) {
        FCd.StopCD();
        FCd.GoToTrack(1);
        FState.Recording = true;
        FState.PlayMode = pmIntro;
        FWave.StartWaveRecording();
        FCd.PlayFrom(FCd.GetDiscPosition(), FCd.GetCurrentTrack());
    } else {
        FState.Recording = true;
        FWave.StartWaveRecording();
        PlayBookmark();
    }
    FTap.ShowPlaying();
    return true;
}

void TSampleRecorder::PlayBookmark() {
    FCd.PlayBookmark();
}

void TSampleRecorder::Preview() {
    FState.Recording = false;
    PlayBookmark();
    FTap.ShowPlaying();
}

void TSampleRecorder::EndRecording() {
    try {
        FWave.StopWave();
        bool Kept = false;
        if (AskYesNo(msgSaveAsDiscSample) == idYes) {
            const std::string& Working = FKeeping.WorkingSample;
            FWave.SaveWave(Working);
            Kept = FWave.LastMCIError == deOK && KeepSample(Working);
            // The message said why (the catalogue busy, the disk full): once that is over it goes in.
            while (!Kept && FWave.LastMCIError == deOK && AskYesNo(msgKeepSampleAgain) == idYes)
                Kept = KeepSample(Working);
            DeleteFileQuietly(Working);
        }
        // A sample the catalogue could not take is still offered as a file, so the recording is not lost.
        if (!Kept) {
            const std::string Name = ChooseSaveFile ? ChooseSaveFile() : std::string();
            if (!Name.empty()) FWave.SaveWave(Name);
        }
        FWave.CloseWave();
    } catch (const EMCIDeviceError& Error) {
        ShowError(Error.what());
    }
    DeleteFileQuietly(TempFileName());
    FState.Recording = false;
}

bool TSampleRecorder::KeepSample(const std::string& File) {
    return FKeeping.KeepWithDisc && FKeeping.KeepWithDisc(File);
}
