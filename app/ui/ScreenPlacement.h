// A stored window position brought onto one of the screens the program now has.
#pragma once

#include <QPoint>
#include <QSize>

// PlaceOnScreen over the available geometry of the screens, the primary screen first.
QPoint KeepOnScreen(QPoint Wanted, QSize Size);
