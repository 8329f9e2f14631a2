#include "player/ui/AboutBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/base/LibraryVersions.h"
#include "app/base/Settings.h"

namespace {

QLabel* MakeLabel(const char* Name, const QString& Text, QWidget* Parent) {
    auto* Label = new QLabel(Text, Parent);
    Label->setObjectName(QString::fromLatin1(Name));
    return Label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    auto* ProgramIcon = MakeLabel("ProgramIcon", {}, this);
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/ProgramIcon")));
    ProgramIcon->setAlignment(Qt::AlignTop);
    auto* ProductName = MakeLabel("ProductName", QStringLiteral("Orbelune"), this);
    QFont Big = ProductName->font();
    Big.setBold(true);
    Big.setPointSizeF(Big.pointSizeF() * 1.6);
    ProductName->setFont(Big);
    auto* Version =
        MakeLabel("Version", QStringLiteral("Version %1").arg(QString::fromLatin1(ProgramVersion())), this);
    auto* Comments =
        MakeLabel("Comments", QStringLiteral("An audio CD player with a catalogue of your discs."), this);

    auto* Libraries = new QGridLayout;
    Libraries->setHorizontalSpacing(12);
    Libraries->addWidget(new QLabel(QStringLiteral("Libraries in use:"), this), 0, 0, 1, 2);
    int Row = 1;
    for (const TLibraryVersion& Library : LibraryVersions()) {
        Libraries->addWidget(new QLabel(QString::fromStdString(Library.Name), this), Row, 0);
        auto* Number = new QLabel(QString::fromStdString(Library.Version), this);
        Number->setObjectName(QStringLiteral("lib_") + QString::fromStdString(Library.Name));
        Libraries->addWidget(Number, Row++, 1);
    }
    Libraries->setColumnStretch(1, 1);

    auto* DataFolder = MakeLabel("labDataFolder", QString::fromStdString(ProgramDir()), this);
    DataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    DataFolder->setToolTip(QStringLiteral("Settings, catalogue and reference lists are kept here."));

    auto* OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* Texts = new QVBoxLayout;
    Texts->addWidget(ProductName);
    Texts->addWidget(Version);
    Texts->addWidget(Comments);
    Texts->addSpacing(8);
    Texts->addLayout(Libraries);
    Texts->addSpacing(8);
    Texts->addWidget(new QLabel(QStringLiteral("Data folder:"), this));
    Texts->addWidget(DataFolder);
    auto* Top = new QHBoxLayout;
    Top->addWidget(ProgramIcon);
    Top->addSpacing(8);
    Top->addLayout(Texts);
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(OKButton);
    Buttons->addStretch();
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Top);
    Layout->addLayout(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}
