// Damaged stores written by hand and writes that fail part-way: every operation gives its failure result,
// never loops, and leaves the file as it was.
#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

#include "catalogue/GridImage.h"
#include "catalogue/store/Vlf.h"
#include "catalogue/store/VlfFormat.h"
#include "support/TestSupport.h"

namespace {

using namespace VlfFormat;

std::string StoreHeader() {
    std::string Bytes(1024, '\0');
    Bytes[0] = '\xF5';
    Bytes[1] = '\xF4';
    Bytes[2] = 2;
    return Bytes;
}

std::string Block(char Mark, std::int16_t Kind, std::int32_t Length, const std::string& Data) {
    std::uint8_t H[8];
    TBlockHeader{static_cast<std::uint8_t>(Mark), MarkInUse, Kind, Length}.Encode(H);
    return std::string(reinterpret_cast<char*>(H), 8) + Data;
}

std::string GridImage(std::int32_t Cols, std::int32_t Rows, const std::string& Tail) {
    std::string Image(442, '\0');
    PutI32(reinterpret_cast<std::uint8_t*>(Image.data() + 16), Cols);
    PutI32(reinterpret_cast<std::uint8_t*>(Image.data() + 20), Rows);
    return Image + Tail;
}

class VlfDamageTest : public ::testing::Test {
protected:
    // Writes Bytes as the store and opens it.
    void Open(const std::string& Bytes) {
        Vlf.CloseStore();
        WriteFileBytes(Path, Bytes);
        Written = Bytes;
        ASSERT_TRUE(Vlf.OpenStore(Path));
    }
    void ExpectUnchanged() { EXPECT_EQ(ReadFileBytes(Path), Written); }

