#include "catalogue_ui/DriveChooser.h"

#include <QFileDialog>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui/DialogButtons.h"
#include "devices/CdErrors.h"
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

    const TDialogButtons Buttons = MakeDialogButtons(this);
    btnOK = Buttons.OK;
    btnCancel = Buttons.Cancel;
    btnImage = new QPushButton(QStringLiteral("&Disc image..."), this);
    btnImage->setObjectName(QStringLiteral("btnImage"));
    btnImage->setToolTip(QStringLiteral("Play a disc image (CUE, TOC or NRG) as a drive."));
    // Enter after naming an image chooses OK, not this button, which has the focus again.
    btnImage->setAutoDefault(false);
    Buttons.Row->insertWidget(0, btnImage);
    auto* Main = new QVBoxLayout(this);
    Main->addWidget(Panel, 1);
    Main->addLayout(Buttons.Row);
    Main->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmCD::btnOKClick);
    connect(lbDrives, &QListWidget::itemDoubleClicked, this, &TfrmCD::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnImage, &QPushButton::clicked, this, &TfrmCD::btnImageClick);
    FormShow(DeviceCount, Current);
}

void TfrmCD::FormShow(int DeviceCount, int Current) {
    lbDrives->clear();
    for (int N = 0; N < DeviceCount; ++N)
        lbDrives->addItem(QString::fromStdString(DriveLabel(N)));
    if (Current >= 0 && Current < lbDrives->count()) lbDrives->setCurrentRow(Current);
    // Device paths and image names are long: the list is as wide as its longest line, within reason.
    const int Widest = lbDrives->sizeHintForColumn(0) + 2 * lbDrives->frameWidth() + 8;
    lbDrives->setMinimumWidth(std::clamp(Widest, 320, 760));
}

void TfrmCD::btnImageClick() {
    const QString Image = QFileDialog::getOpenFileName(
        this, QStringLiteral("Disc image"), QString(),
        QStringLiteral("Disc images (*.cue *.toc *.nrg *.CUE *.TOC *.NRG);;All files (*)"));
    if (Image.isEmpty()) return;
    const std::string Path = Image.toStdString();
    if (const int Error = CheckDriveImage(Path)) {
        ShowError(Error == deNotDiscImage
                      ? "The file " + Path +
                            " is not a disc image. Choose a cue sheet, a TOC sheet or a Nero image."
                      : "The disc image " + Path + " cannot be played: " + DeviceErrorText(Error));
        return;
    }
    const int Before = DriveCount();
    const int Drive = AddVirtualDrive(Path);
    if (DriveCount() > Before) AddedImages.push_back(Path);
    FormShow(DriveCount(), Drive);
    lbDrives->setFocus();
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
