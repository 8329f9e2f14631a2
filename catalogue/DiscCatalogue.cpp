#include "catalogue/DiscCatalogue.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/ReadOnlyCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "devices/MessageBoxes.h"

const char* const msgCatalogueBusy = "orbelune-cat (or another program) is changing the catalogue";
const char* const msgDiskFull = "the disk is full";
const char* const msgCreateFiles = "Please confirm that a new set of data files are to be created?";
const char* const msgNotClosedProperly =
    "The disc catalogue was not closed properly: the program may have been stopped or the computer may "
    "have lost power. Do you want to repair it now? A copy of the damaged files will be kept as "
    "disc-damaged.DAT, disc-damaged.IX and disc-damaged.VLF (numbered when an earlier copy is there).";
const char* const msgRebuildFailed =
    "The catalogue could not be rebuilt. Your data files have not been changed.";
const char* const msgRepairFailed =
    "The catalogue could not be repaired. Your data files have not been changed.";
const char* const msgCannotWriteVlf = "Cannot write VLF file";
const char* const msgRunRepair =
    "The catalogue files are damaged: run repair (orbelune-cat repair) to recover "
    "the discs they still hold.";
const char* const msgNotesCut =
    "The notes are longer than the catalogue can hold: only their first 32,766 bytes "
    "have been saved.";
const char* const msgSwapInProgress = "Another program is replacing the catalogue files after a rebuild. "
                                      "Please try again when it has finished.";

std::string StoreDamagedMessage() {
    return std::string(msgCannotWriteVlf) + ": disc.VLF is damaged. " + msgRunRepair;
}

std::string DamageAdvice(std::int32_t Error) {
    return EngineErrorIsDamage(Error) ? std::string(". ") + msgRunRepair : std::string();
}

namespace {

// What a failed write's error number says of its cause, as words to add to its message.
std::string WriteCause(std::int32_t Error) {
    switch (Error) {
    case eeShortWrite:
        return std::string(": ") + msgDiskFull;
    case eeOsFailure:
    case eeCloseFailed:
        return ": the disk reported an error";
    default:
        return {};
    }
}

// Waits for another program's lock on the files: true while Deadline is not passed and Locked holds.
bool WaitForLock(std::chrono::steady_clock::time_point Deadline, bool Locked) {
    if (!Locked || std::chrono::steady_clock::now() >= Deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return true;
}

std::string CannotOpenQuestion(std::int32_t Error) {
    return "The disc catalogue cannot be opened because its files are damaged (Cannot open disc record file "
           "- " +
           std::to_string(Error) +
           "). Do you want to repair it now? A copy of the damaged files will be kept as disc-damaged.DAT, "
           "disc-damaged.IX and disc-damaged.VLF. Without a repair the player runs without its catalogue.";
}

// Marks a change the user wants stored for the length of one operation: its failures are told even when
// the same failure was told before.
class TWritingScope {
public:
    explicit TWritingScope(bool& Flag) : FFlag(Flag) {}
    ~TWritingScope() { FFlag = false; }
    TWritingScope(const TWritingScope&) = delete;
    TWritingScope& operator=(const TWritingScope&) = delete;

private:
    bool& FFlag;
};

bool FileExists(const std::string& Name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(Name, ec);
}

// Reads record RecNo, which key 1 gave for Code. A key that leads to a deleted slot or to a record with
// another code belongs to a damaged index (or the record's code was damaged): writing through it would
// overwrite another disc, so the record counts as not found. False with EngineError set then.
bool ReadKeyedRecord(TRecordFile* File, std::int32_t RecNo, const std::string& Code,
                     TDiscRecordBytes& Bytes) {
    if (!ReadDiscRecord(File, RecNo, Bytes)) return false;
    if (DiscRecordStatus(Bytes) == 0 && DiscKeyValue(Bytes, kDiscCode) == Code) return true;
    EngineOK = false;
    EngineError = eeIndexDamaged;
    return false;
}

} // namespace

std::string PadRight(const std::string& S, int Len) {
    const std::size_t target = static_cast<std::size_t>(std::clamp(Len, 0, 255));
    std::string padded = S;
    for (std::size_t n = CharacterCount(S); n < target; ++n)
        padded += ' ';
    return padded;
}

TDiscCatalogue::TDiscCatalogue(std::string DataDir, TPlayerSettings& Settings)
    : RenameFile([](const char* From, const char* To) { return std::rename(From, To); }),
      RemoveFile([](const char* Name) { return ::unlink(Name); }), FDataDir(std::move(DataDir)),
      FSettings(Settings) {
    if (!FDataDir.empty() && FDataDir.back() != '/') FDataDir += '/';
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
}

TDiscCatalogue::~TDiscCatalogue() {
    FHold = 0;
    if (DiscFile) CloseRecordFile(DiscFile);
    if (fvlf.Vlf.IsOpen()) fvlf.Vlf.CloseStore();
    if (fvlf.Vlf2.IsOpen()) fvlf.Vlf2.CloseStore();
}

bool TDiscCatalogue::OpenDiscFiles() {
    if (DiscFile) return true;
    FDeclinedCreate = false;
    if (FReadOnly) return OpenReadOnlyFiles();
    // A rebuild stopped halfway through its swap may have left no disc.DAT: finish it before anything
    // could take that for an empty catalogue.
    if (!FRepairing && !FinishInterruptedSwap()) return false;
    const std::string base = DiscBaseName();
    if (!FileExists(base + ".DAT")) {
        if (AskYesNo(msgCreateFiles) != idYes) {
            FDeclinedCreate = true;
            return false;
        }
        CreateDiscRecordFile(base);
        if (!EngineOK) {
            TellEngineError("Cannot open disc record file - ");
            return false;
        }
    }
    OpenDiscPair(false);
    // Files that are there but cannot be opened are offered the repair, whatever the damage; the user is
    // asked once a run unless a change is to be saved.
    if (!EngineOK && !FRepairing && (EngineError == eeModified || EngineErrorIsDamage(EngineError)) &&
        FileExists(base + ".DAT") && (FToldOpenError != EngineError || FWriting)) {
        const std::int32_t error = EngineError;
        FToldOpenError = error;
        if (AskYesNo(error == eeModified ? std::string(msgNotClosedProperly) : CannotOpenQuestion(error)) !=
            idYes) {
            EngineOK = false;
            EngineError = error;
            return false;
        }
        if (!RepairDatabase()) return false;
        OpenDiscPair(false);
    }
    return OpenSucceeded();
}

bool TDiscCatalogue::OpenReadOnlyFiles() {
    // Nothing can be created or carried forward: the catalogue is what is there, or none.
    std::error_code ec;
    if (!FileExists(DiscBaseName() + ".DAT") || std::filesystem::exists(SwapMarkerName(), ec)) {
        EngineOK = false;
        EngineError = eeFileNotFound;
        return false;
    }
    OpenDiscPair(true);
    return OpenSucceeded();
}

void TDiscCatalogue::OpenDiscPair(bool ReadOnly) {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LockWaitMs);
    do
        OpenRecordFile(DiscFile, DiscBaseName(), ReadOnly);
    while (!EngineOK && EngineError == eeAccessDenied &&
           WaitForLock(Deadline, LockWaitMs > 0 && CatalogueInUse(FDataDir)));
    if (EngineOK && RecordLength(DiscFile) != DiscRecordSize) {
        CloseRecordFile(DiscFile);
        EngineOK = false;
        EngineError = eeDataHeaderDamaged;
    }
    if (!EngineOK) DiscFile = nullptr;
}

