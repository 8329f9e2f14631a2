#include "devices/ui/AdjustBookmark.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "devices/CdAudio.h"
#include "devices/MessageBoxes.h"
#include "player/base/PlayerState.h"

const char* const msgStartAfterEnd = "Start position is after end position.";

namespace {

int Maximum(int Column) {
    return Column == 0 ? 99 : Column == 1 ? 59 : 74;
}

} // namespace

TfrmAdjust::TfrmAdjust(TPlayerState& State, TCdAudio& Cd, QWidget* Parent)
    : QDialog(Parent), FState(State), FCd(Cd) {
    setObjectName(QStringLiteral("frmAdjust"));
    setWindowTitle(QStringLiteral("Adjust bookmark"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* Grid = new QGridLayout(this);
    const char* Headings[] = {"Minutes", "Seconds", "Frames"};
    for (int C = 0; C < 3; ++C)
        Grid->addWidget(new QLabel(QString::fromLatin1(Headings[C]), this), 0, 1 + 2 * C);
    const char* Names[2][3] = {{"OvcSM", "OvcSS", "OvcSF"}, {"OvcEM", "OvcES", "OvcEF"}};
    QLineEdit** Edits[2][3] = {{&OvcSM, &OvcSS, &OvcSF}, {&OvcEM, &OvcES, &OvcEF}};
    for (int R = 0; R < 2; ++R) {
        Grid->addWidget(new QLabel(R == 0 ? QStringLiteral("Start") : QStringLiteral("End"), this), 1 + R, 0);
        for (int C = 0; C < 3; ++C) {
            auto* Edit = new QLineEdit(this);
            Edit->setObjectName(QString::fromLatin1(Names[R][C]));
            Edit->setValidator(new QIntValidator(0, Maximum(C), Edit));
            Edit->setMaxLength(2);
            Edit->setFixedWidth(36);
            Edit->setAlignment(Qt::AlignRight);
            Edit->installEventFilter(this);
            *Edits[R][C] = Edit;
            Grid->addWidget(Edit, 1 + R, 1 + 2 * C);
            if (C < 2) Grid->addWidget(new QLabel(QStringLiteral(":"), this), 1 + R, 2 + 2 * C);
        }
    }
    OvcSpinner1 = new QWidget(this);
    OvcSpinner1->setObjectName(QStringLiteral("OvcSpinner1"));
    auto* SpinLayout = new QVBoxLayout(OvcSpinner1);
    SpinLayout->setContentsMargins(0, 0, 0, 0);
    SpinLayout->setSpacing(0);
    SpinUp = new QToolButton(OvcSpinner1);
    SpinUp->setArrowType(Qt::UpArrow);
    SpinUp->setAutoRepeat(true);
    SpinDown = new QToolButton(OvcSpinner1);
    SpinDown->setArrowType(Qt::DownArrow);
    SpinDown->setAutoRepeat(true);
    for (QToolButton* B : {SpinUp, SpinDown}) {
        B->setFocusPolicy(Qt::NoFocus);
        SpinLayout->addWidget(B);
    }
    Grid->addWidget(OvcSpinner1, 1, 7, 2, 1);
    connect(SpinUp, &QToolButton::clicked, this, [this] { Spin(1); });
    connect(SpinDown, &QToolButton::clicked, this, [this] { Spin(-1); });

    auto* Buttons = new QHBoxLayout;
    const auto Button = [&](const char* Name, const char* Caption) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        B->setAutoDefault(false);
        Buttons->addWidget(B);
        return B;
    };
    btnOK = Button("btnOK", "&OK");
    btnPreview = Button("btnPreview", "&Preview");
    btnRepeat = Button("btnRepeat", "&Repeat preview");
    Grid->addLayout(Buttons, 3, 0, 1, 8);
    connect(btnOK, &QPushButton::clicked, this, &TfrmAdjust::btnOKClick);
    connect(btnPreview, &QPushButton::clicked, this, &TfrmAdjust::btnPreviewClick);
    connect(btnRepeat, &QPushButton::clicked, this, &TfrmAdjust::btnRepeatClick);
    Timer.setObjectName(QStringLiteral("Timer"));
    Timer.setInterval(1000);
    connect(&Timer, &QTimer::timeout, this, &TfrmAdjust::TimerTimer);
    FActive = OvcSM;
}

void TfrmAdjust::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    FormShow();
}

