#include "catalogue_ui/CatalogueImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A compact disc on the 16 by 16 grid: silver face, darker rim, clear hub.
void DrawDisc(QPainter& P, QPointF Centre, qreal Radius, QColor Face) {
    QRadialGradient Shine(Centre + QPointF(-Radius / 3, -Radius / 3), Radius * 1.4);
    Shine.setColorAt(0, Face.lighter(135));
    Shine.setColorAt(1, Face);
    P.setPen(QPen(QColor(70, 80, 100), 0.9));
    P.setBrush(Shine);
    P.drawEllipse(Centre, Radius, Radius);
    P.setPen(QPen(QColor(70, 80, 100), 0.7));
    P.setBrush(Qt::white);
    P.drawEllipse(Centre, Radius * 0.28, Radius * 0.28);
}

void Draw(QPainter& P, TCatalogueImage Image) {
    switch (Image) {
    case ciList: {
        P.setPen(Qt::NoPen);
        for (int Row = 0; Row < 4; ++Row) {
            const qreal Y = 2.5 + Row * 3.5;
            P.setBrush(QColor(30, 90, 170));
            P.drawRect(QRectF(1.5, Y, 2.5, 2.5));
            P.setBrush(QColor(60, 60, 60));
            P.drawRect(QRectF(5.5, Y + 0.5, Row % 2 ? 7.5 : 9.5, 1.5));
        }
        break;
    }
    case ciDisc:
        DrawDisc(P, {8, 8}, 7, QColor(175, 190, 215));
        break;
    case ciSound: {
        DrawDisc(P, {7, 7}, 6.3, QColor(175, 190, 215));
        // A note in the lower right corner.
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(200, 40, 40));
        P.drawEllipse(QPointF(11.3, 13.6), 2.1, 1.6);
        P.drawRect(QRectF(12.6, 7.5, 1.2, 6.2));
        QPainterPath Flag;
        Flag.moveTo(13.8, 7.5);
        Flag.cubicTo(15.8, 8.5, 15.8, 10.5, 14.8, 11.5);
        Flag.lineTo(13.8, 9.5);
        Flag.closeSubpath();
        P.drawPath(Flag);
        break;
    }
    case ciOrphan: {
        // A dimmed disc with a question mark: the record is there, its disc has not been seen.
        QColor Face(215, 215, 215);
        DrawDisc(P, {8, 8}, 7, Face);
        P.setPen(QPen(QColor(200, 120, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
        P.setBrush(Qt::NoBrush);
        QPainterPath Mark;
        Mark.moveTo(5.4, 5.6);
        Mark.cubicTo(5.4, 2.6, 10.6, 2.6, 10.6, 5.4);
        Mark.cubicTo(10.6, 7.4, 8, 7.4, 8, 9.8);
        P.drawPath(Mark);
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(200, 120, 0));
        P.drawEllipse(QPointF(8, 12.6), 1.1, 1.1);
        break;
    }
    }
}

QPixmap Render(TCatalogueImage Image, int Scale) {
    QPixmap Pixmap(16 * Scale, 16 * Scale);
    Pixmap.fill(Qt::transparent);
    QPainter P(&Pixmap);
    P.setRenderHint(QPainter::Antialiasing);
    P.scale(Scale, Scale);
    Draw(P, Image);
    return Pixmap;
}

} // namespace

QIcon CatalogueImage(TCatalogueImage Image) {
    QIcon Icon;
    for (int Scale : {1, 2, 3})
        Icon.addPixmap(Render(Image, Scale));
    return Icon;
}
