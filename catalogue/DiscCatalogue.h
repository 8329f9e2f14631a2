// The disc catalogue: disc.DAT and disc.IX (one record and six keys per disc) and disc.VLF (track
// grids, notes, pictures and samples), and the operations through which the player and every window read
// and write them. Nothing stays open while the program waits for the user: each operation opens what it
// needs and closes it again.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/base/RegularFile.h"
#include "app/base/Settings.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/ShownDisc.h"
#include "catalogue/StringGridData.h"

struct TRecordFile;

// What the drive reports of the disc in it, as a new or imported record takes it over.
struct TDiscToc {
    int TrackCount = 0;
    std::array<MSF, MaxDiscTracks> TrackLengths{}; // track t at [t - 1]
    TMinSec TotalTime = 0;
};

// The track data a stored record holds, as the drive would report it: what a record reloaded from the
// store keeps when it has none of its own yet.
inline TDiscToc TocOf(const TDiscRecord& Rec) {
    return {Rec.TrackCount, Rec.TrackLengths, Rec.TotalTime};
}

// Rebuild progress in percent (0 to 100); the window shows it as its gauge.
using TRebuildProgress = std::function<void(int Percent)>;

// What the last pack or repair did.
struct TPackResult {
    int Records = 0;           // live records copied
    int SkippedDuplicates = 0; // records left out because their code was already copied
    int DroppedBlobs = 0;      // blob positions that led to no valid block and were cleared
    // Discs whose track names, notes, picture or sample could not be copied and were cleared.
    int LostTracks = 0;
    int LostNotes = 0;
    int LostPictures = 0;
    int LostSamples = 0;
    std::string AsideName; // the base name the old files were kept under ("disc-damaged-2")
    // What was cleared, one line each: the disc's code and name, then what it lost ("track names",
    // "notes", "picture" or "sample").
    std::vector<std::string> Losses;
    // disc.DAT held no record (cut inside its header): the discs were made again from the track lists and
    // notes of the store, with nothing but their code, tracks and notes.
    bool FromStore = false;
    // What was done, before the copy, with files of a stopped swap that could not finish it; empty when none.
    std::string SwapNote;
};

// The most bytes of notes (UTF-8, without the terminating zero) that the store keeps for a disc; longer
// notes are cut at the last whole character within it, and the user is told. An editor limits typing to
// NotesFitStore.
constexpr std::size_t MaxNotesBytes = VlfFormat::TextMax;
inline bool NotesFitStore(const std::string& Notes) {
    return Notes.size() <= MaxNotesBytes;
}

// What an operation on the catalogue came to: done, or why not. Message is what the user was told.
enum class TCatalogueOutcome { Done, Busy, DiskFull, Failed };
struct TCatalogueResult {
    TCatalogueOutcome Outcome = TCatalogueOutcome::Done;
    std::int32_t Code = 0; // the engine's error number, 0 when the failure had none
    std::string Message;
    bool Done() const { return Outcome == TCatalogueOutcome::Done; }
    explicit operator bool() const { return Done(); }
};

// Texts of the catalogue's own messages.
extern const char* const msgCatalogueBusy;
extern const char* const msgDiskFull;
extern const char* const msgCreateFiles;
extern const char* const msgNotClosedProperly;
extern const char* const msgRebuildFailed;
extern const char* const msgRepairFailed;
extern const char* const msgCannotWriteVlf;
extern const char* const msgSwapInProgress;
extern const char* const msgRunRepair;

// ". " and msgRunRepair after an error number that means damage, else nothing.
std::string DamageAdvice(std::int32_t Error);
extern const char* const msgNotesCut;
// What a save into a damaged disc.VLF is refused with: msgCannotWriteVlf, the damage, and msgRunRepair.
std::string StoreDamagedMessage();

class TDiscCatalogue {
public:
    // DataDir ends in "/" (ProgramDir() in the program). Settings is kept by reference: the flag
    // "Deleted records present" and the volumes of a new record live there.
    TDiscCatalogue(std::string DataDir, TPlayerSettings& Settings);
    ~TDiscCatalogue();
    TDiscCatalogue(const TDiscCatalogue&) = delete;
    TDiscCatalogue& operator=(const TDiscCatalogue&) = delete;

