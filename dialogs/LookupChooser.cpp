#include "dialogs/LookupChooser.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui/DialogButtons.h"

TfrmLookupChooser::TfrmLookupChooser(const std::vector<TLookupMatch>& Matches, const TCdTextNames& Text,
                                     QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("frmLookupChooser"));
    setWindowTitle(QStringLiteral("Choose the disc"));
    auto* Caption = new QLabel(
        QStringLiteral("%1 releases match this disc. Choose the one you have:").arg(Matches.size()), this);
    tvMatches = new QTreeWidget(this);
    tvMatches->setObjectName(QStringLiteral("tvMatches"));
    tvMatches->setRootIsDecorated(false);
    tvMatches->setUniformRowHeights(true);
    const QStringList Headers = {
        QStringLiteral("Release"),  QStringLiteral("Artist"),  QStringLiteral("Label"),
        QStringLiteral("Cat. no."), QStringLiteral("Barcode"), QStringLiteral("Country"),
        QStringLiteral("Date"),     QStringLiteral("Format"),  QStringLiteral("Disc"),
        QStringLiteral("Tracks"),   QStringLiteral("From")};
    constexpr int TracksColumn = 9;
    tvMatches->setHeaderLabels(Headers);
    for (const TLookupMatch& M : Matches) {
        auto* Item = new QTreeWidgetItem(tvMatches);
        const QString Date = !M.Date.empty() ? QString::fromStdString(M.Date)
                             : M.Year > 0    ? QString::number(M.Year)
                                             : QString();
        const QString Disc =
            M.MediumCount > 1 ? QStringLiteral("%1 of %2").arg(M.Medium).arg(M.MediumCount) : QString();
        const QStringList Cells = {QString::fromStdString(M.DiscName),
                                   QString::fromStdString(M.Artist),
                                   QString::fromStdString(M.RecordLabel),
                                   QString::fromStdString(M.CatalogueNumber),
                                   QString::fromStdString(M.Barcode),
                                   QString::fromStdString(M.Country),
                                   Date,
                                   QString::fromStdString(M.Format),
                                   Disc,
                                   QString::number(M.TrackCount),
                                   M.Source == TLookupSource::MusicBrainz ? QStringLiteral("MusicBrainz")
                                                                          : QStringLiteral("gnudb")};
        QString Tip;
        for (std::size_t t = 0; t < M.Tracks.size(); ++t)
            Tip += QStringLiteral("%1 %2\n").arg(t + 1, 2).arg(QString::fromStdString(M.Tracks[t]));
        for (int c = 0; c < Cells.size(); ++c) {
            Item->setText(c, Cells[c]);
            Item->setToolTip(c, Tip.trimmed());
        }
        Item->setTextAlignment(TracksColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 0; c < Headers.size(); ++c)
        tvMatches->resizeColumnToContents(c);
    // Wide enough for every column, as far as the screen allows.
    tvMatches->setMinimumSize(std::min(tvMatches->header()->length() + 8, 1000), 200);
    tvMatches->setCurrentItem(
        tvMatches->topLevelItem(static_cast<int>(BestLookupMatch(Matches, Text.DiscName, Text.Artist))));
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

int ChooseLookupMatch(QWidget* Parent, const std::vector<TLookupMatch>& Matches, const TCdTextNames& Text) {
    TfrmLookupChooser Chooser(Matches, Text, Parent);
    return Chooser.exec() == QDialog::Accepted ? Chooser.Chosen() : -1;
}
