#include "catalogue_ui/ExportDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "catalogue/CatalogueExport.h"
#include "devices/MessageBoxes.h"

TfrmExport::TfrmExport(TDiscCatalogue& Catalogue, QWidget* Parent)
    : TTransferDialog(Catalogue, Parent, "frmExport", QStringLiteral("Export CD database"), 1024) {
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

    brnCancel = LayOut({Format, Content}, "brnCancel");

    connect(rbComma, &QRadioButton::clicked, this, &TfrmExport::rbCommaClick);
    connect(rbLine, &QRadioButton::clicked, this, &TfrmExport::rbLineClick);
    connect(rbDouble, &QRadioButton::clicked, this, &TfrmExport::rbDoubleClick);
    connect(rbSingle, &QRadioButton::clicked, this, &TfrmExport::rbSingleClick);
    connect(rbNone, &QRadioButton::clicked, this, &TfrmExport::rbNoneClick);
    connect(rbFixed, &QRadioButton::clicked, this, &TfrmExport::rbFixedClick);
    connect(rbVariable, &QRadioButton::clicked, this, &TfrmExport::rbVariableClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmExport::Button1Click);
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
    ChooseFile(QFileDialog::AcceptSave,
               {QStringLiteral("Text file (*.txt *.TXT)"), QStringLiteral("All files (*)")}, 0);
}

void TfrmExport::btnOKClick() {
    const std::string FileName = edFile->text().toStdString();
    if (QFileInfo::exists(edFile->text()) && AskYesNo(msgExportFileExists) != idYes) return;
    const TExportResult Result =
        WithProgress(QStringLiteral("Exporting"), [&](const TTransferProgress& Progress) {
            return ExportCatalogue(FCatalogue, FileName, Layout(), Progress);
        });
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
