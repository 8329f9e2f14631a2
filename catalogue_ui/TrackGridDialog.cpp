#include "catalogue_ui/TrackGridDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/base/Settings.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/ui/ByteLimit.h"
#include "catalogue_ui/TrackDialog.h"

// Cell editors limited to what a grid cell stores; the open one can be committed before the texts move.
class TTrackCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option,
                          const QModelIndex& Index) const override {
        QWidget* Editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        if (auto* Line = qobject_cast<QLineEdit*>(Editor)) LimitBytes(Line, TrackTextMax);
        FEditor = Editor;
        return Editor;
    }

    void Commit() {
        if (FEditor) emit commitData(FEditor);
    }

private:
    mutable QPointer<QWidget> FEditor;
};

namespace {

constexpr int TextColumns = 3;
const QColor HeadingHighlight(0, 0, 255);

} // namespace

TfrmEdTr::TfrmEdTr(const TPlayerSettings& Settings, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmEdTr"));
    setWindowTitle(QStringLiteral("Track details for - "));
    edTracks = new QTableWidget(0, TextColumns, this);
    edTracks->setObjectName(QStringLiteral("edTracks"));
    edTracks->setToolTip(
        QStringLiteral("<Enter> to edit existing track details and use <Tab> or arrow keys to "
                       "move to another field.  Drag track number to change position."));
    edTracks->setHorizontalHeaderLabels({QStringLiteral("Track name"),
                                         QString::fromStdString(Settings.TracksUser1Caption),
                                         QString::fromStdString(Settings.TracksUser2Caption)});
    for (int c = 0; c < TextColumns; ++c)
        edTracks->setColumnWidth(c, 250);
    edTracks->verticalHeader()->setDefaultSectionSize(18);
    edTracks->verticalHeader()->setMinimumWidth(20);
    edTracks->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edTracks->verticalHeader()->setSectionsMovable(true);
    // The cell editor opens wherever the cursor goes; a click on the current cell does not reopen it
    // late, which would drop what was typed meanwhile.
    edTracks->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                              QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    edTracks->setSelectionMode(QAbstractItemView::SingleSelection);
    edTracks->setTabKeyNavigation(true);
    edTracks->setMinimumSize(20 + 3 * 250 + 24, 300);
    FDelegate = new TTrackCellDelegate(edTracks);
    edTracks->setItemDelegate(FDelegate);
    connect(edTracks->verticalHeader(), &QHeaderView::sectionMoved, this, &TfrmEdTr::edTracksRowMoved);
    connect(edTracks, &QTableWidget::currentCellChanged, this, &TfrmEdTr::HighlightHeadings);

    const auto Button = [this](const char* Name, const char* Caption) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        B->setAutoDefault(false);
        return B;
    };
    btnInsert = Button("btnInsert", "&Insert");
    btnDelete = Button("btnDelete", "&Delete");
    btnOK = Button("btnOK", "&OK");
    btnCancel = Button("btnCancel", "&Cancel");
    connect(btnInsert, &QPushButton::clicked, this, &TfrmEdTr::btnInsertClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmEdTr::btnDeleteClick);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        CommitEdit();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(btnInsert);
    Buttons->addWidget(btnDelete);
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(edTracks);
    Layout->addLayout(Buttons);
}

void TfrmEdTr::SetTracks(int TrackCount, const TStringGridData& Tracks) {
    FTrackCount = std::clamp(TrackCount, 0, 99);
    edTracks->setRowCount(FTrackCount);
    QStringList Numbers;
    for (int t = 1; t <= FTrackCount; ++t)
        Numbers << QString::number(t);
    edTracks->setVerticalHeaderLabels(Numbers);
    ShowTracks(Tracks);
    if (FTrackCount > 0) edTracks->setCurrentCell(0, 0);
    HighlightHeadings();
}

void TfrmEdTr::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (edTracks->currentIndex().isValid()) edTracks->edit(edTracks->currentIndex());
}

void TfrmEdTr::ShowTracks(const TStringGridData& Tracks) {
    for (int t = 1; t <= FTrackCount; ++t)
        for (int c = 0; c < TextColumns; ++c) {
            const QString Text = QString::fromStdString(Tracks.Cells(c, t));
            if (QTableWidgetItem* Item = edTracks->item(t - 1, c))
                Item->setText(Text);
            else
                edTracks->setItem(t - 1, c, new QTableWidgetItem(Text));
        }
}

TStringGridData TfrmEdTr::Tracks() {
    CommitEdit();
    TStringGridData Grid(TextColumns, FTrackCount + 1);
    for (int t = 1; t <= FTrackCount; ++t)
        for (int c = 0; c < TextColumns; ++c)
            if (const QTableWidgetItem* Item = edTracks->item(t - 1, c))
                Grid.SetCells(c, t, Item->text().toStdString());
    return Grid;
}

void TfrmEdTr::CommitEdit() {
    FDelegate->Commit();
}

void TfrmEdTr::btnInsertClick() {
    TStringGridData Grid = Tracks();
    InsertTrackRow(Grid, FTrackCount, edTracks->currentRow() + 1);
    ShowTracks(Grid);
}

void TfrmEdTr::btnDeleteClick() {
    TStringGridData Grid = Tracks();
    DeleteTrackRow(Grid, FTrackCount, edTracks->currentRow() + 1);
    ShowTracks(Grid);
}

void TfrmEdTr::edTracksRowMoved(int, int OldVisual, int NewVisual) {
    // The numbers stay where they are: the heading goes back and the texts move instead.
    QHeaderView* Header = edTracks->verticalHeader();
    {
        const QSignalBlocker Quiet(Header);
        Header->moveSection(NewVisual, OldVisual);
    }
    TStringGridData Grid = Tracks();
    MoveTrackRow(Grid, OldVisual + 1, NewVisual + 1);
    ShowTracks(Grid);
    edTracks->setCurrentCell(NewVisual, std::max(edTracks->currentColumn(), 0));
}

void TfrmEdTr::HighlightHeadings() {
    const int Row = edTracks->currentRow(), Column = edTracks->currentColumn();
    for (int r = 0; r < edTracks->rowCount(); ++r)
        if (QTableWidgetItem* Heading = edTracks->verticalHeaderItem(r))
            Heading->setForeground(r == Row ? QBrush(HeadingHighlight) : QBrush());
    for (int c = 0; c < edTracks->columnCount(); ++c)
        if (QTableWidgetItem* Heading = edTracks->horizontalHeaderItem(c))
            Heading->setForeground(c == Column ? QBrush(HeadingHighlight) : QBrush());
}
