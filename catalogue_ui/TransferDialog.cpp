#include "catalogue_ui/TransferDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/base/Settings.h"
#include "app/ui/DialogButtons.h"

TTransferDialog::TTransferDialog(TDiscCatalogue& Catalogue, QWidget* Parent, const char* Name,
                                 const QString& Title, int HelpContext)
    : QDialog(Parent), FCatalogue(Catalogue) {
    setObjectName(QString::fromLatin1(Name));
    setWindowTitle(Title);
    setProperty("HelpContext", HelpContext);
}

std::string TTransferDialog::DefaultFile() {
    // Names differ in case on this system: the import offers exactly the export's file.
    return ProgramDir() + "EXPORT.TXT";
}

QPushButton* TTransferDialog::LayOut(std::initializer_list<QWidget*> Groups, const char* CancelName) {
    auto* FileBox = new QGroupBox(QStringLiteral("File name"), this);
    edFile = Named(new QLineEdit(QString::fromStdString(DefaultFile()), FileBox), "edFile");
    edFile->setMinimumWidth(320);
    btnBrowse = Named(new QPushButton(QStringLiteral("&Browse"), FileBox), "btnBrowse");
    auto* FileLayout = new QHBoxLayout(FileBox);
    FileLayout->addWidget(edFile, 1);
    FileLayout->addWidget(btnBrowse);

    const TDialogButtons Buttons = MakeDialogButtons(this, "btnOK", CancelName);
    btnOK = Buttons.OK;

    auto* Layout = new QVBoxLayout(this);
    for (QWidget* Group : Groups)
        Layout->addWidget(Group);
    Layout->addWidget(FileBox);
    Layout->addLayout(Buttons.Row);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnBrowse, &QPushButton::clicked, this, &TTransferDialog::btnBrowseClick);
    connect(btnOK, &QPushButton::clicked, this, &TTransferDialog::btnOKClick);
    connect(Buttons.Cancel, &QPushButton::clicked, this, &QDialog::reject);
    return Buttons.Cancel;
}

void TTransferDialog::ChooseFile(QFileDialog::AcceptMode Mode, const QStringList& Filters, int Filter) {
    QFileDialog Dialog(this, windowTitle());
    Dialog.setAcceptMode(Mode);
    if (Mode == QFileDialog::AcceptSave) {
        Dialog.setFileMode(QFileDialog::AnyFile);
        Dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        Dialog.setFileMode(QFileDialog::ExistingFile);
    }
    Dialog.setDefaultSuffix(QStringLiteral("TXT"));
    Dialog.setNameFilters(Filters);
    Dialog.selectNameFilter(Filters[Filter]);
    Dialog.selectFile(edFile->text());
    if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
        edFile->setText(Dialog.selectedFiles().constFirst());
}
