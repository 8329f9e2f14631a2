// Packing and repairing the catalogue: the live records and their blobs are copied into disc2.DAT,
// disc2.IX and disc2.VLF, which are flushed to disk before they replace the old set.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unordered_set>

#include <QFile>

#include "app/base/DataFolder.h"
#include "app/base/TextEncoding.h"
#include "catalogue/BitmapCheck.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "devices/CdErrors.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveFile.h"

namespace {

const char* const Extensions[] = {".DAT", ".IX", ".VLF"};

bool Exists(const std::string& Name) {
    std::error_code ec;
    return std::filesystem::exists(Name, ec);
}

// Turns a store's reuse of free blocks off for its lifetime.
class TStoreRecycle {
public:
    explicit TStoreRecycle(TVlf& Store) : FStore(Store), FWas(Store.Recycle) { Store.Recycle = false; }
    ~TStoreRecycle() { FStore.Recycle = FWas; }
    TStoreRecycle(const TStoreRecycle&) = delete;
    TStoreRecycle& operator=(const TStoreRecycle&) = delete;

private:
    TVlf& FStore;
    bool FWas;
};

// An open file descriptor, closed (and its lock dropped) on destruction.
class TLockedFile {
public:
    explicit TLockedFile(int Fd = -1) : FFd(Fd) {}
    ~TLockedFile() {
        if (FFd >= 0) ::close(FFd);
    }
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;
    int Fd() const { return FFd; }

private:
    int FFd;
};

// The names a swap marker may hold: "disc-old", "disc-damaged" or "disc-damaged-N".
bool ValidAsideName(const std::string& Name) {
    if (Name == "disc-old" || Name == "disc-damaged") return true;
    const std::string prefix = "disc-damaged-";
    if (Name.size() <= prefix.size() || Name.size() > prefix.size() + 6 ||
        Name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return Name.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

std::string Megabytes(std::uintmax_t Bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(Bytes) / (1024.0 * 1024.0));
    return text;
}

// "3 discs" / "1 disc".
std::string Discs(int N) {
    return std::to_string(N) + (N == 1 ? " disc" : " discs");
}

// Records with a code already copied cannot be reached through the unique key: they are left out.
std::string SkippedText(int N) {
    return N == 1
               ? "1 record was left out because a disc with the same code was already copied."
               : std::to_string(N) + " records were left out because a disc with the same code was already "
                                     "copied.";
}

// A picture or sample whose own size field disagrees with its block: the field is set to the block's
// length when the file is whole and sound with it, so that the copy agrees with its block. False when the
// file is not sound either way (it cannot be kept).
bool MendSizeField(const std::string& Path, std::int16_t Kind) {
    std::string bytes;
    {
        QFile file(QString::fromStdString(Path));
        if (!file.open(QIODevice::ReadOnly)) return false;
        const QByteArray all = file.readAll();
        bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
    }
    const bool bitmap = Kind == VlfKindPicture;
    const std::size_t at = bitmap ? 2 : 4;
    if (bytes.size() < at + 4 || bytes.size() > 0xffffffffULL) return false;
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - (bitmap ? 0 : 8));
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xff);
    QFile file(QString::fromStdString(Path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        return false;
    file.close();
    if (bitmap) {
        QFile check(QString::fromStdString(Path));
        return check.open(QIODevice::ReadOnly) && bytes.compare(0, 2, "BM") == 0 &&
               BitmapProblem(check).empty();
    }
    TWaveData wave;
    return bytes.compare(0, 4, "RIFF") == 0 && LoadWaveFile(Path, wave) == deOK;
}

// The disc code a track grid or notes text names: the grid's first cell, the notes' first line.
std::string NamedCode(const std::string& Text) {
    std::string code = Text.substr(0, Text.find_first_of(std::string("\r\n\0", 3)));
    if (code.empty() || code.size() > DiscCodeKeyLength) return {};
    for (const char c : code)
        if (static_cast<unsigned char>(c) <= ' ') return {};
    return code;
}

// " Cleared: " and the losses, the first ten of them.
std::string LossesText(const std::vector<std::string>& Losses) {
    if (Losses.empty()) return {};
    std::string text = " Cleared:";
    for (std::size_t i = 0; i < Losses.size() && i < 10; ++i)
        text += (i == 0 ? " " : "; ") + Losses[i];
    if (Losses.size() > 10) text += "; and " + std::to_string(Losses.size() - 10) + " more";
    return text + ".";
}

bool IsBlank(const TDiscRecordBytes& Bytes) {
    for (std::size_t i = 4; i < Bytes.size(); ++i)
        if (Bytes[i] != 0) return false;
    return true;
}

// Prefix, or Prefix-2, -3, ... when an earlier copy in DataDir holds that name.
std::string FreeCopyName(const std::string& DataDir, const std::string& Prefix) {
    for (int n = 1;; ++n) {
        const std::string name = n == 1 ? Prefix : Prefix + "-" + std::to_string(n);
        bool taken = false;
        for (const char* ext : Extensions)
            taken = taken || Exists(DataDir + name + ext);
        if (!taken || n == 999999) return name;
    }
}

// "disc2.DAT, disc2.IX and disc2.VLF".
std::string ListText(const std::vector<std::string>& Names) {
    std::string text;
    for (std::size_t i = 0; i < Names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == Names.size() ? " and " : ", ") + Names[i];
    return text;
}

} // namespace

std::string TDiscCatalogue::DamagedCopyName() const {
    return FreeCopyName(FDataDir, "disc-damaged");
}

bool TDiscCatalogue::RemoveSwapMarker() {
    return RemoveFile(SwapMarkerName().c_str()) == 0 || errno == ENOENT;
}

std::string TDiscCatalogue::SpaceShortage() const {
    std::uintmax_t needed = 0;
    for (const char* ext : Extensions) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(DiscBaseName() + ext, ec);
        if (!ec) needed += size;
    }
    struct statvfs fs;
    if (::statvfs(FDataDir.c_str(), &fs) != 0) return {};
    const std::uintmax_t free = static_cast<std::uintmax_t>(fs.f_bavail) * fs.f_frsize;
    if (free >= needed) return {};
    return " The disk is full: rebuilding the catalogue needs up to " + Megabytes(needed) + " free in " +
           FDataDir + ", and " + Megabytes(free) + " are free.";
}

