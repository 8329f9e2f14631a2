// The engine's public routines: status, entry check, file pairs (create, open, close) and records. The
// index trees are in RecordEngineBTree.cpp, the page buffers in RecordEnginePageCache.cpp.
#include "catalogue/store/RecordEngine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "catalogue/store/RecordEngineBTree.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/RecordEnginePageCache.h"
#include "catalogue/store/RecordFileHandle.h"

bool EngineOK = true;
std::int32_t EngineError = 0;

using namespace RecordEngineImpl;
using namespace RecordFormat;

namespace {

bool Initialized = false;
std::vector<TRecordFile*> OpenFiles;
std::uint32_t NextSerial = 1;

void Succeed() {
    EngineOK = true;
    EngineError = 0;
}

void Fail(std::int32_t Err) {
    if (Err) {
        EngineOK = false;
        EngineError = Err;
    }
}

bool IsOpenHandle(const TRecordFile* F) {
    // Looked up before the handle is touched, so a stale pointer to a closed pair is refused safely.
    return F && std::find(OpenFiles.begin(), OpenFiles.end(), F) != OpenFiles.end() &&
           F->Magic == RecordFileOpenMagic;
}

enum TEntryKind { ekRead, ekWrite };

constexpr int NoKey = std::numeric_limits<int>::min();

// The check every operation on an open pair starts with; KeyNr is NoKey for record operations.
std::int32_t CheckEntry(const TRecordFile* F, TEntryKind Kind, int KeyNr = NoKey) {
    if (!Initialized) return eeNotInit;
    if (!IsOpenHandle(F)) return eeBadHandle;
    if (Kind == ekWrite && F->ReadOnly) return eeReadOnly;
    if (KeyNr == NoKey) return 0;
    if (F->Salvage) return eeSalvageNoIndex;
    if (KeyNr < 1 || KeyNr > F->Header.NumberOfKeys) return eeBadKeyNumber;
    return 0;
}

// ---- File names ----

struct TFileNames {
    std::string Data, Index, Journal;
};

std::string Trimmed(const std::string& S) {
    const auto first = S.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return S.substr(first, S.find_last_not_of(' ') - first + 1);
}

// Replaces the extension (the text after the last "." of the last path component) with Ext.
std::string WithExtension(std::string Name, const char* Ext) {
    const auto dot = Name.find_last_of('.');
    const auto sep = Name.find_last_of("/\\");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) Name.erase(dot);
    return Name + "." + Ext;
}

// "base" names both files; "data;index" names them apart. Blanks around the names are dropped (blanks
// inside are kept: folder names may hold them).
TFileNames FileNames(const std::string& BaseName) {
    const auto semi = BaseName.find(';');
    const std::string data = Trimmed(BaseName.substr(0, semi));
    const std::string index = semi == std::string::npos ? data : Trimmed(BaseName.substr(semi + 1));
    return {WithExtension(data, "DAT"), WithExtension(index, "IX"), WithExtension(data, "DIA")};
}

// ---- Headers ----

void EncodeDataHeader(const TDataHeader& H, bool Modified, unsigned char* Raw) {
    PutI32(Raw + DataFirstFree, H.FirstFree);
    PutI32(Raw + DataFreeCount, H.FreeCount);
    PutI32(Raw + DataSlotsInUse, H.SlotsInUse);
    PutI32(Raw + DataRecordLength, H.RecordLength);
    PutI32(Raw + DataKeyCount, H.NumberOfKeys);
    Raw[DataModified] = Modified ? 1 : 0;
}

void EncodeKeyHeader(const TKeyInfo& K, unsigned char* Raw) {
    PutI32(Raw + KeyFirstFree, K.FirstFree);
    PutI32(Raw + KeyFreeCount, K.FreeCount);
    PutI32(Raw + KeyPagesInUse, K.PagesInUse);
    PutI32(Raw + KeyPageSize, K.PageSize);
    PutI32(Raw + KeyRoot, K.Root);
    Raw[KeyDuplicates] = K.Duplicates;
    Raw[KeyUnused] = K.Unused;
    PutI32(Raw + KeyEntryCount, K.EntryCount);
    PutU16(Raw + KeyCapacity, K.StoredCapacity);
}