bool TDiscCatalogue::OpenSucceeded() {
    if (EngineOK) {
        FToldOpenError = 0;
        return true;
    }
    const std::int32_t error = EngineError;
    FBusy = error == eeAccessDenied && CatalogueInUse(FDataDir);
    // Said once: the disc inserted next is shown as unknown without the same message again.
    if (FToldOpenError != EngineError || FWriting || FBusy) {
        if (FBusy)
            Tell("Cannot open disc record file - " + std::to_string(error) + ": " + msgCatalogueBusy +
                 (FWriting ? ". Nothing was stored; try again when it has finished."
                           : ". Try again when it has finished."));
        else
            TellEngineError("Cannot open disc record file - ");
        FToldOpenError = error;
        EngineOK = false;
        EngineError = error;
    }
    return false;
}

bool TDiscCatalogue::OpenDiscFilesToWrite() {
    // With a folder that cannot be written the user was told once at start; changes are dropped quietly.
    if (FReadOnly) {
        EngineOK = false;
        EngineError = eeReadOnly;
        return false;
    }
    FWriting = true;
    return OpenDiscFiles();
}

bool TDiscCatalogue::CloseDiscFiles() {
    if (!DiscFile || FHold > 0) return true;
    CloseRecordFile(DiscFile);
    if (EngineOK) return true;
    TellEngineError("Cannot close disc record file - ");
    return false;
}

bool TDiscCatalogue::OpenDiscVlf() {
    if (fvlf.Vlf.IsOpen()) return true;
    if (FReadOnly) {
        fvlf.Vlf.FileOpenMode = OpenRead;
        if (!FileExists(VlfFileName())) return false;
        if (fvlf.Vlf.OpenStore(VlfFileName())) return true;
        if (!FToldVlf) ShowError("Cannot open VLF file");
        FToldVlf = true;
        return false;
    }
    // A missing disc.VLF would be created empty while the records name blocks in disc2.VLF.
    if (!DiscFile && !FinishInterruptedSwap()) return false;
    // A new process then finds the index of the store's blocks without walking the whole store.
    fvlf.Vlf.KeepIndexFile = true;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LockWaitMs);
    bool opened = false;
    while (!(opened = fvlf.Vlf.OpenStore(VlfFileName())) &&
           WaitForLock(Deadline, LockWaitMs > 0 && FileInUse(VlfFileName()))) {
    }
    if (!opened) {
        FBusy = FBusy || FileInUse(VlfFileName());
        // Said once for the reads of a run; a change to be saved says it again.
        if (!FToldVlf || FWriting)
            Tell(FBusy ? std::string("Cannot open VLF file: ") + msgCatalogueBusy +
                             (FWriting ? ". Nothing was stored; try again when it has finished." : ".")
                       : std::string("Cannot open VLF file"));
        FToldVlf = true;
        return false;
    }
    FToldVlf = false;
    return true;
}

