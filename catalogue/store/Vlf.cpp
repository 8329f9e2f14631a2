// The variable-length record store: block placement, merging and reuse, and the item kinds built on it.
#include "catalogue/store/Vlf.h"

#include "catalogue/store/FullIO.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace VlfFormat;

namespace {

constexpr std::int64_t MaxPos = std::numeric_limits<std::int32_t>::max();
const char* const Banner = "Orbelune variable-length record store";

class TFd {
public:
    explicit TFd(int Fd) : FFd(Fd) {}
    ~TFd() {
        if (FFd >= 0) ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd;
};

// Indexes of stores this process closed, kept while their files stay as they were left: a reopen must find
// the same device, inode, size and modification time. A store that has written sets the modification time
// itself, to the nanosecond, so that a change by another program within the same clock tick still shows.
struct TKeptIndex {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    timespec MTime{};
    std::unique_ptr<TVlfIndex> Index;
};
std::mutex KeptLock;
std::vector<TKeptIndex> Kept; // most recently closed last
constexpr std::size_t MaxKept = 4;

std::unique_ptr<TVlfIndex> TakeKeptIndex(const struct stat& St) {
    std::lock_guard<std::mutex> Guard(KeptLock);
    for (auto It = Kept.begin(); It != Kept.end(); ++It) {
        if (It->Dev != St.st_dev || It->Ino != St.st_ino) continue;
        std::unique_ptr<TVlfIndex> Index;
        if (It->Size == St.st_size && It->MTime.tv_sec == St.st_mtim.tv_sec &&
            It->MTime.tv_nsec == St.st_mtim.tv_nsec)
            Index = std::move(It->Index);
        Kept.erase(It);
        return Index;
    }
    return nullptr;
}

void KeepIndex(const struct stat& St, std::unique_ptr<TVlfIndex> Index) {
    std::lock_guard<std::mutex> Guard(KeptLock);
    std::erase_if(Kept, [&](const TKeptIndex& K) { return K.Dev == St.st_dev && K.Ino == St.st_ino; });
    Kept.push_back({St.st_dev, St.st_ino, St.st_size, St.st_mtim, std::move(Index)});
    if (Kept.size() > MaxKept) Kept.erase(Kept.begin());
}

void ForgetKept() {
    std::lock_guard<std::mutex> Guard(KeptLock);
    Kept.clear();
}

// True when the file was modified so recently that another change within the same clock tick could leave
// its modification time as it is.
bool RecentlyModified(const struct stat& St) {
    timespec Now{};
    ::clock_gettime(CLOCK_REALTIME, &Now);
    return St.st_mtim.tv_sec + 2 > Now.tv_sec;
}

} // namespace

// Where a new item goes: at the end of the file, into a free block found by the search, or over the
// old block of the item being rewritten.
struct TVlf::TPlacement {
    enum { Append, FreeSpace, InPlace } How = Append;
    std::int32_t Pos = 0;
    std::int32_t Room = 0;              // bytes available at Pos (after any merge)
    TBlockHeader Old;                   // InPlace: the block's header before the write
    std::vector<std::int32_t> Absorbed; // InPlace: free headers merged into the block
};

struct TVlf::TWalkResult {
    bool Damaged = false;
    bool TargetFound = false;
    TBlockHeader Target;
    std::int32_t Fit = 0;
    std::int32_t FitRoom = 0;
};

struct TVlf::TMerge {
    std::int32_t Length = 0;
    std::vector<std::int32_t> Absorbed;
};

void TVlf::ForgetKeptIndexes() {
    ForgetKept();
}

TVlf::~TVlf() {
    if (IsOpen()) CloseStore();
}

bool TVlf::Fail(const std::string& Why) {
    FLastError = Why;
    return false;
}

bool TVlf::ReadAt(std::int64_t Pos, void* Buffer, std::int64_t Count) {
    if (FBatchPos >= 0 && Pos + Count > FBatchPos && !FlushBatch()) return false;
    constexpr std::int64_t WindowSize = 256 * 1024;
    if (!ReadAhead || Count >= WindowSize) return FullRead(FHandle, Pos, Buffer, Count);
    if (Pos < FWindowPos || Pos + Count > FWindowPos + FWindowLength) {
        // A read just past the window goes on in file order and gets a whole window; any other a small one.
        const bool Onward = FWindowLength > 0 && Pos >= FWindowPos + FWindowLength &&
                            Pos < FWindowPos + FWindowLength + WindowSize;
        const std::int64_t Want = Onward ? WindowSize : std::max<std::int64_t>(Count, 8192);
        FWindow.resize(WindowSize);
        FWindowPos = Pos;
        FWindowLength = 0;
        while (FWindowLength < Want) {
            const ssize_t N = ::pread(FHandle, FWindow.data() + FWindowLength,
                                      static_cast<std::size_t>(Want - FWindowLength), Pos + FWindowLength);
            if (N < 0 && errno == EINTR) continue;
            if (N <= 0) break;
            FWindowLength += N;
        }
        if (Count > FWindowLength) return false;
    }
    std::memcpy(Buffer, FWindow.data() + (Pos - FWindowPos), static_cast<std::size_t>(Count));
    return true;
}

bool TVlf::FlushBatch() {
    if (FBatchPos < 0 || FBatch.empty()) return !FBatchFailed;
    const bool Ok = FullWrite(FHandle, FBatchPos, FBatch.data(), static_cast<std::int64_t>(FBatch.size()));
    FBatchPos += static_cast<std::int64_t>(FBatch.size());
    FBatch.clear();
    if (!Ok) FBatchFailed = true;
    return !FBatchFailed;
}

void TVlf::BeginAppendBatch(std::int64_t Reserve) {
    if (!IsOpen() || FLock == 0 || FBatchPos >= 0) return;
    FBatchPos = FileSize();
    FBatchFailed = FBatchPos < 0;
    // Only a reservation: a full disc shows when the batch is written.
    if (Reserve > 0 && FBatchPos >= 0) (void)::fallocate(FHandle, FALLOC_FL_KEEP_SIZE, FBatchPos, Reserve);
}

bool TVlf::EndAppendBatch() {
    if (FBatchPos < 0) return true;
    const bool Ok = FlushBatch();
    FBatchPos = -1;
    FBatchFailed = false;
    FBatch = {};
    return Ok;
}

// Cuts the file (and the batch not yet written) at Pos.
bool TVlf::Truncate(std::int64_t Pos) {
    FWindowLength = 0;
    if (FBatchPos >= 0 && Pos >= FBatchPos) {
        FBatch.resize(std::min<std::size_t>(FBatch.size(), static_cast<std::size_t>(Pos - FBatchPos)));
        FSize = Pos;
        return true;
    }
    const bool Ok = ::ftruncate(FHandle, Pos) == 0;
    FSize = -1;
    return Ok;
}

bool TVlf::WriteAt(std::int64_t Pos, const void* Buffer, std::int64_t Count) {
    if (WriteFault && !WriteFault(Pos, Count)) {
        errno = ENOSPC;
        return false;
    }
    FWritten = true;
    FWindowLength = 0;
    if (FBatchPos >= 0 && Pos >= FBatchPos) {
        const auto End = static_cast<std::size_t>(Pos + Count - FBatchPos);
        if (FBatch.size() < End) FBatch.resize(End);
        std::memcpy(FBatch.data() + (Pos - FBatchPos), Buffer, static_cast<std::size_t>(Count));
        FSize = std::max(FSize, Pos + Count);
        return FBatch.size() < 4 * 1024 * 1024 || FlushBatch();
    }
    const bool Ok = FullWrite(FHandle, Pos, Buffer, Count);
    // A partial write may have extended the file too.
    if (FLock != 0) FSize = Ok ? std::max(FSize, Pos + Count) : -1;
    return Ok;
}

// Writes a block header and records it in the index; a failed write leaves the file in a state that only
// a new walk knows.
bool TVlf::WriteHeader(std::int64_t Pos, const TBlockHeader& Header) {
    std::uint8_t Bytes[BlockHeaderSize];
    Header.Encode(Bytes);
    const bool Ok = WriteAt(Pos, Bytes, BlockHeaderSize);
    if (!Ok)
        DropIndex();
    else if (FIndex)
        FIndex->Put(static_cast<std::int32_t>(Pos), Header);
    return Ok;
}

std::int64_t TVlf::FileSize() {
    if (FLock != 0 && FSize >= 0) return FSize;
    struct stat St;
    if (::fstat(FHandle, &St) != 0) return -1;
    if (FLock != 0) FSize = St.st_size;
    return St.st_size;
}

// The index of the chain, built by one walk when the store has none. Without a lock other programs may
// write the file at any time, so then every operation walks afresh.
TVlfIndex* TVlf::Index() {
    if (FLock == 0 || (FIndex && FIndex->Broken())) FIndex.reset();
    // The index file is read once, and only while the store is as it was opened.
    if (!FIndex && !FIndexFile.empty() && !FIndexFileRead && !FWritten) {
        FIndexFileRead = true;
        struct stat St;
        auto Kept = std::make_unique<TVlfIndex>();
        if (::fstat(FHandle, &St) == 0 && Kept->Load(FIndexFile, St)) {
            FIndex = std::move(Kept);
            FIndexSettled = true;
        }
    }
    if (!FIndex) {
        FIndex = std::make_unique<TVlfIndex>();
        FIndex->Build(FHandle, FileSize());
        ++FIndexWalks;
        struct stat St;
        FIndexSettled = ::fstat(FHandle, &St) == 0 && !RecentlyModified(St);
    }
    return FIndex.get();
}

const TVlfIndex::TBlock* TVlf::IndexedBlock(std::int32_t Pos) {
    const TVlfIndex::TBlock* B = Index()->Find(Pos);
    if (FIndex->Broken()) B = Index()->Find(Pos);
    return B;
}

void TVlf::DropIndex() {
    FIndex.reset();
}

void TVlf::ForgetAbsorbed(const std::vector<std::int32_t>& Absorbed) {
    if (FIndex)
        for (std::int32_t A : Absorbed)
            FIndex->Forget(A);
}

std::vector<std::pair<std::int32_t, TBlockHeader>> TVlf::IndexedBlocks() {
    if (!IsOpen()) return {};
    return Index()->Blocks();
}

bool TVlf::OpenStore(const std::string& Name) {
    FLastError.clear();
    if (IsOpen()) return Fail("store already open");
    std::string Path = Name.empty() ? FileName : Name;
    if (Path.empty()) return Fail("no file name");
    if (BeforeFileOpen) BeforeFileOpen(*this);

    // The store reads block headers for every write, so write access always comes with read access.
    bool ReadOnly = FileOpenMode == OpenRead;
    int Flags = (ReadOnly ? O_RDONLY : O_RDWR | O_CREAT) | O_CLOEXEC;
    int Raw = ::open(Path.c_str(), Flags, 0644);
    if (Raw == 0) { // a handle of 0 means "closed" to this class
        Raw = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
        ::close(0);
    }
    TFd Fd(Raw);
    if (Fd.Get() < 0) return Fail("cannot open " + Path + ": " + std::strerror(errno));

    int Lock = 0;
    switch (FileShareMode) {
    case ShareCompat:
    case Exclusive:
    case DenyRead:
        Lock = LOCK_EX;
        break;
    case DenyWrite:
        Lock = ReadOnly ? LOCK_SH : LOCK_EX;
        break;
    case DenyNone:
        break;
    }
    if (Lock != 0 && ::flock(Fd.Get(), Lock | LOCK_NB) != 0) return Fail("access denied: " + Path);

    struct stat St;
    if (::fstat(Fd.Get(), &St) != 0) return Fail(std::strerror(errno));
    FWritten = false;
    FDamageFound = false;
    FCleanFree.clear();
    FIndex.reset();
    FIndexSettled = false;
    FSize = St.st_size;
    if (St.st_size == 0) {
        if (ReadOnly) return Fail("empty store opened for reading");
        std::uint8_t Header[HeaderSize] = {};
        Header[0] = Signature0;
        Header[1] = Signature1;
        Header[2] = 2;
        std::memcpy(Header + BannerOffset, Banner, std::strlen(Banner) + 1);
        const bool Faulted = WriteFault && !WriteFault(0, HeaderSize);
        if (Faulted) errno = ENOSPC;
        if (Faulted || !FullWrite(Fd.Get(), 0, Header, HeaderSize)) {
            const std::string why = std::strerror(errno);
            (void)::ftruncate(Fd.Get(), 0);
            return Fail("cannot write the store header: " + why);
        }
        FWritten = true;
        FSize = HeaderSize;
    } else if (FSalvage) {
        if (St.st_size <= HeaderSize) return Fail(Path + " holds no block");
    } else {
        // Anything else than a store is refused rather than overwritten with a new header.
        std::uint8_t Sig[2] = {};
        if (St.st_size < HeaderSize || !FullRead(Fd.Get(), 0, Sig, 2) || Sig[0] != Signature0 ||
            Sig[1] != Signature1)
            return Fail(Path + " is not a variable-length record store");
        // With the lock ours, what this process learnt of the chain before still holds if nothing has
        // changed the file since.
        if (Lock == LOCK_EX) {
            FIndex = TakeKeptIndex(St);
            FIndexSettled = FIndex != nullptr;
        }
    }
    FLock = Lock;
    FIndexFile = KeepIndexFile && Lock == LOCK_EX && !FSalvage ? Path + IndexFileSuffix : std::string();
    FIndexFileRead = false;
    FHandle = Fd.Release();
    // A program stopped in the middle of an append can leave the space it had taken as zero bytes after
    // the last block; while no other program may write the file they are cut off, so that the file holds
    // blocks up to its end as its layout says.
    if (!ReadOnly && Lock == LOCK_EX) CutZeroTail();
    return true;
}

bool TVlf::OpenStoreForSalvage(const std::string& Name) {
    const TfmMode mode = FileOpenMode;
    FileOpenMode = OpenRead;
    FSalvage = true;
    const bool ok = OpenStore(Name);
    FSalvage = false;
    FileOpenMode = mode;
    return ok;
}

int TVlf::CloseStore() {
    if (!IsOpen()) return -1;
    if (BeforeFileClose) BeforeFileClose(*this);
    bool Ok = EndAppendBatch();
    if (!Ok) FIndex.reset();
    const bool Keep = FLock == LOCK_EX && FIndex && !FIndex->Broken() && (FWritten || FIndexSettled);
    // Only a store whose modification time this process set to the nanosecond gets its index file: a
    // change by another program within the same clock tick could otherwise leave every time as it was.
    bool Stamped = !FWritten;
    if (FWritten) {
        if (Keep) {
            timespec Times[2]{};
            Times[0].tv_nsec = UTIME_OMIT;
            ::clock_gettime(CLOCK_REALTIME, &Times[1]);
            Stamped = ::futimens(FHandle, Times) == 0;
        }
        // Only a store that was written is flushed: loading a disc costs no trip to the disk.
        if (::fsync(FHandle) != 0) Ok = Fail(std::string("cannot flush the store: ") + std::strerror(errno));
    }
    struct stat St;
    if (Keep && ::fstat(FHandle, &St) == 0) {
        // Still under the lock, so no other process writes the store or its index file meanwhile.
        if (!FIndexFile.empty() && Stamped) (void)FIndex->Save(FIndexFile, St);
        KeepIndex(St, std::move(FIndex));
    }
    FWindowLength = 0;
    FIndex.reset();
    ::close(FHandle); // also drops the lock
    FHandle = 0;
    FLock = 0;
    FWritten = false;
    return Ok ? 0 : -1;
}

// A readable header of a live block (in use or free) whose data lies inside the file.
bool TVlf::ReadBlock(std::int32_t Pos, TBlockHeader& Header) {
    if (!IsOpen()) return Fail("store not open");
    if (Pos < HeaderSize) return Fail("position below the first block");
    std::int64_t Size = FileSize();
    if (static_cast<std::int64_t>(Pos) + BlockHeaderSize > Size) return Fail("position past the end");
    std::uint8_t Bytes[BlockHeaderSize];
    if (!ReadAt(Pos, Bytes, BlockHeaderSize)) return Fail("cannot read block header");
    Header = TBlockHeader::Decode(Bytes);
    if (!Header.InUse() && !Header.Free()) return Fail("no block header at this position");
    if (Header.Length < 0 || static_cast<std::int64_t>(Pos) + BlockHeaderSize + Header.Length > Size)
        return Fail("block length runs past the end of the store");
    return true;
}

// Looks, in the index of the chain, for the first free block that takes FitLength bytes (exactly, or with
// room for a free remainder), when FitLength >= 0 and Recycle is on, and checks that Target is the start of
// a block; with TargetLength >= 0 the block at Target counts as free with that length. A damaged header
// ends the chain: nothing past it is found.
TVlf::TWalkResult TVlf::Walk(std::int32_t FitLength, std::int32_t Target, std::int32_t TargetLength) {
    TWalkResult R;
    if (Target != 0)
        if (const TVlfIndex::TBlock* B = IndexedBlock(Target)) {
            R.TargetFound = true;
            R.Target = {B->Free ? MarkFree : MarkInUse, MarkInUse, B->Kind, B->Length};
        }
    const TVlfIndex* I = Index();
    const bool Search = FitLength >= 0 && Recycle;
    if (Search) R.Fit = I->FirstFit(FitLength, Target, R.TargetFound ? TargetLength : -1, R.FitRoom);
    R.Damaged = I->Damaged() && ((Search && R.Fit == 0) || (Target != 0 && !R.TargetFound));
    if (R.Damaged) FLastError = "damaged block chain";
    return R;
}

bool TVlf::WalkBlocks(std::vector<TBlockInfo>& Blocks, std::int64_t& BrokenAt, std::int64_t* ZerosFrom) {
    FLastError.clear();
    Blocks.clear();
    BrokenAt = -1;
    if (ZerosFrom) *ZerosFrom = -1;
    if (!IsOpen()) return Fail("store not open");
    const std::int64_t Size = FileSize();
    std::int64_t Pos = HeaderSize;
    while (Pos < Size) {
        std::uint8_t Bytes[BlockHeaderSize];
        if (Pos + BlockHeaderSize > Size || !ReadAt(Pos, Bytes, BlockHeaderSize)) break;
        const TBlockHeader H = TBlockHeader::Decode(Bytes);
        if ((!H.InUse() && !H.Free()) || H.Length < 0 || Pos + BlockHeaderSize + H.Length > Size) break;
        Blocks.push_back({static_cast<std::int32_t>(Pos), H.Kind, H.Length, H.InUse()});
        Pos += BlockHeaderSize + static_cast<std::int64_t>(H.Length);
    }
    if (Pos >= Size) return true;
    // Zeros up to the end are space that an append stopped half-way had reserved: no block, no damage.
    std::vector<std::uint8_t> Tail(static_cast<std::size_t>(std::min<std::int64_t>(Size - Pos, 65536)));
    std::int64_t At = Pos;
    while (At < Size) {
        const std::int64_t N = std::min<std::int64_t>(Size - At, static_cast<std::int64_t>(Tail.size()));
        if (!ReadAt(At, Tail.data(), N) ||
            std::any_of(Tail.begin(), Tail.begin() + N, [](std::uint8_t B) { return B != 0; }))
            break;
        At += N;
    }
    if (At >= Size) {
        if (ZerosFrom) *ZerosFrom = Pos;
        return true;
    }
    BrokenAt = Pos;
    return Fail("damaged block chain at " + std::to_string(Pos));
}

bool TVlf::ContentFits(std::int32_t Pos) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return false;
    return ContentFits(Pos, H);
}

