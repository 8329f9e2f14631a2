#include "player/ui/GlyphIcon.h"

#include <QPixmap>

QIcon GlyphIcon(const QString& Resource) {
    const QPixmap Glyph(QStringLiteral(":/") + Resource);
    QIcon Icon;
    if (Glyph.isNull()) return Icon;
    const int Half = Glyph.width() / 2;
    Icon.addPixmap(Glyph.copy(0, 0, Half, Glyph.height()), QIcon::Normal);
    Icon.addPixmap(Glyph.copy(Half, 0, Half, Glyph.height()), QIcon::Disabled);
    return Icon;
}
