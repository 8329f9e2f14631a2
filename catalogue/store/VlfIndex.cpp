#include "catalogue/store/VlfIndex.h"

#include "catalogue/store/FullIO.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

using namespace VlfFormat;

namespace {

constexpr char Signature[8] = {'O', 'r', 'b', 'V', 'l', 'f', 'I', 'x'};
constexpr char ChangeSignature[4] = {'O', 'V', 'C', 'h'};
constexpr std::uint32_t Version = 1;
constexpr std::uint32_t ChunkBlocks = 2048;
constexpr std::int64_t FixedSize = 104;
constexpr std::int64_t ChunkEntrySize = 16;
constexpr std::int64_t FreeEntrySize = 8;
constexpr std::int64_t BlockEntrySize = 12;
constexpr std::int64_t IdentitySize = 56;
constexpr std::int64_t ChangeHeadSize = 128;
constexpr std::int64_t ChangeEntrySize = 16;
// Changes read at a load are replayed into memory; past these many the index file is written anew.
constexpr std::size_t MaxLoggedEntries = 2048;

std::uint64_t Get64(const std::uint8_t* P) {
    return static_cast<std::uint64_t>(GetU32(P)) | (static_cast<std::uint64_t>(GetU32(P + 4)) << 32);
}
void Put64(std::uint8_t* P, std::uint64_t V) {
    PutU32(P, static_cast<std::uint32_t>(V));
    PutU32(P + 4, static_cast<std::uint32_t>(V >> 32));
}

// A checksum against damage and cut-off writes, eight bytes a step.
std::uint64_t Checksum(const std::uint8_t* P, std::size_t N, std::uint64_t H = 0x243F6A8885A308D3ULL) {
    constexpr std::uint64_t M = 0x9E3779B97F4A7C15ULL;
    H ^= N * M;
    std::size_t I = 0;
    for (; I + 8 <= N; I += 8) {
        H = (H ^ Get64(P + I)) * M;
        H ^= H >> 29;
    }
    std::uint8_t Tail[8] = {};
    std::memcpy(Tail, P + I, N - I);
    H = (H ^ Get64(Tail)) * M;
    return H ^ (H >> 32);
}

std::vector<std::uint8_t> Identity(const struct stat& St) {
    std::vector<std::uint8_t> Out(IdentitySize);
    const std::int64_t Fields[7] = {static_cast<std::int64_t>(St.st_dev),
                                    static_cast<std::int64_t>(St.st_ino),
                                    St.st_size,
                                    St.st_mtim.tv_sec,
                                    St.st_mtim.tv_nsec,
                                    St.st_ctim.tv_sec,
                                    St.st_ctim.tv_nsec};
    for (int I = 0; I < 7; ++I)
        Put64(Out.data() + 8 * I, static_cast<std::uint64_t>(Fields[I]));
    return Out;
}

void EncodeBlock(std::uint8_t* P, std::int32_t Pos, const TVlfIndex::TBlock& B) {
    PutI32(P, Pos);
    PutI32(P + 4, B.Length);
    PutI16(P + 8, B.Kind);
    P[10] = B.Free ? 1 : 0;
    P[11] = 0;
}

} // namespace

TVlfIndex::~TVlfIndex() {
    CloseFile();
}

void TVlfIndex::CloseFile() {
    if (FFile >= 0) ::close(FFile);
    FFile = -1;
}

void TVlfIndex::Reset() {
    CloseFile();
    FChunks.clear();
    FChunkBlocks.clear();
    FChunkRead.clear();
    FChanged.clear();
    FFree.clear();
    FFreeLengths.clear();
    FCount = 0;
    FDamaged = false;
    FStop = HeaderSize;
    FSnapshotEnd = HeaderSize;
    FBroken = false;
    FLastIdentity.clear();
    FLoggedEntries = 0;
    FPending.clear();
    FWhole = true;
}

