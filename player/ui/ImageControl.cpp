#include "player/ui/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

TImageControl::TImageControl(const QString& Name, QWidget* Parent) : QWidget(Parent) {
    setObjectName(Name);
}

void TImageControl::SetBounds(int Left, int Top, int Width, int Height) {
    setGeometry(Left, Top, Width, Height);
    if (!FPicture.isNull() && FPicture.size() != QSize(Width, Height)) ClearPicture();
}

void TImageControl::ClearPicture() {
    FPicture = QImage();
    update();
}

void TImageControl::FillPicture(const QColor& Colour) {
    FPicture = QImage(size(), QImage::Format_RGB32);
    FPicture.fill(Colour);
    update();
}

void TImageControl::SetPicture(const QImage& Picture) {
    FPicture = Picture;
    update();
}

void TImageControl::paintEvent(QPaintEvent*) {
    if (FPicture.isNull()) return;
    QPainter Painter(this);
    Painter.drawImage(0, 0, FPicture);
}

void TImageControl::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton) FLeftPressed = true;
    emit MouseDown(Event->button(), Event->position().toPoint());
}

void TImageControl::mouseReleaseEvent(QMouseEvent* Event) {
    const QPoint Position = Event->position().toPoint();
    emit MouseUp(Event->button(), Position);
    if (Event->button() == Qt::LeftButton && FLeftPressed) {
        FLeftPressed = false;
        if (rect().contains(Position)) emit Clicked();
    }
}
