#include "app/base/WindowPlacement.h"

#include <algorithm>

namespace {

// The part of a window that must be reachable: its title and first controls.
constexpr int GripWidth = 100;
constexpr int GripHeight = 30;
// Far beyond any screen, yet far enough from the ends of int that the rectangles below cannot overflow.
constexpr int FarAway = 1 << 24;

} // namespace

QPoint PlaceOnScreen(QPoint Wanted, QSize Size, const std::vector<QRect>& Screens) {
    if (Screens.empty()) return Wanted;
    Wanted = QPoint(std::clamp(Wanted.x(), -FarAway, FarAway), std::clamp(Wanted.y(), -FarAway, FarAway));
    Size = QSize(std::clamp(Size.width(), 0, FarAway), std::clamp(Size.height(), 0, FarAway));
    const QRect grip(Wanted,
                     QSize(std::clamp(Size.width(), 1, GripWidth), std::clamp(Size.height(), 1, GripHeight)));
    const auto onScreen = [&](QPoint Point) {
        return std::any_of(Screens.begin(), Screens.end(), [&](const QRect& S) { return S.contains(Point); });
    };
    // The grip may span two screens side by side.
    if (onScreen(grip.topLeft()) && onScreen(grip.topRight()) && onScreen(grip.bottomLeft()) &&
        onScreen(grip.bottomRight()))
        return Wanted;
    const QRect* home = &Screens.front();
    for (const QRect& screen : Screens)
        if (screen.contains(Wanted)) home = &screen;
    // Inside the screen where it fits; a window larger than the screen keeps its top left corner on it.
    const int x = std::max(home->left(), std::min(Wanted.x(), home->right() + 1 - Size.width()));
    const int y = std::max(home->top(), std::min(Wanted.y(), home->bottom() + 1 - Size.height()));
    return {x, y};
}
