// The LED font of the time display: seven-segment digits 10 x 19 pixels and the colon 5 x 19, drawn in
// the display's font colour on its background.
#pragma once

#include <QColor>
#include <QImage>

constexpr int DigitWidth = 10;
constexpr int DigitHeight = 19;
constexpr int ColonWidth = 5;

QImage DrawDigitImage(int Digit, const QColor& Background, const QColor& Font);
QImage DrawColonImage(const QColor& Background, const QColor& Font);
