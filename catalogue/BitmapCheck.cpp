#include "catalogue/BitmapCheck.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cstdint>

namespace {

constexpr qint64 MaxBitmapBytes = 256LL * 1024 * 1024;
constexpr std::int64_t MaxSide = 30000;
constexpr std::int64_t MaxPixels = 100LL * 1000 * 1000;
// Pixels per metre in one direction more than this many times those in the other.
constexpr std::int64_t MaxDensityRatio = 100;

constexpr std::uint32_t biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitFields = 3, biAlphaBitFields = 6;

class TBytes {
public:
    explicit TBytes(const QByteArray& Data) : FData(Data) {}
    std::int64_t Size() const { return FData.size(); }
    std::uint32_t U8(std::int64_t At) const {
        return static_cast<std::uint8_t>(FData.at(static_cast<qsizetype>(At)));
    }
    std::uint32_t U16(std::int64_t At) const { return U8(At) | (U8(At + 1) << 8); }
    std::uint32_t U32(std::int64_t At) const { return U16(At) | (U16(At + 2) << 16); }
    std::int32_t I32(std::int64_t At) const { return static_cast<std::int32_t>(U32(At)); }

private:
    const QByteArray& FData;
};

std::string Str(std::int64_t Value) {
    return std::to_string(Value);
}

struct THeader {
    std::int64_t FileBytes = 0, Offset = 0, HeaderSize = 0, Width = 0, Height = 0;
    std::uint32_t Planes = 0, Bits = 0, Compression = biRGB, ImageSize = 0, ColoursUsed = 0;
    std::int64_t XDensity = 0, YDensity = 0;
    std::int64_t Colours = 0; // palette entries the pixels may use
};

// Checks every palette index of an uncompressed picture.
std::string CheckIndices(const TBytes& B, const THeader& H, std::int64_t Rows, std::int64_t RowBytes) {
    if (H.Bits > 8 || H.Colours >= (1LL << H.Bits)) return {};
    const std::uint32_t PerByte = 8 / H.Bits, Mask = (1u << H.Bits) - 1;
    for (std::int64_t y = 0; y < Rows; ++y) {
        const std::int64_t Row = H.Offset + y * RowBytes;
        for (std::int64_t x = 0; x < H.Width; ++x) {
            const std::uint32_t Byte = B.U8(Row + x / PerByte);
            const std::uint32_t Shift = 8 - H.Bits * (1 + static_cast<std::uint32_t>(x % PerByte));
            const std::int64_t Index = (Byte >> Shift) & Mask;
            if (Index >= H.Colours)
                return "a pixel uses colour " + Str(Index) + " of a palette of " + Str(H.Colours);
        }
    }
    return {};
}

// Walks an RLE8 or RLE4 stream; every run must stay inside its row and the picture.
std::string CheckRle(const TBytes& B, const THeader& H, std::int64_t Rows) {
    const bool Four = H.Compression == biRLE4;
    std::int64_t x = 0, y = 0, At = H.Offset;
    const auto IndexOk = [&](std::uint32_t Value) {
        if (!Four) return Value < H.Colours;
        return (Value >> 4) < H.Colours && (Value & 15) < H.Colours;
    };
    const std::string BadIndex = "the compressed pixels use a colour outside the palette";
    while (true) {
        if (At + 2 > B.Size()) return "the compressed pixels end without their end mark";
        const std::uint32_t Count = B.U8(At), Value = B.U8(At + 1);
        At += 2;
        if (Count > 0) {
            if (y >= Rows || x + Count > H.Width) return "a run of pixels goes past the edge of the picture";
            if (!IndexOk(Value)) return BadIndex;
            x += Count;
            continue;
        }
        if (Value == 0) {
            x = 0;
            if (++y > Rows) return "the compressed pixels have more rows than the picture";
        } else if (Value == 1) {
            return {};
        } else if (Value == 2) {
            if (At + 2 > B.Size()) return "the compressed pixels end without their end mark";
            x += B.U8(At);
            y += B.U8(At + 1);
            At += 2;
            if (x > H.Width || y > Rows) return "a jump in the compressed pixels leaves the picture";
        } else {
            const std::int64_t Bytes = Four ? (Value + 1) / 2 : Value;
            if (y >= Rows || x + Value > H.Width) return "a run of pixels goes past the edge of the picture";
            if (At + Bytes > B.Size()) return "the compressed pixels end without their end mark";
            for (std::int64_t i = 0; i < Bytes; ++i)
                if (!IndexOk(B.U8(At + i))) return BadIndex;
            x += Value;
            At += Bytes + (Bytes & 1);
        }
    }
}

std::string CheckMasks(const TBytes& B, const THeader& H) {
    // Masks stand behind a 40-byte header and inside the longer Windows headers; the OS/2 headers of 16
    // and 64 bytes use the same compression number for something else.
    if (H.HeaderSize != 40 && H.HeaderSize < 52) return {};
    if (H.HeaderSize == 64) return {};
    if (54 + 12 > B.Size()) return "the file ends inside its colour masks";
    const std::uint64_t Limit = H.Bits >= 32 ? 0x100000000ULL : (1ULL << H.Bits);
    std::uint64_t Seen = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t Mask = B.U32(54 + 4 * i);
        if (Mask == 0) return "a colour mask is empty";
        if (Mask >= Limit) return "a colour mask lies outside the pixel's bits";
        if (Seen & Mask) return "the colour masks overlap";
        Seen |= Mask;
    }
    return {};
}

} // namespace