bool TDiscCatalogue::CloseDiscVlf() {
    if (FHold > 0 || !fvlf.Vlf.IsOpen()) return true;
    if (fvlf.Vlf.CloseStore() == 0) return true;
    Tell("Cannot close VLF file" + StoreWriteCause(errno));
    return false;
}

void TDiscCatalogue::ReportDiscFileError(int Code) {
    FDiskFull = FDiskFull || EngineError == eeShortWrite;
    Tell("Error processing disc record file - " + std::to_string(EngineError) + " Code " +
         std::to_string(Code) + WriteCause(EngineError) + DamageAdvice(EngineError));
}

void TDiscCatalogue::Tell(const std::string& Msg) {
    FTold = Msg;
    ShowError(Msg);
}

void TDiscCatalogue::TellEngineError(const char* Text) {
    FDiskFull = FDiskFull || EngineError == eeShortWrite;
    Tell(Text + std::to_string(EngineError) + WriteCause(EngineError) + DamageAdvice(EngineError));
}

std::string TDiscCatalogue::StoreWriteCause(int WriteErrno) {
    // The store does not keep the system's error number of every write; a folder without room left is a
    // full disk whatever the last error number says.
    struct statvfs fs {};
    const bool noRoom = ::statvfs(FDataDir.c_str(), &fs) == 0 &&
                        static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < 1024 * 1024;
    if (WriteErrno == ENOSPC || WriteErrno == EDQUOT || noRoom) {
        FDiskFull = true;
        return std::string(": ") + msgDiskFull;
    }
    return WriteErrno == EIO ? ": the disk reported an error" : "";
}

std::string TDiscCatalogue::FilesStamp() const {
    std::string stamp;
    for (const char* ext : {".DAT", ".IX", ".VLF"}) {
        struct stat st {};
        if (::stat((DiscBaseName() + ext).c_str(), &st) != 0) {
            stamp += "-;";
            continue;
        }
        stamp += std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
                 std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                 std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ctim.tv_sec) + "." +
                 std::to_string(st.st_ctim.tv_nsec) + ";";
    }
    return stamp;
}

void TDiscCatalogue::BeginChange() {
    FBusy = false;
    FDiskFull = false;
    FTold.clear();
    FInStep = !FSeenStamp.empty() && FilesStamp() == FSeenStamp;
}

TCatalogueResult TDiscCatalogue::EndChange(bool Ok) {
    if (FInStep) FSeenStamp = FilesStamp();
    FInStep = false;
    if (Ok) return {};
    const TCatalogueOutcome outcome = FBusy       ? TCatalogueOutcome::Busy
                                      : FDiskFull ? TCatalogueOutcome::DiskFull
                                                  : TCatalogueOutcome::Failed;
    return {outcome, EngineOK ? 0 : EngineError, FTold};
}

bool TDiscCatalogue::ChangedOnDisk() const {
    return !FSeenStamp.empty() && FilesStamp() != FSeenStamp;
}

void TDiscCatalogue::KeepForRepair() {
    const bool ok = EngineOK;
    const std::int32_t error = EngineError;
    KeepRecordFileModified(DiscFile);
    EngineOK = ok;
    EngineError = error;
}

bool TDiscCatalogue::HoldDiscFiles() {
    const TWritingScope writing(FWriting);
    if (!OpenDiscFilesToWrite()) return false;
    if (!OpenDiscVlf()) {
        CloseDiscFiles();
        return false;
    }
    ++FHold;
    return true;
}

bool TDiscCatalogue::ReleaseDiscFiles() {
    if (FHold == 0 || --FHold > 0) return true;
    const bool vlf = CloseDiscVlf();
    return CloseDiscFiles() && vlf;
}

void TDiscCatalogue::WriteSettings() {
    if (FReadOnly) return;
    SaveSettingsTo(FDataDir + "ORBELUNE.INI", FSettings);
}

void TDiscCatalogue::MarkDeletedRecords() {
    if (FSettings.DeletedRecordsPresent) return;
    FSettings.DeletedRecordsPresent = true;
    WriteSettings();
}

TCatalogueResult TDiscCatalogue::LoadDisc(const std::string& Code, TDiscRecord& Rec, TStringGridData& Grid,
                                          std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                                          const TDiscToc& Toc) {
    return LoadDiscWithVolumes(Code, Rec, Grid, Memo, Keys, RecNo, Toc, FSettings.VolumeLeft,
                               FSettings.VolumeRight);
}

