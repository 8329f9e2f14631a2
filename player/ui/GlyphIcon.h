// The transport buttons' glyphs: one picture per button holding the normal image on its left half and
// the disabled one on its right.
#pragma once

#include <QIcon>
#include <QString>

// The icon of the glyph resource ":/Resource"; an empty icon when there is none.
QIcon GlyphIcon(const QString& Resource);