    TTempHome Home;
    std::string Path = Home.File("disc.VLF");
    std::string Written;
    TVlf Vlf;
};

TEST_F(VlfDamageTest, BadBlockLengthsAreRefused) {
    Vlf.Recycle = true;
    const std::int32_t Good = 1024;
    const std::int32_t Bad = 1024 + 8 + 4;
    for (std::int32_t Length : {-8, -1, 100000, 0x7FFFFFF0}) {
        SCOPED_TRACE(Length);
        Open(StoreHeader() + Block('#', 0, 4, "abcd") + Block('#', 7, Length, "tail"));
        char Buf[4];
        EXPECT_EQ(Vlf.ItemLength(Bad), 0);
        EXPECT_EQ(Vlf.ItemKind(Bad), -1);
        EXPECT_FALSE(Vlf.ReadItem(Bad, Buf, 4));
        EXPECT_EQ(Vlf.DeleteItem(Bad), 0);
        EXPECT_FALSE(Vlf.ExtractFile(Bad, Home.File("out"), false));
        EXPECT_EQ(Vlf.FindFree(4), 0);
        // The chain is broken behind the good block: it cannot be proven a block, so it stays as it is.
        EXPECT_EQ(Vlf.ItemLength(Good), 4);
        ExpectUnchanged();
    }
}

TEST_F(VlfDamageTest, WalkStopsAtDamageWithoutLooping) {
    Vlf.Recycle = true;
    // Many empty blocks, then one whose length runs past the end and a free block the walk cannot reach.
    std::string Bytes = StoreHeader();
    for (int I = 0; I < 1000; ++I)
        Bytes += Block('#', 0, 0, "");
    Bytes += Block('#', 0, 1 << 20, std::string(50, 'x'));
    Bytes += Block('*', -1, 50, std::string(50, 'x'));
    Open(Bytes);
    EXPECT_EQ(Vlf.FindFree(50), 0);
    EXPECT_EQ(Vlf.FindFree(0), 0);
    EXPECT_EQ(Vlf.ItemLength(1024 + 999 * 8), 0);
    ExpectUnchanged();
    // A new item goes to the end, leaving every existing byte alone.
    std::int32_t P = Vlf.WriteItem(0, "new", 1, 3);
    ASSERT_EQ(P, static_cast<std::int32_t>(Bytes.size()));
    std::string After = ReadFileBytes(Path);
    EXPECT_EQ(After.substr(0, Bytes.size()), Bytes);
    // A torn header at the end is no block either.
    Open(StoreHeader() + Block('#', 0, 2, "ok") + "##\x01");
    EXPECT_EQ(Vlf.ItemKind(1024 + 10), -1);
    EXPECT_EQ(Vlf.DeleteItem(1024 + 10), 0);
    EXPECT_EQ(Vlf.DeleteItem(1024), 1); // the intact block before it is still a block
}

TEST_F(VlfDamageTest, PositionsThatAreNotBlocksAreRefused) {
    Vlf.Recycle = true;
    // The data of the first item holds bytes that look like a block header.
    std::string Fake = Block('#', 3, 4, "ZZZZ");
    std::string Bytes = StoreHeader() + Block('#', 1025, 12, Fake) + Block('~', -1, 0, "");
    Bytes[1024 + 20 + 1] = '~'; // absorbed header: "~~"
    Open(Bytes);
    const std::int32_t Inner = 1024 + 8;
    EXPECT_EQ(Vlf.DeleteItem(Inner), 0);
    EXPECT_EQ(Vlf.DeleteItem(1024 + 20), 0);
    EXPECT_EQ(Vlf.DeleteItem(1025), 0);
    EXPECT_EQ(Vlf.DeleteItem(1000), 0);
    EXPECT_EQ(Vlf.ItemKind(1024 + 20), -1);
    ExpectUnchanged();
    // Rewriting at such a position writes the item as new and keeps the other item's bytes.
    std::int32_t P = Vlf.WriteItem(Inner, "abcd", 3, 4);
    EXPECT_GE(P, static_cast<std::int32_t>(Bytes.size()));
    EXPECT_EQ(ReadFileBytes(Path).substr(0, Bytes.size()), Bytes);
}

TEST_F(VlfDamageTest, DamagedGridImagesLeaveTheGridAlone) {
    const std::string Widths = std::string(4, '\0');
    struct TCase {
        const char* Name;
        std::string Image;
    };
    std::vector<TCase> Cases = {
        {"short image", std::string(100, '\0')},
        {"negative columns", GridImage(-1, 2, "")},
        {"columns beyond the block", GridImage(1000000, 1, "")},
        {"cells beyond the block", GridImage(2, 0x40000000, Widths + "\1a\1b")},
        {"cell runs past the end", GridImage(2, 1, Widths + "\1a\5bc")},
        {"more cells than counted", GridImage(1, 1, std::string(2, '\0') + "\1a\1b")},
        {"rows without columns", GridImage(0, 0x7FFFFFFF, "")},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Open(StoreHeader() + Block('#', 3, static_cast<std::int32_t>(C.Image.size()), C.Image));
        TStringGridData Grid(2, 2);
        Grid.SetCells(1, 1, "keep");
        TStringGridData Before = Grid;
        EXPECT_FALSE(LoadGrid(Vlf, 1024, Grid));
        EXPECT_EQ(Grid, Before);
        ExpectUnchanged();
    }
    // A short image (fewer cells than counted) fills what it has.
    std::string Short = GridImage(2, 2, Widths + "\1a\2bc");
    Open(StoreHeader() + Block('#', 3, static_cast<std::int32_t>(Short.size()), Short));
    TStringGridData Grid(0, 0);
    ASSERT_TRUE(LoadGrid(Vlf, 1024, Grid));
    EXPECT_EQ(Grid.Cells(0, 0), "a");
    EXPECT_EQ(Grid.Cells(0, 1), "bc");
    EXPECT_EQ(Grid.Cells(1, 0), "");
}

TEST_F(VlfDamageTest, ForeignFilesAreNotTakenForStores) {
    for (const std::string& Bytes : {std::string("\xF5\xF4 too short"), std::string(3000, 'x')}) {
        WriteFileBytes(Path, Bytes);
        EXPECT_FALSE(Vlf.OpenStore(Path));
        EXPECT_EQ(ReadFileBytes(Path), Bytes);
    }
}

// Fails every write that touches bytes at or after From (a full disc past a point), or the Nth write.
struct TFault {
    std::int64_t From = -1;
    int FailAt = -1;
    int Count = 0;
    bool operator()(std::int64_t Pos, std::int64_t Length) {
        ++Count;
        if (FailAt >= 0 && Count == FailAt) return false;
        return From < 0 || Pos + Length <= From;
    }
};

class VlfFaultTest : public VlfDamageTest {
protected:
    void SetUp() override {
        Vlf.Recycle = true;
        ASSERT_TRUE(Vlf.OpenStore(Path));
        A = Vlf.SaveText(0, "first item");
        B = Vlf.SaveText(0, "second item, which is long"); // 27 bytes
        C = Vlf.SaveText(0, "third item, the last");
        ASSERT_EQ(Vlf.DeleteItem(B), 1);
        Written = ReadFileBytes(Path);
    }
    std::string Text(std::int32_t Pos) {
        std::string T;
        EXPECT_TRUE(Vlf.LoadText(Pos, T));
        return T;
    }
    std::int32_t A = 0, B = 0, C = 0;
};

TEST_F(VlfFaultTest, FailedAppendLeavesTheFileAsItWas) {
    for (int FailAt = 1; FailAt <= 3; ++FailAt) { // reservation, temporary header, data
        SCOPED_TRACE(FailAt);
        TFault Fault;
        Fault.FailAt = FailAt;
        Vlf.WriteFault = std::ref(Fault);
        std::string Big(5000, 'b');
        EXPECT_EQ(Vlf.WriteItem(0, Big.data(), 7, 5000), 0);
        EXPECT_FALSE(Vlf.LastError().empty());
        ExpectUnchanged();
    }
    // The final header write failing also takes the block back.
    TFault Fault;
    Fault.FailAt = 4;
    Vlf.WriteFault = std::ref(Fault);
    EXPECT_EQ(Vlf.AppendItem("xyz", 3, 1), 0);
    ExpectUnchanged();
}

TEST_F(VlfFaultTest, FailedWriteIntoFreeSpaceKeepsItFree) {
    for (int FailAt = 1; FailAt <= 3; ++FailAt) { // data, remainder header, in-use header
        SCOPED_TRACE(FailAt);
        TFault Fault;
        Fault.FailAt = FailAt;
        Vlf.WriteFault = std::ref(Fault);
        EXPECT_EQ(Vlf.SaveText(0, "x"), 0); // would split the free block of "second"
        Vlf.WriteFault = nullptr;
        EXPECT_EQ(Vlf.ItemKind(B), -1);
        EXPECT_EQ(Vlf.ItemLength(B), 0);
        EXPECT_EQ(Text(A), "first item");
        EXPECT_EQ(Text(C), "third item, the last");
        EXPECT_EQ(Vlf.FindFree(27), B); // still one free block of its old length
    }
}

TEST_F(VlfFaultTest, FailedRewriteInPlaceGivesTheBlockUp) {
    TFault Fault;
    Fault.FailAt = 1;
    Vlf.WriteFault = std::ref(Fault);
    EXPECT_EQ(Vlf.SaveText(A, "FIRST ITEM"), 0);
    Vlf.WriteFault = nullptr;
    // No header claims the half-written data: the block is free with its old length.
    EXPECT_EQ(Vlf.ItemKind(A), -1);
    EXPECT_EQ(Vlf.ItemLength(A), 0);
    EXPECT_EQ(Vlf.FindFree(11), A);
    EXPECT_EQ(Text(C), "third item, the last");
}

TEST_F(VlfFaultTest, FailedMoveKeepsTheOldItem) {
    TFault Fault;
    Fault.From = static_cast<std::int64_t>(Written.size()); // the disc is full at the end of the store
    Vlf.WriteFault = std::ref(Fault);
    std::string Long(100, 'L');
    EXPECT_EQ(Vlf.SaveText(A, Long), 0);
    Vlf.WriteFault = nullptr;
    EXPECT_EQ(Text(A), "first item");
    ExpectUnchanged();
}

TEST_F(VlfFaultTest, FileSizeLimitStopsAStoredFileCleanly) {
    std::string Src = Home.File("picture.bmp");
    WriteFileBytes(Src, std::string(200000, 'p'));
    struct rlimit Old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Old), 0);
    auto* OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit Limit = Old;
    Limit.rlim_cur = Written.size() + 50000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Limit), 0);
    std::int32_t P = Vlf.StoreFile(0, Src, KindBitmap);
    std::int32_t Small = Vlf.AppendItem("fits", 4, 1);
    ::setrlimit(RLIMIT_FSIZE, &Old);
    std::signal(SIGXFSZ, OldHandler);

    EXPECT_EQ(P, 0);
    ASSERT_EQ(Small, static_cast<std::int32_t>(Written.size()));
    EXPECT_EQ(ReadFileBytes(Path).substr(0, Written.size()), Written);
    EXPECT_EQ(Vlf.ItemLength(Small), 4);
}