bool TDiscCatalogue::SetUnfinishedSwapAside(const std::string& AsideBase, const std::string& Why,
                                            std::string* Told) {
    const std::string oldBase = DiscBaseName();
    const std::string newBase = FDataDir + "disc2";
    const std::string keptName = FreeCopyName(FDataDir, "disc-unfinished");
    // The swap moves every old part aside before it puts the first new one in place: only when each part
    // still waiting has its place empty and its old file aside were the other parts put in place already.
    bool placedBefore = !AsideBase.empty();
    for (const char* ext : Extensions)
        if (Exists(newBase + ext) && (Exists(oldBase + ext) || !Exists(AsideBase + ext)))
            placedBefore = false;
    std::vector<std::string> movedFrom, movedTo, restored, restoredFrom;
    const auto move = [&](const std::string& From, const std::string& To) {
        if (RenameFile((FDataDir + From).c_str(), (FDataDir + To).c_str()) == 0) return true;
        ShowError(Why + ". The catalogue keeps its own files, but " + FDataDir + From +
                  " cannot be moved to " + FDataDir + To + " (" + std::strerror(errno) +
                  "). Move it by hand; until then the catalogue is not opened.");
        return false;
    };
    for (const char* ext : Extensions) {
        const std::string from = Exists(newBase + ext) ? std::string("disc2") + ext
                                 : placedBefore && Exists(oldBase + ext) && Exists(AsideBase + ext)
                                     ? std::string("disc") + ext
                                     : std::string();
        if (!from.empty()) {
            if (!move(from, keptName + ext)) return false;
            movedFrom.push_back(from);
            movedTo.push_back(keptName + ext);
        }
        if (!AsideBase.empty() && !Exists(oldBase + ext) && Exists(AsideBase + ext)) {
            const std::string aside = AsideBase.substr(FDataDir.size()) + ext;
            if (!move(aside, std::string("disc") + ext)) return false;
            restored.push_back(std::string("disc") + ext);
            restoredFrom.push_back(aside);
        }
    }
    SyncFolder(FDataDir);
    const bool markerGone = RemoveSwapMarker();
    const int removeError = errno;
    SyncFolder(FDataDir);
    std::string text = Why + ". The catalogue keeps its own files";
    const auto were = [](const std::vector<std::string>& Names) {
        return Names.size() == 1 ? " was " : " were ";
    };
    if (!movedFrom.empty())
        text += "; " + ListText(movedFrom) + were(movedFrom) + "moved to " + ListText(movedTo);
    if (!restored.empty())
        text += "; " + ListText(restored) + were(restored) + "put back from " + ListText(restoredFrom);
    text += markerGone ? "; disc2.SWP was removed."
                       : ". disc2.SWP cannot be removed (" + std::string(std::strerror(removeError)) +
                             "): remove it by hand.";
    ShowError(text);
    if (Told) *Told = text;
    return true;
}

