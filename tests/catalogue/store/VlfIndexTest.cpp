// The store's block index: random operation sequences (reopens, a file changed behind the store's back, a
// damaged chain) must give exactly the file bytes and results that walking the blocks for every operation
// gave, and the index must always agree with a full walk of the file; whether the index is kept in memory
// or read by a new process from its file beside the store, which must never change what is written when
// it is stale, cut short, damaged or another store's.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>

#include "catalogue/GridImage.h"
#include "catalogue/store/Vlf.h"
#include "catalogue/store/VlfFormat.h"
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
    std::uint64_t Go(int Steps, bool IndexFile) {
        FIndexFile = IndexFile;
        FVlf.KeepIndexFile = IndexFile;
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
            Keep(Old, SaveGrid(FVlf, Old, Grid));
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
        // As a new process would: only the index file tells what the last one learnt.
        if (FIndexFile) TVlf::ForgetKeptIndexes();
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
    bool FIndexFile = false;
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

// Hashes of the same sequences run by the store when it walked the file for every operation (taken again
// when a save that keeps its old blocks stopped writing over them).
TEST(VlfIndexTest, SameFileBytesAsWalkingAndTheIndexMatchesAWalk) {
    TTempHome Home;
    const std::pair<unsigned, std::uint64_t> Expected[] = {
        {1, 0x4d74b2b79def57cfULL}, {2, 0xb498bcaf57155b65ULL}, {3, 0xa5f030935e73bf85ULL}};
    for (const bool IndexFile : {false, true})
        for (const auto& [Seed, Hash] : Expected) {
            SCOPED_TRACE(testing::Message() << Seed << (IndexFile ? " with the index file" : ""));
            const std::string Path =
                Home.File("seq" + std::to_string(Seed) + (IndexFile ? "i" : "") + ".VLF");
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
            EXPECT_EQ(Run.Go(700, IndexFile), Hash);
            EXPECT_EQ(Checked, 700);
        }
}

// A store of some 5,000 blocks with free ones among them, left by two processes: the second's changes are
// added to the index file the first wrote. Seed varies the items.
void MakeStore(const std::string& Path, unsigned Seed, const std::string& FirstIndexFile = {}) {
    std::filesystem::remove(Path);
    std::filesystem::remove(Path + TVlf::IndexFileSuffix);
    std::mt19937 Rng(Seed);
    TVlf Vlf;
    Vlf.KeepIndexFile = true;
    Vlf.Recycle = true;
    ASSERT_TRUE(Vlf.OpenStore(Path));
    std::vector<std::int32_t> Items;
    for (int I = 0; I < 5000; ++I) {
        const std::string Data(Rng() % 60 + 1, static_cast<char>('a' + I % 26));
        Items.push_back(Vlf.WriteItem(0, Data.data(), KindText, static_cast<std::int32_t>(Data.size())));
    }
    for (std::size_t I = 0; I < Items.size(); I += 7)
        Vlf.DeleteItem(Items[I]);
    Vlf.CloseStore();
    if (!FirstIndexFile.empty())
        std::filesystem::copy_file(Path + TVlf::IndexFileSuffix, FirstIndexFile,
                                   std::filesystem::copy_options::overwrite_existing);
    TVlf::ForgetKeptIndexes();
    ASSERT_TRUE(Vlf.OpenStore(Path));
    for (int I = 0; I < 4; ++I) {
        Vlf.DeleteItem(Items[Rng() % Items.size()]);
        const std::string Data(Rng() % 80 + 1, 'n');
        Vlf.WriteItem(0, Data.data(), KindText, static_cast<std::int32_t>(Data.size()));
    }
    Vlf.CloseStore();
    TVlf::ForgetKeptIndexes();
}

// Rewrites, deletes and new items spread over the whole store, in a new process; a hash of the results.
std::uint64_t Work(const std::string& Path, std::uint64_t& Walks) {
    const auto Blocks = WalkFile(ReadFileBytes(Path));
    TVlf Vlf;
    Vlf.KeepIndexFile = true;
    Vlf.Recycle = true;
    EXPECT_TRUE(Vlf.OpenStore(Path));
    std::uint64_t Hash = 14695981039346656037ULL;
    const auto Note = [&](std::int64_t V) { Hash = Fnv(Hash, &V, sizeof V); };
    for (std::size_t I = 5; I < Blocks.size(); I += Blocks.size() / 9) {
        const auto& [Pos, H] = Blocks[I];
        const std::string Longer(static_cast<std::size_t>(H.Length) + 20, 'w');
        const std::string Same(static_cast<std::size_t>(H.Length), 's');
        if (H.Free()) {
            Note(Vlf.FindFree(H.Length / 2));
        } else {
            Note(Vlf.WriteItem(Pos, Longer.data(), KindText, static_cast<std::int32_t>(Longer.size())));
            Note(Vlf.WriteItem(Blocks[I + 1].first, Same.data(), KindText, H.Length));
            Note(Vlf.DeleteItem(Blocks[I + 2].first));
            Note(Vlf.WriteItem(0, Same.data(), KindText, H.Length));
        }
    }
    Walks = Vlf.IndexWalks();
    Vlf.CloseStore();
    TVlf::ForgetKeptIndexes();
    const std::string Bytes = ReadFileBytes(Path);
    return Fnv(Hash, Bytes.data(), Bytes.size());
}

TEST(VlfIndexTest, AWrongIndexFileNeverChangesWhatIsWritten) {
    TTempHome Home;
    const std::string Path = Home.File("disc.VLF");
    const std::string IndexFile = Path + TVlf::IndexFileSuffix;
    const std::string First = Home.File("first.blocks");
    std::uint64_t Walks = 0;
    // What walking the store gives, with no index file.
    MakeStore(Path, 1);
    std::filesystem::remove(IndexFile);
    const std::uint64_t Expected = Work(Path, Walks);
    EXPECT_EQ(Walks, 1u);

    MakeStore(Home.File("other.VLF"), 2);
    const std::string Foreign = ReadFileBytes(Home.File("other.VLF") + TVlf::IndexFileSuffix);
    const auto Flip = [](std::string Bytes, std::size_t At) {
        Bytes[At] = static_cast<char>(Bytes[At] ^ 0x10);
        return Bytes;
    };
    // How each index file is spoilt, and whether the store must then be walked.
    const std::vector<std::pair<const char*, std::function<void()>>> Spoilt = {
        {"sound", [] {}},
        {"stale",
         [&] {
             std::filesystem::copy_file(First, IndexFile, std::filesystem::copy_options::overwrite_existing);
         }},
        {"foreign", [&] { WriteFileBytes(IndexFile, Foreign); }},
        {"missing", [&] { std::filesystem::remove(IndexFile); }},
        {"cut in its changes",
         [&] { std::filesystem::resize_file(IndexFile, std::filesystem::file_size(IndexFile) - 1); }},
        {"cut in its blocks",
         [&] { std::filesystem::resize_file(IndexFile, std::filesystem::file_size(IndexFile) / 2); }},
        {"cut in its header", [&] { std::filesystem::resize_file(IndexFile, 50); }},
        {"a block damaged",
         [&] {
             const std::string B = ReadFileBytes(IndexFile);
             WriteFileBytes(IndexFile, Flip(B, B.size() / 2));
         }},
        {"its header damaged", [&] { WriteFileBytes(IndexFile, Flip(ReadFileBytes(IndexFile), 30)); }},
        {"a change damaged",
         [&] {
             const std::string B = ReadFileBytes(IndexFile);
             WriteFileBytes(IndexFile, Flip(B, B.size() - 20));
         }},
        {"the store changed, its times put back",
         [&] {
             struct stat St;
             ASSERT_EQ(::stat(Path.c_str(), &St), 0);
             std::string Bytes = ReadFileBytes(Path);
             const auto Blocks = WalkFile(Bytes);
             const std::int32_t At = Blocks[Blocks.size() / 2].first;
             TBlockHeader{MarkInUse, MarkInUse, KindText, Blocks[Blocks.size() / 2].second.Length}.Encode(
                 reinterpret_cast<std::uint8_t*>(Bytes.data() + At));
             WriteFileBytes(Path, Bytes);
             const timespec Times[2] = {St.st_atim, St.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, Path.c_str(), Times, 0), 0);
         }},
    };
    for (const auto& [What, Spoil] : Spoilt) {
        SCOPED_TRACE(What);
        MakeStore(Path, 1, First);
        const std::string Kind = What;
        const bool Sound = Kind == "sound";
        const bool Changed = Kind.rfind("the store", 0) == 0;
        Spoil();
        if (Changed) {
            // The reference is the changed store walked.
            const std::string Store = ReadFileBytes(Path);
            const std::string Copy = Home.File("changed.VLF");
            WriteFileBytes(Copy, Store);
            std::uint64_t RefWalks = 0;
            const std::uint64_t Reference = Work(Copy, RefWalks);
            EXPECT_EQ(Work(Path, Walks), Reference);
        } else {
            EXPECT_EQ(Work(Path, Walks), Expected);
        }
        EXPECT_EQ(Walks, Sound ? 0u : 1u);
        // Whatever it found, the store leaves a sound index file behind.
        Work(Path, Walks);
        EXPECT_EQ(Walks, 0u);
    }
}

} // namespace
