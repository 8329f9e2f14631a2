#include "devices/SamplePlay.h"

#include "app/base/RegularFile.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"

const char* const msgCannotPlaySample = "The sample cannot be played: ";

TSamplePlay::TSamplePlay(TWaveAudio& Wave, std::string WorkingFile)
    : FWave(Wave), FWorkingFile(std::move(WorkingFile)) {}

TSamplePlay::~TSamplePlay() {
    Close();
}

bool TSamplePlay::OpenFile(const std::string& FileName) {
    if (FOpen) FWave.CloseWave();
    FOpen = FPlayed = false;
    FLength = 0;
    try {
        FWave.OpenWave(FileName);
        FLength = FWave.GetWaveLength();
        FOpen = true;
    } catch (const EMCIDeviceError& Error) {
        ShowError(std::string(msgCannotPlaySample) + Error.what());
        DeleteFileQuietly(FWorkingFile);
    }
    return FOpen;
}

bool TSamplePlay::Play() {
    return PlayFrom(0);
}

bool TSamplePlay::PlayFrom(int Position) {
    if (!FOpen) return false;
    FWave.PlayWaveFrom(Position);
    if (FWave.LastMCIError != deOK) {
        ShowError(std::string(msgCannotPlaySample) + FWave.MCIErrorText());
        return false;
    }
    FPlayed = true;
    return true;
}

void TSamplePlay::Stop() {
    if (FOpen) FWave.StopWave();
    FPlayed = false;
}

void TSamplePlay::Close() {
    if (FOpen) FWave.CloseWave();
    FOpen = FPlayed = false;
    FLength = 0;
    DeleteFileQuietly(FWorkingFile);
}

int TSamplePlay::Length() {
    return FOpen ? FLength : 0;
}

int TSamplePlay::Position() {
    return FOpen ? FWave.GetWavePosition() : 0;
}

bool TSamplePlay::IsPlaying() {
    if (!FPlayed || !FOpen) return false;
    if (Position() >= FLength) FPlayed = false;
    return FPlayed;
}