bool TVlf::ContentFits(std::int32_t Pos, const TBlockHeader& Header) {
    if (!Header.InUse()) return true;
    const std::int64_t Data = static_cast<std::int64_t>(Pos) + BlockHeaderSize;
    const std::string Saved = FLastError;
    switch (Header.Kind) {
    case KindGrid: {
        // The cells must end exactly at the end of the block.
        const bool Ok = ReadGridImage(Pos, nullptr, nullptr);
        if (Ok) FLastError = Saved;
        return Ok;
    }
    case KindText: {
        std::string Bytes;
        if (Header.Length < 1 || !ReadItem(Pos, Bytes)) return Fail("text item cannot be read");
        FLastError = Saved;
        return Bytes.find('\0') + 1 == Bytes.size() || Fail("text item longer than its text");
    }
    case KindBitmap:
    case KindWave: {
        std::uint8_t Head[8] = {};
        if (Header.Length < 8 || !ReadAt(Data, Head, 8)) return true; // nothing to compare with
        if (Header.Kind == KindBitmap && Head[0] == 'B' && Head[1] == 'M') {
            const std::uint32_t Size = GetU32(Head + 2);
            return Size == 0 || Size == static_cast<std::uint32_t>(Header.Length) ||
                   Fail("bitmap size differs from its block");
        }
        if (Header.Kind == KindWave && std::memcmp(Head, "RIFF", 4) == 0) {
            const std::uint64_t Size = GetU32(Head + 4) + 8ULL;
            // A RIFF chunk of odd length may be followed by its pad byte.
            return Size == static_cast<std::uint64_t>(Header.Length) ||
                   Size + 1 == static_cast<std::uint64_t>(Header.Length) ||
                   Fail("wave size differs from its block");
        }
        return true;
    }
    default:
        return true;
    }
}