void TDiscCatalogue::LoadCurrentDisc(const TDiscToc& Toc, int VolumeLeft, int VolumeRight) {
    Shown = {};
    const std::string before = FilesStamp();
    if (LoadDiscWithVolumes(CurrentDiscCode, CurrentDisc, fvlf.Tracks, fvlf.Memo, LoadedKeys,
                            CurrentDiscRecNo, Toc, VolumeLeft, VolumeRight))
        FSeenStamp = before;
}

TCatalogueResult TDiscCatalogue::ReadStoredRecord(const std::string& Code, TDiscRecord& Rec,
                                                  std::int32_t& RecNo) {
    RecNo = 0;
    FBusy = false;
    FDiskFull = false;
    FTold.clear();
    if (!FileExists(DiscBaseName() + ".DAT") && !FileExists(SwapMarkerName())) return {};
    if (!OpenDiscFiles()) return EndChange(false);
    const std::string code = CutKey(Code, kDiscCode);
    std::int32_t recNo = 0;
    TDiscRecordBytes bytes;
    FindKey(DiscFile, kDiscCode, recNo, code);
    if (EngineOK && ReadKeyedRecord(DiscFile, recNo, code, bytes)) {
        Rec = DecodeDiscRecord(bytes);
        RecNo = recNo;
    }
    CloseDiscFiles();
    return {};
}

TCatalogueResult TDiscCatalogue::ReadStoredDisc(const std::string& Code, TDiscRecord& Rec,
                                                TStringGridData& Grid, std::string& Memo, TDiscKeys& Keys,
                                                std::int32_t& RecNo, const TDiscToc& Toc) {
    RecNo = 0;
    if (!FileExists(DiscBaseName() + ".DAT") && !FileExists(SwapMarkerName())) return {};
    return LoadDisc(Code, Rec, Grid, Memo, Keys, RecNo, Toc);
}

TCatalogueResult TDiscCatalogue::ReloadCurrentDisc() {
    if (CurrentDiscCode.empty()) return {};
    TDiscRecord rec;
    TStringGridData grid;
    std::string memo;
    TDiscKeys keys;
    std::int32_t recNo = 0;
    const TDiscToc toc = TocOf(CurrentDisc);
    const std::string before = FilesStamp();
    TCatalogueResult result = LoadDiscWithVolumes(CurrentDiscCode, rec, grid, memo, keys, recNo, toc,
                                                  CurrentDisc.VolumeLeft, CurrentDisc.VolumeRight);
    if (!result) return result;
    FSeenStamp = before;
    // A disc that is still not stored keeps what the player holds of it.
    if (recNo == 0 && CurrentDiscRecNo == 0) return result;
    CurrentDisc = std::move(rec);
    fvlf.Tracks = std::move(grid);
    fvlf.Memo = std::move(memo);
    LoadedKeys = keys;
    CurrentDiscRecNo = recNo;
    // Imported by another program while its disc is in the drive: the disc's track data goes in.
    if (CurrentDisc.TocPending) {
        CurrentDisc.TocPending = false;
        CurrentDisc.TrackCount =
            toc.TrackCount == 0 ? CurrentDisc.TrackCount : static_cast<std::int16_t>(toc.TrackCount);
        if (toc.TrackCount != 0) {
            CurrentDisc.TrackLengths = toc.TrackLengths;
            CurrentDisc.TotalTime = toc.TotalTime;
        }
        result = SaveDisc(CurrentDisc, fvlf.Tracks, fvlf.Memo, CurrentDiscRecNo, LoadedKeys);
    }
    return result;
}

bool TDiscCatalogue::RefreshCurrentDisc() {
    if (CurrentDiscCode.empty() || !ChangedOnDisk()) return false;
    return ReloadCurrentDisc().Done();
}

TCatalogueResult TDiscCatalogue::SaveCurrentDisc() {
    if (CurrentDiscRecNo > 0 && ChangedOnDisk()) {
        // What the player changes itself goes over what another program stored meanwhile.
        const TDiscRecord own = CurrentDisc;
        if (TCatalogueResult read = ReloadCurrentDisc(); !read) return read;
        if (CurrentDiscRecNo > 0) {
            CurrentDisc.VolumeLeft = own.VolumeLeft;
            CurrentDisc.VolumeRight = own.VolumeRight;
            CurrentDisc.PlayMode = own.PlayMode;
            CurrentDisc.Programme = own.Programme;
            if (own.SampleRef != 0) CurrentDisc.SampleRef = own.SampleRef;
        }
    }
    return SaveDisc(CurrentDisc, fvlf.Tracks, fvlf.Memo, CurrentDiscRecNo, LoadedKeys);
}

std::string TDiscCatalogue::TrackName(int Track) const {
    return fvlf.Tracks.Cells(0, Track);
}