// Reads and checks key header K at Offset in slot 0; the page size fixes the key length.
std::int32_t ReadKeyHeader(TRecordFile* F, std::int64_t Offset, TKeyInfo& K) {
    unsigned char raw[KeyHeaderSize];
    if (const std::int32_t err = ReadAt(F->Index, Offset, raw, sizeof raw)) return err;
    K.FirstFree = GetI32(raw + KeyFirstFree);
    K.FreeCount = GetI32(raw + KeyFreeCount);
    K.PagesInUse = GetI32(raw + KeyPagesInUse);
    K.PageSize = GetI32(raw + KeyPageSize);
    K.Root = GetI32(raw + KeyRoot);
    K.Duplicates = raw[KeyDuplicates] != 0 ? 1 : 0;
    K.Unused = raw[KeyUnused];
    K.EntryCount = GetI32(raw + KeyEntryCount);
    K.StoredCapacity = GetU16(raw + KeyCapacity);
    const int capacity = K.StoredCapacity == 0 ? PageCapacity : K.StoredCapacity;
    // The tree's thresholds (62 entries, 31 at least) are fixed, so another capacity cannot be kept.
    if (capacity != PageCapacity) return eeKeyHeaderCapacity;
    if (K.PageSize < PageHeaderSize || (K.PageSize - PageHeaderSize) % capacity != 0) return eeKeyHeaderSize;
    K.KeyLength = (K.PageSize - PageHeaderSize) / capacity - EntryOverhead;
    if (K.KeyLength < 1 || K.KeyLength > MaxKeyBytes) return eeKeyHeaderLength;
    K.RegionOffset = Offset;
    return 0;
}

// Counts and links of a key header that the index file cannot hold.
bool KeyHeaderFits(const TKeyInfo& K, std::int64_t SlotCount) {
    if (K.PagesInUse < 0 || K.PagesInUse > SlotCount - 1) return false;
    if (K.FreeCount < 0 || K.FreeCount > K.PagesInUse) return false;
    if ((K.FirstFree == -1) != (K.FreeCount == 0)) return false;
    if (K.FirstFree != -1 && (K.FirstFree < 1 || K.FirstFree > K.PagesInUse)) return false;
    if (K.Root < 0 || K.Root > K.PagesInUse || K.EntryCount < 0) return false;
    // No more entries than the key's pages can hold, so the count never overflows when it grows.
    if (K.EntryCount > std::int64_t(K.PagesInUse) * PageCapacity) return false;
    return (K.Root == 0) == (K.EntryCount == 0);
}

bool DataHeaderFits(const TDataHeader& H, std::int64_t FileSize) {
    if (H.RecordLength < MinRecordLength || H.SlotsInUse < 0) return false;
    if (H.FreeCount < 0 || H.FreeCount > H.SlotsInUse) return false;
    if ((H.FirstFree == -1) != (H.FreeCount == 0)) return false;
    if (H.FirstFree != -1 && (H.FirstFree < 1 || H.FirstFree > H.SlotsInUse)) return false;
    return FileSize >= (std::int64_t(H.SlotsInUse) + 1) * H.RecordLength;
}

std::int32_t ReadDataHeader(TRecordFile* F, bool& ModifiedFlag) {
    unsigned char raw[DataHeaderSize];
    if (const std::int32_t err = ReadAt(F->Data, 0, raw, sizeof raw)) return err;
    F->Header.FirstFree = GetI32(raw + DataFirstFree);
    F->Header.FreeCount = GetI32(raw + DataFreeCount);
    F->Header.SlotsInUse = GetI32(raw + DataSlotsInUse);
    F->Header.RecordLength = GetI32(raw + DataRecordLength);
    F->Header.NumberOfKeys = GetI32(raw + DataKeyCount);
    ModifiedFlag = raw[DataModified] != 0;
    return 0;
}