bool TVlf::MayWrite() {
    if (!RefuseDamaged) return true;
    if (!FDamageFound && Index()->Damaged()) {
        CutZeroTail();
        FDamageFound = Index()->Damaged();
    }
    return !FDamageFound || Fail("the store is damaged");
}

bool TVlf::CutZeroTail() {
    // A chain that runs to the end of the file ends in its last block, whatever that block's last byte.
    const std::int64_t Size = FileSize();
    std::uint8_t Last = 1;
    if (Size <= HeaderSize || !ReadAt(Size - 1, &Last, 1) || Last != 0 || !Index()->Damaged()) return false;
    std::vector<TBlockInfo> Blocks;
    std::int64_t BrokenAt = -1;
    std::int64_t ZerosFrom = -1;
    const std::string Saved = FLastError;
    if (!WalkBlocks(Blocks, BrokenAt, &ZerosFrom) || ZerosFrom < 0) {
        FLastError = Saved;
        return false;
    }
    FWritten = true;
    const bool Cut = Truncate(ZerosFrom);
    DropIndex();
    return Cut;
}

bool TVlf::HoldsSame(std::int32_t Pos, const void* Data, std::int32_t Length) {
    const auto* Want = static_cast<const std::uint8_t*>(Data);
    const std::int32_t Chunk = ChunkSize();
    std::vector<std::uint8_t> Buffer(static_cast<std::size_t>(std::min(Chunk, std::max(Length, 1))));
    for (std::int32_t Done = 0; Done < Length;) {
        const std::int32_t N = std::min(Chunk, Length - Done);
        if (!ReadAt(static_cast<std::int64_t>(Pos) + BlockHeaderSize + Done, Buffer.data(), N) ||
            std::memcmp(Buffer.data(), Want + Done, static_cast<std::size_t>(N)) != 0)
            return false;
        Done += N;
    }
    return true;
}