const TShownDisc* TDiscCatalogue::ShownNewDisc() const {
    const bool Holds = Shown.Source != ssNone && !CurrentDiscCode.empty() && Shown.Code == CurrentDiscCode &&
                       (CurrentDiscRecNo == 0 || (Shown.Source == ssCdText && CurrentDiscBlank()));
    return Holds ? &Shown : nullptr;
}

bool TDiscCatalogue::CurrentDiscBlank() const {
    if (CurrentDiscRecNo == 0) return true;
    const TDiscRecord Fresh = NewDiscRecord({}, 0, 0);
    if (CurrentDisc.DiscName != Fresh.DiscName || CurrentDisc.Artist != Fresh.Artist) return false;
    for (int Track = 1; Track <= CurrentDisc.TrackCount && Track <= MaxDiscTracks; ++Track)
        if (!TrackName(Track).empty()) return false;
    return true;
}

TShownDisc TDiscCatalogue::ShownTexts() const {
    TShownDisc Texts;
    if (const TShownDisc* New = ShownNewDisc()) {
        Texts = *New;
    } else {
        Texts.Code = CurrentDiscCode;
        Texts.DiscName = CurrentDisc.DiscName;
        Texts.Composer = CurrentDisc.Composer;
        Texts.Artist = CurrentDisc.Artist;
    }
    // A new disc's "Unknown" composer is a placeholder, not a name: nothing is shown for it.
    if (Texts.Composer == NewDiscRecord({}, 0, 0).Composer) Texts.Composer.clear();
    return Texts;
}

std::string TDiscCatalogue::ShownTrackName(int Track) const {
    const TShownDisc* New = ShownNewDisc();
    if (New && Track >= 1 && static_cast<std::size_t>(Track) <= New->TrackNames.size() &&
        !New->TrackNames[static_cast<std::size_t>(Track - 1)].empty())
        return New->TrackNames[static_cast<std::size_t>(Track - 1)];
    return TrackName(Track);
}

TCatalogueResult TDiscCatalogue::LoadDiscWithVolumes(const std::string& Code, TDiscRecord& Rec,
                                                     TStringGridData& Grid, std::string& Memo,
                                                     TDiscKeys& Keys, std::int32_t& RecNo,
                                                     const TDiscToc& Toc, int VolumeLeft, int VolumeRight) {
    DeleteFileQuietly(WorkingSample());
    DeleteFileQuietly(WorkingPicture());
    const std::string code = CutKey(Code, kDiscCode);
    Memo = code;
    ResetDiscGrid(Grid, code);
    FBusy = false;
    FDiskFull = false;
    FTold.clear();

    TDiscRecordBytes bytes;
    std::int32_t found = 0;
    bool read = true;
    if (!OpenDiscFiles()) {
        // No catalogue yet is no failure: the disc is new.
        read = FDeclinedCreate || !FileExists(DiscBaseName() + ".DAT");
    } else {
        std::int32_t recNo = 0;
        FindKey(DiscFile, kDiscCode, recNo, code);
        // A key that does not lead to this disc's record belongs to a damaged index: the disc is treated as
        // new, and saving it is refused.
        if (EngineOK && ReadKeyedRecord(DiscFile, recNo, code, bytes)) found = recNo;
    }

    if (found > 0) {
        Rec = DecodeDiscRecord(bytes);
        RecNo = found;
        Keys = DiscSecondaryKeys(bytes);
        if (OpenDiscVlf()) {
            if (Rec.TracksRef != 0) {
                TStringGridData loaded(0, 0);
                // Another disc's track list, reached through a damaged reference, is not this disc's.
                if (LoadGrid(fvlf.Vlf, Rec.TracksRef, loaded) && TrackGridFits(loaded, code)) {
                    DecodeGridTexts(loaded);
                    Grid = std::move(loaded);
                    if (Grid.ColCount() < DiscGridCols) Grid.SetColCount(DiscGridCols);
                    Grid.SetRowCount(DiscGridRows);
                }
            }
            if (Rec.NotesRef != 0) {
                std::string notes;
                if (fvlf.Vlf.LoadText(Rec.NotesRef, notes)) {
                    while (!notes.empty() && notes.back() == '\0')
                        notes.pop_back();
                    Memo = DecodeStoredText(notes);
                }
            }
            CloseDiscVlf();
        } else {
            read = false;
        }
    } else {
        RecNo = 0;
        Rec = NewDiscRecord(code, VolumeLeft, VolumeRight);
        Rec.TrackCount = static_cast<std::int16_t>(std::clamp(Toc.TrackCount, 0, MaxDiscTracks));
        Rec.TrackLengths = Toc.TrackLengths;
        Rec.TotalTime = Toc.TotalTime;
        Keys = {};
    }
    CloseDiscFiles();
    if (read) return {};
    const TCatalogueOutcome outcome = FBusy ? TCatalogueOutcome::Busy : TCatalogueOutcome::Failed;
    return {outcome, EngineOK ? 0 : EngineError, FTold};
}

bool TDiscCatalogue::SoundItem(std::int32_t Ref) {
    return fvlf.Vlf.ItemLength(Ref) > 0 && fvlf.Vlf.ContentFits(Ref);
}

