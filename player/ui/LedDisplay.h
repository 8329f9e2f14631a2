// The handset's LED display: the digit bitmaps, the two times with their captions on the Display image,
// and the three text lines (mode, track, which times) beside it.
#pragma once

#include <QFont>
#include <QImage>
#include <array>

#include "app/base/Settings.h"
#include "devices/base/TimeValues.h"

class QWidget;
class TImageControl;

class TLedDisplay {
public:
    TLedDisplay(const TPlayerSettings& Settings, QWidget* panDisplay, TImageControl* Display,
                TImageControl* imgMode, TImageControl* imgTrack, TImageControl* imgTime);

    // Redraws one digit's bitmap in the current colours; digit 0 also redraws the colon.
    void DrawDigit(int Digit);
    void DrawAllDigits();
    // The time as "mm.ss" in LED digits with its left edge at X and top at Y of the Display image.
    void Out(int X, int Y, TMinSec Time);
    // Lays the display out for its font, sets the panel's size and clears the display to its background
    // with the "Elapsed" and "Remaining" captions, and clears the three text lines. The designed layout
    // (lines 89 x 14, Display 126 x 45, panel 223 x 49) is the least: a larger font widens and heightens
    // the parts so every text fits.
    void SetDisplay();
    // Clears a text line and writes Text on it.
    void WriteLine(TImageControl* Line, const QString& Text);
    // Top of the times on the Display image: 20 for the designed height of 45.
    int TimesTop() const;
    // Left edges of the elapsed and the remaining time on the Display image: 0 and 65 as designed.
    int ElapsedLeft() const { return FElapsedLeft; }
    int RemainingLeft() const { return FRemainingLeft; }
    void FreeBitmaps();

    const QImage& DigitBitmap(int Digit) const { return FDigitBitmaps[static_cast<std::size_t>(Digit)]; }
    const QImage& ColonBitmap() const { return FColonBitmap; }
    QFont DisplayFont() const;

private:
    // Places the lines and the Display for the font and sizes the panel.
    void Layout();

    const TPlayerSettings& FSettings;
    int FTimesTop = 20;
    int FElapsedLeft = 0;
    int FRemainingLeft = 65;
    int FElapsedWidth = 55;
    int FRemainingWidth = 64;
    QWidget* FPanel;
    TImageControl* FDisplay;
    TImageControl* FMode;
    TImageControl* FTrack;
    TImageControl* FTime;
    std::array<QImage, 10> FDigitBitmaps;
    QImage FColonBitmap;
};
