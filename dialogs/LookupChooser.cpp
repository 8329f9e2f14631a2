#include "dialogs/LookupChooser.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui/DialogButtons.h"

TfrmLookupChooser::TfrmLookupChooser(const std::vector<TLookupMatch>& Matches, QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("frmLookupChooser"));
    setWindowTitle(QStringLiteral("Choose the disc"));
    auto* Caption = new QLabel(
        QStringLiteral("%1 releases match this disc. Choose the one you have:").arg(Matches.size()), this);
    tvMatches = new QTreeWidget(this);
    tvMatches->setObjectName(QStringLiteral("tvMatches"));
    tvMatches->setRootIsDecorated(false);
    tvMatches->setUniformRowHeights(true);
    tvMatches->setHeaderLabels({QStringLiteral("Release"), QStringLiteral("Artist"), QStringLiteral("Year"),
                                QStringLiteral("Country"), QStringLiteral("Label"), QStringLiteral("Tracks"),
                                QStringLiteral("From")});
    for (const TLookupMatch& M : Matches) {
        auto* Item = new QTreeWidgetItem(tvMatches);
        Item->setText(0, QString::fromStdString(M.DiscName));
        Item->setText(1, QString::fromStdString(M.Artist));
        Item->setText(2, M.Year > 0 ? QString::number(M.Year) : QString());
        Item->setText(3, QString::fromStdString(M.Country));
        Item->setText(4, QString::fromStdString(M.RecordLabel));
        Item->setText(5, QString::number(M.TrackCount));
        Item->setText(6, M.Source == TLookupSource::MusicBrainz ? QStringLiteral("MusicBrainz")
                                                                : QStringLiteral("gnudb"));
        Item->setTextAlignment(5, Qt::AlignRight | Qt::AlignVCenter);
        QString Tip;
        for (std::size_t t = 0; t < M.Tracks.size(); ++t)
            Tip += QStringLiteral("%1 %2\n").arg(t + 1, 2).arg(QString::fromStdString(M.Tracks[t]));
        for (int c = 0; c < 7; ++c)
            Item->setToolTip(c, Tip.trimmed());
    }
    for (int c = 0; c < 7; ++c)
        tvMatches->resizeColumnToContents(c);
    // Wide enough for every column, as far as the screen allows.
    tvMatches->setMinimumSize(std::min(tvMatches->header()->length() + 8, 1000), 200);
    tvMatches->setCurrentItem(tvMatches->topLevelItem(0));
    connect(tvMatches, &QTreeWidget::itemActivated, this, &QDialog::accept);

    const TDialogButtons Buttons =
        MakeDialogButtons(this, "btnOK", "btnCancel", QStringLiteral("OK"), QStringLiteral("Cancel"));
    btnOK = Buttons.OK;
    btnCancel = Buttons.Cancel;
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Caption);
    Layout->addWidget(tvMatches, 1);
    Layout->addLayout(Buttons.Row);
}

int TfrmLookupChooser::Chosen() const {
    const QTreeWidgetItem* Item = tvMatches->currentItem();
    return Item ? tvMatches->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(Item)) : -1;
}

int ChooseLookupMatch(QWidget* Parent, const std::vector<TLookupMatch>& Matches) {
    TfrmLookupChooser Chooser(Matches, Parent);
    return Chooser.exec() == QDialog::Accepted ? Chooser.Chosen() : -1;
}
