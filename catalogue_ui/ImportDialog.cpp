#include "catalogue_ui/ImportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "catalogue/CatalogueImport.h"
#include "catalogue_ui/ProgressForm.h"
#include "devices/MessageBoxes.h"

namespace {

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

const QStringList ImportFilters = {QStringLiteral("Text files (*.txt *.TXT)"),
                                   QStringLiteral("Windows ini files (*.ini *.INI)"),
                                   QStringLiteral("All files (*)")};

// The file the export writes by default: names differ in case on this system, so the import offers
// exactly that one for the round trip.
std::string DefaultImportFile() {
    return ProgramDir() + "EXPORT.TXT";
}

} // namespace

TfrmImport::TfrmImport(TDiscCatalogue& Catalogue, QWidget* Parent) : QDialog(Parent), FCatalogue(Catalogue) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import CD database"));
    setProperty("HelpContext", 1028);

    auto* Format = new QGroupBox(QStringLiteral("Format"), this);
    rbv4 = Named(new QRadioButton(QStringLiteral("&Orbelune v.4 standard record format"), Format), "rbv4");
    rbv3 = Named(new QRadioButton(QStringLiteral("&Orbelune v.3 standard record format"), Format), "rbv3");
    rbwin = Named(new QRadioButton(QStringLiteral("&Windows 95 player ini file"), Format), "rbwin");
    rbv4->setChecked(true);
    cbMerge = Named(new QCheckBox(QStringLiteral("&Merge data into existing records"), Format), "cbMerge");
    cbMerge->setToolTip(QStringLiteral(
        "If this box is checked then data will be merged with existing records with the same CD id - if not "
        "checked imported data will be ignored where a record is already held."));
    auto* FormatLayout = new QVBoxLayout(Format);
    for (QWidget* W : std::initializer_list<QWidget*>{rbv4, rbv3, rbwin, cbMerge})
        FormatLayout->addWidget(W);

    auto* FileBox = new QGroupBox(QStringLiteral("File name"), this);
    edFile = Named(new QLineEdit(QString::fromStdString(DefaultImportFile()), FileBox), "edFile");
    edFile->setMinimumWidth(320);
    btnBrowse = Named(new QPushButton(QStringLiteral("&Browse"), FileBox), "btnBrowse");
    auto* FileLayout = new QHBoxLayout(FileBox);
    FileLayout->addWidget(edFile, 1);
    FileLayout->addWidget(btnBrowse);

    btnOK = Named(new QPushButton(QStringLiteral("&OK"), this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Format);
    Layout->addWidget(FileBox);
    Layout->addLayout(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(rbv4, &QRadioButton::clicked, this, &TfrmImport::rbv4Click);
    connect(rbv3, &QRadioButton::clicked, this, &TfrmImport::rbv3Click);
    connect(rbwin, &QRadioButton::clicked, this, &TfrmImport::rbwinClick);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmImport::btnBrowseClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmImport::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmImport::rbv4Click() {
    edFile->setText(QString::fromStdString(DefaultImportFile()));
    FFilterIndex = 0;
}

void TfrmImport::rbv3Click() {
    rbv4Click();
}

void TfrmImport::rbwinClick() {
    // There is no Windows folder here: the file is looked for in the user's home folder.
    edFile->setText(QDir::homePath() + QStringLiteral("/orbelune.ini"));
    FFilterIndex = 1;
}

void TfrmImport::btnBrowseClick() {
    QFileDialog Dialog(this, QStringLiteral("Import CD database"));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setDefaultSuffix(QStringLiteral("TXT"));
    Dialog.setNameFilters(ImportFilters);
    Dialog.selectNameFilter(ImportFilters[FFilterIndex]);
    Dialog.selectFile(edFile->text());
    if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
        edFile->setText(Dialog.selectedFiles().constFirst());
}

void TfrmImport::btnOKClick() {
    const std::string FileName = edFile->text().toStdString();
    if (!QFileInfo::exists(edFile->text())) {
        ShowError(msgImportFileNotFound);
        return;
    }
    const TImportFormat Format = rbwin->isChecked() ? ifWindows : rbv3->isChecked() ? ifVersion3 : ifVersion4;
    TProgForm Progress(this);
    Progress.Start(QStringLiteral("Importing"));
    const TImportResult Result = ImportCatalogue(FCatalogue, FileName, Format, cbMerge->isChecked(),
                                                 [&Progress](int Percent) { Progress.SetProgress(Percent); });
    Progress.close();
    if (!Result.Opened) {
        ShowError(Result.Error);
        return;
    }
    // The discs read before a stop stay imported, so the window closes either way. One closing message
    // gives the counts as the shell does, or where the file went wrong and how many discs came before.
    ShowError(Result.Stopped ? Result.Error : ImportSummary(Result, FileName));
    accept();
}