bool TVlfIndex::Build(int Fd, std::int64_t Size) {
    Reset();
    // Headers are parsed from windows of the file: a run of small blocks costs one read, not one per block.
    constexpr std::int64_t WindowSize = 64 * 1024;
    std::vector<std::uint8_t> Window(static_cast<std::size_t>(WindowSize));
    std::int64_t WindowPos = 0, WindowLength = 0;
    std::int64_t Pos = HeaderSize;
    bool ReadOk = true;
    while (Pos < Size) {
        if (Pos + BlockHeaderSize > Size) {
            FDamaged = true;
            break;
        }
        if (Pos < WindowPos || Pos + BlockHeaderSize > WindowPos + WindowLength) {
            WindowPos = Pos;
            WindowLength = 0;
            const std::int64_t Want = std::min(WindowSize, Size - Pos);
            while (WindowLength < BlockHeaderSize) {
                const ssize_t N = ::pread(Fd, Window.data() + WindowLength,
                                          static_cast<std::size_t>(Want - WindowLength), Pos + WindowLength);
                if (N < 0 && errno == EINTR) continue;
                if (N <= 0) break;
                WindowLength += N;
            }
            if (WindowLength < BlockHeaderSize) {
                ReadOk = false;
                FDamaged = true;
                break;
            }
        }
        const TBlockHeader H = TBlockHeader::Decode(Window.data() + (Pos - WindowPos));
        if ((!H.InUse() && !H.Free()) || H.Length < 0 || Pos + BlockHeaderSize + H.Length > Size) {
            FDamaged = true;
            break;
        }
        if (FChunkBlocks.empty() || FChunkBlocks.back().size() == ChunkBlocks) {
            FChunks.push_back({static_cast<std::int32_t>(Pos), 0, 0});
            FChunkBlocks.emplace_back().reserve(ChunkBlocks);
            FChunkRead.push_back(true);
        }
        FChunkBlocks.back().push_back({static_cast<std::int32_t>(Pos), {H.Length, H.Kind, H.Free()}});
        ++FChunks.back().Count;
        ++FCount;
        if (H.Free()) AddFree(static_cast<std::int32_t>(Pos), H.Length);
        Pos += BlockHeaderSize + static_cast<std::int64_t>(H.Length);
    }
    FStop = Pos;
    FSnapshotEnd = Pos;
    return ReadOk;
}

// The blocks of chunk C, read from the index file and checked when first needed; nullptr when they fail
// the check, which breaks the index.
const std::vector<TVlfIndex::TEntry>* TVlfIndex::Chunk(std::size_t C) const {
    if (FChunkRead[C]) return &FChunkBlocks[C];
    const TChunk& K = FChunks[C];
    std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(K.Count * BlockEntrySize));
    std::int64_t At = FBlocksAt + static_cast<std::int64_t>(C) * ChunkBlocks * BlockEntrySize;
    bool Ok = FFile >= 0 && FullRead(FFile, At, Bytes.data(), static_cast<std::int64_t>(Bytes.size())) &&
              Checksum(Bytes.data(), Bytes.size()) == K.Sum;
    std::vector<TEntry> Blocks;
    Blocks.reserve(K.Count);
    // The blocks must follow each other without a gap from the chunk's first position on.
    std::int64_t Next = K.First;
    const std::int64_t Limit =
        C + 1 < FChunks.size() ? static_cast<std::int64_t>(FChunks[C + 1].First) : FSnapshotEnd;
    for (std::uint32_t I = 0; Ok && I < K.Count; ++I) {
        const std::uint8_t* P = Bytes.data() + I * BlockEntrySize;
        const TEntry E{GetI32(P), {GetI32(P + 4), GetI16(P + 8), P[10] != 0}};
        Ok = E.Pos == Next && E.Block.Length >= 0 && P[10] <= 1;
        Next = E.Pos + BlockHeaderSize + static_cast<std::int64_t>(E.Block.Length);
        Blocks.push_back(E);
    }
    if (!Ok || Next != Limit) {
        FBroken = true;
        return nullptr;
    }
    FChunkBlocks[C] = std::move(Blocks);
    FChunkRead[C] = true;
    return &FChunkBlocks[C];
}

const TVlfIndex::TBlock* TVlfIndex::Find(std::int32_t Pos) const {
    if (const auto It = FChanged.find(Pos); It != FChanged.end())
        return It->second.Gone ? nullptr : &It->second.Block;
    const auto After = std::upper_bound(FChunks.begin(), FChunks.end(), Pos,
                                        [](std::int32_t P, const TChunk& K) { return P < K.First; });
    if (After == FChunks.begin()) return nullptr;
    const std::vector<TEntry>* Blocks = Chunk(static_cast<std::size_t>(After - FChunks.begin() - 1));
    if (Blocks == nullptr) return nullptr;
    const auto It = std::lower_bound(Blocks->begin(), Blocks->end(), Pos,
                                     [](const TEntry& E, std::int32_t P) { return E.Pos < P; });
    return It != Blocks->end() && It->Pos == Pos ? &It->Block : nullptr;
}

