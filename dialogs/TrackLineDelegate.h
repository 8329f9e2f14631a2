// Draws a track line (two characters of track number, five of length, then the name) in three columns,
// so that lists of tracks read as number, length and name however wide the font's digits are.
#pragma once

#include <QStyledItemDelegate>

class TTrackLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override;
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
};
