// The variable-length record store: items of any length (texts, string grids, whole files) kept as
// blocks in one file and addressed by the position of their block; freed blocks are merged and reused.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/store/VlfFormat.h"
#include "catalogue/store/VlfIndex.h"

enum TfmMode { OpenRead, OpenWrite, OpenReadWrite };
enum TfmShare { ShareCompat, Exclusive, DenyWrite, DenyRead, DenyNone };
enum TCase { CaseSensitive, CaseInsensitive };
enum TSearch { FromBegining, FromCurrent };
enum TMatch { ExactMatch, BeginingOfText, ContainedInText };

class TVlf;
using TNotifyEvent = std::function<void(TVlf& Sender)>;
using TProgress = std::function<void(TVlf& Sender, std::int32_t Length, std::int32_t CurrentPos)>;
using TSearchFunc = std::function<bool(TVlf& Sender, const char* pTextData, const char* pSearchText,
                                       std::int32_t CurrentPos)>;

class TVlf {
public:
    TVlf() = default;
    ~TVlf();
    TVlf(const TVlf&) = delete;
    TVlf& operator=(const TVlf&) = delete;

    std::string FileName;
    TfmMode FileOpenMode = OpenReadWrite;
    TfmShare FileShareMode = ShareCompat;
    std::uint16_t BufferSize = 4096; // below 1024 means 4096
    bool Recycle = false;
    // Settings of a text search over text items; kept for the caller, not used by the store.
    TCase TextCase = CaseInsensitive;
    TSearch TextSearch = FromBegining;
    TMatch TextMatch = ExactMatch;
    bool TextMemAllocAuto = true;
    bool SearchTextTypeOnly = true;

    TNotifyEvent BeforeFileOpen;
    TNotifyEvent BeforeFileClose;
    TProgress FileToVlfProgress; // before each chunk copied in: (item length, bytes done)
    TProgress VlfToFileProgress; // before each chunk copied out
    TProgress TextProgress;
    TSearchFunc TextSearchFunc;

    // With KeepSuperseded set, an item in use is never rewritten in place: the new one goes elsewhere, and
    // the old block stays in use with its position in Superseded, to be freed by ReleaseSuperseded once the
    // caller has stored the new position. A write that fails, or a process stopped in between, leaves the
    // item at the position the caller had stored. An item saved unchanged stays where it is.
    bool KeepSuperseded = false;
    std::vector<std::int32_t> Superseded;
    // Frees (DeleteItem) and forgets the superseded blocks; gives how many were freed.
    int ReleaseSuperseded();

    // Fault injection for tests: called before every write into the store with its file position and
    // byte count; returning false makes that write fail as a full disc would.
    std::function<bool(std::int64_t Pos, std::int64_t Count)> WriteFault;

    // For copying many items into a new store (the rebuild): from BeginAppendBatch on, appended blocks are
    // gathered in memory and written in large pieces, with Reserve bytes of disc space reserved once.
    // EndAppendBatch writes what is left; false when a write of the batch failed.
    void BeginAppendBatch(std::int64_t Reserve);
    bool EndAppendBatch();
    // Reads through a large window of the file: for reading many items in file order from a store that
    // is not written meanwhile.
    bool ReadAhead = false;

    // With KeepIndexFile set, the store keeps the index of its blocks in a file beside it (its name and
    // IndexFileSuffix), written when it is closed after a change: another process that opens the store
    // then takes the index from there instead of walking the whole file, as long as that file provably
    // describes the store as it is.
    bool KeepIndexFile = false;
    static constexpr const char* IndexFileSuffix = ".blocks";
    // Forgets the indexes this process kept of stores it closed, as if it had just started.
    static void ForgetKeptIndexes();
    // How often this object built the index by walking the whole file.
    std::uint64_t IndexWalks() const { return FIndexWalks; }

    // Opens Name (empty: FileName), creating an empty store when the file is missing or empty. A file
    // that is not a store is refused and left alone.
    bool OpenStore(const std::string& Name = std::string());
    // Opens Name for reading only, even when its header is damaged (the signature lost), so that a repair
    // can still read the blocks behind it. False when the file is missing or holds no block.
    bool OpenStoreForSalvage(const std::string& Name);
    // 0 after closing; -1 when the store was not open, or when what was written could not be flushed to
    // the disk (the store is closed all the same).
    int CloseStore();
    bool IsOpen() const { return FHandle > 0; }

    // Every operation below gives 0, false or -1 on a closed store, a position that is not a block, a
    // damaged block or a failed write, and then leaves the file as it was. The one exception is a rewrite
    // in place (without KeepSuperseded) whose data write fails: the old item is then partly overwritten and
    // its block is freed.
    // An old position that is not a block of this store is left alone and the item is written as new.

