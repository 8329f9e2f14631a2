#include "player/ui/HandsetGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

bool InRegion(int X, int Y, int Cx, int Cy, int N) {
    const int Dx = std::abs(X - Cx);
    const int Dy = std::abs(Y - Cy);
    return Dx <= N && Dy <= N && Dx + Dy <= N + 1;
}

int RoundHalfEven(double X) {
    return static_cast<int>(std::nearbyint(X));
}

} // namespace

TFourWayPart FourWayHitTest(int X, int Y) {
    if (InRegion(X, Y, 14, 14, 4)) return fwCentre;
    if (InRegion(X, Y, 14, 7, 7)) return fwUp;
    if (InRegion(X, Y, 14, 21, 7)) return fwDown;
    if (InRegion(X, Y, 7, 14, 7)) return fwLeft;
    if (InRegion(X, Y, 21, 14, 7)) return fwRight;
    return fwNone;
}

int VolumeIncreased(int Volume) {
    return std::min(Volume + VolumeStep, VolumeMax);
}

int VolumeDecreased(int Volume) {
    return std::max(Volume - VolumeStep, 0);
}

int TrackAtPoint(int X, int Y) {
    // Division truncates toward zero, so the one-pixel column at the strip's right edge belongs to the
    // first cell of the next row.
    return (X - 1) / TrackCellSize + ((Y - 1) / TrackCellSize) * TrackCellsPerRow + 1;
}

QRect TrackCellRect(int Track) {
    const int Column = (Track - 1) % TrackCellsPerRow;
    const int Row = (Track - 1) / TrackCellsPerRow;
    return QRect(TrackCellSize * Column, TrackCellSize * Row, 11, 12);
}

QRect PictureRect(QSize Picture, QSize Panel) {
    const int W = Panel.width() - 2;
    const int H = Panel.height() - 2;
    if (Picture.isEmpty() || W <= 0 || H <= 0) return QRect(1, 1, std::max(W, 0), std::max(H, 0));
    double Scale = 1;
    if (Picture.height() > H || Picture.width() > W) {
        const double Rw = static_cast<double>(Picture.width()) / W;
        const double Rh = static_cast<double>(Picture.height()) / H;
        Scale = std::min(Rw, Rh);
    }
    const int Height = std::min(RoundHalfEven(Picture.height() / Scale), H);
    const int Width = std::min(RoundHalfEven(Picture.width() / Scale), W);
    const int Left = std::max((W - Width) / 2, 1);
    const int Top = std::max((H - Height) / 2, 1);
    return QRect(Left, Top, Width, Height);
}