bool TVlf::HoldsLiveBlock(std::int64_t From, std::int64_t To, std::int64_t Limit) {
    if (To <= From) return false;
    // Read in pieces that overlap by a byte, so that a mark pair across two pieces is seen.
    constexpr std::int64_t Piece = 64 * 1024;
    std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(std::min(To - From, Piece + 1)));
    for (std::int64_t At = From; At + 1 < To; At += Piece) {
        const std::int64_t N = std::min(To - At, Piece + 1);
        if (!ReadAt(At, Bytes.data(), N)) return true;
        for (std::int64_t I = 0; I + 1 < N; ++I) {
            if (Bytes[static_cast<std::size_t>(I)] != MarkInUse ||
                Bytes[static_cast<std::size_t>(I) + 1] != MarkInUse)
                continue;
            std::uint8_t H[BlockHeaderSize];
            const std::int64_t Pos = At + I;
            if (Pos + BlockHeaderSize > Limit || !ReadAt(Pos, H, BlockHeaderSize)) continue;
            const TBlockHeader Header = TBlockHeader::Decode(H);
            const bool Known = Header.Kind == KindText || Header.Kind == KindGrid ||
                               Header.Kind == KindBitmap || Header.Kind == KindWave;
            if (!Known || Header.Length < 0 || Pos + BlockHeaderSize + Header.Length > Limit) continue;
            // Only a block whose data agrees with its length counts: the bytes of an old item that only
            // look like a header do not.
            const std::string Saved = FLastError;
            const bool Live = ContentFits(static_cast<std::int32_t>(Pos), Header);
            FLastError = Saved;
            if (Live) {
                Fail("free block at " + std::to_string(From) + " lies over the block at " +
                     std::to_string(Pos));
                return true;
            }
        }
    }
    return false;
}

