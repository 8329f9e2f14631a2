#include "catalogue/CatalogueAttach.h"

#include <algorithm>

#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"

namespace {

bool ReadRecord(TDiscCatalogue& Cat, std::int32_t RecNo, TDiscRecord& Rec) {
    if (!Cat.OpenDiscFiles()) return false;
    TDiscRecordBytes bytes;
    const bool ok = ReadDiscRecord(Cat.DiscFile, RecNo, bytes) && DiscRecordStatus(bytes) == 0;
    if (ok)
        Rec = DecodeDiscRecord(bytes);
    else
        Cat.ReportDiscFileError(0);
    Cat.CloseDiscFiles();
    return ok;
}

} // namespace

TAttachResult AttachDriveDisc(TDiscCatalogue& Cat, std::int32_t RecNo, const TDiscToc& Toc) {
    const std::string code = Cat.CurrentDiscCode;
    if (code.empty()) return arNoDisc;
    TDiscRecord rec;
    if (!ReadRecord(Cat, RecNo, rec)) return arFailed;
    if (rec.DiscCode == code) return arAlreadyAttached;

    // The drive's own record goes first, so that its code is free for the attached record. Should any
    // part of it stay, the code could lead to two records: the attach stops there.
    if (Cat.CurrentDiscRecNo > 0 && Cat.CurrentDiscRecNo != RecNo) {
        if (!Cat.DeleteDisc(Cat.CurrentDiscRecNo)) return arFailed;
        Cat.CurrentDiscRecNo = 0;
    }

    if (!ReadRecord(Cat, RecNo, rec)) return arFailed;
    const std::string oldCode = rec.DiscCode;
    Cat.LoadDisc(oldCode, Cat.CurrentDisc, Cat.fvlf.Tracks, Cat.fvlf.Memo, Cat.LoadedKeys,
                 Cat.CurrentDiscRecNo, Toc);
    if (Cat.CurrentDiscRecNo != RecNo) {
        // The old code leads elsewhere (a damaged index): re-keying through it would move another disc.
        Cat.LoadCurrentDisc(Toc, Cat.Settings().VolumeLeft, Cat.Settings().VolumeRight);
        Cat.ReportDiscFileError(1);
        return arFailed;
    }

    TDiscRecord& disc = Cat.CurrentDisc;
    disc.DiscCode = code;
    disc.TocPending = false;
    disc.TrackCount = static_cast<std::int16_t>(std::clamp(Toc.TrackCount, 0, MaxDiscTracks));
    disc.TrackLengths = Toc.TrackLengths;
    disc.TotalTime = Toc.TotalTime;
    std::string& memo = Cat.fvlf.Memo;
    const std::size_t lineEnd = memo.find_first_of("\r\n");
    memo = code + (lineEnd == std::string::npos ? std::string() : memo.substr(lineEnd));
    Cat.fvlf.Tracks.SetCells(0, 0, code);

    if (!Cat.OpenDiscFiles()) {
        Cat.LoadCurrentDisc(Toc, Cat.Settings().VolumeLeft, Cat.Settings().VolumeRight);
        return arFailed;
    }
    DeleteKey(Cat.DiscFile, kDiscCode, RecNo, oldCode);
    AddKey(Cat.DiscFile, kDiscCode, RecNo, code);
    if (!EngineOK) {
        Cat.ReportDiscFileError(kDiscCode);
        // The record stays findable under its old code, and the drive's disc stays a new one.
        AddKey(Cat.DiscFile, kDiscCode, RecNo, oldCode);
        Cat.CloseDiscFiles();
        Cat.LoadCurrentDisc(Toc, Cat.Settings().VolumeLeft, Cat.Settings().VolumeRight);
        return arFailed;
    }
    // The record carries its code too: key and record agree before the full save below finds it.
    const TDiscRecordBytes bytes = EncodeDiscRecord(disc);
    PutRecord(Cat.DiscFile, RecNo, RecordView(bytes));
    if (!EngineOK) Cat.ReportDiscFileError(0);
    Cat.CloseDiscFiles();
    return Cat.SaveCurrentDisc() ? arAttached : arFailed;
}
