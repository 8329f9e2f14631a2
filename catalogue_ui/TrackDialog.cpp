#include "catalogue_ui/TrackDialog.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/base/Settings.h"
#include "app/ui/DialogButtons.h"
#include "catalogue/ui/ByteLimit.h"

TfrmSTrack::TfrmSTrack(const TPlayerSettings& Settings, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmSTrack"));
    setWindowTitle(QStringLiteral("Track information"));
    const auto Label = [this](const char* Name, const QString& Caption, QWidget* Owner) {
        auto* L = new QLabel(Caption, Owner);
        L->setObjectName(QString::fromLatin1(Name));
        L->setTextFormat(Qt::PlainText);
        return L;
    };
    const auto Edit = [](const char* Name, QWidget* Owner) {
        auto* E = new QLineEdit(Owner);
        E->setObjectName(QString::fromLatin1(Name));
        E->setMinimumWidth(360);
        LimitBytes(E, TrackTextMax);
        return E;
    };
    labNumber = Label("labNumber", {}, this);
    labTime = Label("labTime", {}, this);
    labTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* Top = new QHBoxLayout;
    Top->addWidget(new QLabel(QStringLiteral("Track number:"), this));
    Top->addWidget(labNumber);
    Top->addStretch();
    Top->addWidget(new QLabel(QStringLiteral("Playing time:"), this));
    Top->addWidget(labTime);

    auto* Panel = new QFrame(this);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    edName = Edit("edName", Panel);
    edUser1 = Edit("edUser1", Panel);
    edUser2 = Edit("edUser2", Panel);
    labUser1 = Label("labUser1", QString::fromStdString(Settings.TracksUser1Caption), Panel);
    labUser2 = Label("labUser2", QString::fromStdString(Settings.TracksUser2Caption), Panel);
    auto* Fields = new QFormLayout(Panel);
    Fields->addRow(QStringLiteral("Name:"), edName);
    Fields->addRow(labUser1, edUser1);
    Fields->addRow(labUser2, edUser2);

    const TDialogButtons Buttons = MakeDialogButtons(this, "BitBtn1", "BitBtn2");
    BitBtn1 = Buttons.OK;
    BitBtn2 = Buttons.Cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Top);
    Layout->addWidget(Panel);
    Layout->addLayout(Buttons.Row);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}