TEST_F(VlfFaultTest, FailedCopyInPartWayLeavesNoItem) {
    std::string Src = Home.File("sample.wav");
    WriteFileBytes(Src, std::string(20000, 'w'));
    Vlf.BufferSize = 4096;
    TFault Fault;
    Fault.FailAt = 5; // reservation, temporary header, chunks 1 and 2, then chunk 3 fails
    Vlf.WriteFault = std::ref(Fault);
    EXPECT_EQ(Vlf.StoreFile(0, Src, KindWave), 0);
    ExpectUnchanged();
}

} // namespace

// A damaged length that makes one block cover the live block after it: the covered block is never
// written over, whether the covering block is a text being rewritten or free space being reused.
TEST_F(VlfDamageTest, ABlockWhoseLengthCoversTheNextIsNeverWrittenThrough) {
    Vlf.Recycle = true;
    Vlf.CheckContent = true;
    const std::string Live = Block('#', KindText, 6, std::string("live!\0", 6));
    for (char Mark : {'#', '*'}) {
        SCOPED_TRACE(Mark);
        // 20 bytes of its own, then 8 + 6 of the live block's that the damaged length claims as well.
        const std::string Covering =
            Block(Mark, Mark == '#' ? KindText : KindFree, 34, std::string("nineteen characters") + '\0');
        Open(StoreHeader() + Covering + Live);
        // 33 characters and the zero byte fill the claimed 34 bytes exactly.
        const std::string Text(33, 't');
        const std::int32_t P = Vlf.SaveText(Mark == '#' ? 1024 : 0, Text);
        EXPECT_EQ(P, static_cast<std::int32_t>(Written.size())) << "not appended";
        EXPECT_EQ(ReadFileBytes(Path).substr(0, Written.size()), Written);
        if (Mark == '#') {
            EXPECT_FALSE(Vlf.ContentFits(1024));
            EXPECT_EQ(Vlf.DeleteItem(1024), 0);
        }
    }
}
