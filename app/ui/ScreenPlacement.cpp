#include "app/ui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/base/WindowPlacement.h"

QPoint KeepOnScreen(QPoint Wanted, QSize Size) {
    std::vector<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    return PlaceOnScreen(Wanted, Size, screens);
}
