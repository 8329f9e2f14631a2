#include "app/base/ColourValues.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor SystemColor(int Index) {
    const QPalette palette = QGuiApplication::palette();
    switch (Index) {
    case 0:
        return palette.color(QPalette::Button); // scroll bar
    case 1:
        return palette.color(QPalette::Dark); // desktop
    case 2:
        return palette.color(QPalette::Highlight); // active caption
    case 3:
        return palette.color(QPalette::Mid); // inactive caption
    case 4:
        return palette.color(QPalette::Window); // menu
    case 5:
        return palette.color(QPalette::Base); // window
    case 6:
        return palette.color(QPalette::Shadow); // window frame
    case 7:
        return palette.color(QPalette::WindowText); // menu text
    case 8:
        return palette.color(QPalette::Text); // window text
    case 9:
        return palette.color(QPalette::HighlightedText); // caption text
    case 10:
    case 11:
        return palette.color(QPalette::Mid); // borders
    case 12:
        return palette.color(QPalette::Dark); // application workspace
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15:
        return palette.color(QPalette::Button); // button face
    case 16:
        return palette.color(QPalette::Dark); // button shadow
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18:
        return palette.color(QPalette::ButtonText);
    case 19:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 20:
        return palette.color(QPalette::Light); // button highlight
    case 21:
        return palette.color(QPalette::Shadow); // 3D dark shadow
    case 22:
        return palette.color(QPalette::Midlight); // 3D light
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::Button);
    }
}

} // namespace

bool IsSystemColor(TColor Color) {
    return (static_cast<std::uint32_t>(Color) & 0xFF000000u) == 0x80000000u;
}

QColor ColorToQColor(TColor Color) {
    const auto value = static_cast<std::uint32_t>(Color);
    if (IsSystemColor(Color)) return SystemColor(static_cast<int>(value & 0xFF));
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& Color) {
    return static_cast<TColor>(static_cast<std::uint32_t>(Color.red()) |
                               (static_cast<std::uint32_t>(Color.green()) << 8) |
                               (static_cast<std::uint32_t>(Color.blue()) << 16));
}
