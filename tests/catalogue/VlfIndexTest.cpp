// The store's in-memory block index: random operation sequences (reopens, a file changed behind the
// store's back, a damaged chain) must give exactly the file bytes and results that walking the blocks for
// every operation gave, and the index must always agree with a full walk of the file.
#include <gtest/gtest.h>

#include <random>

#include "catalogue/Vlf.h"
#include "catalogue/VlfFormat.h"
#include "support/TestSupport.h"

namespace {

using namespace VlfFormat;

std::uint64_t Fnv(std::uint64_t H, const void* Data, std::size_t Size) {
    const auto* P = static_cast<const unsigned char*>(Data);
    for (std::size_t I = 0; I < Size; ++I)
        H = (H ^ P[I]) * 1099511628211ULL;
    return H;
}

class TRun {
public:
    TRun(const std::string& Path, const std::string& Scratch, unsigned Seed)
        : FPath(Path), FScratch(Scratch), FRng(Seed) {}

    // Runs Steps operations and gives a hash of every result and of the final file.
    std::uint64_t Go(int Steps) {
        FVlf.Recycle = true;
        EXPECT_TRUE(FVlf.OpenStore(FPath));
        for (int Step = 0; Step < Steps; ++Step) {
            One();
            if (Step % 37 == 36) Reopen();
            if (Step == Steps / 2) ChangeBehindItsBack();
            if (Step == Steps - 40) Damage();
            if (AfterEach) AfterEach();
        }
        FVlf.CloseStore();
        const std::string Bytes = ReadFileBytes(FPath);
        return Fnv(FHash, Bytes.data(), Bytes.size());
    }

    TVlf FVlf;
    std::function<void()> AfterEach;

private:
    void Note(std::int64_t V) { FHash = Fnv(FHash, &V, sizeof V); }
    int Size() { return static_cast<int>(FRng() % 4 == 0 ? FRng() % 2000 : FRng() % 40); }
    std::int32_t Pick() {
        if (FLive.empty()) return 0;
        std::int32_t P = FLive[FRng() % FLive.size()];
        return FRng() % 16 == 0 ? P + 4 : P; // now and then a position inside a block
    }
    void Keep(std::int32_t Old, std::int32_t New) {
        std::erase(FLive, Old);
        if (New >= HeaderSize) FLive.push_back(New);
    }

    void One() {
        const int Op = static_cast<int>(FRng() % 20);
        const std::string Data(static_cast<std::size_t>(Size()), static_cast<char>('a' + FRng() % 26));
        const auto Len = static_cast<std::int32_t>(Data.size());
        if (Op < 5) {
            Keep(0, FVlf.WriteItem(0, Data.data(), static_cast<std::int16_t>(FRng() % 5), Len));
        } else if (Op < 9) {
            const std::int32_t Old = Pick();
            Keep(Old, FVlf.WriteItem(Old, Data.data(), 0, Len));
        } else if (Op < 11) {
            TStringGridData Grid(static_cast<int>(FRng() % 4), static_cast<int>(FRng() % 6));
            for (int C = 0; C < Grid.ColCount(); ++C)
                for (int R = 0; R < Grid.RowCount(); ++R)
                    Grid.SetCells(C, R, std::string(FRng() % 5, 'g'));
            const std::int32_t Old = Pick();
            Keep(Old, FVlf.SaveGrid(Old, Grid));
        } else if (Op < 12) {
            const std::int32_t Old = Pick();
            Keep(Old, FVlf.SaveText(Old, Data));
        } else if (Op < 13) {
            WriteFileBytes(FScratch, Data);
            const std::int32_t Old = Pick();
            Keep(Old, FVlf.StoreFile(Old, FScratch, KindWave));
        } else if (Op < 17) {
            const std::int32_t Old = Pick();
            Note(FVlf.DeleteItem(Old));
            std::erase(FLive, Old);
        } else if (Op < 18) {
            Note(FVlf.FindFree(Len));
        } else if (Op < 19) {
            // A save that keeps the old blocks until the caller releases them.
            FVlf.KeepSuperseded = true;
            const std::int32_t Old = Pick();
            const std::int32_t New = FVlf.WriteItem(Old, Data.data(), 0, Len);
            Note(New);
            if (New >= HeaderSize) FLive.push_back(New);
            FVlf.KeepSuperseded = false;
            for (std::int32_t P : FVlf.Superseded)
                std::erase(FLive, P);
            Note(FVlf.ReleaseSuperseded());
        } else {
            FVlf.Recycle = !FVlf.Recycle;
        }
        Note(FLive.empty() ? 0 : FLive.back());
    }