std::int32_t OpenIndex(TRecordFile* F, const std::string& Name) {
    if (OpenEngineFile(F->Index, Name, F->ReadOnly, false) != 0) return eeModified;
    try {
        F->Keys.resize(static_cast<std::size_t>(F->Header.NumberOfKeys));
    } catch (const std::bad_alloc&) {
        return eeNoMemoryOpen;
    }
    std::int64_t offset = 0;
    for (TKeyInfo& key : F->Keys) {
        if (const std::int32_t err = ReadKeyHeader(F, offset, key)) return err;
        offset += key.PageSize;
    }
    F->IndexSlotSize = offset;
    std::int64_t size;
    if (const std::int32_t err = EngineFileSize(F->Index, size)) return err;
    if (size < F->IndexSlotSize) return eeIndexSlotSize;
    F->IndexSlotCount = size / F->IndexSlotSize;
    for (const TKeyInfo& key : F->Keys)
        if (!KeyHeaderFits(key, F->IndexSlotCount)) return eeKeyHeaderDamaged;
    return 0;
}

std::int32_t WriteKeyHeaders(TRecordFile* F) {
    std::int32_t first = 0;
    for (TKeyInfo& key : F->Keys) {
        if (!key.HeaderDirty) continue;
        unsigned char raw[KeyHeaderSize];
        EncodeKeyHeader(key, raw);
        if (const std::int32_t err = WriteAt(F->Index, key.RegionOffset, raw, sizeof raw))
            first = first ? first : err;
        else
            key.HeaderDirty = false;
    }
    return first;
}

// Writes back and closes F. The data header with the cleared flag goes last, after the index is on disk,
// so that a pair is never marked clean over pages that did not reach the disk. When anything fails the
// flag stays set and the pair stays open, unless Force (engine shutdown) frees it anyway.
std::int32_t CloseHandle(TRecordFile* F, bool Force) {
    std::int32_t err = 0;
    auto keep = [&err](std::int32_t E) {
        if (E && !err) err = E;
    };
    if (F->Modified || F->Written) {
        keep(FlushPages(F));
        keep(WriteKeyHeaders(F));
        if (F->Index.IsOpen()) keep(SyncEngineFile(F->Index));
        if (!err) {
            unsigned char raw[DataHeaderSize];
            EncodeDataHeader(F->Header, F->KeepModified, raw);
            keep(WriteAt(F->Data, 0, raw, sizeof raw));
        }
        keep(SyncEngineFile(F->Data));
        if (err && !Force) return err;
    }
    DropPages(F);
    CloseEngineFile(F->Data);
    CloseEngineFile(F->Index);
    OpenFiles.erase(std::find(OpenFiles.begin(), OpenFiles.end(), F));
    F->Magic = 0;
    delete F;
    return err;
}

void CloseAllAtExit() {
    if (Initialized) DoneRecordEngine();
}

// ---- Records ----

std::int64_t SlotOffset(const TRecordFile* F, std::int32_t RecNo) {
    return std::int64_t(RecNo) * F->Header.RecordLength;
}

// The record as written: L bytes, zero-padded, with the engine's four bytes at 0.
std::int32_t PrepareRecord(TRecordFile* F, std::string_view Record) {
    const auto length = static_cast<std::size_t>(F->Header.RecordLength);
    if (Record.size() > length) return eeRecordTooLong;
    F->RecordBuffer.assign(Record.begin(), Record.end());
    F->RecordBuffer.resize(length, 0);
    std::fill_n(F->RecordBuffer.begin(), 4, 0);
    return 0;
}

std::int32_t WriteRecordBuffer(TRecordFile* F, std::int32_t RecNo) {
    F->Written = true;
    return WriteAt(F->Data, SlotOffset(F, RecNo), F->RecordBuffer.data(), F->RecordBuffer.size());
}

// Whole slots past the stored slot count are written records that the count does not cover (a damaged
// header): a new record would be appended over them. Zero-filled slots hold nothing and are allowed; a
// partial slot at the end is left over from a write that failed and is never read.
std::int32_t CheckSlotsPastCount(TRecordFile* F, std::int64_t FileSize) {
    const std::int64_t length = F->Header.RecordLength;
    const std::int64_t wholeSlots = FileSize / length;
    std::vector<unsigned char> slot;
    for (std::int64_t n = std::int64_t(F->Header.SlotsInUse) + 1; n < wholeSlots; ++n) {
        slot.resize(static_cast<std::size_t>(length));
        if (const std::int32_t err = ReadAt(F->Data, n * length, slot.data(), slot.size())) return err;
        if (std::any_of(slot.begin(), slot.end(), [](unsigned char B) { return B != 0; }))
            return eeDataHeaderDamaged;
    }
    return 0;
}

