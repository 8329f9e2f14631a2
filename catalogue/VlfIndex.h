// What a variable-length record store knows of its block chain, so that an operation does not walk the
// file: every block reached by walking from the first one (position, kind, length, free or in use), the
// free blocks in file order for the first-fit search, and where the walk ended (the end of the file, or
// a damaged header that stops it). The store updates it with every header it writes.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/VlfFormat.h"

class TVlfIndex {
public:
    struct TBlock {
        std::int32_t Length = 0;
        std::int16_t Kind = 0;
        bool Free = false;
    };

    // Walks the chain of the store open as Fd, Size bytes long, reading large stretches at a time. False
    // when the file could not be read (the chain then ends where the read failed, as damage does).
    bool Build(int Fd, std::int64_t Size);

    // The block starting at Pos, nullptr when no block of the chain starts there.
    const TBlock* Find(std::int32_t Pos) const;
    // A header in use or free was written at Pos; a position past a damaged header is not on the chain.
    void Put(std::int32_t Pos, const VlfFormat::TBlockHeader& Header);
    // The header at Pos was merged into the block before it.
    void Forget(std::int32_t Pos);

    // The first free block in file order whose length is Length or at least Length + 8, 0 when none; Room
    // gets its length. With TargetLength >= 0 the block at Target counts as free with that length.
    std::int32_t FirstFit(std::int32_t Length, std::int32_t Target, std::int32_t TargetLength,
                          std::int32_t& Room) const;

    // True when the walk stopped at a damaged header rather than at the end of the file.
    bool Damaged() const { return FDamaged; }
    std::size_t Size() const { return FBlocks.size(); }
    // Every block in file order.
    std::vector<std::pair<std::int32_t, VlfFormat::TBlockHeader>> Blocks() const;

private:
    void AddFree(std::int32_t Pos, std::int32_t Length);
    void RemoveFree(std::int32_t Pos, std::int32_t Length);

    std::unordered_map<std::int32_t, TBlock> FBlocks;
    std::map<std::int32_t, std::int32_t> FFree; // position -> length
    std::multiset<std::int32_t> FFreeLengths;
    bool FDamaged = false;
    std::int64_t FStop = 0; // where a damaged chain stops
};