bool TVlf::FreeSpaceHoldsLiveBlock(std::int64_t From, std::int64_t To) {
    auto It = FCleanFree.upper_bound(From);
    if (It != FCleanFree.begin() && std::prev(It)->second >= To) return false;
    if (HoldsLiveBlock(From, To, To)) return true;
    std::int64_t& End = FCleanFree[From];
    End = std::max(End, To);
    return false;
}

// True when Pos starts a block of the chain that this store may write over or free; Header gets it as the
// file holds it. An index that does not agree with the file is dropped and learnt again. With CheckContent,
// a block whose data disagrees with its length (damaged so that it covers others) is left alone.
bool TVlf::OnChain(std::int32_t Pos, TBlockHeader& Header) {
    if (!ReadBlock(Pos, Header)) return false;
    for (int Try = 0; Try < 2; ++Try) {
        TWalkResult R = Walk(-1, Pos, -1);
        if (!R.TargetFound) return Fail("position is not a block of this store");
        if (R.Target.Free() == Header.Free() && R.Target.Length == Header.Length &&
            R.Target.Kind == Header.Kind)
            return !CheckContent || ContentFits(Pos, Header);
        DropIndex();
    }
    return Fail("position is not a block of this store");
}

// The free blocks directly after the block at Pos, which a rewrite or a free merges into it.
TVlf::TMerge TVlf::PlanMerge(std::int32_t Pos, const TBlockHeader& Header) {
    TMerge M;
    M.Length = Header.Length;
    std::int64_t Next = static_cast<std::int64_t>(Pos) + BlockHeaderSize + Header.Length;
    while (Next <= MaxPos) {
        const std::uint64_t Walks = FIndexWalks;
        const TVlfIndex::TBlock* B = IndexedBlock(static_cast<std::int32_t>(Next));
        if (FIndexWalks != Walks) return PlanMerge(Pos, Header); // its file failed a check: walked again
        if (B == nullptr || !B->Free) break;
        std::int64_t Merged = static_cast<std::int64_t>(M.Length) + BlockHeaderSize + B->Length;
        if (Merged > MaxPos) break;
        M.Length = static_cast<std::int32_t>(Merged);
        M.Absorbed.push_back(static_cast<std::int32_t>(Next));
        Next += BlockHeaderSize + static_cast<std::int64_t>(B->Length);
    }
    return M;
}

void TVlf::UpdateHint(std::int32_t Pos) {
    std::uint8_t Bytes[4];
    if (!ReadAt(HintOffset, Bytes, 4)) return;
    std::int32_t Hint = GetI32(Bytes);
    if (Hint >= HeaderSize && Hint <= Pos) return;
    PutI32(Bytes, Pos);
    (void)WriteAt(HintOffset, Bytes, 4); // only a hint: a failed write loses nothing
}

// Marks merged headers that still lie in free space as absorbed; headers under new data are gone.
void TVlf::MarkAbsorbed(const std::vector<std::int32_t>& Absorbed, std::int64_t From) {
    const std::uint8_t Marks[2] = {VlfFormat::MarkAbsorbed, VlfFormat::MarkAbsorbed};
    for (std::int32_t A : Absorbed)
        if (A >= From) (void)WriteAt(A, Marks, 2); // cosmetic: the merged header already covers them
}

// Marks the block free and merges the free blocks after it. The merged header is written before the
// absorbed ones are marked, so the chain stays walkable whichever write fails.
bool TVlf::FreeBlock(std::int32_t Pos, const TBlockHeader& Header) {
    TMerge M = PlanMerge(Pos, Header);
    if (!WriteHeader(Pos, {MarkFree, MarkInUse, KindFree, M.Length}))
        return Fail("cannot write block header");
    ForgetAbsorbed(M.Absorbed);
    MarkAbsorbed(M.Absorbed, Pos);
    UpdateHint(Pos);
    return true;
}

std::int32_t TVlf::FindFree(std::int32_t Length) {
    FLastError.clear();
    if (!IsOpen() || Length < 0 || !Recycle || !MayWrite()) return 0;
    TWalkResult R = Walk(Length, 0, -1);
    if (R.Fit == 0) return 0;
    const std::int64_t Data = static_cast<std::int64_t>(R.Fit) + BlockHeaderSize;
    if (HoldsLiveBlock(Data, Data + Length + (R.FitRoom != Length ? BlockHeaderSize : 0), Data + R.FitRoom))
        return 0;
    if (R.FitRoom != Length) {
        std::int32_t Rest = R.Fit + BlockHeaderSize + Length;
        if (!WriteHeader(Rest, {MarkFree, MarkInUse, KindFree, R.FitRoom - Length - BlockHeaderSize}) ||
            !WriteHeader(R.Fit, {MarkFree, MarkInUse, KindFree, Length})) {
            Fail("cannot split free block");
            return 0;
        }
        UpdateHint(Rest);
    }
    return R.Fit;
}

