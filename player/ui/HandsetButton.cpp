#include "player/ui/HandsetButton.h"

#include <QToolButton>

QToolButton* MakeHandsetButton(QWidget* Parent, const char* Name, const QString& Caption, const QString& Hint,
                               QRect Place) {
    auto* Button = new QToolButton(Parent);
    Button->setObjectName(QString::fromLatin1(Name));
    Button->setText(Caption);
    Button->setToolTip(Hint);
    Button->setGeometry(Place);
    Button->setIconSize(QSize(16, 16));
    Button->setFocusPolicy(Qt::NoFocus);
    return Button;
}
