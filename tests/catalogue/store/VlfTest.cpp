// The variable-length record store: file layout, placement rules, grid and text items, file copies.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "catalogue/GridImage.h"
#include "catalogue/store/Vlf.h"
#include "catalogue/store/VlfFormat.h"
#include "support/TestSupport.h"

namespace {

using namespace VlfFormat;

std::uint8_t Byte(const std::string& Bytes, std::size_t At) {
    return static_cast<std::uint8_t>(Bytes.at(At));
}
std::int32_t I32(const std::string& Bytes, std::size_t At) {
    return GetI32(reinterpret_cast<const std::uint8_t*>(Bytes.data() + At));
}
std::int16_t I16(const std::string& Bytes, std::size_t At) {
    return GetI16(reinterpret_cast<const std::uint8_t*>(Bytes.data() + At));
}

class VlfTest : public ::testing::Test {
protected:
    void SetUp() override {
        Path = Home.File("disc.VLF");
        Vlf.Recycle = true;
        ASSERT_TRUE(Vlf.OpenStore(Path));
    }
    std::string File() { return ReadFileBytes(Path); }
    std::int32_t Put(std::int32_t Old, const std::string& Data, std::int16_t Kind = 7) {
        return Vlf.WriteItem(Old, Data.data(), Kind, static_cast<std::int32_t>(Data.size()));
    }
    std::string Get(std::int32_t Pos) {
        std::string Data;
        EXPECT_TRUE(Vlf.ReadItem(Pos, Data));
        return Data;
    }

