// On-disk layout of a variable-length record store (disc.VLF) and the little-endian helpers that read
// and write it.
//
// File. Little-endian throughout.
//
//   Offset  Width      Content
//   0       2 bytes    Signature F5 F4.
//   2       4 bytes    2 0 0 0 in a new store; ignored when reading.
//   6       <= 1014    Zero-terminated banner; ignored when reading.
//   1020    int32      Free-space hint: lowest block position freed or merged into since the store was
//                      created, 0 when none. Only informative; the free-space search walks the blocks.
//   1024    ...        Blocks, one after another up to the end of the file.
//
// Block: an 8-byte header, then Length bytes of data. The next block starts at position + 8 + Length.
// A block's position (>= 1024) is the handle of its item; 0 means "no item".
//
//   Offset  Width      Field
//   0       uint8      Mark: '#' in use, '*' free, '~' absorbed into the block before it.
//   1       uint8      Second mark: '#', or '~' in an absorbed header.
//   2       int16      Kind: 0 text, 3 string grid, 1025 bitmap file, 1026 wave file; -1 when free.
//   4       int32      Length of the data.
//
// An absorbed header lies inside the data of a bigger block and is never reached by walking.
//
// Grid image (kind 3), as the data of one block:
//
//   Offset  Width      Field
//   0       16 bytes   Unused (written as zeros).
//   16      int32      Column count.
//   20      int32      Row count.
//   24      int16      Fixed columns.
//   26      int16      Fixed rows.
//   28      int32      Grid colour.
//   32      int32      Fixed-cell colour.
//   36      int16      Grid line width.
//   38      6 bytes    Unused.
//   44      int32      Font colour.
//   48      int16      Font height.
//   50      32 bytes   Font name: length byte and up to 31 bytes.
//   82      uint8      Font pitch.
//   83      1 byte     Unused.
//   84      int16      Font size.
//   86      4 x uint8  Style flags: bold, italic, underline, strike-out (1 when set).
//   90      350 bytes  Unused.
//   440     uint16     Length E of an extension area (written as 0, skipped when reading).
//   442     E bytes    Extension area.
//   442+E   cols x i16 Column widths, column 0 first.
//   then    ...        Cells column by column (all rows of column 0, then column 1, ...), each a length
//                      byte and up to 255 bytes of text.
//
// Grid image length = 442 + E + 2 x columns + sum over cells of (cell length + 1).
//
// Text item (kind 0): the text and one zero byte; the length counts the zero byte and stays within
// 16 bits (at most 32766 bytes of text).
// File items (kinds 1025, 1026): the external file's bytes, unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace VlfFormat {

constexpr std::int32_t HeaderSize = 1024;
constexpr std::int32_t HintOffset = 1020;
constexpr std::int32_t BannerOffset = 6;
constexpr std::uint8_t Signature0 = 0xF5;
constexpr std::uint8_t Signature1 = 0xF4;

constexpr std::int32_t BlockHeaderSize = 8;
constexpr std::uint8_t MarkInUse = '#';
constexpr std::uint8_t MarkFree = '*';
constexpr std::uint8_t MarkAbsorbed = '~';
constexpr std::int16_t KindFree = -1;

constexpr std::int16_t KindText = 0;
constexpr std::int16_t KindGrid = 3;
constexpr std::int16_t KindBitmap = 1025;
constexpr std::int16_t KindWave = 1026;

// Grid image offsets.
constexpr int GridColCount = 16;
constexpr int GridRowCount = 20;
constexpr int GridFixedCols = 24;
constexpr int GridFixedRows = 26;
constexpr int GridColor = 28;
constexpr int GridFixedColor = 32;
constexpr int GridLineWidth = 36;
constexpr int GridFontColor = 44;
constexpr int GridFontHeight = 48;
constexpr int GridFontName = 50;
constexpr int GridFontNameMax = 31;
constexpr int GridFontPitch = 82;
constexpr int GridFontSize = 84;
constexpr int GridFontBold = 86;
constexpr int GridFontItalic = 87;
constexpr int GridFontUnderline = 88;
constexpr int GridFontStrikeOut = 89;
constexpr int GridFixedPart = 440;
constexpr int GridExtensionLength = 440;
constexpr int GridExtension = 442;
constexpr int GridCellMax = 255;

constexpr std::int32_t TextMax = 32766; // bytes of text; with its zero byte the length fits in int16

// Length of the longest prefix of Text, at most Max bytes, that does not end inside a UTF-8 sequence: where
// a text or a grid cell too long for its field is cut.
inline std::size_t CutPoint(const std::string& Text, std::size_t Max) {
    if (Text.size() <= Max) return Text.size();
    std::size_t Cut = Max;
    // Step back over continuation bytes so the byte at Cut starts a character.
    while (Cut > 0 && (static_cast<unsigned char>(Text[Cut]) & 0xC0) == 0x80 && Max - Cut < 4)
        --Cut;
    return Cut;
}

inline std::uint16_t GetU16(const std::uint8_t* P) {
    return static_cast<std::uint16_t>(P[0] | (P[1] << 8));
}
inline std::int16_t GetI16(const std::uint8_t* P) {
    return static_cast<std::int16_t>(GetU16(P));
}
inline std::uint32_t GetU32(const std::uint8_t* P) {
    return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
           (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* P) {
    return static_cast<std::int32_t>(GetU32(P));
}

inline void PutU16(std::uint8_t* P, std::uint16_t V) {
    P[0] = static_cast<std::uint8_t>(V);
    P[1] = static_cast<std::uint8_t>(V >> 8);
}
inline void PutI16(std::uint8_t* P, std::int16_t V) {
    PutU16(P, static_cast<std::uint16_t>(V));
}
inline void PutU32(std::uint8_t* P, std::uint32_t V) {
    for (int I = 0; I < 4; ++I)
        P[I] = static_cast<std::uint8_t>(V >> (8 * I));
}
inline void PutI32(std::uint8_t* P, std::int32_t V) {
    PutU32(P, static_cast<std::uint32_t>(V));
}

// A block header as read from or written to the file.
struct TBlockHeader {
    std::uint8_t Mark = MarkInUse;
    std::uint8_t Mark2 = MarkInUse;
    std::int16_t Kind = 0;
    std::int32_t Length = 0;

    void Encode(std::uint8_t* P) const {
        P[0] = Mark;
        P[1] = Mark2;
        PutI16(P + 2, Kind);
        PutI32(P + 4, Length);
    }
    static TBlockHeader Decode(const std::uint8_t* P) { return {P[0], P[1], GetI16(P + 2), GetI32(P + 4)}; }
    bool InUse() const { return Mark == MarkInUse && Mark2 == MarkInUse; }
    bool Free() const { return Mark == MarkFree && Mark2 == MarkInUse; }
};

} // namespace VlfFormat
