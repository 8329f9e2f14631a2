#include "catalogue_ui/PictureDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/base/Settings.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "devices/MessageBoxes.h"

namespace {

constexpr int ImageSide = 211;

QImage ReadPicture(const QString& FileName) {
    QImageReader Reader(FileName);
    Reader.setDecideFormatFromContent(true);
    Reader.setAutoTransform(true);
    return Reader.read();
}

} // namespace

TfrmBitmap::TfrmBitmap(std::string WorkingPicture, QWidget* Parent)
    : QDialog(Parent), FWorkingPicture(std::move(WorkingPicture)) {
    setObjectName(QStringLiteral("frmBitmap"));
    setWindowTitle(QStringLiteral("CD bitmap form"));
    auto* Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel1"));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setLineWidth(2);
    imgBit = new QLabel(Panel);
    imgBit->setObjectName(QStringLiteral("imgBit"));
    imgBit->setFixedSize(ImageSide, ImageSide);
    imgBit->setAlignment(Qt::AlignCenter);
    auto* PanelLayout = new QVBoxLayout(Panel);
    PanelLayout->setContentsMargins(4, 4, 4, 4);
    PanelLayout->addWidget(imgBit);

    const auto Button = [this](const char* Name, const char* Caption, const char* Hint) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        if (Hint) B->setToolTip(QString::fromUtf8(Hint));
        B->setAutoDefault(false);
        return B;
    };
    btnLoad = Button("btnLoad", "&Load", "Load a new bitmap and attach to CD.");
    btnSave = Button("btnSave", "&Save as", "Save CD btmap to a named file.");
    btnClear = Button("btnClear", "&Clear", "Clear CD bitmap");
    btnCancel = Button("btnCancel", "Cance&l", nullptr);
    btnOK = Button("btnOK", "&OK", nullptr);
    btnOK->setDefault(true);
    connect(btnLoad, &QPushButton::clicked, this, &TfrmBitmap::btnLoadClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmBitmap::btnSaveClick);
    connect(btnClear, &QPushButton::clicked, this, &TfrmBitmap::btnClearClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Store && !PictureFileName.empty() && !Store(PictureFileName)) return;
        accept();
    });

    auto* Buttons = new QVBoxLayout;
    for (QPushButton* B : {btnLoad, btnSave, btnClear})
        Buttons->addWidget(B);
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Layout = new QHBoxLayout(this);
    Layout->addWidget(Panel);
    Layout->addLayout(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmBitmap::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (FShown) return;
    FShown = true;
    FormShow();
}

void TfrmBitmap::FormShow() {
    const QString Working = QString::fromStdString(FWorkingPicture);
    if (QFileInfo::exists(Working)) {
        FPicture = ReadPicture(Working);
        FShownFile = FWorkingPicture;
    }
    PictureFileName.clear();
    ShowPicture();
}

void TfrmBitmap::ShowPicture() {
    if (FPicture.isNull()) {
        imgBit->clear();
        return;
    }
    imgBit->setPixmap(QPixmap::fromImage(
        FPicture.scaled(ImageSide, ImageSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

bool TfrmBitmap::LoadPicture(const QString& FileName) {
    const std::string Name = FileName.toStdString();
    const std::string Problem = CheckPictureFile(Name);
    if (!Problem.empty()) {
        ShowError(Problem);
        return false;
    }
    FPicture = ReadPicture(FileName);
    FShownFile = Name;
    PictureFileName = Name;
    ShowPicture();
    return true;
}

bool TfrmBitmap::SavePicture(const QString& FileName) {
    if (FPicture.isNull() || FShownFile.empty()) return false;
    std::string Error;
    if (!PictureAsBitmap(FShownFile, FileName.toStdString(), Error)) {
        ShowError(Error);
        return false;
    }
    return true;
}

void TfrmBitmap::btnLoadClick() {
    const QString FileName = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open"), QString::fromStdString(ProgramDir()),
        QStringLiteral(
            "Pictures (*.bmp *.BMP *.png *.PNG *.jpg *.JPG *.jpeg *.JPEG);;Bitmap files (*.bmp *.BMP)"));
    if (!FileName.isEmpty()) LoadPicture(FileName);
}

void TfrmBitmap::btnClearClick() {
    FPicture = QImage();
    FShownFile.clear();
    PictureFileName = PictureCleared;
    DeleteFileQuietly(FWorkingPicture);
    ShowPicture();
}

void TfrmBitmap::btnSaveClick() {
    QFileDialog Dialog(this, QStringLiteral("Save As"), QString::fromStdString(ProgramDir()),
                       QStringLiteral("Bitmap file (*.bmp *.BMP);;All files (*)"));
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setDefaultSuffix(QStringLiteral("BMP"));
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return;
    SavePicture(Dialog.selectedFiles().constFirst());
}
