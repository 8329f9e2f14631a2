#include "player/ui/AboutBox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    auto* ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/general.bmp"))
                               .scaled(64, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* ProductName = new QLabel(QStringLiteral("<b>Orbelune</b>"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    auto* Version =
        new QLabel(QStringLiteral("Version %1").arg(QCoreApplication::applicationVersion()), this);
    Version->setObjectName(QStringLiteral("Version"));
    auto* Comments = new QLabel(QStringLiteral("An audio CD player with a catalogue of your discs."), this);
    auto* OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* Texts = new QVBoxLayout;
    Texts->addWidget(ProductName);
    Texts->addWidget(Version);
    Texts->addWidget(Comments);
    auto* Top = new QHBoxLayout;
    Top->addWidget(ProgramIcon);
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
