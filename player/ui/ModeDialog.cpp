#include "player/ui/ModeDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/ui/DialogButtons.h"

TfrmMode::TfrmMode(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmMode"));
    setWindowTitle(QStringLiteral("CD play mode"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* Group = new QGroupBox(QStringLiteral("Select mode "), this);
    auto* GroupLayout = new QVBoxLayout(Group);
    auto* Exclusive = new QButtonGroup(this);
    struct {
        const char* Name;
        const char* Caption;
        const char* Hint;
        TPlayMode Mode;
    } const Buttons[] = {
        {"btnDisk", "Full &Disk", "Play the whole CD from the current track.", pmDisc},
        {"BtnTrack", "Single &Track", "Play a single track.", pmTrack},
        {"BtnIntro", "&Introduction", "Play the first few seconds of each track.", pmIntro},
        {"btnShuffle", "&Shuffle tracks", "PLay the tracks in a random order.", pmShuffle},
        {"btnCustom", "&Custom programme", "Play the tracks selected in the custom programme for the disk.",
         pmCustom},
    };
    for (const auto& B : Buttons) {
        auto* Radio = new QRadioButton(QString::fromUtf8(B.Caption), Group);
        Radio->setObjectName(QString::fromLatin1(B.Name));
        Radio->setToolTip(QString::fromUtf8(B.Hint));
        Exclusive->addButton(Radio);
        GroupLayout->addWidget(Radio);
        FChoices.push_back({Radio, B.Mode});
    }
    const TDialogButtons Buttons2 =
        MakeDialogButtons(this, "btnOK", "btnCancel", QStringLiteral("&OK"), QStringLiteral("Cance&l"));
    connect(Buttons2.OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Buttons2.Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Group);
    Layout->addLayout(Buttons2.Row);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmMode::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    const QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!Screen) return;
    QRect Place = frameGeometry();
    Place.moveCenter(Screen->availableGeometry().center());
    move(Place.topLeft());
}

void TfrmMode::SetMode(TPlayMode Mode) {
    for (const TChoice& Choice : FChoices) {
        if (Choice.Mode == Mode) Choice.Button->setChecked(true);
    }
}

TPlayMode TfrmMode::Mode(TPlayMode Fallback) const {
    for (const TChoice& Choice : FChoices) {
        if (Choice.Button->isChecked()) return Choice.Mode;
    }
    return Fallback;
}
