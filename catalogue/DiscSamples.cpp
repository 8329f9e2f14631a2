#include "catalogue/DiscSamples.h"

#include <cerrno>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/store/Vlf.h"
#include "devices/MessageBoxes.h"

TSampleKeeping DiscSampleKeeping(TDiscCatalogue& Catalogue) {
    return {Catalogue.DataDir(), Catalogue.WorkingSample(),
            [&Catalogue](const std::string& File) { return KeepSampleWithDisc(Catalogue, File); }};
}

TDiscSamplePlay::TDiscSamplePlay(TWaveAudio& Wave, TDiscCatalogue& Catalogue)
    : TSamplePlay(Wave, Catalogue.WorkingSample()), FCatalogue(Catalogue) {}

bool TDiscSamplePlay::OpenSample(std::int32_t SampleRef) {
    Close();
    if (SampleRef == 0) {
        ShowError(msgNoSample);
        return false;
    }
    const std::string& Working = WorkingFile();
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
        const bool Full = errno == ENOSPC || errno == EDQUOT;
        Store.Superseded.clear();
        ShowError("Cannot store the sample in the catalogue: " +
                  (Full ? std::string(msgDiskFull) : Store.LastError()));
    } else if (New != Old) {
        Rec.SampleRef = New;
        Catalogue.MarkDeletedRecords();
        // Frees the old sample once the record is stored; a failed store keeps the old one.
        Ok = Catalogue.SaveCurrentDisc().Done();
        if (!Ok) {
            Store.DeleteItem(New);
            Store.Superseded.clear();
            Rec.SampleRef = Old;
        }
    }
    Catalogue.ReleaseDiscFiles();
    return Ok;
}
