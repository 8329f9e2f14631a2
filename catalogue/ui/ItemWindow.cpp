#include "catalogue/ui/ItemWindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(gbItem);
    Layout->addLayout(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmItem::Name() const {
    return edName->text();
}