bool TDiscCatalogue::OwnTrackGrid(std::int32_t Ref, const std::string& Code) {
    if (Ref == 0) return false;
    TStringGridData grid(0, 0);
    return LoadGrid(fvlf.Vlf, Ref, grid) && TrackGridFits(grid, Code);
}

void TDiscCatalogue::DeleteSecondaryKeys(std::int32_t RecNo, const TDiscKeys& Keys) {
    bool left = false;
    for (int k = kComposer; k <= kMusicType; ++k) {
        DeleteKey(DiscFile, k, RecNo, Keys[k - kComposer]);
        // A key that is not there is what an earlier failure or a changed field leaves; any other
        // failure leaves a key that no longer fits its record.
        left = left || (!EngineOK && EngineError != eeDeleteNotFound);
    }
    if (left) KeepForRepair();
}

int TDiscCatalogue::TakeOldKeys(std::int32_t RecNo, const TDiscKeys& Stored, const TDiscKeys& Caller,
                                std::vector<std::pair<int, std::string>>& Taken) {
    for (int k = kComposer; k <= kMusicType; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - kComposer);
        std::vector<std::string> values{Stored[i]};
        if (Caller[i] != Stored[i]) values.push_back(Caller[i]);
        bool found = false;
        for (const std::string& key : values) {
            DeleteKey(DiscFile, k, RecNo, key);
            if (EngineOK) {
                found = true;
                Taken.emplace_back(k, key);
            } else if (EngineError != eeDeleteNotFound) {
                return k;
            }
        }
        if (!found) return k;
    }
    return 0;
}

bool TDiscCatalogue::AddSecondaryKeys(std::int32_t RecNo, const TDiscKeys& Keys) {
    bool ok = true;
    bool missing = false;
    for (int k = kComposer; k <= kMusicType; ++k) {
        AddKey(DiscFile, k, RecNo, Keys[k - kComposer]);
        if (!EngineOK) {
            ReportDiscFileError(k);
            ok = false;
            missing = missing || EngineError != eeDuplicateKey;
        }
    }
    // The record is stored without one of its keys: the pair stays marked, so that the next open offers
    // the repair that puts the key back.
    if (missing) KeepForRepair();
    return ok;
}

TCatalogueResult TDiscCatalogue::SaveDisc(TDiscRecord& Rec, const TStringGridData& Grid,
                                          const std::string& Memo, std::int32_t& RecNo, TDiscKeys& Keys) {
    BeginChange();
    const bool ok = StoreDisc(Rec, Grid, Memo, RecNo, Keys);
    return EndChange(ok);
}