bool TfrmAdjust::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::FocusIn)
        if (auto* Edit = qobject_cast<QLineEdit*>(Watched)) OvcSMEnter(Edit);
    return QDialog::eventFilter(Watched, Event);
}

void TfrmAdjust::SetFields(QLineEdit* M, QLineEdit* S, QLineEdit* F, const TMsfFields& Fields) {
    M->setText(QStringLiteral("%1").arg(std::min(Fields.Minutes, 99), 2, 10, QLatin1Char('0')));
    S->setText(QStringLiteral("%1").arg(Fields.Seconds, 2, 10, QLatin1Char('0')));
    F->setText(QStringLiteral("%1").arg(Fields.Frames, 2, 10, QLatin1Char('0')));
}

TMsfFields TfrmAdjust::Fields(QLineEdit* M, QLineEdit* S, QLineEdit* F) const {
    const auto Value = [](QLineEdit* E, int Max) { return std::clamp(E->text().toInt(), 0, Max); };
    return {Value(M, 99), Value(S, 59), Value(F, 74)};
}

void TfrmAdjust::FormShow() {
    SetFields(OvcSM, OvcSS, OvcSF, RelativeFields(FState.BookmarkStart, FCd.TrackStart[1]));
    SetFields(OvcEM, OvcES, OvcEF, RelativeFields(FState.BookmarkEnd, FCd.TrackStart[1]));
}

bool TfrmAdjust::FieldsValid() {
    FState.BookmarkStart = AbsolutePosition(Fields(OvcSM, OvcSS, OvcSF), FCd.TrackStart[1]);
    FState.BookmarkEnd = AbsolutePosition(Fields(OvcEM, OvcES, OvcEF), FCd.TrackStart[1]);
    return MSFToFrames(FState.BookmarkEnd) >= MSFToFrames(FState.BookmarkStart);
}

bool TfrmAdjust::TakeOverFields() {
    if (FieldsValid()) return true;
    ShowError(msgStartAfterEnd);
    return false;
}

void TfrmAdjust::OvcSMEnter(QLineEdit* Field) {
    FActive = Field;
}

void TfrmAdjust::Spin(int Step) {
    if (!FActive) return;
    const int Column = FActive == OvcSM || FActive == OvcEM   ? 0
                       : FActive == OvcSS || FActive == OvcES ? 1
                                                              : 2;
    const int Value = std::clamp(FActive->text().toInt() + Step, 0, Maximum(Column));
    FActive->setText(QStringLiteral("%1").arg(Value, 2, 10, QLatin1Char('0')));
}

void TfrmAdjust::btnPreviewClick() {
    if (TakeOverFields()) FCd.PlayBookmark();
}

void TfrmAdjust::btnRepeatClick() {
    if (TakeOverFields() && btnRepeat->text() == QStringLiteral("&Repeat preview")) {
        FCd.PlayBookmark();
        Timer.start();
        btnRepeat->setText(QStringLiteral("&Stop preview"));
        return;
    }
    Timer.stop();
    FCd.StopCD();
    btnRepeat->setText(QStringLiteral("&Repeat preview"));
}

void TfrmAdjust::TimerTimer() {
    if (FCd.GetCDMode() != cmPlaying && FieldsValid()) FCd.PlayBookmark();
}

void TfrmAdjust::btnOKClick() {
    if (!TakeOverFields()) return;
    Timer.stop();
    accept();
}
