#include "catalogue_ui/DriveChooser.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "devices/DriveList.h"
#include "devices/MessageBoxes.h"

TfrmCD::TfrmCD(int DeviceCount, int Current, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmCD"));
    setWindowTitle(QStringLiteral("Select CD ROM to use"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setProperty("HelpContext", 1050);

    auto* Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel1"));
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);
    lbDrives = new QListWidget(Panel);
    lbDrives->setObjectName(QStringLiteral("lbDrives"));
    lbDrives->setMinimumSize(320, 120);
    auto* PanelLayout = new QVBoxLayout(Panel);
    PanelLayout->addWidget(lbDrives);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Main = new QVBoxLayout(this);
    Main->addWidget(Panel, 1);
    Main->addLayout(Buttons);
    Main->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmCD::btnOKClick);
    connect(lbDrives, &QListWidget::itemDoubleClicked, this, &TfrmCD::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormShow(DeviceCount, Current);
}

void TfrmCD::FormShow(int DeviceCount, int Current) {
    lbDrives->clear();
    for (int N = 0; N < DeviceCount; ++N)
        lbDrives->addItem(QString::fromStdString(DriveLabel(N)));
    if (Current >= 0 && Current < lbDrives->count()) lbDrives->setCurrentRow(Current);
}

void TfrmCD::btnOKClick() {
    const int Row = lbDrives->currentRow();
    if (Row < 0 || !lbDrives->item(Row)->isSelected()) {
        ShowError("Please select a drive to use.");
        return;
    }
    CDROMInUse = Row;
    accept();
}