// Writes header and data of a placed item. The data goes in first and the in-use header last, so a
// failed write never leaves a header that claims data which is not there.
std::int32_t TVlf::Commit(const TPlacement& Where, std::int16_t Kind, std::int32_t Length,
                          const TDataWriter& Writer) {
    if (Where.How != TPlacement::Append) {
        // Free space about to be used must not hide a live block (a damaged free block over one): with
        // RefuseDamaged nothing is written then, else the item goes to the end and the space is left as it
        // is.
        const std::int64_t Data = static_cast<std::int64_t>(Where.Pos) + BlockHeaderSize;
        const std::int64_t Own =
            Where.How == TPlacement::InPlace && Where.Old.InUse() ? Data + Where.Old.Length : Data;
        if (FreeSpaceHoldsLiveBlock(Own, Data + Where.Room)) {
            if (RefuseDamaged) {
                FDamageFound = true;
                return 0;
            }
            const std::int64_t FileEnd = FileSize();
            if (FileEnd < HeaderSize || FileEnd + BlockHeaderSize + Length > MaxPos) {
                Fail("store full");
                return 0;
            }
            TPlacement AtEnd;
            AtEnd.Pos = static_cast<std::int32_t>(FileEnd);
            return Commit(AtEnd, Kind, Length, Writer);
        }
    }
    const TBlockHeader InUse{MarkInUse, MarkInUse, Kind, Length};
    const TBlockHeader Rest{MarkFree, MarkInUse, KindFree, Where.Room - Length - BlockHeaderSize};
    const std::int32_t RestPos = Where.Pos + BlockHeaderSize + Length;
    switch (Where.How) {
    case TPlacement::Append: {
        std::int32_t Pos = Where.Pos;
        std::int64_t Total = BlockHeaderSize + static_cast<std::int64_t>(Length);
        bool Ok = true;
        // Reserve the space first: a full disc shows here, before anything is written. errno tells the
        // caller why, as after a failed write.
        if (WriteFault && !WriteFault(Pos, Total)) {
            Ok = false;
            errno = ENOSPC;
        } else if (FBatchPos < 0) {
            const int Error = ::posix_fallocate(FHandle, Pos, Total);
            Ok = Error == 0;
            if (!Ok) errno = Error;
        }
        FWritten = true;
        if (Ok && FLock != 0) FSize = std::max(FSize, Pos + Total);
        // Until the data is complete the new block reads as free.
        Ok = Ok && WriteHeader(Pos, {MarkFree, MarkInUse, KindFree, Length});
        Ok = Ok && Writer(Pos + BlockHeaderSize);
        Ok = Ok && WriteHeader(Pos, InUse);
        if (!Ok) {
            Truncate(Pos);
            DropIndex();
            Fail("cannot write the item at the end of the store");
            return 0;
        }
        // Past a damaged header the new block is not on the chain; the damage itself may read otherwise
        // now that the file is longer, so the chain is walked again.
        if (FIndex && FIndex->Damaged()) DropIndex();
        return Pos;
    }
    case TPlacement::FreeSpace: {
        // The block stays free until its header is rewritten, so a failure leaves it as it was.
        bool Ok = Writer(Where.Pos + BlockHeaderSize);
        if (Ok && Where.Room != Length) Ok = WriteHeader(RestPos, Rest);
        Ok = Ok && WriteHeader(Where.Pos, InUse);
        if (!Ok) {
            DropIndex();
            Fail("cannot write the item into a free block");
            return 0;
        }
        if (Where.Room != Length) UpdateHint(RestPos);
        return Where.Pos;
    }
    case TPlacement::InPlace: {
        // The merged headers leave the chain whatever happens; a failure drops the index anyway.
        ForgetAbsorbed(Where.Absorbed);
        bool Ok = Writer(Where.Pos + BlockHeaderSize);
        if (Ok && Where.Room != Length) Ok = WriteHeader(RestPos, Rest);
        Ok = Ok && WriteHeader(Where.Pos, InUse);
        if (!Ok) {
            // The old item is partly overwritten: give its block up rather than keep a header over
            // broken data. Its old length keeps the chain as it was.
            (void)WriteHeader(Where.Pos, {MarkFree, MarkInUse, KindFree, Where.Old.Length});
            UpdateHint(Where.Pos);
            DropIndex();
            Fail("cannot rewrite the item in place");
            return 0;
        }
        MarkAbsorbed(Where.Absorbed, Where.Room != Length ? RestPos + BlockHeaderSize : RestPos);
        if (!Where.Absorbed.empty() || Where.Room != Length) UpdateHint(Where.Pos);
        return Where.Pos;
    }
    }
    return 0;
}

// Chooses where an item of Length bytes goes and writes it. The old block at OldPos is reused when the
// item fits it (exactly or with room for a free remainder), else released once the item is safely written
// elsewhere. SameLengthOnly (grids) reuses the old block in place only at the same length; otherwise the
// old block counts as free in the search, as if it had been deleted first.
std::int32_t TVlf::Place(std::int32_t OldPos, bool SameLengthOnly, std::int16_t Kind, std::int32_t Length,
                         const TDataWriter& Writer, const void* Data) {
    if (!IsOpen()) {
        Fail("store not open");
        return 0;
    }
    if (Length < 0) {
        Fail("negative item length");
        return 0;
    }
    if (!MayWrite()) return 0;
    TBlockHeader Old;
    // An old position that is not a block of this store is left alone and the item is written as new.
    bool HaveOld = OldPos >= HeaderSize && OnChain(OldPos, Old);
    // An item stored again as it is needs no write at all.
    if (HaveOld && Old.InUse() && Data != nullptr && Old.Kind == Kind && Old.Length == Length &&
        HoldsSame(OldPos, Data, Length))
        return OldPos;
    // A kept item is never written over: its block must still hold it if the new one cannot be written.
    const bool KeepOld = HaveOld && Old.InUse() && KeepSuperseded;
    TPlacement Where;
    TMerge M;
    if (HaveOld && !KeepOld) {
        M = PlanMerge(OldPos, Old);
        Where.Old = Old;
        Where.Pos = OldPos;
        if (SameLengthOnly) {
            if (Old.InUse() && Old.Length == Length) {
                Where.How = TPlacement::InPlace;
                Where.Room = Length;
                return Commit(Where, Kind, Length, Writer);
            }
            TWalkResult R = Walk(Length, OldPos, M.Length);
            if (R.Fit == OldPos) {
                Where.How = TPlacement::InPlace;
                Where.Room = M.Length;
                Where.Absorbed = M.Absorbed;
                return Commit(Where, Kind, Length, Writer);
            }
            if (R.Fit != 0) {
                Where.How = TPlacement::FreeSpace;
                Where.Pos = R.Fit;
                Where.Room = R.FitRoom;
            } else {
                Where.How = TPlacement::Append;
            }
        } else if (M.Length == Length || static_cast<std::int64_t>(M.Length) >= Length + 8LL) {
            Where.How = TPlacement::InPlace;
            Where.Room = M.Length;
            Where.Absorbed = M.Absorbed;
            return Commit(Where, Kind, Length, Writer);
        } else {
            TWalkResult R = Walk(Length, 0, -1);
            if (R.Fit != 0) {
                Where.How = TPlacement::FreeSpace;
                Where.Pos = R.Fit;
                Where.Room = R.FitRoom;
            } else {
                Where.How = TPlacement::Append;
            }
        }
    } else {
        TWalkResult R = Walk(Length, 0, -1);
        if (R.Fit != 0) {
            Where.How = TPlacement::FreeSpace;
            Where.Pos = R.Fit;
            Where.Room = R.FitRoom;
        }
    }
    if (Where.How == TPlacement::Append) {
        std::int64_t End = FileSize();
        if (End < HeaderSize || End + BlockHeaderSize + Length > MaxPos) {
            Fail("store full");
            return 0;
        }
        Where.Pos = static_cast<std::int32_t>(End);
    }
    std::int32_t Pos = Commit(Where, Kind, Length, Writer);
    if (Pos != 0 && HaveOld && !Old.Free() && KeepSuperseded) {
        Superseded.push_back(OldPos);
    } else if (Pos != 0 && HaveOld && !Old.Free()) {
        std::string Saved = FLastError;
        if (!FreeBlock(OldPos, Old)) FLastError = Saved; // the new item stands; only space is lost
    }
    return Pos;
}

