// Keeping a window on a screen: a stored position may come from another monitor layout or a hand-edited
// settings file and put a window where the user can never reach it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

// Wanted when a window of Size placed there shows its top left part (the title and the first controls)
// on one of Screens; otherwise the nearest position that keeps the window inside the screen holding
// Wanted, or the first screen. With no screens Wanted is returned.
QPoint PlaceOnScreen(QPoint Wanted, QSize Size, const std::vector<QRect>& Screens);