    // The engine handle of disc.DAT/disc.IX; nullptr while closed.
    TRecordFile* DiscFile = nullptr;
    // The disc in the drive: its record, its record number (0 while not stored) and its code (empty
    // while the drive holds no disc).
    TDiscRecord CurrentDisc;
    std::int32_t CurrentDiscRecNo = 0;
    std::string CurrentDiscCode;
    TDiscDataHolder fvlf;
    TDiscKeys& LoadedKeys = fvlf.LoadedKeys;
    TDiscKeys& CatalogueKeys = fvlf.CatalogueKeys;

    // Opens disc.DAT/disc.IX (asking before creating a new set); true when open. A set left open by a
    // program that was stopped is offered for repair.
    bool OpenDiscFiles();
    // False, with the user told, when the files could not be written out and closed.
    bool CloseDiscFiles();
    bool OpenDiscVlf();
    bool CloseDiscVlf();
    // "Error processing disc record file - " EngineError " Code " Code.
    void ReportDiscFileError(int Code);

    // Fills Rec, Grid, Memo, Keys and RecNo with the catalogue entry of Code, or with a new record (RecNo 0)
    // that takes its track data from Toc and its volumes from the settings; a new record is not stored.
    // Fails when the files could not be read (the new record is given then as well).
    TCatalogueResult LoadDisc(const std::string& Code, TDiscRecord& Rec, TStringGridData& Grid,
                              std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                              const TDiscToc& Toc = {});
    // The stored record of Code (RecNo 0: none) and, with ReadStoredDisc, its grid and notes, read without
    // asking anything: a folder without a catalogue holds no disc.
    TCatalogueResult ReadStoredRecord(const std::string& Code, TDiscRecord& Rec, std::int32_t& RecNo);
    TCatalogueResult ReadStoredDisc(const std::string& Code, TDiscRecord& Rec, TStringGridData& Grid,
                                    std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                                    const TDiscToc& Toc = {});
    // Stores Rec with its grid and notes and brings its six keys up to date; RecNo and Keys are updated.
    // Fails when the record could not be stored (the user has been told).
    TCatalogueResult SaveDisc(TDiscRecord& Rec, const TStringGridData& Grid, const std::string& Memo,
                              std::int32_t& RecNo, TDiscKeys& Keys);
    // Stores the fixed record only (after a picture, sample or programme change).
    TCatalogueResult PutDiscRecord(const TDiscRecord& Rec);
    // Deletes record RecNo, its six keys and its blobs.
    bool DeleteDisc(std::int32_t RecNo);

    // The catalogue side of a newly seen disc: sets CurrentDiscCode (first 16 bytes of Code), loads the
    // disc into CurrentDisc, the holder's Tracks and Memo, LoadedKeys and CurrentDiscRecNo, and gives an
    // imported record waiting for its disc the drive's track data, storing it at once. The player then
    // takes VolumeLeft, VolumeRight and PlayMode from CurrentDisc.
    void DiscInserted(const std::string& Code, const TDiscToc& Toc);
    // LoadDisc of CurrentDiscCode into CurrentDisc, the holder's Tracks and Memo, LoadedKeys and
    // CurrentDiscRecNo; a new record gets the given volumes. The caller handles TocPending.
    void LoadCurrentDisc(const TDiscToc& Toc, int VolumeLeft, int VolumeRight);
    // SaveDisc of CurrentDisc with the holder's Tracks, Memo, CurrentDiscRecNo and LoadedKeys. When another
    // program changed the catalogue since the disc was read, the stored record is read first and keeps
    // what that program stored; the player's own fields (volumes, play mode, programme, sample) go over it.
    TCatalogueResult SaveCurrentDisc();
    // Whether disc.DAT, disc.IX or disc.VLF changed on disk since this object last read or wrote them in
    // step with the disc in the drive: another program (orbelune-cat) stored something meanwhile.
    bool ChangedOnDisk() const;
    // Reads the disc in the drive again (CurrentDisc, the holder's Tracks and Memo, LoadedKeys and
    // CurrentDiscRecNo) when ChangedOnDisk; Shown stays. True when it was read again.
    bool RefreshCurrentDisc();
    // Reads the disc in the drive again whatever the files say; a disc not stored keeps what it has.
    TCatalogueResult ReloadCurrentDisc();
    // Name of track Track (1 to 99) of the disc in the drive, from the holder's track grid.
    std::string TrackName(int Track) const;
    // The drive holds no disc any more.
    void DiscRemoved() { CurrentDiscCode.clear(); }