bool IsBitmapFile(const std::string& FileName) {
    QFile File(QString::fromStdString(FileName));
    if (!File.open(QIODevice::ReadOnly)) return false;
    return File.read(2) == "BM";
}

std::string BitmapProblem(QIODevice& File) {
    if (File.size() > MaxBitmapBytes) return "the file is too large";
    const QByteArray Data = File.readAll();
    if (!Data.startsWith("BM")) return {};
    const TBytes B(Data);
    const std::string Cut = "the file ends inside its header";
    if (B.Size() < 26) return Cut;
    THeader H;
    H.FileBytes = B.U32(2);
    H.Offset = B.U32(10);
    H.HeaderSize = B.U32(14);
    static constexpr std::int64_t Known[] = {12, 16, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(Known), std::end(Known), H.HeaderSize) == std::end(Known))
        return "its header size of " + Str(H.HeaderSize) + " bytes belongs to no bitmap version";
    if (14 + H.HeaderSize > B.Size()) return Cut;
    if (H.FileBytes > B.Size())
        return "the header gives a file size of " + Str(H.FileBytes) + " bytes, but the file has " +
               Str(B.Size());
    if (H.HeaderSize == 12) {
        H.Width = B.U16(18);
        H.Height = B.U16(20);
        H.Planes = B.U16(22);
        H.Bits = B.U16(24);
    } else {
        H.Width = B.I32(18);
        H.Height = B.I32(22);
        H.Planes = B.U16(26);
        H.Bits = B.U16(28);
        if (H.HeaderSize >= 40) {
            H.Compression = B.U32(30);
            H.ImageSize = B.U32(34);
            H.XDensity = B.I32(38);
            H.YDensity = B.I32(42);
            H.ColoursUsed = B.U32(46);
        }
    }
    if (H.Planes != 1) return "it has " + Str(H.Planes) + " planes instead of 1";
    static constexpr std::uint32_t Depths[] = {1, 2, 4, 8, 16, 24, 32};
    if (std::find(std::begin(Depths), std::end(Depths), H.Bits) == std::end(Depths))
        return Str(H.Bits) + " bits per pixel is no valid colour depth";
    if (H.Width <= 0) return "its width is " + Str(H.Width) + " pixels";
    if (H.Height == 0) return "its height is 0 pixels";
    const std::int64_t Rows = H.Height < 0 ? -H.Height : H.Height;
    if (H.Width > MaxSide || Rows > MaxSide || H.Width * Rows > MaxPixels)
        return "it claims to be " + Str(H.Width) + " by " + Str(Rows) + " pixels";
    if (H.XDensity > 0 && H.YDensity > 0 &&
        std::max(H.XDensity, H.YDensity) > MaxDensityRatio * std::min(H.XDensity, H.YDensity))
        return "its pixel densities of " + Str(H.XDensity) + " and " + Str(H.YDensity) +
               " contradict each other";
    const bool Rle = H.Compression == biRLE8 || H.Compression == biRLE4;
    if (Rle && H.Bits != (H.Compression == biRLE8 ? 8u : 4u))
        return "its compression does not fit " + Str(H.Bits) + " bits per pixel";
    if (Rle && H.Height < 0) return "a compressed bitmap cannot be stored top-down";
    if (H.Offset < 14 + H.HeaderSize || H.Offset >= B.Size())
        return "its pixel data offset of " + Str(H.Offset) + " lies outside the file";
    if (H.ImageSize != 0 && H.Offset + H.ImageSize > B.Size())
        return "the header gives " + Str(H.ImageSize) + " bytes of pixels, more than the file holds";
    if (H.Bits <= 8) {
        const std::int64_t Max = 1LL << H.Bits;
        if (H.ColoursUsed > Max)
            return "its palette claims " + Str(H.ColoursUsed) + " colours, more than " + Str(H.Bits) +
                   " bits per pixel can use";
        H.Colours = H.ColoursUsed ? H.ColoursUsed : Max;
        const std::int64_t Entry = H.HeaderSize == 12 ? 3 : 4;
        if (14 + H.HeaderSize + H.Colours * Entry > B.Size()) return "the file ends inside its palette";
    }
    if (H.Compression == biBitFields || H.Compression == biAlphaBitFields) {
        if (H.Bits == 16 || H.Bits == 32) {
            const std::string Problem = CheckMasks(B, H);
            if (!Problem.empty()) return Problem;
        }
    }
    if (Rle) return CheckRle(B, H, Rows);
    if (H.Compression == biRGB || H.Compression == biBitFields || H.Compression == biAlphaBitFields) {
        const std::int64_t RowBytes = (H.Width * H.Bits + 31) / 32 * 4;
        if (H.Offset + RowBytes * Rows > B.Size()) return "the file is cut short inside its pixels";
        return CheckIndices(B, H, Rows, RowBytes);
    }
    return {};
}