    void Reopen() {
        FVlf.CloseStore();
        EXPECT_TRUE(FVlf.OpenStore(FPath));
    }

    // Another program frees a block in use and takes a free one, keeping the file's size.
    void ChangeBehindItsBack() {
        FVlf.CloseStore();
        std::string Bytes = ReadFileBytes(FPath);
        bool Freed = false, Taken = false;
        for (std::size_t Pos = HeaderSize; Pos + 8 <= Bytes.size();) {
            auto* P = reinterpret_cast<std::uint8_t*>(Bytes.data() + Pos);
            TBlockHeader H = TBlockHeader::Decode(P);
            if (H.InUse() && !Freed && Pos > 4000) {
                TBlockHeader{MarkFree, MarkInUse, KindFree, H.Length}.Encode(P);
                Freed = true;
            } else if (H.Free() && !Taken) {
                TBlockHeader{MarkInUse, MarkInUse, KindText, H.Length}.Encode(P);
                Taken = true;
            }
            Pos += 8 + static_cast<std::size_t>(H.Length);
        }
        WriteFileBytes(FPath, Bytes);
        EXPECT_TRUE(FVlf.OpenStore(FPath));
    }

    // Breaks the header of a block in the middle of the chain.
    void Damage() {
        FVlf.CloseStore();
        std::string Bytes = ReadFileBytes(FPath);
        std::size_t Pos = HeaderSize;
        for (int Blocks = 0; Pos + 8 <= Bytes.size() && Pos < Bytes.size() / 2; ++Blocks)
            Pos += 8 + static_cast<std::size_t>(
                           TBlockHeader::Decode(reinterpret_cast<std::uint8_t*>(Bytes.data() + Pos)).Length);
        if (Pos + 8 <= Bytes.size()) Bytes[Pos] = 'X';
        WriteFileBytes(FPath, Bytes);
        EXPECT_TRUE(FVlf.OpenStore(FPath));
    }

    std::string FPath;
    std::string FScratch;
    std::mt19937 FRng;
    std::vector<std::int32_t> FLive;
    std::uint64_t FHash = 14695981039346656037ULL;
};

// The chain as a walk of the raw file finds it, up to a damaged header.
std::vector<std::pair<std::int32_t, TBlockHeader>> WalkFile(const std::string& Bytes) {
    std::vector<std::pair<std::int32_t, TBlockHeader>> Blocks;
    for (std::size_t Pos = HeaderSize; Pos + 8 <= Bytes.size();) {
        TBlockHeader H = TBlockHeader::Decode(reinterpret_cast<const std::uint8_t*>(Bytes.data() + Pos));
        if ((!H.InUse() && !H.Free()) || H.Length < 0 || Pos + 8 + H.Length > Bytes.size()) break;
        Blocks.push_back({static_cast<std::int32_t>(Pos), H});
        Pos += 8 + static_cast<std::size_t>(H.Length);
    }
    return Blocks;
}

// Hashes of the same sequences run by the store when it walked the file for every operation.
TEST(VlfIndexTest, SameFileBytesAsWalkingAndTheIndexMatchesAWalk) {
    TTempHome Home;
    const std::pair<unsigned, std::uint64_t> Expected[] = {
        {1, 0x97090b2d00abc020ULL}, {2, 0x7ac1c6c92bb8d82cULL}, {3, 0x973e3fca7f274a50ULL}};
    for (const auto& [Seed, Hash] : Expected) {
        SCOPED_TRACE(Seed);
        const std::string Path = Home.File("seq" + std::to_string(Seed) + ".VLF");
        TRun Run(Path, Home.File("item.bin"), Seed);
        int Checked = 0;
        Run.AfterEach = [&] {
            if (HasFailure() || !Run.FVlf.IsOpen()) return;
            const auto Indexed = Run.FVlf.IndexedBlocks();
            const auto Walked = WalkFile(ReadFileBytes(Path));
            ASSERT_EQ(Indexed.size(), Walked.size());
            for (std::size_t I = 0; I < Walked.size(); ++I) {
                ASSERT_EQ(Indexed[I].first, Walked[I].first);
                const TBlockHeader &A = Indexed[I].second, &B = Walked[I].second;
                ASSERT_TRUE(A.Free() == B.Free() && A.Kind == B.Kind && A.Length == B.Length)
                    << "block at " << Walked[I].first;
            }
            ++Checked;
        };
        EXPECT_EQ(Run.Go(700), Hash);
        EXPECT_EQ(Checked, 700);
    }
}

} // namespace