    // What the handset shows of the disc in the drive while it has no record (its CD-TEXT, or what the
    // automatic lookup found); loading a disc clears it. CurrentDisc and the holder's Tracks stay as they
    // were loaded, so that whatever stores the disc stores only what the user gave it.
    TShownDisc Shown;
    // Shown while it belongs to the disc in the drive and that disc is still not stored, else nullptr.
    // CD-TEXT holds also while the stored record has nothing of its own (CurrentDiscBlank), as the editor
    // then still offers it.
    const TShownDisc* ShownNewDisc() const;
    // Whether the disc in the drive has no record, or one that still holds only what a new disc gets:
    // "Unknown" disc name and artist and no track names.
    bool CurrentDiscBlank() const;
    // The disc name, composer and artist as shown: Shown's while it holds, else CurrentDisc's with
    // Source ssNone.
    TShownDisc ShownTexts() const;
    // The name of track Track as shown: Shown's when it gives one, else TrackName.
    std::string ShownTrackName(int Track) const;

    // The menu command: refuses while a disc is in the drive, asks, then packs the catalogue.
    bool RebuildDatabase(const TRebuildProgress& Progress = {});
    // Packs the catalogue into new files holding only the live records and blobs and swaps them in; on any
    // failure before the swap the old files stay as they were and the user is told.
    bool PackCatalogue(const TRebuildProgress& Progress = {});
    // Carries forward the swap of a rebuild or repair that was stopped after its new files were complete
    // (SwapMarkerName exists): the new files take the places still held by old ones. Files that do not make
    // a sound catalogue never do: they move to "disc-unfinished" (numbered when taken), parts of the
    // catalogue that the swap had moved aside go back, and the user is told (and Told gets the message).
    // True when there was nothing to finish or the catalogue's files are in place; false, with the user
    // told, when the files cannot be moved or another program is swapping them now.
    bool FinishInterruptedSwap(std::string* Told = nullptr);
    // Rebuilds a catalogue that was not closed properly, or whose files are damaged, from the live records
    // of disc.DAT and the blobs they name, keeping the damaged files as DamagedCopyName() with ".DAT",
    // ".IX" and ".VLF".
    bool RepairDatabase(const TRebuildProgress& Progress = {});
    // "disc-damaged", or "disc-damaged-2", "-3", ... when an earlier copy holds that name: an earlier
    // damaged copy is never overwritten.
    std::string DamagedCopyName() const;

    const std::string& DataDir() const { return FDataDir; }
    TPlayerSettings& Settings() { return FSettings; }
    std::string DiscBaseName() const { return FDataDir + "disc"; }
    std::string VlfFileName() const { return FDataDir + "disc.VLF"; }
    // Written, holding the name the old files move to, while a rebuild or repair swaps the files.
    std::string SwapMarkerName() const { return FDataDir + "disc2.SWP"; }
    std::string WorkingPicture() const { return FDataDir + "disc.bmp"; }
    std::string WorkingSample() const { return FDataDir + "disc.wav"; }

    // How long an operation waits for another program's lock on the files before it gives up, in
    // milliseconds: the player waits a little, the shell tool (0) refuses at once.
    int LockWaitMs = 0;

    // Keeps disc.DAT/disc.IX and disc.VLF open across operations until ReleaseDiscFiles, for runs of many
    // operations (an import, a benchmark); the close, which flushes the files to disk, happens once.
    bool HoldDiscFiles();
    // False, with the user told, when the last release could not write out and close the files: what the
    // operations stored may not have reached the disk.
    bool ReleaseDiscFiles();

    // For a data folder that cannot be written: the catalogue is opened for reading only, never created
    // or repaired, and every change is dropped without a message (the user was told once).
    void SetReadOnly(bool ReadOnly) { FReadOnly = ReadOnly; }
    bool ReadOnly() const { return FReadOnly; }

    // Sets "Deleted records present" and writes the settings when it was clear.
    void MarkDeletedRecords();

    TPackResult LastPack;