    TTempHome Home;
    std::string Path;
    TVlf Vlf;
};

TEST_F(VlfTest, NewStoreIsTheBareHeader) {
    std::string Bytes = File();
    ASSERT_EQ(Bytes.size(), 1024u);
    EXPECT_EQ(Bytes.substr(0, 6), std::string("\xF5\xF4\x02\x00\x00\x00", 6));
    std::size_t End = Bytes.find('\0', 6);
    EXPECT_GT(End, 6u);
    EXPECT_LT(End, 1020u);
    EXPECT_EQ(Bytes.find_first_not_of('\0', End), std::string::npos); // hint and the rest stay 0
    EXPECT_EQ(Vlf.CloseStore(), 0);
    EXPECT_EQ(Vlf.CloseStore(), -1);
    // Reopening keeps the store as it is.
    ASSERT_TRUE(Vlf.OpenStore(Path));
    EXPECT_EQ(File(), Bytes);
}

TEST_F(VlfTest, BlockHeadersAreWrittenAsDocumented) {
    std::int32_t A = Vlf.AppendItem("abc", 3, 1025);
    std::int32_t B = Put(0, "hello", 0x1234);
    EXPECT_EQ(A, 1024);
    EXPECT_EQ(B, 1024 + 8 + 3);
    std::string Bytes = File();
    EXPECT_EQ(Bytes.size(), 1024u + 11 + 13);
    EXPECT_EQ(Bytes.substr(1024, 2), "##");
    EXPECT_EQ(I16(Bytes, 1026), 1025);
    EXPECT_EQ(I32(Bytes, 1028), 3);
    EXPECT_EQ(Bytes.substr(1032, 3), "abc");
    EXPECT_EQ(I16(Bytes, B + 2), 0x1234);
    EXPECT_EQ(Vlf.ItemKind(B), 0x1234);
    EXPECT_EQ(Vlf.ItemLength(B), 5);
    EXPECT_EQ(Get(B), "hello");

    ASSERT_EQ(Vlf.DeleteItem(A), 1);
    Bytes = File();
    EXPECT_EQ(Byte(Bytes, 1024), '*');
    EXPECT_EQ(Byte(Bytes, 1025), '#');
    EXPECT_EQ(I16(Bytes, 1026), -1);
    EXPECT_EQ(I32(Bytes, 1028), 3);
    EXPECT_EQ(I32(Bytes, 1020), 1024); // free-space hint
    EXPECT_EQ(Vlf.ItemLength(A), 0);
    EXPECT_EQ(Vlf.ItemKind(A), -1);
    char Buf[3];
    EXPECT_FALSE(Vlf.ReadItem(A, Buf, 3));
}

TEST_F(VlfTest, RewritesInPlaceOrMovesAndFreesTheOldBlock) {
    std::int32_t A = Vlf.SaveText(0, "first");
    std::int32_t B = Vlf.SaveText(0, "guard");
    EXPECT_EQ(Vlf.SaveText(A, "FIRST"), A); // same length: in place
    std::string T;
    ASSERT_TRUE(Vlf.LoadText(A, T));
    EXPECT_EQ(T, "FIRST");

    std::int32_t A2 = Vlf.SaveText(A, "a longer first text");
    EXPECT_NE(A2, A);
    EXPECT_GT(A2, B); // nothing free fits: the end
    EXPECT_EQ(Vlf.ItemKind(A), -1);
    EXPECT_EQ(Vlf.ItemLength(A), 0);
    ASSERT_TRUE(Vlf.LoadText(A2, T));
    EXPECT_EQ(T, "a longer first text");

    // The freed block (6 bytes) takes a new item of the same length.
    EXPECT_EQ(Vlf.SaveText(0, "12345"), A);
    // A shorter text splits its own block when 8 bytes or more are left over.
    std::int32_t C = Vlf.SaveText(A2, "short");
    EXPECT_EQ(C, A2);
    EXPECT_EQ(Vlf.ItemKind(A2 + 8 + 6), -1);
    EXPECT_EQ(Vlf.ItemLength(A2 + 8 + 6), 0);
}

TEST_F(VlfTest, NeighbouringFreeBlocksMerge) {
    std::int32_t A = Put(0, std::string(10, 'a'));
    std::int32_t B = Put(0, std::string(20, 'b'));
    std::int32_t C = Put(0, std::string(5, 'c'));
    ASSERT_EQ(Vlf.DeleteItem(B), 1);
    ASSERT_EQ(Vlf.DeleteItem(A), 1);
    std::string Bytes = File();
    EXPECT_EQ(Byte(Bytes, A), '*');
    EXPECT_EQ(I32(Bytes, A + 4), 10 + 8 + 20);
    EXPECT_EQ(Bytes.substr(B, 2), "~~"); // absorbed header
    EXPECT_EQ(I32(Bytes, 1020), A);
    EXPECT_EQ(Get(C), "ccccc");
    // The merged block is found as one.
    EXPECT_EQ(Vlf.FindFree(38), A);
}

TEST_F(VlfTest, FreeBlockIsSplitOnlyWithRoomForAHeader) {
    std::int32_t A = Put(0, std::string(24, 'a'));
    std::int32_t Guard = Put(0, "g");
    ASSERT_EQ(Vlf.DeleteItem(A), 1);
    EXPECT_EQ(Vlf.FindFree(20), 0); // 24 = L + 4: no room for a remainder
    std::int32_t P = Put(0, std::string(20, 'x'));
    EXPECT_GT(P, Guard);
    // 24 = L + 8: the item and a free block of length 0.
    std::int32_t Q = Put(0, std::string(16, 'y'));
    EXPECT_EQ(Q, A);
    EXPECT_EQ(Vlf.ItemLength(Q), 16);
    std::string Bytes = File();
    EXPECT_EQ(Byte(Bytes, A + 24), '*');
    EXPECT_EQ(I32(Bytes, A + 28), 0);
    // The empty free block still takes an empty item.
    EXPECT_EQ(Put(0, ""), A + 24);
    EXPECT_EQ(Vlf.ItemLength(A + 24), 0);
    EXPECT_EQ(Get(Guard), "g");
}

TEST_F(VlfTest, RecycleOffAlwaysAppends) {
    Vlf.Recycle = false;
    std::int32_t A = Put(0, std::string(100, 'a'));
    ASSERT_EQ(Vlf.DeleteItem(A), 1);
    EXPECT_EQ(Vlf.FindFree(100), 0);
    EXPECT_GT(Put(0, std::string(100, 'b')), A);
    TStringGridData Grid(3, 10);
    std::int32_t G = SaveGrid(Vlf, 0, Grid);
    Grid.SetCells(0, 0, "x");
    std::int32_t G2 = SaveGrid(Vlf, G, Grid);
    EXPECT_GT(G2, G);
    EXPECT_EQ(Vlf.ItemKind(G), -1);
    EXPECT_EQ(static_cast<std::int64_t>(File().size()), G2 + 8 + Vlf.ItemLength(G2));
}

TEST_F(VlfTest, TextAndGridItemsCheckTheirKind) {
    TStringGridData Grid(3, 100);
    std::int32_t G = SaveGrid(Vlf, 0, Grid);
    EXPECT_EQ(Vlf.ItemLength(G), 748);
    EXPECT_EQ(Vlf.ItemKind(G), 3);
    std::int32_t T = Vlf.SaveText(0, "notes");
    EXPECT_EQ(Vlf.ItemLength(T), 6);

    std::string Text = "unchanged";
    EXPECT_FALSE(Vlf.LoadText(G, Text));
    EXPECT_EQ(Text, "unchanged");
    TStringGridData Other(2, 2);
    Other.SetCells(1, 1, "keep");
    TStringGridData Before = Other;
    EXPECT_FALSE(LoadGrid(Vlf, T, Other));
    EXPECT_EQ(Other, Before);
    ASSERT_TRUE(Vlf.LoadText(T, Text));
    EXPECT_EQ(Text, "notes");
}

TEST_F(VlfTest, LongTextIsCutAtACharacterBoundary) {
    std::string Text = std::string(32765, 'a') + "\xC3\xA9" + "tail"; // é straddles the limit
    std::int32_t T = Vlf.SaveText(0, Text);
    ASSERT_NE(T, 0);
    EXPECT_EQ(Vlf.ItemLength(T), 32766); // 32765 bytes and the zero byte
    std::string Back;
    ASSERT_TRUE(Vlf.LoadText(T, Back));
    EXPECT_EQ(Back, std::string(32765, 'a'));
    std::int32_t Max = Vlf.SaveText(0, std::string(40000, 'b'));
    EXPECT_EQ(Vlf.ItemLength(Max), 32767);
}

TEST_F(VlfTest, GridImageKeepsEveryValue) {
    TStringGridData Grid(4, 7);
    Grid.FixedCols = 0;
    Grid.FixedRows = 2;
    Grid.Color = 0x123456;
    Grid.FixedColor = static_cast<TColor>(0x8000000F);
    Grid.GridLineWidth = 3;
    Grid.Font = {0x00FF00, -13, "DejaVu Sans Condensed", fpFixed, 10, fsBold | fsUnderline};
    for (int C = 0; C < 4; ++C) {
        Grid.SetColWidths(C, 40 + C);
        for (int R = 0; R < 7; ++R)
            Grid.SetCells(C, R, std::to_string(C) + ":" + std::to_string(R));
    }
    Grid.SetCells(3, 6, "\xE2\x99\xAA note");
    std::int32_t G = SaveGrid(Vlf, 0, Grid);
    ASSERT_NE(G, 0);

    std::string Bytes = File();
    std::size_t D = G + 8;
    EXPECT_EQ(I32(Bytes, D + 16), 4);
    EXPECT_EQ(I32(Bytes, D + 20), 7);
    EXPECT_EQ(I16(Bytes, D + 26), 2);
    EXPECT_EQ(I32(Bytes, D + 28), 0x123456);
    EXPECT_EQ(I16(Bytes, D + 48), -13);
    EXPECT_EQ(Byte(Bytes, D + 50), 21);
    EXPECT_EQ(Bytes.substr(D + 51, 21), "DejaVu Sans Condensed");
    EXPECT_EQ(Byte(Bytes, D + 82), 2);
    EXPECT_EQ(Bytes.substr(D + 86, 4), std::string("\1\0\1\0", 4));
    EXPECT_EQ(I16(Bytes, D + 440), 0);
    EXPECT_EQ(I16(Bytes, D + 442 + 6), 43);
    EXPECT_EQ(Byte(Bytes, D + 450), 3);
    EXPECT_EQ(Bytes.substr(D + 451, 3), "0:0");
    EXPECT_EQ(Bytes.substr(D + 454 + 1, 3), "0:1"); // column by column

    TStringGridData Back(0, 0);
    ASSERT_TRUE(LoadGrid(Vlf, G, Back));
    EXPECT_EQ(Back, Grid);
    // Same length: in place; other length: elsewhere, the old block freed.
    Grid.SetCells(0, 0, "X:0");
    EXPECT_EQ(SaveGrid(Vlf, G, Grid), G);
    Grid.SetCells(0, 0, "longer");
    std::int32_t G2 = SaveGrid(Vlf, G, Grid);
    EXPECT_NE(G2, G);
    EXPECT_EQ(Vlf.ItemKind(G), -1);
    ASSERT_TRUE(LoadGrid(Vlf, G2, Back));
    EXPECT_EQ(Back.Cells(0, 0), "longer");
}

TEST_F(VlfTest, GridCellsStraddleChunks) {
    Vlf.BufferSize = 1024;
    std::mt19937 Rng(7);
    TStringGridData Grid(5, 40);
    for (int C = 0; C < 5; ++C)
        for (int R = 0; R < 40; ++R) {
            std::string Cell(Rng() % 256, ' ');
            for (char& Ch : Cell)
                Ch = static_cast<char>('a' + Rng() % 26);
            Grid.SetCells(C, R, Cell);
        }
    Grid.SetCells(1, 1, std::string(300, 'z')); // cut to 255 bytes
    std::int32_t G = SaveGrid(Vlf, 0, Grid);
    TStringGridData Back(0, 0);
    ASSERT_TRUE(LoadGrid(Vlf, G, Back));
    Grid.SetCells(1, 1, std::string(255, 'z'));
    EXPECT_EQ(Back, Grid);
    // Chunk sizes that are not a multiple of anything in the image.
    for (std::uint16_t Size : {1031, 1500, 4096, 65535, 100}) {
        Vlf.BufferSize = Size;
        TStringGridData Again(1, 1);
        ASSERT_TRUE(LoadGrid(Vlf, G, Again));
        EXPECT_EQ(Again, Grid) << Size;
    }
}

TEST_F(VlfTest, FilesAreCopiedInChunks) {
    std::mt19937 Rng(11);
    std::string Big(3 * 1024 * 1024 + 123, '\0');
    for (char& Ch : Big)
        Ch = static_cast<char>(Rng());
    std::string Src = Home.File("in.bin");
    WriteFileBytes(Src, Big);

    int Calls = 0;
    std::int32_t LastPos = -1;
    Vlf.FileToVlfProgress = [&](TVlf&, std::int32_t Length, std::int32_t Pos) {
        EXPECT_EQ(Length, static_cast<std::int32_t>(Big.size()));
        EXPECT_EQ(Pos, Calls * 4096);
        LastPos = Pos;
        ++Calls;
    };
    std::int32_t P = Vlf.StoreFile(0, Src, KindBitmap);
    ASSERT_NE(P, 0);
    EXPECT_EQ(Calls, static_cast<int>((Big.size() + 4095) / 4096));
    EXPECT_EQ(Vlf.ItemKind(P), KindBitmap);

    int OutCalls = 0;
    Vlf.BufferSize = 10000;
    Vlf.VlfToFileProgress = [&](TVlf&, std::int32_t, std::int32_t Pos) {
        EXPECT_EQ(Pos, OutCalls * 10000);
        ++OutCalls;
    };
    std::string Out = Home.File("out.bin");
    WriteFileBytes(Out, "old contents that are replaced");
    ASSERT_TRUE(Vlf.ExtractFile(P, Out, false));
    EXPECT_EQ(ReadFileBytes(Out), Big);
    EXPECT_EQ(OutCalls, static_cast<int>((Big.size() + 9999) / 10000));
    Vlf.VlfToFileProgress = nullptr;
    Vlf.FileToVlfProgress = nullptr;
    ASSERT_TRUE(Vlf.ExtractFile(P, Out, true));
    EXPECT_EQ(ReadFileBytes(Out), Big + Big);

    // A smaller file goes into the old block; a bigger one moves and frees it.
    WriteFileBytes(Src, Big.substr(0, 1000));
    EXPECT_EQ(Vlf.StoreFile(P, Src, KindWave), P);
    std::int32_t Rest = P + 8 + 1000;
    EXPECT_EQ(Vlf.ItemKind(Rest), -1);
    WriteFileBytes(Src, Big.substr(0, 5000));
    std::int32_t P2 = Vlf.StoreFile(P, Src, KindWave);
    EXPECT_EQ(P2, P); // the merged free space behind it makes room
    ASSERT_TRUE(Vlf.ExtractFile(P2, Out, false));
    EXPECT_EQ(ReadFileBytes(Out), Big.substr(0, 5000));

    EXPECT_EQ(Vlf.StoreFile(P2, Home.File("missing.bin"), KindWave), 0);
    EXPECT_EQ(Vlf.ItemLength(P2), 5000); // old item kept
}

TEST_F(VlfTest, ExtractFromABadPositionLeavesTheFileAlone) {
    std::string Out = Home.File("disc.bmp");
    WriteFileBytes(Out, "picture");
    EXPECT_FALSE(Vlf.ExtractFile(1030, Out, false));
    EXPECT_FALSE(Vlf.ExtractFile(0, Out, false));
    EXPECT_EQ(ReadFileBytes(Out), "picture");
}

TEST_F(VlfTest, ClosedStoreAndBadArgumentsGiveTheFailureResults) {
    std::int32_t A = Put(0, "data");
    EXPECT_EQ(Vlf.DeleteItem(500), 0);
    EXPECT_EQ(Vlf.ItemKind(0), -1);
    ASSERT_EQ(Vlf.CloseStore(), 0);
    EXPECT_EQ(Put(0, "x"), 0);
    EXPECT_EQ(Vlf.AppendItem("x", 1, 0), 0);
    EXPECT_EQ(Vlf.ItemLength(A), 0);
    EXPECT_EQ(Vlf.ItemKind(A), -1);
    EXPECT_EQ(Vlf.DeleteItem(A), 0);
    EXPECT_EQ(Vlf.FindFree(4), 0);
    EXPECT_EQ(Vlf.SaveText(0, "x"), 0);
    TStringGridData Grid;
    EXPECT_EQ(SaveGrid(Vlf, 0, Grid), 0);
    EXPECT_FALSE(LoadGrid(Vlf, A, Grid));
}

TEST_F(VlfTest, OpeningFollowsNameModesAndLocks) {
    int Opened = 0, Closed = 0;
    TVlf Other;
    Other.BeforeFileOpen = [&](TVlf&) { ++Opened; };
    Other.BeforeFileClose = [&](TVlf&) { ++Closed; };
    EXPECT_FALSE(Other.OpenStore()); // no name at all
    Other.FileName = Path;
    EXPECT_FALSE(Other.OpenStore()); // held exclusively by Vlf
    Vlf.CloseStore();
    EXPECT_TRUE(Other.OpenStore());
    EXPECT_EQ(Other.CloseStore(), 0);
    EXPECT_EQ(Opened, 2);
    EXPECT_EQ(Closed, 1);

    TVlf Reader;
    Reader.FileOpenMode = OpenRead;
    Reader.FileShareMode = DenyNone;
    EXPECT_FALSE(Reader.OpenStore(Home.File("none.VLF"))); // nothing to read, nothing created
    EXPECT_FALSE(std::filesystem::exists(Home.File("none.VLF")));
    ASSERT_TRUE(Reader.OpenStore(Path));
    EXPECT_EQ(Reader.AppendItem("x", 1, 0), 0);
    EXPECT_EQ(File().size(), 1024u);

    // A file that is not a store is refused, not overwritten.
    std::string Text = Home.File("notes.txt");
    WriteFileBytes(Text, std::string(2000, 'n'));
    TVlf Wrong;
    EXPECT_FALSE(Wrong.OpenStore(Text));
    EXPECT_EQ(ReadFileBytes(Text), std::string(2000, 'n'));
}

} // namespace