void TVlfIndex::AddFree(std::int32_t Pos, std::int32_t Length) {
    FFree[Pos] = Length;
    FFreeLengths.insert(Length);
}

void TVlfIndex::RemoveFree(std::int32_t Pos, std::int32_t Length) {
    FFree.erase(Pos);
    if (const auto It = FFreeLengths.find(Length); It != FFreeLengths.end()) FFreeLengths.erase(It);
}

void TVlfIndex::Apply(const TLogEntry& E) {
    switch (E.What) {
    case 'S':
    case 'F':
        FChanged[E.Pos] = {{E.Length, E.Kind, E.What == 'F'}, false};
        break;
    case 'G':
        FChanged[E.Pos] = {{}, true};
        break;
    case 'a':
        AddFree(E.Pos, E.Length);
        break;
    case 'r':
        RemoveFree(E.Pos, E.Length);
        break;
    default:
        break;
    }
}

void TVlfIndex::Log(const TLogEntry& E) {
    FPending.push_back(E);
}

void TVlfIndex::Put(std::int32_t Pos, const TBlockHeader& Header) {
    if (FDamaged && Pos >= FStop) return;
    if (!Header.InUse() && !Header.Free()) return Forget(Pos);
    const TBlock* Old = Find(Pos);
    if (Old == nullptr) {
        ++FCount;
    } else if (Old->Free) {
        Log({'r', 0, Pos, Old->Length});
        RemoveFree(Pos, Old->Length);
    }
    const TBlock New{Header.Length, Header.Kind, Header.Free()};
    FChanged[Pos] = {New, false};
    Log({static_cast<std::uint8_t>(New.Free ? 'F' : 'S'), New.Kind, Pos, New.Length});
    if (New.Free) {
        AddFree(Pos, New.Length);
        Log({'a', 0, Pos, New.Length});
    }
}

void TVlfIndex::Forget(std::int32_t Pos) {
    const TBlock* Old = Find(Pos);
    if (Old == nullptr) return;
    if (Old->Free) {
        Log({'r', 0, Pos, Old->Length});
        RemoveFree(Pos, Old->Length);
    }
    FChanged[Pos] = {{}, true};
    Log({'G', 0, Pos, 0});
    --FCount;
}

std::int32_t TVlfIndex::FirstFit(std::int32_t Length, std::int32_t Target, std::int32_t TargetLength,
                                 std::int32_t& Room) const {
    const auto Fits = [Length](std::int32_t Have) {
        return Have == Length || static_cast<std::int64_t>(Have) >= Length + 8LL;
    };
    const bool TargetFits = TargetLength >= 0 && Find(Target) != nullptr && Fits(TargetLength);
    std::int32_t Fit = 0;
    // Most searches find nothing: no free block of that length and none big enough to split.
    const bool Any =
        FFreeLengths.count(Length) > 0 ||
        (!FFreeLengths.empty() && static_cast<std::int64_t>(*FFreeLengths.rbegin()) >= Length + 8LL);
    if (Any) {
        for (const auto& [Pos, Have] : FFree) {
            if (TargetFits && Pos >= Target) break;
            // The target's own entry stands for its length before the merge.
            if (Pos == Target && TargetLength >= 0) continue;
            if (Fits(Have)) {
                Fit = Pos;
                Room = Have;
                break;
            }
        }
    }
    if (TargetFits && (Fit == 0 || Target < Fit)) {
        Fit = Target;
        Room = TargetLength;
    }
    return Fit;
}

