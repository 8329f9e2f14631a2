#include "player/ui/FourWayVolume.h"

#include <QPainter>
#include <QPolygon>
#include <cstdlib>
#include <vector>

#include "app/base/ColourValues.h"
#include "player/ui/ImageControl.h"

namespace {

// A point of a part's outline; Code gives the colour of the edge that ends here: 1 white,
// 2 button shadow, 3 black.
struct TOutlinePoint {
    int X, Y, Code;
};

const std::vector<TOutlinePoint> PartOutlines[5] = {
    {{14, 0, 2}, {21, 7, 2}, {16, 12, 3}, {14, 10, 3}, {12, 12, 3}, {7, 7, 3}, {14, 0, 1}},     // up
    {{14, 28, 1}, {7, 21, 1}, {12, 16, 3}, {14, 18, 3}, {16, 16, 3}, {21, 21, 3}, {14, 28, 2}}, // down
    {{0, 14, 1}, {7, 7, 1}, {12, 12, 3}, {10, 14, 3}, {12, 16, 3}, {7, 21, 3}, {0, 14, 1}},     // left
    {{28, 14, 2}, {21, 21, 2}, {16, 16, 3}, {18, 14, 3}, {16, 12, 3}, {21, 7, 3}, {28, 14, 2}}, // right
    {{14, 10, 1}, {18, 14, 1}, {14, 18, 1}, {10, 14, 2}, {14, 10, 2}},                          // centre
};

QColor ButtonShadow() {
    return ColorToQColor(static_cast<TColor>(0x80000010));
}

// A one-pixel line from (X1, Y1) towards (X2, Y2), the end point left out.
void PlotLine(QImage& Image, int X1, int Y1, int X2, int Y2, QRgb Colour) {
    const int Dx = std::abs(X2 - X1), Sx = X1 < X2 ? 1 : -1;
    const int Dy = -std::abs(Y2 - Y1), Sy = Y1 < Y2 ? 1 : -1;
    int Error = Dx + Dy;
    while (X1 != X2 || Y1 != Y2) {
        if (Image.rect().contains(X1, Y1)) Image.setPixel(X1, Y1, Colour);
        const int E2 = 2 * Error;
        if (E2 >= Dy) {
            Error += Dy;
            X1 += Sx;
        }
        if (E2 <= Dx) {
            Error += Dx;
            Y1 += Sy;
        }
    }
}

} // namespace

void DrawFourWayPart(QImage& Picture, int Part, bool Pressed) {
    if (Part < 1 || Part > 5 || Picture.isNull()) return;
    const std::vector<TOutlinePoint>& Points = PartOutlines[Part - 1];
    const QColor Shadow = ButtonShadow();
    QPolygon Polygon;
    for (std::size_t I = 0; I + 1 < Points.size(); ++I)
        Polygon << QPoint(Points[I].X, Points[I].Y);
    {
        QPainter Painter(&Picture);
        Painter.setPen(Qt::white);
        Painter.setBrush(Pressed ? Shadow : ColorToQColor(clBtnFace));
        Painter.drawPolygon(Polygon);
    }
    for (std::size_t I = 0; I + 1 < Points.size(); ++I) {
        const TOutlinePoint& From = Points[I];
        const TOutlinePoint& To = Points[I + 1];
        QColor Colour = To.Code == 1 ? QColor(Qt::white) : To.Code == 2 ? Shadow : QColor(Qt::black);
        if (Pressed) Colour = Shadow;
        PlotLine(Picture, From.X, From.Y, To.X, To.Y, Colour.rgb());
        // A light or shadow edge is two pixels wide.
        if (To.Code != 3) PlotLine(Picture, From.X + 1, From.Y, To.X + 1, To.Y, Colour.rgb());
    }
    if (Part == 3) PlotLine(Picture, 7, 7, 8, 8, qRgb(255, 255, 255));
}

TFourWayVolume::TFourWayVolume(TPlayerSettings& Settings, TImageControl* iFourWay)
    : FSettings(Settings), FImage(iFourWay) {
    tmrVolume.setObjectName(QStringLiteral("tmrVolume"));
    tmrVolume.setSingleShot(true);
    connect(&tmrVolume, &QTimer::timeout, this, &TFourWayVolume::tmrVolumeTimer);
    connect(FImage, &TImageControl::MouseDown, this, &TFourWayVolume::iFourWayMouseDown);
    connect(FImage, &TImageControl::MouseUp, this, &TFourWayVolume::iFourWayMouseUp);
}

void TFourWayVolume::iFourWayDraw() {
    FImage->FillPicture(ColorToQColor(FSettings.VolumeDisplayBackground));
    FImage->show();
    QImage& Picture = FImage->Picture();
    DrawFourWayPart(Picture, 1, VolumeUpHeld);
    DrawFourWayPart(Picture, 4, VolumeRightHeld);
    DrawFourWayPart(Picture, 2, VolumeDownHeld);
    DrawFourWayPart(Picture, 3, VolumeLeftHeld);
    DrawFourWayPart(Picture, 5, VolumeCentreHeld);
    FImage->update();
}

void TFourWayVolume::Changed() {
    if (OnVolumeChanged) OnVolumeChanged();
}

void TFourWayVolume::IncreaseVolume(bool Left, bool Right) {
    if (Left) FSettings.VolumeLeft = VolumeIncreased(FSettings.VolumeLeft);
    if (Right) FSettings.VolumeRight = VolumeIncreased(FSettings.VolumeRight);
    Changed();
}

void TFourWayVolume::DecreaseVolume(bool Left, bool Right) {
    if (Left) FSettings.VolumeLeft = VolumeDecreased(FSettings.VolumeLeft);
    if (Right) FSettings.VolumeRight = VolumeDecreased(FSettings.VolumeRight);
    Changed();
}

void TFourWayVolume::iFourWayMouseDown(Qt::MouseButton Button, QPoint Position) {
    if (Button != Qt::LeftButton) return;
    switch (FourWayHitTest(Position.x(), Position.y())) {
    case fwCentre:
        VolumeCentreHeld = true;
        FSettings.VolumeRight = FSettings.VolumeLeft;
        Changed();
        break;
    case fwUp:
        VolumeUpHeld = true;
        IncreaseVolume(true, true);
        break;
    case fwDown:
        VolumeDownHeld = true;
        DecreaseVolume(true, true);
        break;
    case fwLeft:
        VolumeLeftHeld = true;
        IncreaseVolume(true, false);
        break;
    case fwRight:
        VolumeRightHeld = true;
        IncreaseVolume(false, true);
        break;
    case fwNone:
        break;
    }
    iFourWayDraw();
    tmrVolume.start(std::max(FSettings.VolumeDelay, 1));
}

void TFourWayVolume::tmrVolumeTimer() {
    tmrVolume.stop();
    if (VolumeUpHeld) IncreaseVolume(true, true);
    if (VolumeDownHeld) DecreaseVolume(true, true);
    if (VolumeLeftHeld) IncreaseVolume(true, false);
    if (VolumeRightHeld) IncreaseVolume(false, true);
    tmrVolume.start(std::max(FSettings.VolumeInterval, 1));
}

void TFourWayVolume::iFourWayMouseUp(Qt::MouseButton, QPoint) {
    tmrVolume.stop();
    VolumeUpHeld = VolumeDownHeld = VolumeLeftHeld = VolumeRightHeld = VolumeCentreHeld = false;
    iFourWayDraw();
    if (OnVolumeReleased) OnVolumeReleased();
}