    // Replaces rename(2) in the file swaps of the rebuild, for tests that make one fail.
    std::function<int(const char* From, const char* To)> RenameFile;
    // Replaces unlink(2) for the swap marker, for tests that make its removal fail.
    std::function<int(const char* Name)> RemoveFile;

private:
    // Shows Msg and keeps it as the message of the operation's result.
    void Tell(const std::string& Msg);
    // Tell of Text, the engine's error number, and what the number means.
    void TellEngineError(const char* Text);
    // Starts a change: clears what the last one found and notes whether the disc in the drive was read
    // in step with the files.
    void BeginChange();
    // The result of a change (or read) that ended with Ok; a change that started in step with the files
    // leaves the object in step with what it wrote.
    TCatalogueResult EndChange(bool Ok);
    // The files' identity, size and change times, to see another program's writes.
    std::string FilesStamp() const;
    // Why a write into disc.VLF failed, as words to add to its message (": the disk is full").
    std::string StoreWriteCause(int WriteErrno);
    // The settings file of this catalogue's data folder (the program's settings file in the program).
    void WriteSettings();
    bool OpenReadOnlyFiles();
    // OpenRecordFile of disc.DAT/disc.IX; a file whose records are not disc records fails with 10501.
    void OpenDiscPair(bool ReadOnly);
    // After OpenDiscPair: true when open, else the failure is told unless it was told already.
    bool OpenSucceeded();
    // OpenDiscFiles for a change the user wants stored: a failure is told (and a repair offered) again.
    bool OpenDiscFilesToWrite();
    TCatalogueResult LoadDiscWithVolumes(const std::string& Code, TDiscRecord& Rec, TStringGridData& Grid,
                                         std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                                         const TDiscToc& Toc, int VolumeLeft, int VolumeRight);
    bool StoreDisc(TDiscRecord& Rec, const TStringGridData& Grid, const std::string& Memo,
                   std::int32_t& RecNo, TDiscKeys& Keys);
    bool PutRecordOnly(const TDiscRecord& Rec);
    bool DoPack(bool FromSalvage, const TRebuildProgress& Progress);
    // Removes the swap marker; false (errno set) when it is still there.
    bool RemoveSwapMarker();
    // FinishInterruptedSwap for files that fail the check (Why says so): they move aside and the parts
    // under AsideBase (when given) whose places are empty go back.
    bool SetUnfinishedSwapAside(const std::string& AsideBase, const std::string& Why, std::string* Told);
    // What the folder lacks for a rebuild when its free space is below the size of the catalogue files,
    // as a sentence to add to a failure message; empty when there is room.
    std::string SpaceShortage() const;
    void DeleteSecondaryKeys(std::int32_t RecNo, const TDiscKeys& Keys);
    // Whether the block at Ref holds a track grid that may belong to the disc with Code (open store).
    bool OwnTrackGrid(std::int32_t Ref, const std::string& Code);
    // Whether the block at Ref is an item in use whose data agrees with its length (open store).
    bool SoundItem(std::int32_t Ref);
    // The records and keys no longer agree after a failed write: the pair keeps its modified flag at
    // close, so that the next open offers the repair. EngineOK and EngineError are kept.
    void KeepForRepair();
    bool AddSecondaryKeys(std::int32_t RecNo, const TDiscKeys& Keys);
    // Removes the entries of keys 2 to 6 of record RecNo: each key's Stored value, and its Caller value
    // where that differs. Taken gets what was removed. Gives the first key for which neither was in the
    // index or a removal failed otherwise (EngineError tells), 0 when every key had an entry.
    int TakeOldKeys(std::int32_t RecNo, const TDiscKeys& Stored, const TDiscKeys& Caller,
                    std::vector<std::pair<int, std::string>>& Taken);

    std::string FDataDir;
    TPlayerSettings& FSettings;
    int FHold = 0;
    bool FRepairing = false;
    bool FDeclinedCreate = false;
    bool FReadOnly = false;
    bool FWriting = false;
    // The open failure last told to the user (0: none since the last open that worked).
    std::int32_t FToldOpenError = 0;
    bool FToldVlf = false;
    // What the operation under way found: another program's lock, a full disk, the message told.
    bool FBusy = false;
    bool FDiskFull = false;
    std::string FTold;
    bool FInStep = false;
    // FilesStamp when the disc in the drive was last read or written in step with the files.
    std::string FSeenStamp;
};

// S followed by blanks up to Len characters (at most 255).
std::string PadRight(const std::string& S, int Len);