std::int32_t ReadLink(TRecordFile* F, std::int32_t RecNo, std::int32_t& Link) {
    unsigned char raw[4];
    if (const std::int32_t err = ReadAt(F->Data, SlotOffset(F, RecNo), raw, sizeof raw)) return err;
    Link = GetI32(raw);
    return 0;
}

TSearchKey SearchKeyOf(std::string_view Key, std::int32_t RecNo) {
    TSearchKey k;
    k.Bytes = reinterpret_cast<const unsigned char*>(Key.data());
    k.Len = static_cast<int>(std::min<std::size_t>(Key.size(), MaxKeyBytes));
    k.RecNo = RecNo;
    return k;
}

} // namespace

std::int32_t RecordEngineImpl::MarkModified(TRecordFile* F) {
    if (F->Modified) return 0;
    const unsigned char one = 1;
    if (const std::int32_t err = WriteAt(F->Data, DataModified, &one, 1)) return err;
    F->Modified = true;
    F->Written = true;
    return 0;
}

// ---- Engine ----

void InitRecordEngine(int BufferCount) {
    Succeed();
    if (Initialized) return Fail(eeAlreadyInit);
    if (BufferCount < MinPageBuffers) return Fail(eeTooFewBuffers);
    if (const std::int32_t err = CreatePageCache(BufferCount)) return Fail(err);
    Initialized = true;
    static const bool exitHandler = std::atexit(CloseAllAtExit) == 0;
    (void)exitHandler;
}

void DoneRecordEngine() {
    Succeed();
    if (!Initialized) return Fail(eeNotInit);
    std::int32_t first = 0;
    while (!OpenFiles.empty())
        if (const std::int32_t err = CloseHandle(OpenFiles.back(), true); err && !first) first = err;
    DestroyPageCache();
    Initialized = false;
    Fail(first);
}

bool RecordEngineInitialized() {
    return Initialized;
}

// ---- File pairs ----

void CreateRecordFile(const std::string& BaseName, std::int32_t RecordLength, int NumberOfKeys,
                      const std::vector<TKeyDescriptor>& Keys) {
    Succeed();
    if (!Initialized) return Fail(eeNotInit);
    if (RecordLength < MinRecordLength) return Fail(eeRecordTooShort);
    if (NumberOfKeys < 0 || NumberOfKeys > MaxKeysPerFile) return Fail(eeTooManyKeys);
    if (static_cast<int>(Keys.size()) < NumberOfKeys) return Fail(eeBadKeyLength);
    for (int k = 0; k < NumberOfKeys; ++k)
        if (Keys[k].KeyLength < 1 || Keys[k].KeyLength > MaxKeyLength) return Fail(eeBadKeyLength);

    const TFileNames names = FileNames(BaseName);
    for (const std::string* name : {&names.Index, &names.Journal, &names.Data})
        if (const std::int32_t err = DeleteEngineFile(*name)) return Fail(err);

    std::vector<unsigned char> slot;
    try {
        slot.assign(static_cast<std::size_t>(RecordLength), 0);
    } catch (const std::bad_alloc&) {
        return Fail(eeNoMemoryCreate);
    }
    TDataHeader header;
    header.RecordLength = RecordLength;
    header.NumberOfKeys = NumberOfKeys;
    EncodeDataHeader(header, false, slot.data());
    auto writeFile = [](const std::string& Name, const std::vector<unsigned char>& Bytes) {
        TEngineFile file;
        std::int32_t err = OpenEngineFile(file, Name, false, true);
        if (!err) err = WriteAt(file, 0, Bytes.data(), Bytes.size());
        if (!err) err = SyncEngineFile(file);
        CloseEngineFile(file);
        return err;
    };
    if (const std::int32_t err = writeFile(names.Data, slot)) return Fail(err);
    if (NumberOfKeys == 0) return;

    std::vector<TKeyInfo> keys(static_cast<std::size_t>(NumberOfKeys));
    std::int64_t slotSize = 0;
    for (int k = 0; k < NumberOfKeys; ++k) {
        keys[k].PageSize = PageSizeFor(Keys[k].KeyLength);
        keys[k].Duplicates = Keys[k].Duplicates ? 1 : 0;
        keys[k].RegionOffset = slotSize;
        slotSize += keys[k].PageSize;
    }
    try {
        slot.assign(static_cast<std::size_t>(slotSize), 0);
    } catch (const std::bad_alloc&) {
        return Fail(eeNoMemoryKeys);
    }
    for (const TKeyInfo& key : keys)
        EncodeKeyHeader(key, slot.data() + key.RegionOffset);
    if (const std::int32_t err = writeFile(names.Index, slot)) {
        DeleteEngineFile(names.Data);
        return Fail(err);
    }
}

