// Random stores, rewrites and deletes against a model of the live items: the block chain must cover the
// file exactly, every live item must read back unchanged and no block may stay in use unclaimed.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "catalogue/GridImage.h"
#include "catalogue/store/Vlf.h"
#include "catalogue/store/VlfFormat.h"
#include "support/TestSupport.h"

namespace {

using namespace VlfFormat;

struct TChainBlock {
    std::int32_t Pos;
    TBlockHeader Header;
};

// Walks the raw file independently of the store's own code.
std::vector<TChainBlock> WalkFile(const std::string& Bytes) {
    std::vector<TChainBlock> Blocks;
    std::size_t Pos = HeaderSize;
    while (Pos < Bytes.size()) {
        EXPECT_LE(Pos + 8, Bytes.size()) << "header cut off at " << Pos;
        if (Pos + 8 > Bytes.size()) break;
        TBlockHeader H = TBlockHeader::Decode(reinterpret_cast<const std::uint8_t*>(Bytes.data() + Pos));
        EXPECT_TRUE(H.InUse() || H.Free()) << "bad mark at " << Pos;
        EXPECT_GE(H.Length, 0);
        if (!(H.InUse() || H.Free()) || H.Length < 0) break;
        if (H.Free()) {
            EXPECT_EQ(H.Kind, -1);
        }
        Blocks.push_back({static_cast<std::int32_t>(Pos), H});
        Pos += 8 + static_cast<std::size_t>(H.Length);
    }
    EXPECT_EQ(Pos, Bytes.size()) << "chain does not end at the end of the file";
    return Blocks;
}

struct TModelItem {
    std::int16_t Kind;
    std::string Data;
};

void CheckStore(TVlf& Vlf, const std::string& Path, const std::map<std::int32_t, TModelItem>& Live) {
    std::string Bytes = ReadFileBytes(Path);
    std::vector<TChainBlock> Blocks = WalkFile(Bytes);
    std::size_t InUse = 0;
    for (const TChainBlock& B : Blocks) {
        if (!B.Header.InUse()) continue;
        ++InUse;
        auto It = Live.find(B.Pos);
        ASSERT_NE(It, Live.end()) << "block in use that no item owns at " << B.Pos;
        EXPECT_EQ(B.Header.Kind, It->second.Kind);
        ASSERT_EQ(B.Header.Length, static_cast<std::int32_t>(It->second.Data.size()));
        EXPECT_EQ(Bytes.compare(B.Pos + 8, It->second.Data.size(), It->second.Data), 0)
            << "data of " << B.Pos;
    }
    EXPECT_EQ(InUse, Live.size()) << "live item not on the chain";
    std::int32_t Hint = GetI32(reinterpret_cast<const std::uint8_t*>(Bytes.data() + HintOffset));
    EXPECT_TRUE(Hint == 0 || Hint >= HeaderSize);
    (void)Vlf;
}

std::string RandomData(std::mt19937& Rng, int Size) {
    std::string Data(static_cast<std::size_t>(Size), '\0');
    for (char& Ch : Data)
        Ch = static_cast<char>(Rng());
    return Data;
}

class VlfModelTest : public ::testing::TestWithParam<bool> {};

TEST_P(VlfModelTest, RandomStoresAndDeletesKeepTheChainExact) {
    TTempHome Home;
    std::string Path = Home.File("model.VLF");
    TVlf Vlf;
    Vlf.Recycle = GetParam();
    ASSERT_TRUE(Vlf.OpenStore(Path));
    std::mt19937 Rng(GetParam() ? 1234 : 99);
    std::map<std::int32_t, TModelItem> Live;
    std::int64_t LiveBytes = 0;

    for (int Step = 0; Step < 1500; ++Step) {
        int Op = static_cast<int>(Rng() % 10);
        // Sizes cluster near each other so exact fits, splits and L+1..L+7 misses all happen.
        int Size = static_cast<int>(Rng() % 4 == 0 ? Rng() % 3000 : Rng() % 40);
        if (Op < 4 || Live.empty()) {
            TModelItem Item{static_cast<std::int16_t>(Rng() % 5), RandomData(Rng, Size)};
            std::int32_t P = Vlf.WriteItem(0, Item.Data.data(), Item.Kind, Size);
            ASSERT_GE(P, HeaderSize);
            ASSERT_EQ(Live.count(P), 0u);
            Live[P] = Item;
        } else {
            auto It = Live.begin();
            std::advance(It, Rng() % Live.size());
            std::int32_t Old = It->first;
            if (Op < 7) {
                TModelItem Item{It->second.Kind, RandomData(Rng, Size)};
                std::int32_t P = Vlf.WriteItem(Old, Item.Data.data(), Item.Kind, Size);
                ASSERT_GE(P, HeaderSize);
                Live.erase(Old);
                ASSERT_EQ(Live.count(P), 0u);
                Live[P] = Item;
            } else if (Op < 8) {
                TStringGridData Grid(static_cast<int>(Rng() % 4), static_cast<int>(Rng() % 6));
                for (int C = 0; C < Grid.ColCount(); ++C)
                    for (int R = 0; R < Grid.RowCount(); ++R)
                        Grid.SetCells(C, R, std::string(Rng() % 5, 'g'));
                std::int32_t P = SaveGrid(Vlf, Old, Grid);
                ASSERT_GE(P, HeaderSize);
                Live.erase(Old);
                std::string Image;
                ASSERT_TRUE(Vlf.ReadItem(P, Image));
                Live[P] = {KindGrid, Image};
                TStringGridData Back(0, 0);
                ASSERT_TRUE(LoadGrid(Vlf, P, Back));
                EXPECT_EQ(Back, Grid);
            } else {
                ASSERT_EQ(Vlf.DeleteItem(Old), 1);
                Live.erase(Old);
            }
        }
        if (Step % 50 == 0) {
            CheckStore(Vlf, Path, Live);
            if (HasFatalFailure()) return;
            ASSERT_EQ(Vlf.CloseStore(), 0);
            ASSERT_TRUE(Vlf.OpenStore(Path));
        }
    }
    CheckStore(Vlf, Path, Live);
    for (const auto& [Pos, Item] : Live)
        LiveBytes += 8 + static_cast<std::int64_t>(Item.Data.size());
    std::int64_t Size = static_cast<std::int64_t>(ReadFileBytes(Path).size()) - HeaderSize;
    // Reuse keeps the file well below the sum of everything ever written.
    if (GetParam()) {
        EXPECT_LT(Size, 6 * LiveBytes + 64 * 1024);
    }

    // Deleting everything leaves only free blocks.
    for (const auto& [Pos, Item] : Live)
        ASSERT_EQ(Vlf.DeleteItem(Pos), 1);
    Live.clear();
    CheckStore(Vlf, Path, Live);
}

INSTANTIATE_TEST_SUITE_P(Recycle, VlfModelTest, ::testing::Values(true, false));

} // namespace
