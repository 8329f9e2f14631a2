#include "dialogs/FitDialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "devices/MessageBoxes.h"

TfrmFit::TfrmFit(TMinSec Target, QWidget* Parent)
    : TTrackListsDialog({"Add selected track to the play list.",
                         "Remove the selected track from the play list.", "Clear the play list."},
                        Parent),
      FTarget(Target) {
    setObjectName(QStringLiteral("frmFit"));
    setWindowTitle(QStringLiteral("Custom programme - fit tracks to time"));
    edTime = new QLineEdit(this);
    edTime->setObjectName(QStringLiteral("edTime"));
    edTime->setToolTip(QStringLiteral("Please enter playing time in Minutes.Seconds."));
    edTime->setMaxLength(5);
    edTime->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,2}(\\.\\d{0,2})?")), edTime));
    edTime->setAlignment(Qt::AlignRight);
    const auto Button = [this](const char* Name, const char* Caption, const char* Hint) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        B->setToolTip(QString::fromUtf8(Hint));
        B->setAutoDefault(false);
        return B;
    };
    auto* btnIn =
        Button("btnIn", "&In order", "Select CD tracks in order up to the time playing time entered.");
    auto* btnAny = Button("btnAny", "&Best fit",
                          "Select any combination of tracks to fit as near the playing time as possible.");
    auto* btnExch = Button("btnExch", "&Exchange", "Exchange play list and tracks available list.");
    connect(btnIn, &QPushButton::clicked, this, &TfrmFit::btnInClick);
    connect(btnAny, &QPushButton::clicked, this, &TfrmFit::btnAnyClick);
    connect(btnExch, &QPushButton::clicked, this, &TfrmFit::btnExchClick);

    auto* Group = new QGroupBox(QStringLiteral("Calculate:"), this);
    auto* GroupLayout = new QVBoxLayout(Group);
    auto* labTarget = new QLabel(QStringLiteral("Playing time"), Group);
    labTarget->setBuddy(edTime);
    GroupLayout->addWidget(labTarget);
    GroupLayout->addWidget(edTime);
    GroupLayout->addWidget(btnIn);
    GroupLayout->addWidget(btnAny);
    ExtraArea()->insertWidget(0, Group);
    ExtraArea()->insertWidget(1, btnExch);
}

void TfrmFit::showEvent(QShowEvent* Event) {
    edTime->setText(QString::fromStdString(FormatMinSec(FTarget)));
    edTime->setFocus();
    edTime->selectAll();
    TTrackListsDialog::showEvent(Event);
}

TMinSec TfrmFit::TargetTime() const {
    const QString Text = edTime->text().trimmed();
    if (Text.isEmpty() || Text == QStringLiteral(".")) return 0;
    bool Ok = false;
    const double Value = QLocale::c().toDouble(Text, &Ok);
    // Anything the field lets through that is no number is refused by the choosers as out of range.
    return Ok ? Value : 100.0;
}

void TfrmFit::Reported(TChooseResult Result) {
    if (Result == crTargetRefused) ShowError(msgTargetOutOfRange);
}

void TfrmFit::btnInClick() {
    if (!FLists) return;
    Reported(FLists->InOrder(TargetTime()));
    Refresh();
}

void TfrmFit::btnAnyClick() {
    if (!FLists) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TChooseResult Result = FLists->BestFit(TargetTime());
    Refresh();
    QApplication::restoreOverrideCursor();
    Reported(Result);
}

void TfrmFit::btnExchClick() {
    if (!FLists) return;
    FLists->Exchange();
    Refresh();
}

bool FitProgrammeLists(QWidget* Parent, TMinSec Target, TTrackLists& Lists) {
    TfrmFit Dialog(Target, Parent);
    Dialog.SetLists(&Lists);
    return Dialog.exec() == QDialog::Accepted;
}
