#include "dialogs/TrackLineDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {

// Right edges of the number and length columns and the left edge of the name, from the item's left,
// as designed for an 8-point dialog font; a larger font widens the columns so no text overlaps.
struct TColumns {
    int NumberEnd, LengthEnd, NameStart;
};

TColumns ColumnsFor(const QFontMetrics& Metrics) {
    const int NumberEnd = std::max(20, Metrics.horizontalAdvance(QStringLiteral("99 :")) + 2);
    const int LengthEnd = NumberEnd + std::max(35, Metrics.horizontalAdvance(QStringLiteral("00.00 :")) + 3);
    return {NumberEnd, LengthEnd, LengthEnd + 3};
}

} // namespace

void TTrackLineDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option,
                               const QModelIndex& Index) const {
    QStyleOptionViewItem Item = Option;
    initStyleOption(&Item, Index);
    const QString Line = Item.text;
    // The selection and focus frame as the style draws them, without the text.
    Item.text.clear();
    const QWidget* Widget = Option.widget;
    QStyle* Style = Widget ? Widget->style() : QApplication::style();
    Style->drawControl(QStyle::CE_ItemViewItem, &Item, Painter, Widget);

    const TColumns C = ColumnsFor(Option.fontMetrics);
    const QRect R = Option.rect;
    const int Top = R.top(), Height = R.height();
    Painter->save();
    const bool Selected = Option.state & QStyle::State_Selected;
    Painter->setPen(Option.palette.color(Selected ? QPalette::HighlightedText : QPalette::Text));
    Painter->setFont(Option.font);
    const int Flags = Qt::AlignVCenter | Qt::TextSingleLine;
    Painter->drawText(QRect(R.left(), Top, C.NumberEnd, Height), Flags | Qt::AlignRight,
                      Line.left(2) + QStringLiteral(" :"));
    Painter->drawText(QRect(R.left() + C.NumberEnd, Top, C.LengthEnd - C.NumberEnd, Height),
                      Flags | Qt::AlignRight, Line.mid(2, 5) + QStringLiteral(" :"));
    const QRect Name(R.left() + C.NameStart, Top, std::max(R.right() - R.left() - C.NameStart, 0), Height);
    Painter->drawText(Name, Flags | Qt::AlignLeft,
                      Option.fontMetrics.elidedText(Line.mid(7), Qt::ElideRight, Name.width()));
    Painter->restore();
}

QSize TTrackLineDelegate::sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const {
    QSize Size = QStyledItemDelegate::sizeHint(Option, Index);
    const int Name = Option.fontMetrics.horizontalAdvance(Index.data().toString().mid(7));
    Size.setWidth(std::max(Size.width(), ColumnsFor(Option.fontMetrics).NameStart + Name + 4));
    return Size;
}