bool TDiscCatalogue::StoreDisc(TDiscRecord& Rec, const TStringGridData& Grid, const std::string& Memo,
                               std::int32_t& RecNo, TDiscKeys& Keys) {
    const TWritingScope writing(FWriting);
    if (!OpenDiscFilesToWrite()) {
        if (FDeclinedCreate) {
            EngineOK = false;
            EngineError = eeBadHandle;
            ReportDiscFileError(0);
        }
        return false;
    }
    // Without the store the grid and notes could not be saved and the record would lose them: nothing
    // is stored then.
    if (!OpenDiscVlf()) {
        CloseDiscFiles();
        return false;
    }
    // The grid and notes are written to new blocks (or left where they are when unchanged) and the old
    // blocks stay in use until the record names the new ones: a write that fails, or a program stopped in
    // between, leaves the stored record with the blobs it had.
    bool ok = true;
    // The search for a free block reads every block header of the store; a store that never had one
    // appends at once.
    fvlf.Vlf.Recycle = StoreMayHoldFreeBlocks(VlfFileName());
    fvlf.Vlf.KeepSuperseded = true;
    const std::int32_t oldTracksRef = Rec.TracksRef;
    const std::int32_t oldNotesRef = Rec.NotesRef;
    // A track list that names another disc is never given up: the grid goes to a new block.
    const bool ownTracks = OwnTrackGrid(Rec.TracksRef, CutKey(Rec.DiscCode, kDiscCode));
    const std::int32_t tracksRef = SaveGrid(fvlf.Vlf, ownTracks ? Rec.TracksRef : 0, GridAsStored(Grid));
    const std::int32_t notesRef = tracksRef == 0 ? 0 : fvlf.Vlf.SaveText(Rec.NotesRef, Memo);
    const int writeErrno = errno;
    fvlf.Vlf.KeepSuperseded = false;
    fvlf.Vlf.Recycle = true;
    if (tracksRef == 0 || notesRef == 0) {
        // Nothing of the disc is stored: what was written is given up, and the record stays as it was
        // (a new disc stays out of the catalogue).
        for (const auto& [now, was] : {std::pair{tracksRef, oldTracksRef}, std::pair{notesRef, oldNotesRef}})
            if (now != 0 && now != was) fvlf.Vlf.DeleteItem(now);
        fvlf.Vlf.Superseded.clear();
        Tell(fvlf.Vlf.DamageFound() ? StoreDamagedMessage()
                                    : msgCannotWriteVlf + StoreWriteCause(writeErrno));
        // The old blocks are never written over; should one be lost all the same, the catalogue must not
        // be closed as sound.
        if ((ownTracks && !SoundItem(oldTracksRef)) || (oldNotesRef != 0 && !SoundItem(oldNotesRef)))
            KeepForRepair();
        CloseDiscVlf();
        CloseDiscFiles();
        return false;
    }
    // The store cuts notes at its limit; a cut must not go unnoticed.
    if (!NotesFitStore(Memo.substr(0, Memo.find('\0')))) ShowError(msgNotesCut);
    // Only a block given up leaves unused space; a new disc's first grid and notes leave none.
    const bool moved =
        (Rec.TracksRef != 0 && tracksRef != Rec.TracksRef) || (Rec.NotesRef != 0 && notesRef != Rec.NotesRef);
    Rec.TracksRef = tracksRef;
    Rec.NotesRef = notesRef;
    if (moved) MarkDeletedRecords();
    // Frees the blocks the stored record no longer names: the old ones once it is stored, else the new
    // ones, and the caller's record names the old ones again.
    const auto finish = [&](bool Stored) {
        if (!Stored) {
            for (const auto& [now, was] :
                 {std::pair{tracksRef, oldTracksRef}, std::pair{notesRef, oldNotesRef}})
                if (now != was) fvlf.Vlf.DeleteItem(now);
            fvlf.Vlf.Superseded.clear();
            Rec.TracksRef = oldTracksRef;
            Rec.NotesRef = oldNotesRef;
        } else {
            fvlf.Vlf.ReleaseSuperseded();
        }
        // The grid and notes the record names may not have reached the disk: the catalogue is not to be
        // closed as sound.
        if (!CloseDiscVlf() && Stored) {
            KeepForRepair();
            ok = false;
        }
    };
    const auto fail = [&] {
        finish(false);
        CloseDiscFiles();
        return false;
    };

    Rec.RecordStatus = 0;
    Rec.DiscCode = CutKey(Rec.DiscCode, kDiscCode);
    const TDiscRecordBytes bytes = EncodeDiscRecord(Rec);
    std::int32_t recNo = 0;
    const std::string code = DiscKeyValue(bytes, kDiscCode);
    FindKey(DiscFile, kDiscCode, recNo, code);
    if (EngineOK) {
        TDiscRecordBytes old;
        if (!ReadKeyedRecord(DiscFile, recNo, code, old)) {
            ReportDiscFileError(kDiscCode);
            return fail();
        }
        // Keys and record change together: a program stopped in between must leave a catalogue that is
        // offered for repair.
        MarkRecordFileModified(DiscFile);
        if (!EngineOK) {
            ReportDiscFileError(0);
            return fail();
        }
        // The stored record names the keys that are really there; the caller's values cover a record
        // whose fields were overwritten without its keys. An index that holds neither does not describe
        // the record: the save is refused rather than adding a second entry for it.
        std::vector<std::pair<int, std::string>> taken;
        const int missing = TakeOldKeys(recNo, DiscSecondaryKeys(old), Keys, taken);
        if (missing == 0) PutRecord(DiscFile, recNo, RecordView(bytes));
        if (missing != 0 || !EngineOK) {
            const std::int32_t error = missing != 0 ? eeIndexDamaged : EngineError;
            for (const auto& [k, key] : taken) {
                AddKey(DiscFile, k, recNo, key);
                if (!EngineOK) KeepForRepair();
            }
            EngineOK = false;
            EngineError = error;
            ReportDiscFileError(missing);
            return fail();
        }
        RecNo = recNo;
        finish(true);
    } else {
        AddRecord(DiscFile, recNo, RecordView(bytes));
        if (!EngineOK) {
            ReportDiscFileError(0);
            return fail();
        }
        AddKey(DiscFile, kDiscCode, recNo, DiscKeyValue(bytes, kDiscCode));
        if (!EngineOK) {
            ReportDiscFileError(kDiscCode);
            // A record that key 1 cannot reach would never be loaded again: take it back.
            DeleteRecord(DiscFile, recNo);
            if (!EngineOK) KeepForRepair();
            RecNo = 0;
            return fail();
        }
        RecNo = recNo;
        finish(true);
    }
    Keys = DiscSecondaryKeys(bytes);
    ok = AddSecondaryKeys(RecNo, Keys) && ok;
    return CloseDiscFiles() && ok;
}

TCatalogueResult TDiscCatalogue::PutDiscRecord(const TDiscRecord& Rec) {
    BeginChange();
    const bool ok = PutRecordOnly(Rec);
    return EndChange(ok);
}