// A handle for an open; null when memory runs out, which the open reports as its own error.
static std::unique_ptr<TRecordFile> NewHandle() {
    try {
        return std::make_unique<TRecordFile>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void OpenRecordFile(TRecordFile*& F, const std::string& BaseName, bool ReadOnly, bool SharedUse,
                    bool JournalMode, bool AllReadOnly) {
    (void)SharedUse; // every open is exclusive
    Succeed();
    F = nullptr;
    if (!Initialized) return Fail(eeNotInit);
    if (JournalMode) return Fail(eeJournalNotSupported);
    const TFileNames names = FileNames(BaseName);
    std::unique_ptr<TRecordFile> h = NewHandle();
    if (!h) return Fail(eeNoMemoryOpen);
    h->ReadOnly = ReadOnly || AllReadOnly;
    h->JournalName = names.Journal;
    auto fail = [&h](std::int32_t Err) {
        CloseEngineFile(h->Data);
        CloseEngineFile(h->Index);
        Fail(Err);
    };
    if (const std::int32_t err = OpenEngineFile(h->Data, names.Data, h->ReadOnly, false)) return fail(err);
    bool modified;
    if (const std::int32_t err = ReadDataHeader(h.get(), modified)) return fail(err);
    if (h->Header.NumberOfKeys < 0 || h->Header.NumberOfKeys > MaxKeysPerFile)
        return fail(eeHeaderTooManyKeys);
    if (modified) return fail(eeModified);
    std::int64_t size;
    if (const std::int32_t err = EngineFileSize(h->Data, size)) return fail(err);
    if (!DataHeaderFits(h->Header, size)) return fail(eeDataHeaderDamaged);
    if (const std::int32_t err = CheckSlotsPastCount(h.get(), size)) return fail(err);
    if (!h->ReadOnly)
        if (const std::int32_t err = DeleteEngineFile(names.Journal)) return fail(err);
    if (h->Header.NumberOfKeys > 0)
        if (const std::int32_t err = OpenIndex(h.get(), names.Index)) return fail(err);
    h->Serial = NextSerial++;
    OpenFiles.push_back(h.get());
    F = h.release();
}

void OpenRecordFileForSalvage(TRecordFile*& F, const std::string& BaseName, std::int32_t RecordLength) {
    Succeed();
    F = nullptr;
    if (!Initialized) return Fail(eeNotInit);
    const TFileNames names = FileNames(BaseName);
    std::unique_ptr<TRecordFile> h = NewHandle();
    if (!h) return Fail(eeNoMemoryOpen);
    h->ReadOnly = true;
    h->Salvage = true;
    h->JournalName = names.Journal;
    if (const std::int32_t err = OpenEngineFile(h->Data, names.Data, true, false)) return Fail(err);
    bool modified;
    std::int64_t size = 0;
    std::int32_t err = ReadDataHeader(h.get(), modified);
    if (!err) err = EngineFileSize(h->Data, size);
    // A damaged header cannot hide the records when the caller knows their length.
    if (!err && RecordLength >= MinRecordLength) h->Header.RecordLength = RecordLength;
    if (!err && (h->Header.RecordLength < MinRecordLength || size < h->Header.RecordLength))
        err = eeDataHeaderDamaged;
    if (err) {
        CloseEngineFile(h->Data);
        return Fail(err);
    }
    // The stored counts are those of the last clean close; records added since lie beyond them.
    h->Header.SlotsInUse =
        static_cast<std::int32_t>(std::min<std::int64_t>(size / h->Header.RecordLength - 1, INT32_MAX - 1));
    h->Header.NumberOfKeys = 0;
    h->Serial = NextSerial++;
    OpenFiles.push_back(h.get());
    F = h.release();
}

void CloseRecordFile(TRecordFile*& F) {
    Succeed();
    if (!Initialized) return Fail(eeNotInit);
    if (!IsOpenHandle(F)) return Fail(eeNotOpen);
    if (const std::int32_t err = CloseHandle(F, false)) return Fail(err);
    F = nullptr;
}

// ---- Records ----

void AddRecord(TRecordFile* F, std::int32_t& RecNo, std::string_view Record) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite)) return Fail(err);
    if (const std::int32_t err = PrepareRecord(F, Record)) return Fail(err);
    TDataHeader& h = F->Header;
    if (h.FirstFree != -1) {
        std::int32_t link;
        if (const std::int32_t err = ReadLink(F, h.FirstFree, link)) return Fail(err);
        // A live record holds 0 here; the chain must end exactly where the free count says.
        if (link == 0 || link < -1 || link > h.SlotsInUse || (link == -1) != (h.FreeCount == 1))
            return Fail(eeFreeChain);
        if (const std::int32_t err = MarkModified(F)) return Fail(err);
        // The head moves only once the record is written, so a failed write leaves the slot free.
        if (const std::int32_t err = WriteRecordBuffer(F, h.FirstFree)) return Fail(err);
        RecNo = h.FirstFree;
        h.FirstFree = link;
        --h.FreeCount;
        return;
    }
    if (h.SlotsInUse == INT32_MAX - 1) return Fail(eeDataHeaderDamaged);
    if (const std::int32_t err = MarkModified(F)) return Fail(err);
    if (const std::int32_t err = WriteRecordBuffer(F, h.SlotsInUse + 1)) {
        // Nothing of the failed record stays past the slot count, where the next open would take it for
        // records that a damaged header no longer covers.
        TruncateEngineFile(F->Data, SlotOffset(F, h.SlotsInUse + 1));
        return Fail(err);
    }
    RecNo = ++h.SlotsInUse;
}

