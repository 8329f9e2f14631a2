#include "player/ui/TrackChooser.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmTracks::TfrmTracks(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmTracks"));
    setWindowTitle(QStringLiteral("Goto selected track"));
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("lbTracks"));
    // The lines are laid out in columns of characters.
    FList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FList->setMinimumSize(320, 240);
    auto* btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cance&l"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(FList);
    Layout->addLayout(Buttons);
}

void TfrmTracks::SetLines(const std::vector<std::string>& Lines) {
    FList->clear();
    for (const std::string& Line : Lines)
        FList->addItem(QString::fromStdString(Line));
    if (FList->count() > 0) FList->setCurrentRow(0);
}

int TfrmTracks::SelectedIndex() const {
    return FList->currentRow();
}
