#include "catalogue/ui/ItemWindow.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/DialogButtons.h"
#include "catalogue/ui/ByteLimit.h"

TfrmItem::TfrmItem(const QString& Caption, const QString& Prompt, const QString& Name, int MaxBytes,
                   QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("frmItem"));
    setWindowTitle(Caption);
    gbItem = new QGroupBox(Prompt, this);
    gbItem->setObjectName(QStringLiteral("gbItem"));
    edName = new QLineEdit(gbItem);
    edName->setObjectName(QStringLiteral("edName"));
    edName->setToolTip(QStringLiteral("Enter or edit the item."));
    edName->setMinimumWidth(320);
    LimitBytes(edName, MaxBytes);
    edName->setText(Name);
    auto* GroupLayout = new QVBoxLayout(gbItem);
    GroupLayout->addWidget(edName);

    const TDialogButtons Buttons = MakeDialogButtons(this);
    btnOK = Buttons.OK;
    btnCancel = Buttons.Cancel;
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(gbItem);
    Layout->addLayout(Buttons.Row);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmItem::Name() const {
    return edName->text();
}
