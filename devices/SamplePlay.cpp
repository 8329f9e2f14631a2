#include "devices/SamplePlay.h"

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"

const char* const msgCannotPlaySample = "The sample cannot be played: ";

TSamplePlay::TSamplePlay(TWaveAudio& Wave, TDiscCatalogue& Catalogue) : FWave(Wave), FCatalogue(Catalogue) {}

TSamplePlay::~TSamplePlay() {
    Close();
}

bool TSamplePlay::OpenSample(std::int32_t SampleRef) {
    Close();
    if (SampleRef == 0) {
        ShowError(msgNoSample);
        return false;
    }
    const std::string Working = FCatalogue.WorkingSample();
    DeleteFileQuietly(Working);
    if (!FCatalogue.OpenDiscVlf()) return false;
    TVlf& Store = FCatalogue.fvlf.Vlf;
    const bool IsSample = Store.ItemKind(SampleRef) == VlfKindSample;
    const bool Copied = IsSample && Store.ExtractFile(SampleRef, Working, false);
    FCatalogue.CloseDiscVlf();
    if (!Copied) {
        DeleteFileQuietly(Working);
        ShowError(std::string(msgCannotPlaySample) + "the catalogue holds no sample there.");
        return false;
    }
    return OpenFile(Working);
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
        DeleteFileQuietly(FCatalogue.WorkingSample());
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
    DeleteFileQuietly(FCatalogue.WorkingSample());
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
