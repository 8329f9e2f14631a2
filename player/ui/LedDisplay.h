// The handset's LED display: the digit bitmaps, the two times with their captions on the Display image,
// and the three text lines (mode, track, which times) beside it.
#pragma once

#include <QFont>
#include <QImage>
#include <array>

#include "app/Settings.h"
#include "devices/TimeValues.h"

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
    // Clears the display to its background with the "Elapsed" and "Remaining" captions, and clears the
    // three text lines.
    void SetDisplay();
    // Clears a text line and writes Text on it.
    void WriteLine(TImageControl* Line, const QString& Text);
    // Top of the times on the Display image: 20 for the designed height of 45.
    int TimesTop() const;
    void FreeBitmaps();

    const QImage& DigitBitmap(int Digit) const { return FDigitBitmaps[static_cast<std::size_t>(Digit)]; }
    const QImage& ColonBitmap() const { return FColonBitmap; }
    QFont DisplayFont() const;

private:
    const TPlayerSettings& FSettings;
    QWidget* FPanel;
    TImageControl* FDisplay;
    TImageControl* FMode;
    TImageControl* FTrack;
    TImageControl* FTime;
    std::array<QImage, 10> FDigitBitmaps;
    QImage FColonBitmap;
};
