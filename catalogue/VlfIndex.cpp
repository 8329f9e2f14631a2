#include "catalogue/VlfIndex.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

using namespace VlfFormat;

bool TVlfIndex::Build(int Fd, std::int64_t Size) {
    FBlocks.clear();
    FFree.clear();
    FFreeLengths.clear();
    FDamaged = false;
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
        FBlocks[static_cast<std::int32_t>(Pos)] = {H.Length, H.Kind, H.Free()};
        if (H.Free()) AddFree(static_cast<std::int32_t>(Pos), H.Length);
        Pos += BlockHeaderSize + static_cast<std::int64_t>(H.Length);
    }
    FStop = Pos;
    return ReadOk;
}

const TVlfIndex::TBlock* TVlfIndex::Find(std::int32_t Pos) const {
    const auto It = FBlocks.find(Pos);
    return It == FBlocks.end() ? nullptr : &It->second;
}

void TVlfIndex::AddFree(std::int32_t Pos, std::int32_t Length) {
    FFree[Pos] = Length;
    FFreeLengths.insert(Length);
}

void TVlfIndex::RemoveFree(std::int32_t Pos, std::int32_t Length) {
    FFree.erase(Pos);
    if (const auto It = FFreeLengths.find(Length); It != FFreeLengths.end()) FFreeLengths.erase(It);
}

void TVlfIndex::Put(std::int32_t Pos, const TBlockHeader& Header) {
    if (FDamaged && Pos >= FStop) return;
    if (!Header.InUse() && !Header.Free()) return Forget(Pos);
    TBlock& B = FBlocks[Pos];
    if (B.Free) RemoveFree(Pos, B.Length);
    B = {Header.Length, Header.Kind, Header.Free()};
    if (B.Free) AddFree(Pos, B.Length);
}

void TVlfIndex::Forget(std::int32_t Pos) {
    const auto It = FBlocks.find(Pos);
    if (It == FBlocks.end()) return;
    if (It->second.Free) RemoveFree(Pos, It->second.Length);
    FBlocks.erase(It);
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
    Out.reserve(FBlocks.size());
    for (const auto& [Pos, B] : FBlocks)
        Out.push_back({Pos, {B.Free ? MarkFree : MarkInUse, MarkInUse, B.Kind, B.Length}});
    std::sort(Out.begin(), Out.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
    return Out;
}