    // Position of a new in-use block at the end of the file.
    std::int32_t AppendItem(const void* Data, std::int32_t Length, std::int16_t Kind);
    // Writes the item over its old block (OldPos, or 0 for a new item) when it fits, else into a free
    // block or at the end; gives the position where it now lies.
    std::int32_t WriteItem(std::int32_t OldPos, const void* Data, std::int16_t Kind, std::int32_t Length);
    // Reads Length bytes (0: the whole item) of the in-use block at Pos.
    bool ReadItem(std::int32_t Pos, void* Buffer, std::int32_t Length = 0);
    bool ReadItem(std::int32_t Pos, std::string& Data);
    // Data length of the in-use block at Pos, else 0.
    std::int32_t ItemLength(std::int32_t Pos);
    // Kind of the block at Pos, -1 when there is no readable block header there.
    std::int16_t ItemKind(std::int32_t Pos);
    // 1 when the block at Pos is now free (following free blocks merged into it), else 0.
    int DeleteItem(std::int32_t Pos);
    // With Recycle on: position of a free block that now has exactly Length bytes (a bigger one is split,
    // leaving a free remainder of at least 0 bytes behind an 8-byte header), or 0.
    std::int32_t FindFree(std::int32_t Length);

    // Copies an external file into the store, reusing or releasing OldPos; 0 on failure.
    std::int32_t StoreFile(std::int32_t OldPos, const std::string& Name, std::int16_t Kind);
    // Copies the item at Pos into a file (created or truncated, or extended when Append is set).
    bool ExtractFile(std::int32_t Pos, const std::string& Name, bool Append);

    // Grid images (kind 3, laid out in VlfFormat.h): the store writes and checks their bytes; the grid
    // they hold is built and read by the catalogue's grid image routines.
    // Stores a grid image of Length bytes, which Fill writes into a zeroed buffer, as the item at OldPos
    // (rewritten in place only at the same length); its position, 0 on failure.
    using TImageFiller = std::function<void(std::uint8_t* Image)>;
    std::int32_t SaveGridImage(std::int32_t OldPos, std::int64_t Length, const TImageFiller& Fill);
    // The head of a grid image: its fixed part (GridExtension bytes), column widths and counts.
    struct TGridImageHead {
        std::vector<std::uint8_t> Fixed;
        std::vector<std::uint8_t> Widths; // two bytes per column
        std::int32_t Cols = 0;
        std::int32_t Rows = 0;
    };
    // Reads and checks the grid image at Pos, giving its head to Head and every cell to Visit, column by
    // column, as it is read (each when given). A text item, a damaged image or a bad position gives false;
    // Head is then untouched, though Visit may have seen cells.
    using TGridCellVisitor = std::function<void(int Col, int Row, std::string_view Cell)>;
    bool ReadGridImage(std::int32_t Pos, TGridImageHead* Head, const TGridCellVisitor* Visit);
    // ReadGridImage with Visit only (for a search through many grids).
    bool VisitGridCells(std::int32_t Pos, const TGridCellVisitor& Visit);
    // Texts longer than 32766 bytes are cut there (at a character boundary).
    std::int32_t SaveText(std::int32_t OldPos, const std::string& Text);
    bool LoadText(std::int32_t Pos, std::string& Text);

    // For a store that holds only items in the formats below (grids, texts, bitmap and wave files), as the
    // catalogue's do: an old block is only rewritten or freed when ContentFits.
    bool CheckContent = false;

    // One block reached by walking the chain.
    struct TBlockInfo {
        std::int32_t Pos = 0;
        std::int16_t Kind = 0;
        std::int32_t Length = 0;
        bool InUse = false;
    };
    // Every block of the chain from the first one, in file order. False when the walk stops short of the
    // end of the file at a damaged header; BrokenAt then gives its position. Zero bytes from the end of
    // the chain to the end of the file (space an append had taken when its program was stopped) are no
    // damage: ZerosFrom, when given, gets where they start, else -1.
    bool WalkBlocks(std::vector<TBlockInfo>& Blocks, std::int64_t& BrokenAt,
                    std::int64_t* ZerosFrom = nullptr);
    // Whether the data of the in-use block at Pos agrees with its length, as far as its kind tells: a grid
    // image whose cells fill it exactly, a text whose only zero byte is its last, a bitmap or wave file
    // whose own size field matches. A block whose length was damaged so that it covers others fails.
    bool ContentFits(std::int32_t Pos);

    // With RefuseDamaged set, nothing is written into or freed in a store whose chain breaks at a damaged
    // header or that has a free block lying over a block in use: the write fails and DamageFound is set.
    // Without it such a store is still written, past the damage.
    bool RefuseDamaged = false;
    // Damage was found since the store was opened (the chain breaks, or a free block lies over a block in
    // use); only a repair makes the store writable again.
    bool DamageFound() const { return FDamageFound; }