std::int32_t TVlf::AppendItem(const void* Data, std::int32_t Length, std::int16_t Kind) {
    FLastError.clear();
    if (!IsOpen() || Length < 0 || (Data == nullptr && Length > 0)) return 0;
    std::int64_t End = FileSize();
    if (End < HeaderSize || End + BlockHeaderSize + Length > MaxPos || !MayWrite()) return 0;
    TPlacement Where;
    Where.Pos = static_cast<std::int32_t>(End);
    return Commit(Where, Kind, Length, [&](std::int64_t At) { return WriteAt(At, Data, Length); });
}

std::int32_t TVlf::WriteItem(std::int32_t OldPos, const void* Data, std::int16_t Kind, std::int32_t Length) {
    FLastError.clear();
    if (Data == nullptr && Length > 0) return 0;
    return Place(
        OldPos, false, Kind, Length, [&](std::int64_t At) { return WriteAt(At, Data, Length); }, Data);
}

bool TVlf::ReadItem(std::int32_t Pos, void* Buffer, std::int32_t Length) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return false;
    if (!H.InUse()) return Fail("block is free");
    if (Length == 0) Length = H.Length;
    if (Length < 0 || Length > H.Length) return Fail("read past the end of the item");
    if (Length > 0 && Buffer == nullptr) return Fail("no buffer");
    return ReadAt(static_cast<std::int64_t>(Pos) + BlockHeaderSize, Buffer, Length) ||
           Fail("cannot read item data");
}

bool TVlf::ReadItem(std::int32_t Pos, std::string& Data) {
    std::int32_t Length = ItemLength(Pos);
    if (Length == 0 && !FLastError.empty()) return false;
    std::string Bytes(static_cast<std::size_t>(Length), '\0');
    if (!ReadItem(Pos, Bytes.data(), Length)) return false;
    Data = std::move(Bytes);
    return true;
}

std::int32_t TVlf::ItemLength(std::int32_t Pos) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return 0;
    if (!H.InUse()) {
        Fail("block is free");
        return 0;
    }
    return H.Length;
}

std::int16_t TVlf::ItemKind(std::int32_t Pos) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return -1;
    return H.Kind;
}

int TVlf::ReleaseSuperseded() {
    int Freed = 0;
    for (std::int32_t Pos : Superseded)
        Freed += DeleteItem(Pos);
    Superseded.clear();
    return Freed;
}

int TVlf::DeleteItem(std::int32_t Pos) {
    FLastError.clear();
    TBlockHeader H;
    if (!OnChain(Pos, H) || !MayWrite()) return 0;
    return FreeBlock(Pos, H) ? 1 : 0;
}