bool TDiscCatalogue::FinishInterruptedSwap(std::string* Told) {
    const std::string marker = SwapMarkerName();
    TLockedFile file(::open(marker.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Fd() < 0) return true;
    // The rebuild that wrote the marker holds its lock until its swap is over.
    if (::flock(file.Fd(), LOCK_EX | LOCK_NB) != 0) {
        ShowError(msgSwapInProgress);
        return false;
    }
    char name[32] = {};
    const ssize_t n = ::pread(file.Fd(), name, sizeof name - 1, 0);
    std::string aside = n > 0 ? std::string(name, static_cast<std::size_t>(n)) : std::string();
    // A marker that did not reach the disc whole keeps the old files whatever they were, under a name
    // that no earlier copy holds.
    const bool pack = aside == "disc-old";
    const bool named = ValidAsideName(aside);
    if (!named) aside = DamagedCopyName();
    const std::string oldBase = DiscBaseName();
    const std::string newBase = FDataDir + "disc2";
    const std::string asideBase = FDataDir + aside;
    // Only a set that makes a sound catalogue takes the catalogue's place: files under the new names that
    // no rebuild finished (a partial restore of the folder, a disk error) are set aside instead. With no
    // new file left to place, the swap is over and only the marker remains.
    if (SwapFilesWaiting(FDataDir))
        if (const TCatalogueCheck waiting = CheckSwapWaitingFiles(FDataDir); !waiting.Ok)
            return SetUnfinishedSwapAside(named ? asideBase : std::string(),
                                          UnfinishedSwapText(FDataDir, waiting), Told);
    // The new set was complete on disk before the marker was written: the swap is carried forward. Each
    // new file still waiting takes the place of the old one, which moves aside first if still there.
    for (const char* ext : Extensions) {
        if (!Exists(newBase + ext)) continue;
        if ((Exists(oldBase + ext) && RenameFile((oldBase + ext).c_str(), (asideBase + ext).c_str()) != 0) ||
            RenameFile((newBase + ext).c_str(), (oldBase + ext).c_str()) != 0) {
            ShowError(
                "A rebuild of the catalogue was stopped before it had replaced the files, and they cannot "
                "be replaced now. The previous files are kept as " +
                asideBase + ".DAT, .IX and .VLF and the new ones as " + newBase + ".DAT, .IX and .VLF.");
            return false;
        }
    }
    SyncFolder(FDataDir);
    // The files are in place whether or not the marker goes; the next rebuild reports a marker that stays.
    RemoveSwapMarker();
    SyncFolder(FDataDir);
    if (pack)
        for (const char* ext : Extensions)
            DeleteFileQuietly(asideBase + ext);
    return true;
}

bool TDiscCatalogue::RebuildDatabase(const TRebuildProgress& Progress) {
    if (!CurrentDiscCode.empty()) {
        ShowError("Please remove CD before selecting this option.");
        return false;
    }
    if (FReadOnly) {
        ShowError(DataFolderReadOnlyMessage(FDataDir));
        return false;
    }
    if (AskYesNo("This routine will pack the CD catalog recovering unused space. Only proceed if you have a "
                 "backup of your data files. Do you wish to continue?") != idYes)
        return false;
    return PackCatalogue(Progress);
}

bool TDiscCatalogue::PackCatalogue(const TRebuildProgress& Progress) {
    if (!DoPack(false, Progress)) return false;
    // One closing message with the counts, as the shell tells them.
    ShowError("The catalogue has been rebuilt: " + Discs(LastPack.Records) + "." +
              (LastPack.SkippedDuplicates > 0 ? " " + SkippedText(LastPack.SkippedDuplicates) : "") +
              LossesText(LastPack.Losses));
    FSettings.DeletedRecordsPresent = false;
    WriteSettings();
    return true;
}

bool TDiscCatalogue::RepairDatabase(const TRebuildProgress& Progress) {
    FRepairing = true;
    const bool ok = DoPack(true, Progress);
    FRepairing = false;
    if (!ok) return false;
    FSettings.DeletedRecordsPresent = false;
    WriteSettings();
    struct TLoss {
        int Count;
        const char* One;
        const char* Many;
    };
    std::string lost;
    for (const TLoss& loss : {TLoss{LastPack.LostTracks, "its track names", "their track names"},
                              TLoss{LastPack.LostNotes, "its notes", "their notes"},
                              TLoss{LastPack.LostPictures, "its picture", "their pictures"},
                              TLoss{LastPack.LostSamples, "its sample", "their samples"}})
        if (loss.Count > 0)
            lost += (lost.empty() ? "" : ", ") + Discs(loss.Count) + " lost " +
                    (loss.Count == 1 ? loss.One : loss.Many);
    std::string text = "The disc catalogue has been repaired: " + std::to_string(LastPack.Records) +
                       " disc records were recovered.";
    if (LastPack.SkippedDuplicates > 0) text += " " + SkippedText(LastPack.SkippedDuplicates);
    if (LastPack.FromStore)
        text += " disc.DAT held no disc records: they were made again from the track lists and notes in "
                "disc.VLF, with their codes, track names and notes only; each takes its track times from its "
                "disc when it is next played.";
    if (!lost.empty())
        text +=
            " The damaged files could not give everything back: " + lost + "." + LossesText(LastPack.Losses);
    const std::string& aside = LastPack.AsideName;
    text += " The damaged files are kept as " + aside + ".DAT, " + aside + ".IX and " + aside + ".VLF.";
    ShowError(text);
    return true;
}

bool TDiscCatalogue::DoPack(bool FromSalvage, const TRebuildProgress& Progress) {
    LastPack = {};
    if (FHold > 0) return false;
    // Both sets are closed while the files are checked, copied and swapped.
    if (DiscFile) {
        CloseRecordFile(DiscFile);
        if (!EngineOK) {
            ShowError("Cannot close disc record file - " + std::to_string(EngineError));
            return false;
        }
    }
    if (fvlf.Vlf.IsOpen()) fvlf.Vlf.CloseStore();
    const bool swapWaited = Exists(SwapMarkerName());
    if (!FinishInterruptedSwap(&LastPack.SwapNote)) return false;

    const std::string oldBase = DiscBaseName();
    const std::string newBase = FDataDir + "disc2";
    LastPack.AsideName = FromSalvage ? DamagedCopyName() : "disc-old";
    const std::string asideBase = FDataDir + LastPack.AsideName;
    // Files a stopped swap left were dealt with (and the user told) before this rebuild began.
    const std::string failure =
        !swapWaited ? std::string(FromSalvage ? msgRepairFailed : msgRebuildFailed)
                    : std::string(FromSalvage ? "The catalogue could not be repaired."
                                              : "The catalogue could not be rebuilt.") +
                          (LastPack.SwapNote.empty() ? " The rebuild or repair that had been stopped while "
                                                       "it replaced the files was finished "
                                                       "first; nothing else has been changed."
                                                     : " Nothing has been changed but what was said of the "
                                                       "files left beside the catalogue.");
    for (const char* ext : Extensions)
        DeleteFileQuietly(newBase + ext);
    DeleteFileQuietly(newBase + ".DIA");

    TVlf& target = fvlf.Vlf2;
    TVlf& source = fvlf.Vlf;
    TRecordFile* packed = nullptr;
    TRecordFile* live = nullptr;
    const auto abandon = [&](bool Tell) {
        source.ReadAhead = false;
        target.EndAppendBatch();
        if (live) CloseRecordFile(live);
        if (packed) CloseRecordFile(packed);
        if (source.IsOpen()) source.CloseStore();
        if (target.IsOpen()) target.CloseStore();
        for (const char* ext : Extensions)
            DeleteFileQuietly(newBase + ext);
        DeleteFileQuietly(WorkingPicture());
        DeleteFileQuietly(WorkingSample());
        if (Tell) ShowError(failure + SpaceShortage());
        return false;
    };

    // The new store has no free block to look for: every item is appended.
    const TStoreRecycle appendOnly(target);
    if (!target.OpenStore(newBase + ".VLF")) {
        ShowError("Cannot open new VLF file: " + target.LastError() + "." + SpaceShortage());
        return abandon(false);
    }
    CreateDiscRecordFile(newBase);
    if (EngineOK) OpenRecordFile(packed, newBase);
    if (!EngineOK) {
        packed = nullptr;
        ShowError("Cannot open disc record file - " + std::to_string(EngineError) + SpaceShortage());
        return abandon(false);
    }
    if (Progress) Progress(0);

    // A disc.DAT cut short inside its header holds no record: the repair makes the discs again from the
    // track lists and notes of the store, which name their disc's code.
    std::error_code datError;
    const std::uintmax_t datSize = std::filesystem::file_size(oldBase + ".DAT", datError);
    LastPack.FromStore = FromSalvage && !datError && datSize < static_cast<std::uintmax_t>(DiscRecordSize);
    // The old set is only read. The repair knows the record length, which a damaged header may have lost.
    if (LastPack.FromStore)
        EngineOK = true;
    else if (FromSalvage)
        OpenRecordFileForSalvage(live, oldBase, DiscRecordSize);
    else
        OpenRecordFile(live, oldBase, true);
    if (!EngineOK) {
        live = nullptr;
        ShowError("Cannot open disc record file - " + std::to_string(EngineError) +
                  DamageAdvice(EngineError));
        return abandon(true);
    }
    if (live && RecordLength(live) != DiscRecordSize) {
        EngineError = eeDataHeaderDamaged;
        ShowError("Cannot open disc record file - " + std::to_string(EngineError) +
                  DamageAdvice(EngineError));
        return abandon(true);
    }
    // A store whose header is damaged is still read by the repair: its blocks lie where the records say.
    bool haveSource = !Exists(VlfFileName()) || source.OpenStore(VlfFileName()) ||
                      (FromSalvage && source.OpenStoreForSalvage(VlfFileName()));
    if (!haveSource && !FromSalvage) {
        ShowError("Cannot open VLF file: " + source.LastError() + ". " + msgRunRepair);
        return abandon(true);
    }

    std::vector<TVlf::TBlockInfo> blocks;
    if (LastPack.FromStore && source.IsOpen()) {
        std::int64_t brokenAt = 0;
        source.WalkBlocks(blocks, brokenAt); // the blocks before a break are still read
    }
    const long long steps =
        live ? 2LL * RecordSlotCount(live) - 2 : 2LL * static_cast<long long>(blocks.size());
    long long step = 0;
    int shown = -1;
    const auto advance = [&] {
        ++step;
        const int percent = steps > 0 ? static_cast<int>(std::lround(step * 100.0 / steps)) : 100;
        if (Progress && percent != shown) Progress(percent);
        shown = percent;
    };

    // The disc being copied, as a loss names it: its code and name.
    std::string current;
    // Copies a blob into the new store; 0 when it is missing in the old one (it is dropped), -1 when the
    // new store could not take it.
    const auto copyBlob = [&](std::int32_t Ref, std::int16_t Kind) -> std::int32_t {
        if (Ref == 0) return 0;
        const auto drop = [&] {
            ++LastPack.DroppedBlobs;
            LastPack.Losses.push_back(current + ": " +
                                      (Kind == VlfKindTracks    ? "track names"
                                       : Kind == VlfKindNotes   ? "notes"
                                       : Kind == VlfKindPicture ? "picture"
                                                                : "sample"));
            ++(Kind == VlfKindTracks    ? LastPack.LostTracks
               : Kind == VlfKindNotes   ? LastPack.LostNotes
               : Kind == VlfKindPicture ? LastPack.LostPictures
                                        : LastPack.LostSamples);
            return 0;
        };
        if (!source.IsOpen() || source.ItemKind(Ref) != Kind || source.ItemLength(Ref) <= 0) return drop();
        std::int32_t pos = 0;
        if (Kind == VlfKindTracks) {
            if (!LoadGrid(source, Ref, fvlf.catTracks)) return drop();
            pos = SaveGrid(target, 0, fvlf.catTracks);
        } else if (Kind == VlfKindNotes) {
            if (!source.LoadText(Ref, fvlf.catMemo)) return drop();
            pos = target.SaveText(0, fvlf.catMemo);
        } else {
            const std::string work = Kind == VlfKindPicture ? WorkingPicture() : WorkingSample();
            DeleteFileQuietly(work);
            if (!source.ExtractFile(Ref, work, false)) return -1;
            // Copied as it is, a file whose size field disagrees with its block would fail the next check.
            if (!source.ContentFits(Ref) && !MendSizeField(work, Kind)) return drop();
            pos = target.StoreFile(0, work, Kind);
        }
        return pos > 0 ? pos : -1;
    };

    // Records are read in large batches, blobs through a read-ahead window, and the new store is written
    // in large pieces with its space reserved once.
    source.ReadAhead = true;
    std::error_code sizeError;
    const auto sourceSize = haveSource ? std::filesystem::file_size(VlfFileName(), sizeError) : 0;
    target.BeginAppendBatch(sizeError ? 0 : static_cast<std::int64_t>(sourceSize));
    bool stopped = false;
    // The keys of the copied records, loaded into the new index in one pass once all are copied: sorted
    // and packed into full pages, half the size of an index built by adding them one at a time.
    std::vector<TKeyEntry> keys[DiscKeyCount];
    std::unordered_set<std::string> codes;
    // Copies one live record with its blobs into the new set; false when the copy has to stop.
    const auto copyRecord = [&](TDiscRecordBytes bytes) {
        // Key 1 is unique: a second record with a code already copied could never be reached.
        std::string code = DiscKeyValue(bytes, kDiscCode);
        if (codes.count(code)) {
            ++LastPack.SkippedDuplicates;
            advance();
            return true;
        }
        advance();
        current =
            DiscKeyValue(bytes, kDiscCode) + " (" + DecodeStoredText(DecodeDiscRecord(bytes).DiscName) + ")";
        const TDiscBlobRefs old = DiscBlobRefs(bytes);
        TDiscBlobRefs moved;
        moved.Tracks = copyBlob(old.Tracks, VlfKindTracks);
        moved.Notes = copyBlob(old.Notes, VlfKindNotes);
        moved.Picture = copyBlob(old.Picture, VlfKindPicture);
        moved.Sample = copyBlob(old.Sample, VlfKindSample);
        if (moved.Tracks < 0 || moved.Notes < 0 || moved.Picture < 0 || moved.Sample < 0) {
            ShowError("Cannot write new VLF file: " + target.LastError() + ".");
            return !(stopped = true);
        }
        SetDiscBlobRefs(bytes, moved);
        std::int32_t newNo = 0;
        AddRecord(packed, newNo, RecordView(bytes));
        if (!EngineOK) {
            ReportDiscFileError(0);
            return !(stopped = true);
        }
        for (int k = kComposer; k <= kMusicType; ++k)
            keys[k - 1].push_back({DiscKeyValue(bytes, k), newNo});
        keys[kDiscCode - 1].push_back({code, newNo});
        codes.insert(std::move(code));
        ++LastPack.Records;
        return true;
    };
    if (live) {
        ForEachDiscRecord(live, [&](std::int32_t, const TDiscRecordBytes* Got) {
            advance();
            if (!Got) {
                ReportDiscFileError(0);
                return !(stopped = true);
            }
            if (DiscRecordStatus(*Got) != 0 || (FromSalvage && IsBlank(*Got))) {
                advance();
                return true;
            }
            return copyRecord(*Got);
        });
    } else {
        // Each track list and notes text names its disc in its first cell or line. A disc made again
        // from them waits for its disc to give its track times, as an imported one does.
        std::map<std::string, std::int32_t> notesOf;
        for (const TVlf::TBlockInfo& block : blocks)
            if (block.InUse && block.Kind == VlfKindNotes && source.LoadText(block.Pos, fvlf.catMemo))
                notesOf.emplace(NamedCode(fvlf.catMemo), block.Pos);
        notesOf.erase(std::string());
        const auto remake = [&](const std::string& Code, std::int32_t Tracks, int TrackCount) {
            TDiscRecord rec = NewDiscRecord(Code, FSettings.VolumeLeft, FSettings.VolumeRight);
            rec.TocPending = true;
            rec.TrackCount = static_cast<std::int16_t>(TrackCount);
            rec.TracksRef = Tracks;
            if (const auto notes = notesOf.find(Code); notes != notesOf.end()) {
                rec.NotesRef = notes->second;
                notesOf.erase(notes);
            }
            return copyRecord(EncodeDiscRecord(rec));
        };
        for (const TVlf::TBlockInfo& block : blocks) {
            advance();
            if (!block.InUse || block.Kind != VlfKindTracks || !LoadGrid(source, block.Pos, fvlf.catTracks)) {
                advance();
                continue;
            }
            const std::string code = NamedCode(fvlf.catTracks.Cells(0, 0));
            int trackCount = 0;
            for (int row = 1; row <= MaxDiscTracks && row < fvlf.catTracks.RowCount(); ++row)
                for (int col = 0; col < fvlf.catTracks.ColCount(); ++col)
                    if (!fvlf.catTracks.Cells(col, row).empty()) trackCount = row;
            if (code.empty()) {
                advance();
                continue;
            }
            if (!remake(code, block.Pos, trackCount)) {
                stopped = true;
                break;
            }
        }
        // Notes without a track list make a disc only under a code of hexadecimal digits, as the drive
        // gives: a first line of notes stored without their code is a word of the notes.
        const std::map<std::string, std::int32_t> notesOnly = notesOf;
        for (const auto& [code, pos] : notesOnly)
            if (!stopped && code.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos &&
                !remake(code, 0, 0))
                stopped = true;
    }
    source.ReadAhead = false;
    if (stopped) return abandon(true);
    codes = {};
    for (int k = kDiscCode; k <= kMusicType; ++k) {
        LoadKeys(packed, k, keys[k - 1]);
        if (!EngineOK) {
            ReportDiscFileError(k);
            return abandon(true);
        }
    }
    if (Progress && shown != 100) Progress(100);

    if (live) CloseRecordFile(live);
    if (source.IsOpen()) source.CloseStore();
    CloseRecordFile(packed);
    if (!EngineOK) {
        ShowError("Cannot close disc record file - " + std::to_string(EngineError));
        return abandon(true);
    }
    if (!target.EndAppendBatch() || target.CloseStore() != 0 || !SyncFile(newBase + ".VLF")) {
        ShowError("Cannot write new VLF file" + SpaceShortage());
        return abandon(true);
    }
    DeleteFileQuietly(WorkingPicture());
    DeleteFileQuietly(WorkingSample());

    // The swap: the old set moves aside, the new set takes its names. A rename that fails undoes the
    // ones before it, so disc.DAT, disc.IX and disc.VLF are always one set. The marker, on disk before
    // the first rename, lets the next open carry forward a swap that a stopped program left half done.
    const std::string marker = SwapMarkerName();
    DeleteFileQuietly(marker);
    TLockedFile markerFile(::open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    const std::string& asideName = LastPack.AsideName;
    if (markerFile.Fd() < 0 || ::flock(markerFile.Fd(), LOCK_EX | LOCK_NB) != 0 ||
        ::write(markerFile.Fd(), asideName.data(), asideName.size()) !=
            static_cast<ssize_t>(asideName.size()) ||
        ::fsync(markerFile.Fd()) != 0 || !SyncFolder(FDataDir)) {
        DeleteFileQuietly(marker);
        ShowError("Cannot write " + marker);
        return abandon(true);
    }
    const auto rename = [&](const std::string& From, const std::string& To) {
        return RenameFile(From.c_str(), To.c_str()) == 0;
    };
    int asideCount = 0;
    bool hadOld[3] = {};
    for (; asideCount < 3; ++asideCount) {
        const std::string from = oldBase + Extensions[asideCount];
        hadOld[asideCount] = Exists(from);
        if (hadOld[asideCount] && !rename(from, asideBase + Extensions[asideCount])) break;
    }
    int placed = 0;
    if (asideCount == 3)
        for (; placed < 3; ++placed)
            if (!rename(newBase + Extensions[placed], oldBase + Extensions[placed])) break;
    if (placed < 3) {
        bool restored = true;
        for (int i = placed - 1; i >= 0; --i)
            restored = rename(oldBase + Extensions[i], newBase + Extensions[i]) && restored;
        for (int i = asideCount - 1; i >= 0; --i)
            if (hadOld[i]) restored = rename(asideBase + Extensions[i], oldBase + Extensions[i]) && restored;
        if (!restored) {
            // The marker stays: the next open tries to finish the swap.
            ShowError("The catalogue files could not be replaced. The previous files are kept as " +
                      asideBase + ".DAT, .IX and .VLF and the new ones as " + newBase +
                      ".DAT, .IX and .VLF.");
            return false;
        }
        DeleteFileQuietly(marker);
        return abandon(true);
    }
    SyncFolder(FDataDir);
    const bool markerGone = RemoveSwapMarker();
    const int removeError = errno;
    SyncFolder(FDataDir);
    if (!FromSalvage)
        for (const char* ext : Extensions)
            DeleteFileQuietly(asideBase + ext);
    if (!markerGone) {
        // Left in place it makes every later look at the catalogue wait for a swap that is already over.
        ShowError("The catalogue files have been replaced, but " + marker + " cannot be removed (" +
                  std::strerror(removeError) + "). Remove it by hand before the catalogue is used.");
        return false;
    }
    return true;
}
