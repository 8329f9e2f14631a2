#include "player/ui/LedDisplay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <cmath>

#include "app/ColourValues.h"
#include "player/ui/ImageControl.h"
#include "player/ui/LedFont.h"

TLedDisplay::TLedDisplay(const TPlayerSettings& Settings, QWidget* panDisplay, TImageControl* Display,
                         TImageControl* imgMode, TImageControl* imgTrack, TImageControl* imgTime)
    : FSettings(Settings), FPanel(panDisplay), FDisplay(Display), FMode(imgMode), FTrack(imgTrack),
      FTime(imgTime) {}

void TLedDisplay::DrawDigit(int Digit) {
    if (Digit < 0 || Digit > 9) return;
    const QColor Back = ColorToQColor(FSettings.DisplayBackground);
    const QColor Font = ColorToQColor(FSettings.DisplayFontColor);
    FDigitBitmaps[static_cast<std::size_t>(Digit)] = DrawDigitImage(Digit, Back, Font);
    if (Digit == 0) FColonBitmap = DrawColonImage(Back, Font);
}

void TLedDisplay::DrawAllDigits() {
    for (int Digit = 0; Digit <= 9; ++Digit)
        DrawDigit(Digit);
}

void TLedDisplay::Out(int X, int Y, TMinSec Time) {
    QImage& Picture = FDisplay->Picture();
    if (Picture.isNull()) return;
    const std::string Text = FormatMinSec(Time);
    if (Text.size() != 5) return; // beyond 99.59: a disc never gets there
    QPainter Painter(&Picture);
    const int Offsets[] = {0, 13, 0, 32, 45};
    for (int I : {0, 1, 3, 4}) {
        const int Digit = Text[static_cast<std::size_t>(I)] - '0';
        if (Digit < 0 || Digit > 9 || DigitBitmap(Digit).isNull()) continue;
        Painter.drawImage(X + Offsets[I], Y, DigitBitmap(Digit));
    }
    if (!FColonBitmap.isNull()) Painter.drawImage(X + 26, Y, FColonBitmap);
    FDisplay->update();
}

QFont TLedDisplay::DisplayFont() const {
    QFont Font(QString::fromStdString(FSettings.DisplayFontName));
    Font.setPointSize(std::max(FSettings.DisplayFontSize, 1));
    Font.setBold(FSettings.DisplayBold);
    return Font;
}

void TLedDisplay::SetDisplay() {
    const QColor Back = ColorToQColor(FSettings.DisplayBackground);
    const QColor Ink = ColorToQColor(FSettings.DisplayFontColor);
    QPalette Palette = FPanel->palette();
    Palette.setColor(QPalette::Window, Back);
    FPanel->setPalette(Palette);
    FPanel->setAutoFillBackground(true);

    FDisplay->FillPicture(Back);
    QPainter Painter(&FDisplay->Picture());
    Painter.setFont(DisplayFont());
    Painter.setPen(Ink);
    const QFontMetrics Metrics(Painter.font());
    const QString Elapsed = QStringLiteral("Elapsed");
    const QString Remaining = QStringLiteral("Remaining");
    const int ElapsedX = static_cast<int>(std::nearbyint((55 - Metrics.horizontalAdvance(Elapsed)) * 0.5));
    const int RemainingX =
        static_cast<int>(std::nearbyint((64 - Metrics.horizontalAdvance(Remaining)) * 0.5)) + 60;
    Painter.drawText(ElapsedX, 2 + Metrics.ascent(), Elapsed);
    Painter.drawText(RemainingX, 2 + Metrics.ascent(), Remaining);
    Painter.end();

    for (TImageControl* Line : {FMode, FTrack, FTime})
        WriteLine(Line, QString());
}

void TLedDisplay::WriteLine(TImageControl* Line, const QString& Text) {
    Line->FillPicture(ColorToQColor(FSettings.DisplayBackground));
    if (Text.isEmpty()) return;
    QPainter Painter(&Line->Picture());
    Painter.setFont(DisplayFont());
    Painter.setPen(ColorToQColor(FSettings.DisplayFontColor));
    const QFontMetrics Metrics(Painter.font());
    const int Top = std::max((Line->height() - Metrics.height()) / 2, 0);
    Painter.drawText(1, Top + Metrics.ascent(), Text);
}

int TLedDisplay::TimesTop() const {
    return (FDisplay->height() - 45) / 2 + 20;
}

void TLedDisplay::FreeBitmaps() {
    for (QImage& Bitmap : FDigitBitmaps)
        Bitmap = QImage();
    FColonBitmap = QImage();
}