bool TDiscCatalogue::PutRecordOnly(const TDiscRecord& Rec) {
    const TWritingScope writing(FWriting);
    if (!OpenDiscFilesToWrite()) return false;
    TDiscRecord rec = Rec;
    rec.RecordStatus = 0;
    const TDiscRecordBytes bytes = EncodeDiscRecord(rec);
    bool ok = true;
    std::int32_t recNo = 0;
    const std::string code = DiscKeyValue(bytes, kDiscCode);
    FindKey(DiscFile, kDiscCode, recNo, code);
    if (EngineOK) {
        TDiscRecordBytes old;
        if (ReadKeyedRecord(DiscFile, recNo, code, old)) {
            const TDiscKeys oldKeys = DiscSecondaryKeys(old);
            const TDiscKeys newKeys = DiscSecondaryKeys(bytes);
            // As in SaveDisc: keys that change after the record need the modified flag first.
            if (oldKeys != newKeys) MarkRecordFileModified(DiscFile);
            if (EngineOK) PutRecord(DiscFile, recNo, RecordView(bytes));
            ok = EngineOK;
            // Keep the secondary keys in step with the fields just written.
            if (ok && oldKeys != newKeys) {
                DeleteSecondaryKeys(recNo, oldKeys);
                ok = AddSecondaryKeys(recNo, newKeys);
            }
        } else {
            ReportDiscFileError(kDiscCode);
            ok = false;
        }
    } else {
        AddRecord(DiscFile, recNo, RecordView(bytes));
        if (!EngineOK) {
            ReportDiscFileError(0);
            ok = false;
        } else {
            AddKey(DiscFile, kDiscCode, recNo, DiscKeyValue(bytes, kDiscCode));
            if (!EngineOK) {
                ReportDiscFileError(kDiscCode);
                DeleteRecord(DiscFile, recNo);
                if (!EngineOK) KeepForRepair();
                ok = false;
            } else {
                // With all six keys the record shows in the catalogue browser even if it is never saved
                // through SaveDisc.
                ok = AddSecondaryKeys(recNo, DiscSecondaryKeys(bytes));
            }
        }
    }
    return CloseDiscFiles() && ok;
}

bool TDiscCatalogue::DeleteDisc(std::int32_t RecNo) {
    const TWritingScope writing(FWriting);
    if (!OpenDiscFilesToWrite()) return false;
    TDiscRecordBytes bytes;
    if (!ReadDiscRecord(DiscFile, RecNo, bytes)) {
        ReportDiscFileError(0);
        CloseDiscFiles();
        return false;
    }
    DeleteRecord(DiscFile, RecNo);
    if (!EngineOK) {
        // The keys stay with the record they describe.
        ReportDiscFileError(0);
        CloseDiscFiles();
        return false;
    }
    bool ok = true;
    bool left = false;
    for (int k = kDiscCode; k <= kMusicType; ++k) {
        DeleteKey(DiscFile, k, RecNo, DiscKeyValue(bytes, k));
        if (!EngineOK) {
            ReportDiscFileError(k);
            ok = false;
            left = left || EngineError != eeDeleteNotFound;
        }
    }
    // A key left behind leads to a deleted slot: the repair offered at the next open removes it.
    if (left) KeepForRepair();
    const TDiscBlobRefs refs = DiscBlobRefs(bytes);
    if (OpenDiscVlf()) {
        // A damaged store frees nothing, and says so once.
        const auto free = [&](std::int32_t Ref, const char* Message) {
            if (Ref == 0 || (!ok && fvlf.Vlf.DamageFound())) return;
            if (fvlf.Vlf.DeleteItem(Ref) != 1) {
                ShowError(fvlf.Vlf.DamageFound() ? StoreDamagedMessage() : std::string(Message));
                ok = false;
            }
        };
        if (refs.Tracks != 0 && !OwnTrackGrid(refs.Tracks, DiscKeyValue(bytes, kDiscCode))) {
            ShowError("Error deleting tracks.");
            ok = false;
        } else {
            free(refs.Tracks, "Error deleting tracks.");
        }
        free(refs.Notes, "Error deleting memo.");
        free(refs.Sample, "Error deleting wave.");
        free(refs.Picture, "Error deleting bitmap.");
        ok = CloseDiscVlf() && ok;
    } else {
        ok = false;
    }
    // The settings file is written (and flushed) only when the flag was clear.
    MarkDeletedRecords();
    return CloseDiscFiles() && ok;
}

void TDiscCatalogue::DiscInserted(const std::string& Code, const TDiscToc& Toc) {
    CurrentDiscCode = CutKey(Code, kDiscCode);
    LoadCurrentDisc(Toc, FSettings.VolumeLeft, FSettings.VolumeRight);
    if (CurrentDisc.TocPending) {
        CurrentDisc.TocPending = false;
        CurrentDisc.TrackCount = static_cast<std::int16_t>(std::clamp(Toc.TrackCount, 0, MaxDiscTracks));
        CurrentDisc.TrackLengths = Toc.TrackLengths;
        CurrentDisc.TotalTime = Toc.TotalTime;
        SaveCurrentDisc();
    }
}