void GetRecord(TRecordFile* F, std::int32_t RecNo, std::string& Record) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead)) return Fail(err);
    if (RecNo < 0 || RecNo > F->Header.SlotsInUse) return Fail(eeRecordRange);
    Record.resize(static_cast<std::size_t>(F->Header.RecordLength));
    if (const std::int32_t err = ReadAt(F->Data, SlotOffset(F, RecNo), Record.data(), Record.size()))
        return Fail(err);
}

void GetRecords(TRecordFile* F, std::int32_t FirstRecNo, std::int32_t Count, void* Records) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead)) return Fail(err);
    if (FirstRecNo < 0 || Count < 0 || std::int64_t(FirstRecNo) + Count - 1 > F->Header.SlotsInUse)
        return Fail(eeRecordRange);
    const std::size_t size =
        static_cast<std::size_t>(Count) * static_cast<std::size_t>(F->Header.RecordLength);
    if (const std::int32_t err = ReadAt(F->Data, SlotOffset(F, FirstRecNo), Records, size)) return Fail(err);
}

void PutRecord(TRecordFile* F, std::int32_t RecNo, std::string_view Record) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite)) return Fail(err);
    if (RecNo == 0) return Fail(eeRecordZero);
    if (RecNo < 0 || RecNo > F->Header.SlotsInUse) return Fail(eeRecordRange);
    if (const std::int32_t err = PrepareRecord(F, Record)) return Fail(err);
    // Overwriting a deleted slot would cut the free chain.
    std::int32_t link;
    if (const std::int32_t err = ReadLink(F, RecNo, link)) return Fail(err);
    if (link != 0) return Fail(eeSlotAlreadyFree);
    if (const std::int32_t err = WriteRecordBuffer(F, RecNo)) return Fail(err);
}

void MarkRecordFileModified(TRecordFile* F) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite)) return Fail(err);
    Fail(MarkModified(F));
}

