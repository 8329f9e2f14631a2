#include "devices/SampleRecorder.h"

#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"
#include "player/PlayerCore.h"

const char* const msgSaveAsDiscSample = "Save Wave as disk sample?";
const char* const msgCannotOpenFile = "Cannot open file";

TSampleRecorder::TSampleRecorder(TPlayerState& State, TCdAudio& Cd, TWaveAudio& Wave,
                                 TDiscCatalogue& Catalogue, TPlayerCore& Core)
    : FState(State), FCd(Cd), FWave(Wave), FCatalogue(Catalogue), FCore(Core) {
    FCore.EndRecording = [this] { EndRecording(); };
    FWave.OnSetTimer = [this](int Interval) { FCore.SetTimer(Interval); };
}

TSampleRecorder::~TSampleRecorder() {
    FCore.EndRecording = nullptr;
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
    return RecordingFileName(FCatalogue.DataDir());
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
    FCore.SetButtons(bsPlaying);
    return true;
}

void TSampleRecorder::PlayBookmark() {
    FCd.PlayBookmark();
}

void TSampleRecorder::Preview() {
    FState.Recording = false;
    PlayBookmark();
    FCore.SetButtons(bsPlaying);
}

void TSampleRecorder::EndRecording() {
    try {
        FWave.StopWave();
        bool Kept = false;
        if (AskYesNo(msgSaveAsDiscSample) == idYes) {
            const std::string Working = FCatalogue.WorkingSample();
            FWave.SaveWave(Working);
            Kept = FWave.LastMCIError == deOK && KeepSample(Working);
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
    return KeepSampleWithDisc(FCatalogue, File);
}

bool KeepSampleWithDisc(TDiscCatalogue& Catalogue, const std::string& File) {
    if (!Catalogue.HoldDiscFiles()) return false;
    TDiscRecord& Rec = Catalogue.CurrentDisc;
    TVlf& Store = Catalogue.fvlf.Vlf;
    const std::int32_t Old = Rec.SampleRef;
    // The old sample stays until the stored record names the new one.
    Store.KeepSuperseded = true;
    const std::int32_t New = Store.StoreFile(Old, File, VlfKindSample);
    Store.KeepSuperseded = false;
    bool Ok = New != 0;
    if (!Ok) {
        Store.Superseded.clear();
        ShowError("Cannot store the sample in the catalogue: " + Store.LastError());
    } else if (New != Old) {
        Rec.SampleRef = New;
        Catalogue.MarkDeletedRecords();
        // Frees the old sample once the record is stored; a failed store keeps the old one.
        Ok = Catalogue.SaveCurrentDisc();
        if (!Ok) {
            Store.DeleteItem(New);
            Store.Superseded.clear();
            Rec.SampleRef = Old;
        }
    }
    Catalogue.ReleaseDiscFiles();
    return Ok;
}
