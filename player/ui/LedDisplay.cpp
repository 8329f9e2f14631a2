#include "player/ui/LedDisplay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <cmath>

#include "app/base/ColourValues.h"
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

void TLedDisplay::Layout() {
    const QFontMetrics Metrics(DisplayFont());
    // The widest texts the three lines show.
    int LineWidth = 89;
    for (const char* Text : {"Mode: Shuffle", "Mode: Random", "Mode: Custom", "RECORDING...", "Paused...",
                             "Track: 99", "Track time", "Disc time"})
        LineWidth = std::max(LineWidth, Metrics.horizontalAdvance(QString::fromLatin1(Text)) + 2);
    // The ink of the lines' texts (no descenders), with a pixel above and below.
    int Ink = 0;
    for (const char* Text : {"Mode: Shuffle", "RECORDING...", "Track: 99", "Disc time"})
        Ink = std::max(Ink, Metrics.tightBoundingRect(QString::fromLatin1(Text)).height());
    const int LineHeight = std::max(14, Ink + 2);
    // A time is five places of LED digits, 55 pixels; each caption is centred over its time.
    constexpr int TimeWidth = 55;
    FElapsedWidth = std::max(55, Metrics.horizontalAdvance(QStringLiteral("Elapsed")) + 2);
    FRemainingWidth = std::max(64, Metrics.horizontalAdvance(QStringLiteral("Remaining")) + 2);
    const int RemainingColumn = FElapsedWidth + 5;
    FElapsedLeft = (FElapsedWidth - TimeWidth) / 2;
    FRemainingLeft = RemainingColumn + (FRemainingWidth - TimeWidth + 1) / 2;
    // The digits start below the captions' descenders.
    FTimesTop = std::max(20, 2 + Metrics.ascent() + Metrics.descent() + 1);
    const int DisplayWidth = std::max(126, RemainingColumn + FRemainingWidth + 2);
    const int DisplayHeight = std::max(45, FTimesTop + DigitHeight + 2);

    const int Step = LineHeight - 1;
    const int LinesHeight = 3 * Step + 1;
    // The lines stand in the middle of the display's height.
    const int LinesTop = std::max(4, 2 + (DisplayHeight - LinesHeight) / 2);
    int Top = LinesTop;
    for (TImageControl* Line : {FMode, FTrack, FTime}) {
        Line->SetBounds(4, Top, LineWidth, LineHeight);
        Top += Step;
    }
    const int DisplayLeft = 4 + LineWidth + 1;
    FDisplay->SetBounds(DisplayLeft, 2, DisplayWidth, DisplayHeight);
    FPanel->resize(DisplayLeft + DisplayWidth + 3, std::max(DisplayHeight, LinesTop + LinesHeight) + 4);
}

void TLedDisplay::SetDisplay() {
    Layout();
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
    const int ElapsedX =
        static_cast<int>(std::nearbyint((FElapsedWidth - Metrics.horizontalAdvance(Elapsed)) * 0.5));
    const int RemainingX =
        static_cast<int>(std::nearbyint((FRemainingWidth - Metrics.horizontalAdvance(Remaining)) * 0.5)) +
        FElapsedWidth + 5;
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
    return FTimesTop;
}

void TLedDisplay::FreeBitmaps() {
    for (QImage& Bitmap : FDigitBitmaps)
        Bitmap = QImage();
    FColonBitmap = QImage();
}
