// An image control of the handset: a widget showing a picture of its own size that the handset draws
// into, and reporting mouse presses, releases and clicks with their positions.
#pragma once

#include <QImage>
#include <QWidget>

class TImageControl : public QWidget {
    Q_OBJECT
public:
    TImageControl(const QString& Name, QWidget* Parent);

    // The picture; null while cleared, when the parent shows through.
    QImage& Picture() { return FPicture; }
    const QImage& Picture() const { return FPicture; }
    // Moves and sizes the control; a picture of another size is cleared.
    void SetBounds(int Left, int Top, int Width, int Height);
    void ClearPicture();
    // Starts a picture of the control's size filled with Colour.
    void FillPicture(const QColor& Colour);
    void SetPicture(const QImage& Picture);

signals:
    void MouseDown(Qt::MouseButton Button, QPoint Position);
    void MouseUp(Qt::MouseButton Button, QPoint Position);
    void Clicked();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    QImage FPicture;
    bool FLeftPressed = false;
};