void KeepRecordFileModified(TRecordFile* F) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite)) return Fail(err);
    if (const std::int32_t err = MarkModified(F)) return Fail(err);
    F->KeepModified = true;
}

void DeleteRecord(TRecordFile* F, std::int32_t RecNo) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite)) return Fail(err);
    TDataHeader& h = F->Header;
    if (RecNo < 1 || RecNo > h.SlotsInUse) return Fail(eeRecordRange);
    std::int32_t link;
    if (const std::int32_t err = ReadLink(F, RecNo, link)) return Fail(err);
    if (link != 0) return Fail(eeSlotAlreadyFree); // deleting twice would tie the chain into a loop
    if (const std::int32_t err = MarkModified(F)) return Fail(err);
    unsigned char raw[4];
    PutI32(raw, h.FirstFree);
    F->Written = true;
    if (const std::int32_t err = WriteAt(F->Data, SlotOffset(F, RecNo), raw, sizeof raw)) return Fail(err);
    h.FirstFree = RecNo;
    ++h.FreeCount;
}

// ---- Keys ----

void AddKey(TRecordFile* F, int KeyNr, std::int32_t RecNo, std::string_view Key) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite, KeyNr)) return Fail(err);
    const TSearchKey key = SearchKeyOf(Key, RecNo);
    if (key.Len > F->Keys[KeyNr - 1].KeyLength) return Fail(eeKeyTooLong);
    if (RecNo < 1) return Fail(eeRecordRange);
    Fail(TreeInsert(F, KeyNr, key));
}

void DeleteKey(TRecordFile* F, int KeyNr, std::int32_t RecNo, std::string_view Key) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekWrite, KeyNr)) return Fail(err);
    Fail(TreeDelete(F, KeyNr, SearchKeyOf(Key, RecNo)));
}

void LoadKeys(TRecordFile* F, int KeyNr, std::vector<TKeyEntry>& Entries) {
    Succeed();
    std::vector<TKeyEntry> given;
    given.swap(Entries);
    if (const std::int32_t err = CheckEntry(F, ekWrite, KeyNr)) return Fail(err);
    std::vector<TIndexEntry> entries;
    try {
        entries.resize(given.size());
    } catch (const std::bad_alloc&) {
        return Fail(eeNoMemoryKeys);
    }
    bool tooLong = false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const std::string& key = given[i].Key;
        TIndexEntry& e = entries[i];
        tooLong = tooLong || key.size() > MaxKeyBytes;
        e.RecNo = given[i].RecNo;
        e.Len = static_cast<std::uint8_t>(std::min<std::size_t>(key.size(), MaxKeyBytes));
        std::memset(e.Key, 0, sizeof e.Key);
        std::memcpy(e.Key, key.data(), e.Len);
    }
    given = {};
    if (tooLong) return Fail(eeKeyTooLong);
    try {
        Fail(TreeBulkLoad(F, KeyNr, entries));
    } catch (const std::bad_alloc&) {
        Fail(eeNoMemoryKeys);
    }
}

void FindKey(TRecordFile* F, int KeyNr, std::int32_t& RecNo, std::string_view Key) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead, KeyNr)) return Fail(err);
    Fail(TreeFind(F, KeyNr, SearchKeyOf(Key, 0), RecNo));
}

void ClearKey(TRecordFile* F, int KeyNr) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead, KeyNr)) return Fail(err);
    TreeClearPosition(F, KeyNr);
}

void NextKey(TRecordFile* F, int KeyNr, std::int32_t& RecNo, std::string& Key) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead, KeyNr)) return Fail(err);
    Fail(TreeNext(F, KeyNr, RecNo, Key));
}

std::int32_t RecordSlotCount(TRecordFile* F) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead)) {
        Fail(err);
        return 0;
    }
    return F->Header.SlotsInUse + 1;
}

std::int32_t KeyCount(TRecordFile* F, int KeyNr) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead, KeyNr)) {
        Fail(err);
        return 0;
    }
    return F->Keys[KeyNr - 1].EntryCount;
}

std::int32_t RecordLength(TRecordFile* F) {
    Succeed();
    if (const std::int32_t err = CheckEntry(F, ekRead)) {
        Fail(err);
        return 0;
    }
    return F->Header.RecordLength;
}
