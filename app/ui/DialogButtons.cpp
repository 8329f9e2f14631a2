#include "app/ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

TDialogButtons MakeDialogButtons(QWidget* Parent, const char* OkName, const char* CancelName,
                                 const QString& OkCaption, const QString& CancelCaption) {
    TDialogButtons Buttons;
    Buttons.OK = new QPushButton(OkCaption, Parent);
    Buttons.OK->setObjectName(QString::fromLatin1(OkName));
    Buttons.OK->setDefault(true);
    Buttons.Cancel = new QPushButton(CancelCaption, Parent);
    Buttons.Cancel->setObjectName(QString::fromLatin1(CancelName));
    Buttons.Row = new QHBoxLayout;
    Buttons.Row->addStretch();
    Buttons.Row->addWidget(Buttons.OK);
    Buttons.Row->addWidget(Buttons.Cancel);
    return Buttons;
}
