// Stored colours ($00BBGGRR, or $80000000 + a system colour index) turned into screen colours.
#pragma once

#include <QColor>

#include "app/base/Settings.h"

bool IsSystemColor(TColor Color);
// System colours follow the application's palette (button face, button shadow, window text, ...).
QColor ColorToQColor(TColor Color);
TColor QColorToColor(const QColor& Color);
