#include "catalogue_ui/ImportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "catalogue/CatalogueImport.h"
#include "devices/MessageBoxes.h"

namespace {

const QStringList ImportFilters = {QStringLiteral("Text files (*.txt *.TXT)"),
                                   QStringLiteral("Windows ini files (*.ini *.INI)"),
                                   QStringLiteral("All files (*)")};

} // namespace

TfrmImport::TfrmImport(TDiscCatalogue& Catalogue, QWidget* Parent)
    : TTransferDialog(Catalogue, Parent, "frmImport", QStringLiteral("Import CD database"), 1028) {
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

    btnCancel = LayOut({Format}, "btnCancel");

    connect(rbv4, &QRadioButton::clicked, this, &TfrmImport::rbv4Click);
    connect(rbv3, &QRadioButton::clicked, this, &TfrmImport::rbv3Click);
    connect(rbwin, &QRadioButton::clicked, this, &TfrmImport::rbwinClick);
}

void TfrmImport::rbv4Click() {
    edFile->setText(QString::fromStdString(DefaultFile()));
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
    ChooseFile(QFileDialog::AcceptOpen, ImportFilters, FFilterIndex);
}

void TfrmImport::btnOKClick() {
    const std::string FileName = edFile->text().toStdString();
    if (!QFileInfo::exists(edFile->text())) {
        ShowError(msgImportFileNotFound);
        return;
    }
    const TImportFormat Format = rbwin->isChecked() ? ifWindows : rbv3->isChecked() ? ifVersion3 : ifVersion4;
    const TImportResult Result =
        WithProgress(QStringLiteral("Importing"), [&](const TTransferProgress& Progress) {
            return ImportCatalogue(FCatalogue, FileName, Format, cbMerge->isChecked(), Progress);
        });
    if (!Result.Opened) {
        ShowError(Result.Error);
        return;
    }
    // The catalogue has said why it could not be held; nothing was read, and the window stays for another
    // try.
    if (Result.Refused) return;
    // The discs read before a stop stay imported, so the window closes either way. One closing message
    // gives the counts as the shell does, or where the file went wrong and how many discs came before.
    ShowError(Result.Stopped ? Result.Error : ImportSummary(Result, FileName));
    accept();
}
