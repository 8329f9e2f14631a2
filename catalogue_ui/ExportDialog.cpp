#include "catalogue_ui/ExportDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "catalogue/CatalogueExport.h"
#include "catalogue_ui/ProgressForm.h"
#include "devices/MessageBoxes.h"

namespace {

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

} // namespace

TfrmExport::TfrmExport(TDiscCatalogue& Catalogue, QWidget* Parent) : QDialog(Parent), FCatalogue(Catalogue) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Export CD database"));
    setProperty("HelpContext", 1024);

    auto* Format = new QGroupBox(QStringLiteral("Format"), this);
    rbComma = Named(new QRadioButton(QStringLiteral("&Comma separated"), Format), "rbComma");
    rbLine = Named(new QRadioButton(QStringLiteral("&Line feed separated"), Format), "rbLine");
    rbDouble = Named(new QRadioButton(QStringLiteral("&Double quotes around text"), Format), "rbDouble");
    rbSingle = Named(new QRadioButton(QStringLiteral("&Single quotes around text"), Format), "rbSingle");
    rbNone = Named(new QRadioButton(QStringLiteral("&None"), Format), "rbNone");
    rbFixed = Named(new QRadioButton(QStringLiteral("&Fixed number of tracks per CD"), Format), "rbFixed");
    rbVariable =
        Named(new QRadioButton(QStringLiteral("&Variable number of tracks per CD"), Format), "rbVariable");
    edFields = Named(new QSpinBox(Format), "edFields");
    edFields->setRange(0, 99);
    edFields->setValue(99);
    edFields->setToolTip(QStringLiteral("Number of track column groups in every record"));
    for (const auto& Set : {std::initializer_list<QRadioButton*>{rbComma, rbLine},
                            {rbDouble, rbSingle, rbNone},
                            {rbFixed, rbVariable}}) {
        auto* Group = new QButtonGroup(this);
        for (QRadioButton* Button : Set)
            Group->addButton(Button);
    }
    rbComma->setChecked(true);
    rbDouble->setChecked(true);
    rbFixed->setChecked(true);
    auto* FormatLayout = new QGridLayout(Format);
    FormatLayout->addWidget(rbComma, 0, 0);
    FormatLayout->addWidget(rbLine, 1, 0);
    FormatLayout->addWidget(rbDouble, 0, 1);
    FormatLayout->addWidget(rbSingle, 1, 1);
    FormatLayout->addWidget(rbNone, 2, 1);
    FormatLayout->addWidget(rbFixed, 3, 0);
    FormatLayout->addWidget(edFields, 3, 1, Qt::AlignLeft);
    FormatLayout->addWidget(rbVariable, 4, 0);

    auto* Content = new QGroupBox(QStringLiteral("Content"), this);
    cbHeader = Named(new QCheckBox(QStringLiteral("&Header record with field names"), Content), "cbHeader");
    cbName = Named(new QCheckBox(QStringLiteral("Track n&ame"), Content), "cbName");
    cbDef1 = Named(new QCheckBox(QStringLiteral("Track user defined field &1"), Content), "cbDef1");
    cbDef2 = Named(new QCheckBox(QStringLiteral("Track user defined field &2"), Content), "cbDef2");
    cbTimes = Named(new QCheckBox(QStringLiteral("&Track times"), Content), "cbTimes");
    cbHeader->setChecked(true);
    cbName->setChecked(true);
    cbTimes->setChecked(true);
    Button1 = Named(new QPushButton(QStringLiteral("Or&belune default"), Content), "Button1");
    Button1->setToolTip(QStringLiteral("Set the default record format used for Orbelune import."));
    auto* ContentLayout = new QGridLayout(Content);
    ContentLayout->addWidget(cbHeader, 0, 0, 1, 2);
    ContentLayout->addWidget(cbName, 1, 0);
    ContentLayout->addWidget(cbTimes, 1, 1);
    ContentLayout->addWidget(cbDef1, 2, 0);
    ContentLayout->addWidget(cbDef2, 2, 1);
    ContentLayout->addWidget(Button1, 3, 1, Qt::AlignRight);

    auto* FileBox = new QGroupBox(QStringLiteral("File name"), this);
    edFile = Named(new QLineEdit(QString::fromStdString(ProgramDir() + "EXPORT.TXT"), FileBox), "edFile");
    edFile->setMinimumWidth(320);
    btnBrowse = Named(new QPushButton(QStringLiteral("&Browse"), FileBox), "btnBrowse");
    auto* FileLayout = new QHBoxLayout(FileBox);
    FileLayout->addWidget(edFile, 1);
    FileLayout->addWidget(btnBrowse);

    btnOK = Named(new QPushButton(QStringLiteral("&OK"), this), "btnOK");
    btnOK->setDefault(true);
    brnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "brnCancel");
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(brnCancel);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Format);
    Layout->addWidget(Content);
    Layout->addWidget(FileBox);
    Layout->addLayout(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(rbComma, &QRadioButton::clicked, this, &TfrmExport::rbCommaClick);
    connect(rbLine, &QRadioButton::clicked, this, &TfrmExport::rbLineClick);
    connect(rbDouble, &QRadioButton::clicked, this, &TfrmExport::rbDoubleClick);
    connect(rbSingle, &QRadioButton::clicked, this, &TfrmExport::rbSingleClick);
    connect(rbNone, &QRadioButton::clicked, this, &TfrmExport::rbNoneClick);
    connect(rbFixed, &QRadioButton::clicked, this, &TfrmExport::rbFixedClick);
    connect(rbVariable, &QRadioButton::clicked, this, &TfrmExport::rbVariableClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmExport::Button1Click);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmExport::btnBrowseClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmExport::btnOKClick);
    connect(brnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TExportLayout TfrmExport::Layout() const {
    TExportLayout L;
    L.FieldSeparator = FieldSeparator;
    L.TextQuote = TextQuote;
    L.FixedTracks = rbFixed->isChecked();
    L.TrackFields = edFields->value();
    L.Header = cbHeader->isChecked();
    L.Times = cbTimes->isChecked();
    L.Names = cbName->isChecked();
    L.User1 = cbDef1->isChecked();
    L.User2 = cbDef2->isChecked();
    return L;
}

void TfrmExport::rbCommaClick() {
    FieldSeparator = ",";
}

void TfrmExport::rbLineClick() {
    FieldSeparator = ExportLineBreak;
}

void TfrmExport::rbDoubleClick() {
    TextQuote = "\"";
}

void TfrmExport::rbSingleClick() {
    TextQuote = "'";
}

void TfrmExport::rbNoneClick() {
    TextQuote.clear();
}

void TfrmExport::rbFixedClick() {
    edFields->setEnabled(true);
    edFields->setFocus();
}

void TfrmExport::rbVariableClick() {
    edFields->setEnabled(false);
}

void TfrmExport::Button1Click() {
    rbLine->setChecked(true);
    rbLineClick();
    rbNone->setChecked(true);
    rbNoneClick();
    rbVariable->setChecked(true);
    rbVariableClick();
    cbHeader->setChecked(false);
    for (QCheckBox* Box : {cbName, cbDef1, cbDef2, cbTimes})
        Box->setChecked(true);
}

void TfrmExport::btnBrowseClick() {
    QFileDialog Dialog(this, QStringLiteral("Export CD database"));
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setFileMode(QFileDialog::AnyFile);
    // The OK button asks before it overwrites.
    Dialog.setOption(QFileDialog::DontConfirmOverwrite);
    Dialog.setDefaultSuffix(QStringLiteral("TXT"));
    Dialog.setNameFilters({QStringLiteral("Text file (*.txt *.TXT)"), QStringLiteral("All files (*)")});
    Dialog.selectFile(edFile->text());
    if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
        edFile->setText(Dialog.selectedFiles().constFirst());
}

void TfrmExport::btnOKClick() {
    const std::string FileName = edFile->text().toStdString();
    if (QFileInfo::exists(edFile->text()) && AskYesNo(msgExportFileExists) != idYes) return;
    TProgForm Progress(this);
    Progress.Start(QStringLiteral("Exporting"));
    const TExportResult Result = ExportCatalogue(FCatalogue, FileName, Layout(),
                                                 [&Progress](int Percent) { Progress.SetProgress(Percent); });
    Progress.close();
    if (!Result.Ok) {
        if (!Result.Error.empty()) ShowError(Result.Error);
        return;
    }
    // One closing message with the count, as the shell tells it, and the discs left incomplete.
    std::string Done = "Exported " + std::to_string(Result.Discs) + (Result.Discs == 1 ? " disc" : " discs") +
                       " to " + FileName + ".";
    if (!Result.Unreadable.empty()) {
        std::string Discs;
        for (std::size_t I = 0; I < Result.Unreadable.size() && I < 10; ++I)
            Discs += (I == 0 ? "" : "; ") + Result.Unreadable[I];
        if (Result.Unreadable.size() > 10)
            Discs += "; and " + std::to_string(Result.Unreadable.size() - 10) + " more";
        Done += " The track names of these discs could not be read and are missing from it: " + Discs +
                ". 'orbelune-cat check' names the damage.";
    }
    ShowError(Done);
    accept();
}
