// What a variable-length record store knows of its block chain, so that an operation does not walk the
// file: every block reached by walking from the first one (position, kind, length, free or in use), the
// free blocks in file order for the first-fit search, and where the walk ended (the end of the file, or
// a damaged header that stops it). The store updates it with every header it writes.
//
// The index can be kept in a file beside the store, so that a new process need not walk the whole store
// before its first write. It is trusted only while the store is exactly as the index file says it was
// left: the same device, inode, size, modification and change times (the store sets its modification
// time to the nanosecond itself). Each part of the index file carries a checksum; an index file that is
// missing, stale, cut short, damaged or made for another file is not used, and the chain is walked.
//
// Index file. Little-endian throughout.
//
//   Offset  Width        Content
//   0       8 bytes      Signature "OrbVlfIx".
//   8       uint32       Version, 1.
//   12      uint32       Blocks per chunk (C).
//   16      uint32       Block count of the snapshot (N).
//   20      uint32       Free block count of the snapshot (F).
//   24      int64        Where the walk stopped: the end of the file, or a damaged header.
//   32      uint8        1 when the walk stopped at a damaged header.
//   33      7 bytes      Zero.
//   40      56 bytes     The store as the snapshot describes it (see Identity below).
//   96      uint64       Checksum of bytes 0 to 95 and of the chunk and free tables.
//   104     16 x chunks  Chunk table, ceil(N / C) entries: first block position (int32), block count
//                        (uint32), checksum of the chunk's block entries (uint64).
//   then    8 x F        Free blocks in file order: position (int32), length (int32).
//   then    12 x N       Blocks in file order: position (int32), length (int32), kind (int16), 1 when
//                        free (uint8), zero (uint8); in chunks of C blocks.
//   then    ...          Changes since the snapshot, each written when a store was closed after writing:
//                        "OVCh", entry count E (uint32), the store before and after (2 x 56 bytes),
//                        blocks after (uint32), 4 zero bytes, E entries of 16 bytes (kind of change
//                        (uint8), zero (uint8), kind (int16), position (int32), length (int32), zero
//                        (int32)), checksum of all of it (uint64).
//
// Identity: device, inode, size, modification seconds and nanoseconds, change seconds and nanoseconds,
// each an int64.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "catalogue/store/VlfFormat.h"

class TVlfIndex {
public:
    struct TBlock {
        std::int32_t Length = 0;
        std::int16_t Kind = 0;
        bool Free = false;
    };

    TVlfIndex() = default;
    ~TVlfIndex();
    TVlfIndex(const TVlfIndex&) = delete;
    TVlfIndex& operator=(const TVlfIndex&) = delete;

    // Walks the chain of the store open as Fd, Size bytes long, reading large stretches at a time. False
    // when the file could not be read (the chain then ends where the read failed, as damage does).
    bool Build(int Fd, std::int64_t Size);
    // Takes the index kept in the file Path for the store whose status is Store; false, leaving the index
    // empty, when that file does not describe the store exactly as it is.
    bool Load(const std::string& Path, const struct stat& Store);
    // Keeps the index in the file Path for the store whose status is now Store: the changes since the
    // index was loaded or last kept are added to the file, or the whole index is written anew into a
    // temporary file that then replaces it. False when that failed (the file then describes no store).
    bool Save(const std::string& Path, const struct stat& Store);

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
    // True when a part of the index file read after loading failed its check: the index must not be used.
    bool Broken() const { return FBroken; }
    std::size_t Size() const { return FCount; }
    // Every block in file order.
    std::vector<std::pair<std::int32_t, VlfFormat::TBlockHeader>> Blocks() const;

private:
    struct TEntry {
        std::int32_t Pos = 0;
        TBlock Block;
    };
    struct TChunk {
        std::int32_t First = 0;
        std::uint32_t Count = 0;
        std::uint64_t Sum = 0;
    };
    // A block changed since the snapshot: its state now, or gone from the chain.
    struct TChanged {
        TBlock Block;
        bool Gone = false;
    };
    // One change to be written to the index file.
    struct TLogEntry {
        std::uint8_t What = 0; // 'S' block set, 'G' gone, 'a' free added, 'r' free removed
        std::int16_t Kind = 0;
        std::int32_t Pos = 0;
        std::int32_t Length = 0;
    };

    void Reset();
    void AddFree(std::int32_t Pos, std::int32_t Length);
    void RemoveFree(std::int32_t Pos, std::int32_t Length);
    void Apply(const TLogEntry& E);
    void Log(const TLogEntry& E);
    const std::vector<TEntry>* Chunk(std::size_t C) const;
    bool WriteSnapshot(const std::string& Path, const struct stat& Store);
    bool AppendChanges(const std::string& Path, const struct stat& Store);
    void CloseFile();

    // The snapshot, in chunks of blocks in file order; a chunk of a loaded index file is read and checked
    // when first needed.
    std::vector<TChunk> FChunks;
    mutable std::vector<std::vector<TEntry>> FChunkBlocks;
    mutable std::vector<bool> FChunkRead;
    std::map<std::int32_t, TChanged> FChanged;

    std::map<std::int32_t, std::int32_t> FFree; // position -> length
    std::multiset<std::int32_t> FFreeLengths;
    std::size_t FCount = 0;
    bool FDamaged = false;
    std::int64_t FStop = 0;        // where a damaged chain stops
    std::int64_t FSnapshotEnd = 0; // where the snapshot's last block ends
    mutable bool FBroken = false;

    // The index file this index was loaded from or last kept in, still open for reading its chunks; its
    // length and the identity of the store it ends with.
    int FFile = -1;
    std::int64_t FFileLength = 0;
    std::int64_t FBlocksAt = 0; // where the snapshot's blocks start in it
    std::vector<std::uint8_t> FLastIdentity;
    std::size_t FLoggedEntries = 0;  // changes the file holds after its snapshot
    std::vector<TLogEntry> FPending; // changes not yet in the file
    bool FWhole = true;              // the index file has no snapshot of this index: write it whole
};