std::vector<std::pair<std::int32_t, TBlockHeader>> TVlfIndex::Blocks() const {
    std::vector<std::pair<std::int32_t, TBlockHeader>> Out;
    Out.reserve(FCount);
    const auto Header = [](const TBlock& B) {
        return TBlockHeader{B.Free ? MarkFree : MarkInUse, MarkInUse, B.Kind, B.Length};
    };
    for (std::size_t C = 0; C < FChunks.size(); ++C) {
        const std::vector<TEntry>* Blocks = Chunk(C);
        if (Blocks == nullptr) return {};
        for (const TEntry& E : *Blocks)
            if (FChanged.count(E.Pos) == 0) Out.push_back({E.Pos, Header(E.Block)});
    }
    for (const auto& [Pos, Changed] : FChanged)
        if (!Changed.Gone) Out.push_back({Pos, Header(Changed.Block)});
    std::sort(Out.begin(), Out.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
    return Out;
}

bool TVlfIndex::Load(const std::string& Path, const struct stat& Store) {
    Reset();
    const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return false;
    const auto Refuse = [&] {
        ::close(Fd);
        Reset();
        return false;
    };
    struct stat St;
    std::uint8_t Fixed[FixedSize];
    if (::fstat(Fd, &St) != 0 || St.st_size < FixedSize || !FullRead(Fd, 0, Fixed, FixedSize) ||
        std::memcmp(Fixed, Signature, 8) != 0 || GetU32(Fixed + 8) != Version ||
        GetU32(Fixed + 12) != ChunkBlocks)
        return Refuse();
    const std::int64_t Length = St.st_size;
    const std::uint32_t Count = GetU32(Fixed + 16), FreeCount = GetU32(Fixed + 20);
    const std::int64_t Stop = static_cast<std::int64_t>(Get64(Fixed + 24));
    const std::int64_t ChunkCount = (static_cast<std::int64_t>(Count) + ChunkBlocks - 1) / ChunkBlocks;
    const std::int64_t TablesSize = ChunkCount * ChunkEntrySize + FreeCount * FreeEntrySize;
    const std::int64_t BlocksAt = FixedSize + TablesSize;
    const std::int64_t LogAt = BlocksAt + static_cast<std::int64_t>(Count) * BlockEntrySize;
    if (LogAt > Length || Fixed[32] > 1) return Refuse();
    std::vector<std::uint8_t> Tables(static_cast<std::size_t>(TablesSize) + 1);
    if (!FullRead(Fd, FixedSize, Tables.data(), TablesSize) ||
        Checksum(Tables.data(), static_cast<std::size_t>(TablesSize), Checksum(Fixed, 96)) !=
            Get64(Fixed + 96))
        return Refuse();
    FDamaged = Fixed[32] == 1;
    FStop = Stop;
    FSnapshotEnd = Stop;
    FCount = Count;
    // The chunks follow each other in file order, all full but the last.
    for (std::int64_t C = 0; C < ChunkCount; ++C) {
        const std::uint8_t* P = Tables.data() + C * ChunkEntrySize;
        const TChunk K{GetI32(P), GetU32(P + 4), Get64(P + 8)};
        const std::uint32_t Want =
            C + 1 < ChunkCount ? ChunkBlocks : Count - static_cast<std::uint32_t>(C) * ChunkBlocks;
        if (K.Count != Want || (C == 0 ? K.First != HeaderSize : K.First <= FChunks.back().First) ||
            K.First >= Stop)
            return Refuse();
        FChunks.push_back(K);
    }
    FChunkBlocks.resize(FChunks.size());
    FChunkRead.assign(FChunks.size(), false);
    std::int32_t LastFree = 0;
    for (std::uint32_t I = 0; I < FreeCount; ++I) {
        const std::uint8_t* P = Tables.data() + ChunkCount * ChunkEntrySize + I * FreeEntrySize;
        const std::int32_t Pos = GetI32(P), Have = GetI32(P + 4);
        if (Pos <= LastFree || Pos < HeaderSize || Have < 0) return Refuse();
        AddFree(Pos, Have);
        LastFree = Pos;
    }

    // The changes since the snapshot, each taking the store from the state the one before left.
    std::vector<std::uint8_t> Now(Fixed + 40, Fixed + 96);
    const std::int64_t LogLength = Length - LogAt;
    if (LogLength > static_cast<std::int64_t>(MaxLoggedEntries + 64) * ChangeEntrySize + 64 * ChangeHeadSize)
        return Refuse();
    std::vector<std::uint8_t> Changes(static_cast<std::size_t>(LogLength) + 1);
    if (!FullRead(Fd, LogAt, Changes.data(), LogLength)) return Refuse();
    std::vector<TLogEntry> Entries;
    for (std::int64_t At = 0; At < LogLength;) {
        const std::uint8_t* P = Changes.data() + At;
        if (LogLength - At < ChangeHeadSize + 8 || std::memcmp(P, ChangeSignature, 4) != 0) return Refuse();
        const std::int64_t N = GetU32(P + 4);
        const std::int64_t Size = ChangeHeadSize + N * ChangeEntrySize + 8;
        if (Size > LogLength - At || Checksum(P, static_cast<std::size_t>(Size - 8)) != Get64(P + Size - 8) ||
            std::memcmp(P + 8, Now.data(), IdentitySize) != 0)
            return Refuse();
        for (std::int64_t I = 0; I < N; ++I) {
            const std::uint8_t* E = P + ChangeHeadSize + I * ChangeEntrySize;
            if (std::strchr("SFGar", E[0]) == nullptr || E[0] == 0) return Refuse();
            Entries.push_back({E[0], GetI16(E + 2), GetI32(E + 4), GetI32(E + 8)});
        }
        Now.assign(P + 8 + IdentitySize, P + 8 + 2 * IdentitySize);
        FCount = GetU32(P + 8 + 2 * IdentitySize);
        At += Size;
    }
    // Only an index of the store exactly as it is now is used.
    if (Now != Identity(Store) || Stop > Store.st_size || Stop < HeaderSize) return Refuse();
    for (const TLogEntry& E : Entries)
        Apply(E);
    FFile = Fd;
    FFileLength = Length;
    FBlocksAt = BlocksAt;
    FLastIdentity = std::move(Now);
    FLoggedEntries = Entries.size();
    FWhole = false;
    return true;
}

bool TVlfIndex::Save(const std::string& Path, const struct stat& Store) {
    if (FBroken) return false;
    if (!FWhole && FLoggedEntries + FPending.size() <= MaxLoggedEntries && AppendChanges(Path, Store))
        return true;
    return WriteSnapshot(Path, Store);
}

bool TVlfIndex::AppendChanges(const std::string& Path, const struct stat& Store) {
    const std::vector<std::uint8_t> After = Identity(Store);
    if (FPending.empty() && After == FLastIdentity) return true;
    // Only the file this index was read from or written to, as it was left, is added to.
    struct stat Ours, Named;
    if (FFile < 0 || ::fstat(FFile, &Ours) != 0 || ::stat(Path.c_str(), &Named) != 0 ||
        Ours.st_dev != Named.st_dev || Ours.st_ino != Named.st_ino || Named.st_size != FFileLength)
        return false;
    const std::int64_t N = static_cast<std::int64_t>(FPending.size());
    std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(ChangeHeadSize + N * ChangeEntrySize + 8), 0);
    std::uint8_t* P = Bytes.data();
    std::memcpy(P, ChangeSignature, 4);
    PutU32(P + 4, static_cast<std::uint32_t>(N));
    std::memcpy(P + 8, FLastIdentity.data(), IdentitySize);
    std::memcpy(P + 8 + IdentitySize, After.data(), IdentitySize);
    PutU32(P + 8 + 2 * IdentitySize, static_cast<std::uint32_t>(FCount));
    for (std::int64_t I = 0; I < N; ++I) {
        std::uint8_t* E = P + ChangeHeadSize + I * ChangeEntrySize;
        const TLogEntry& L = FPending[static_cast<std::size_t>(I)];
        E[0] = L.What;
        PutI16(E + 2, L.Kind);
        PutI32(E + 4, L.Pos);
        PutI32(E + 8, L.Length);
    }
    Put64(P + Bytes.size() - 8, Checksum(P, Bytes.size() - 8));
    const int Fd = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC);
    if (Fd < 0) return false;
    const bool Ok = FullWrite(Fd, FFileLength, Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
    ::close(Fd);
    if (!Ok) return false;
    FFileLength += static_cast<std::int64_t>(Bytes.size());
    FLoggedEntries += FPending.size();
    FPending.clear();
    FLastIdentity = After;
    return true;
}