std::int32_t TVlf::StoreFile(std::int32_t OldPos, const std::string& Name, std::int16_t Kind) {
    FLastError.clear();
    if (!IsOpen()) return 0;
    // Only a regular file has a length to copy: a FIFO or a device would block the open or never end.
    TFd In(::open(Name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat St;
    if (In.Get() < 0 || ::fstat(In.Get(), &St) != 0 || !S_ISREG(St.st_mode)) {
        Fail("cannot open " + Name);
        return 0;
    }
    if (St.st_size > MaxPos - HeaderSize - BlockHeaderSize) {
        Fail(Name + " is too big for the store");
        return 0;
    }
    const std::int32_t Length = static_cast<std::int32_t>(St.st_size);
    const std::int32_t Chunk = ChunkSize();
    return Place(OldPos, false, Kind, Length, [&](std::int64_t At) {
        std::vector<char> Buffer(static_cast<std::size_t>(Chunk));
        for (std::int32_t Done = 0; Done < Length;) {
            if (FileToVlfProgress) FileToVlfProgress(*this, Length, Done);
            std::int32_t N = std::min(Chunk, Length - Done);
            // A file that shrank while being copied fails here rather than storing a short item.
            if (!FullRead(In.Get(), Done, Buffer.data(), N)) return Fail("cannot read " + Name);
            if (!WriteAt(At + Done, Buffer.data(), N)) return Fail("cannot write the store");
            Done += N;
        }
        return true;
    });
}

bool TVlf::ExtractFile(std::int32_t Pos, const std::string& Name, bool Append) {
    FLastError.clear();
    TBlockHeader H;
    // Check the item before touching the file, so a bad position leaves the file as it was.
    if (!ReadBlock(Pos, H)) return false;
    if (!H.InUse()) return Fail("block is free");

    struct stat St;
    bool Existed = ::stat(Name.c_str(), &St) == 0;
    bool Extend = Append && Existed;
    TFd Out(::open(Name.c_str(), O_WRONLY | O_CLOEXEC | (Extend ? 0 : O_CREAT | O_TRUNC), 0644));
    if (Out.Get() < 0) return Fail("cannot create " + Name);
    std::int64_t Start = 0;
    if (Extend) {
        if (::fstat(Out.Get(), &St) != 0) return Fail("cannot read " + Name);
        Start = St.st_size;
    }

    const std::int32_t Length = H.Length;
    const std::int32_t Chunk = std::min(ChunkSize(), std::max(Length, 1));
    std::vector<char> Buffer(static_cast<std::size_t>(Chunk));
    bool Ok = true;
    for (std::int32_t Done = 0; Ok && Done < Length;) {
        if (VlfToFileProgress) VlfToFileProgress(*this, Length, Done);
        std::int32_t N = std::min(Chunk, Length - Done);
        Ok = ReadAt(static_cast<std::int64_t>(Pos) + BlockHeaderSize + Done, Buffer.data(), N) &&
             FullWrite(Out.Get(), Start + Done, Buffer.data(), N);
        Done += N;
    }
    if (!Ok) {
        // No half-written file is left behind for a caller that only checks that the file exists.
        if (Extend)
            (void)::ftruncate(Out.Get(), Start);
        else
            ::unlink(Name.c_str());
        return Fail("cannot copy the item to " + Name);
    }
    return true;
}

std::int32_t TVlf::SaveGridImage(std::int32_t OldPos, std::int64_t Length, const TImageFiller& Fill) {
    FLastError.clear();
    if (Length > MaxPos - HeaderSize - BlockHeaderSize) {
        Fail("grid too big for the store");
        return 0;
    }

    // Never below the fixed part, which the compiler cannot see from the column and row counts.
    std::vector<std::uint8_t> Image(static_cast<std::size_t>(std::max<std::int64_t>(Length, GridExtension)),
                                    0);
    Fill(Image.data());
    const auto N = static_cast<std::int32_t>(Length);
    return Place(
        OldPos, true, KindGrid, N, [&](std::int64_t Pos) { return WriteAt(Pos, Image.data(), N); },
        Image.data());
}

bool TVlf::VisitGridCells(std::int32_t Pos, const TGridCellVisitor& Visit) {
    return ReadGridImage(Pos, nullptr, &Visit);
}

// Reads and checks the grid image at Pos; its head into Head and cell by cell to Visit when given,
// otherwise it only checks.
bool TVlf::ReadGridImage(std::int32_t Pos, TGridImageHead* Head, const TGridCellVisitor* Visit) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return false;
    if (!H.InUse() || H.Kind != KindGrid) return Fail("not a grid item");
    const std::int64_t Length = H.Length;
    const std::int64_t Data = static_cast<std::int64_t>(Pos) + BlockHeaderSize;
    if (Length < GridExtension) return Fail("grid image too short");

    std::uint8_t Fixed[GridExtension];
    if (!ReadAt(Data, Fixed, GridExtension)) return Fail("cannot read grid image");
    const std::int32_t Cols = GetI32(Fixed + GridColCount);
    const std::int32_t Rows = GetI32(Fixed + GridRowCount);
    const std::int64_t Extension = GetU16(Fixed + GridExtensionLength);
    const std::int64_t WidthsAt = GridExtension + Extension;
    // Counts must fit the block: a width per column and at least a length byte per cell.
    if (Cols < 0 || Rows < 0 || WidthsAt + 2LL * Cols > Length ||
        static_cast<std::int64_t>(Cols) * Rows > Length - WidthsAt - 2LL * Cols ||
        (Cols == 0 && Rows > 1000000))
        return Fail("grid image counts do not fit its block");

    std::vector<std::uint8_t> Widths(2 * static_cast<std::size_t>(Cols));
    if (!Widths.empty() && !ReadAt(Data + WidthsAt, Widths.data(), static_cast<std::int64_t>(Widths.size())))
        return Fail("cannot read grid image");

    // Cells are parsed from chunks; a cell that straddles two chunks is joined.
    const std::int64_t CellCount = static_cast<std::int64_t>(Cols) * Rows;
    std::int64_t Parsed = 0;
    std::int64_t At = WidthsAt + 2LL * Cols;
    const std::int32_t Chunk = ChunkSize();
    std::vector<std::uint8_t> Buffer(static_cast<std::size_t>(Chunk));
    std::string Cell;
    std::int64_t Want = -1; // bytes still missing from Cell, -1 while waiting for a length byte
    while (At < Length) {
        std::int64_t N = std::min<std::int64_t>(Chunk, Length - At);
        if (!ReadAt(Data + At, Buffer.data(), N)) return Fail("cannot read grid image");
        const auto Take = [&](std::string_view Whole) {
            if (Visit) (*Visit)(static_cast<int>(Parsed / Rows), static_cast<int>(Parsed % Rows), Whole);
            ++Parsed;
        };
        for (std::int64_t I = 0; I < N;) {
            if (Want < 0) {
                if (Parsed == CellCount) return Fail("grid image has more cells than its counts");
                Want = Buffer[I++];
                // A cell that lies whole in the chunk is taken from it.
                if (Want <= N - I) {
                    Take({reinterpret_cast<const char*>(Buffer.data() + I), static_cast<std::size_t>(Want)});
                    I += Want;
                    Want = -1;
                    continue;
                }
                Cell.clear();
            }
            const std::int64_t Part = std::min(Want, N - I);
            if (Visit)
                Cell.append(reinterpret_cast<const char*>(Buffer.data() + I), static_cast<std::size_t>(Part));
            I += Part;
            Want -= Part;
            if (Want == 0) {
                Take(Cell);
                Want = -1;
            }
        }
        At += N;
    }
    if (Want >= 0) return Fail("grid cell runs past the end of its block");
    if (Head) {
        Head->Fixed.assign(Fixed, Fixed + GridExtension);
        Head->Widths = std::move(Widths);
        Head->Cols = Cols;
        Head->Rows = Rows;
    }
    return true;
}

std::int32_t TVlf::SaveText(std::int32_t OldPos, const std::string& Text) {
    // The item ends at the first zero byte, and its length with the zero byte must fit in 16 bits.
    std::string Item = Text.substr(0, Text.find('\0'));
    Item.resize(CutPoint(Item, TextMax));
    Item.push_back('\0');
    return WriteItem(OldPos, Item.data(), KindText, static_cast<std::int32_t>(Item.size()));
}

bool TVlf::LoadText(std::int32_t Pos, std::string& Text) {
    FLastError.clear();
    TBlockHeader H;
    if (!ReadBlock(Pos, H)) return false;
    if (!H.InUse() || H.Kind != KindText) return Fail("not a text item");
    std::string Bytes;
    if (!ReadItem(Pos, Bytes)) return false;
    Text = Bytes.substr(0, Bytes.find('\0'));
    return true;
}
