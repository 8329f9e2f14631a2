// The buttons of both handsets: flat tool buttons placed by hand, with a hint and 16-pixel glyphs, that
// never take the keyboard focus from the window.
#pragma once

#include <QRect>
#include <QString>

class QToolButton;
class QWidget;

QToolButton* MakeHandsetButton(QWidget* Parent, const char* Name, const QString& Caption, const QString& Hint,
                               QRect Place);