bool TVlfIndex::WriteSnapshot(const std::string& Path, const struct stat& Store) {
    FWhole = true;
    // The whole chain in file order, in full chunks anew.
    std::vector<TEntry> All;
    All.reserve(FCount);
    for (std::size_t C = 0; C < FChunks.size(); ++C) {
        const std::vector<TEntry>* Blocks = Chunk(C);
        if (Blocks == nullptr) return false;
        for (const TEntry& E : *Blocks)
            if (FChanged.count(E.Pos) == 0) All.push_back(E);
    }
    const std::size_t Base = All.size();
    for (const auto& [Pos, Changed] : FChanged)
        if (!Changed.Gone) All.push_back({Pos, Changed.Block});
    std::inplace_merge(All.begin(), All.begin() + static_cast<std::ptrdiff_t>(Base), All.end(),
                       [](const TEntry& A, const TEntry& B) { return A.Pos < B.Pos; });
    FChunks.clear();
    FChunkBlocks.clear();
    FChanged.clear();
    for (std::size_t I = 0; I < All.size(); I += ChunkBlocks) {
        const std::size_t End = std::min(All.size(), I + ChunkBlocks);
        FChunks.push_back({All[I].Pos, static_cast<std::uint32_t>(End - I), 0});
        FChunkBlocks.emplace_back(All.begin() + static_cast<std::ptrdiff_t>(I),
                                  All.begin() + static_cast<std::ptrdiff_t>(End));
    }
    FChunkRead.assign(FChunks.size(), true);
    FCount = All.size();
    All = {};

    const std::int64_t TablesSize = static_cast<std::int64_t>(FChunks.size()) * ChunkEntrySize +
                                    static_cast<std::int64_t>(FFree.size()) * FreeEntrySize;
    const std::int64_t BlocksAt = FixedSize + TablesSize;
    std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(BlocksAt + FCount * BlockEntrySize), 0);
    std::uint8_t* P = Bytes.data();
    std::memcpy(P, Signature, 8);
    PutU32(P + 8, Version);
    PutU32(P + 12, ChunkBlocks);
    PutU32(P + 16, static_cast<std::uint32_t>(FCount));
    PutU32(P + 20, static_cast<std::uint32_t>(FFree.size()));
    // The chain ends where its last block does, or at the damaged header.
    FSnapshotEnd = HeaderSize;
    if (!FChunkBlocks.empty()) {
        const TEntry& Last = FChunkBlocks.back().back();
        FSnapshotEnd = Last.Pos + BlockHeaderSize + static_cast<std::int64_t>(Last.Block.Length);
    }
    if (FDamaged) FSnapshotEnd = FStop;
    Put64(P + 24, static_cast<std::uint64_t>(FSnapshotEnd));
    P[32] = FDamaged ? 1 : 0;
    const std::vector<std::uint8_t> Now = Identity(Store);
    std::memcpy(P + 40, Now.data(), IdentitySize);
    std::uint8_t* Block = P + BlocksAt;
    for (std::size_t C = 0; C < FChunks.size(); ++C) {
        std::uint8_t* Start = Block;
        for (const TEntry& E : FChunkBlocks[C]) {
            EncodeBlock(Block, E.Pos, E.Block);
            Block += BlockEntrySize;
        }
        FChunks[C].Sum = Checksum(Start, static_cast<std::size_t>(Block - Start));
        std::uint8_t* K = P + FixedSize + static_cast<std::int64_t>(C) * ChunkEntrySize;
        PutI32(K, FChunks[C].First);
        PutU32(K + 4, FChunks[C].Count);
        Put64(K + 8, FChunks[C].Sum);
    }
    std::uint8_t* F = P + FixedSize + static_cast<std::int64_t>(FChunks.size()) * ChunkEntrySize;
    for (const auto& [Pos, Have] : FFree) {
        PutI32(F, Pos);
        PutI32(F + 4, Have);
        F += FreeEntrySize;
    }
    Put64(P + 96, Checksum(P + FixedSize, static_cast<std::size_t>(TablesSize), Checksum(P, 96)));

    CloseFile();
    FPending.clear();
    FLoggedEntries = 0;
    const std::string Temporary = Path + ".new";
    const int Fd = ::open(Temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (Fd < 0) return false;
    if (!FullWrite(Fd, 0, Bytes.data(), static_cast<std::int64_t>(Bytes.size())) ||
        ::rename(Temporary.c_str(), Path.c_str()) != 0) {
        ::close(Fd);
        ::unlink(Temporary.c_str());
        return false;
    }
    FFile = Fd;
    FFileLength = static_cast<std::int64_t>(Bytes.size());
    FBlocksAt = BlocksAt;
    FLastIdentity = Now;
    FWhole = false;
    return true;
}