    // Why the last failure happened; for diagnostics only.
    const std::string& LastError() const { return FLastError; }

    // The blocks of the chain in file order as the store's index holds them (built by walking the file
    // when the store has none yet); for checks.
    std::vector<std::pair<std::int32_t, VlfFormat::TBlockHeader>> IndexedBlocks();

    // Bytes per chunk when copying files and reading grid cells.
    std::int32_t ChunkSize() const { return BufferSize < 1024 ? 4096 : BufferSize; }

private:
    struct TPlacement;
    struct TWalkResult;
    struct TMerge;
    // Writes an item's data at the given file position; false when a read or write failed.
    using TDataWriter = std::function<bool(std::int64_t DataPos)>;

    bool ReadAt(std::int64_t Pos, void* Buffer, std::int64_t Count);
    bool WriteAt(std::int64_t Pos, const void* Buffer, std::int64_t Count);
    bool WriteHeader(std::int64_t Pos, const VlfFormat::TBlockHeader& Header);
    std::int64_t FileSize();
    bool ReadBlock(std::int32_t Pos, VlfFormat::TBlockHeader& Header);
    TWalkResult Walk(std::int32_t FitLength, std::int32_t Target, std::int32_t TargetLength);
    TMerge PlanMerge(std::int32_t Pos, const VlfFormat::TBlockHeader& Header);
    bool OnChain(std::int32_t Pos, VlfFormat::TBlockHeader& Header);
    void UpdateHint(std::int32_t Pos);
    void MarkAbsorbed(const std::vector<std::int32_t>& Absorbed, std::int64_t From);
    bool FreeBlock(std::int32_t Pos, const VlfFormat::TBlockHeader& Header);
    // Data, when given, is the item's bytes: an old block that holds them already is kept as it is.
    std::int32_t Place(std::int32_t OldPos, bool SameLengthOnly, std::int16_t Kind, std::int32_t Length,
                       const TDataWriter& Writer, const void* Data = nullptr);
    // Whether the in-use block at Pos holds exactly Length bytes of Data.
    bool HoldsSame(std::int32_t Pos, const void* Data, std::int32_t Length);
    std::int32_t Commit(const TPlacement& Where, std::int16_t Kind, std::int32_t Length,
                        const TDataWriter& Writer);
    bool Fail(const std::string& Why);
    bool ContentFits(std::int32_t Pos, const VlfFormat::TBlockHeader& Header);
    // True when the bytes from From to To, free space about to be used, hold the header of an in-use block
    // that ends inside Limit and whose data agrees with its length: a damaged free block lying over a live
    // one.
    bool HoldsLiveBlock(std::int64_t From, std::int64_t To, std::int64_t Limit);
    // HoldsLiveBlock over the whole free space from From to To, each stretch read once per open.
    bool FreeSpaceHoldsLiveBlock(std::int64_t From, std::int64_t To);
    // With RefuseDamaged, false (and DamageFound set) when the chain is known to be damaged.
    bool MayWrite();
    // Cuts off zero bytes that follow the last block up to the end of the file, which no reader of the
    // layout takes for a block; true when it did. Walks the chain only when the index says it stops short.
    bool CutZeroTail();

    TVlfIndex* Index();
    // The block of the index at Pos, with the index walked again when its file failed a check.
    const TVlfIndex::TBlock* IndexedBlock(std::int32_t Pos);
    void DropIndex();
    void ForgetAbsorbed(const std::vector<std::int32_t>& Absorbed);
    bool FlushBatch();
    // False when the file could not be cut.
    bool Truncate(std::int64_t Pos);

    int FHandle = 0;
    bool FSalvage = false; // opened by OpenStoreForSalvage
    bool FDamageFound = false;
    std::map<std::int64_t, std::int64_t> FCleanFree; // free space found to hide no block: start -> end
    // What the last walk learnt, kept up to date by every header written; only while a lock keeps other
    // programs from writing the file.
    std::unique_ptr<TVlfIndex> FIndex;
    std::string FIndexFile;        // the index file kept beside the store, empty without one
    bool FIndexFileRead = false;   // the index file was tried since the open
    std::uint64_t FIndexWalks = 0; // indexes built by walking the file
    int FLock = 0;
    std::int64_t FSize = 0;           // the file's size while a lock is held
    bool FWritten = false;            // anything written since the open
    bool FIndexSettled = false;       // the file had not changed for a while when the index was built
    std::vector<std::uint8_t> FBatch; // appended bytes not yet written, from FBatchPos on
    std::int64_t FBatchPos = -1;      // -1 while no batch is open
    bool FBatchFailed = false;
    std::vector<std::uint8_t> FWindow; // read-ahead window at FWindowPos
    std::int64_t FWindowPos = 0;
    std::int64_t FWindowLength = 0;
    std::string FLastError;
};
