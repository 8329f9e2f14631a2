#include "player/ui/LedFont.h"

#include <array>
#include <initializer_list>

namespace {

// A horizontal or vertical one-pixel line; the end point is not part of it.
struct TLine {
    int X1, Y1, X2, Y2;
};

enum TSegment { sgTop, sgUpperLeft, sgUpperRight, sgMiddle, sgLowerLeft, sgLowerRight, sgBottom, sgCount };

const std::array<std::initializer_list<TLine>, sgCount> SegmentLines = {{
    {{1, 0, 8, 0}, {2, 1, 7, 1}},                 // top
    {{0, 2, 0, 8}, {1, 3, 1, 7}},                 // upper left
    {{9, 1, 9, 8}, {8, 2, 8, 7}},                 // upper right
    {{1, 9, 9, 9}, {2, 8, 8, 8}, {2, 10, 8, 10}}, // middle
    {{0, 11, 0, 17}, {1, 12, 1, 16}},             // lower left
    {{9, 11, 9, 18}, {8, 12, 8, 17}},             // lower right
    {{1, 18, 8, 18}, {2, 17, 7, 17}},             // bottom
}};

// Segments lit per digit, bit n for segment n. The 6 has no top bar and the 9 no bottom bar.
constexpr int Bit(TSegment S) {
    return 1 << S;
}
constexpr std::array<int, 10> DigitSegments = {
    Bit(sgTop) | Bit(sgUpperLeft) | Bit(sgUpperRight) | Bit(sgLowerLeft) | Bit(sgLowerRight) | Bit(sgBottom),
    Bit(sgUpperRight) | Bit(sgLowerRight),
    Bit(sgTop) | Bit(sgUpperRight) | Bit(sgMiddle) | Bit(sgLowerLeft) | Bit(sgBottom),
    Bit(sgTop) | Bit(sgUpperRight) | Bit(sgMiddle) | Bit(sgLowerRight) | Bit(sgBottom),
    Bit(sgUpperLeft) | Bit(sgUpperRight) | Bit(sgMiddle) | Bit(sgLowerRight),
    Bit(sgTop) | Bit(sgUpperLeft) | Bit(sgMiddle) | Bit(sgLowerRight) | Bit(sgBottom),
    Bit(sgUpperLeft) | Bit(sgMiddle) | Bit(sgLowerLeft) | Bit(sgLowerRight) | Bit(sgBottom),
    Bit(sgTop) | Bit(sgUpperRight) | Bit(sgLowerRight),
    (1 << sgCount) - 1,
    Bit(sgTop) | Bit(sgUpperLeft) | Bit(sgUpperRight) | Bit(sgMiddle) | Bit(sgLowerRight),
};

void DrawLine(QImage& Image, const TLine& L, QRgb Colour) {
    const int Dx = L.X2 > L.X1 ? 1 : 0;
    const int Dy = L.Y2 > L.Y1 ? 1 : 0;
    for (int X = L.X1, Y = L.Y1; X != L.X2 || Y != L.Y2; X += Dx, Y += Dy) {
        if (Image.rect().contains(X, Y)) Image.setPixel(X, Y, Colour);
        if (Dx == 0 && Dy == 0) break;
    }
}

} // namespace

QImage DrawDigitImage(int Digit, const QColor& Background, const QColor& Font) {
    QImage Image(DigitWidth, DigitHeight, QImage::Format_RGB32);
    Image.fill(Background);
    if (Digit < 0 || Digit > 9) return Image;
    for (int S = 0; S < sgCount; ++S) {
        if (!(DigitSegments[static_cast<std::size_t>(Digit)] & (1 << S))) continue;
        for (const TLine& L : SegmentLines[static_cast<std::size_t>(S)])
            DrawLine(Image, L, Font.rgb());
    }
    return Image;
}

QImage DrawColonImage(const QColor& Background, const QColor& Font) {
    QImage Image(ColonWidth, DigitHeight, QImage::Format_RGB32);
    Image.fill(Background);
    // Two dots three pixels square, as a three-pixel pen draws a one-pixel line.
    for (const int Top : {4, 11}) {
        for (int Y = Top; Y < Top + 3; ++Y)
            for (int X = 0; X < 3; ++X)
                Image.setPixel(X, Y, Font.rgb());
    }
    return Image;
}
