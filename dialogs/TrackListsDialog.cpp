#include "dialogs/TrackListsDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "dialogs/TrackLineDelegate.h"

namespace {

QListWidget* MakeList(const char* Name, QWidget* Parent) {
    auto* List = new QListWidget(Parent);
    List->setObjectName(QString::fromLatin1(Name));
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setItemDelegate(new TTrackLineDelegate(List));
    List->setMinimumSize(230, 240);
    return List;
}

void ShowRows(QListWidget* List, const std::vector<TTrackRow>& Rows) {
    const int Scroll = List->verticalScrollBar()->value();
    List->clear();
    for (const TTrackRow& Row : Rows) {
        auto* Item = new QListWidgetItem(QString::fromStdString(Row.Text), List);
        Item->setSelected(Row.Selected);
    }
    List->verticalScrollBar()->setValue(Scroll);
}

void TakeSelection(const QListWidget* List, std::vector<TTrackRow>& Rows) {
    for (int i = 0; i < static_cast<int>(Rows.size()) && i < List->count(); ++i)
        Rows[static_cast<std::size_t>(i)].Selected = List->item(i)->isSelected();
}

} // namespace

TTrackListsDialog::TTrackListsDialog(const THints& Hints, QWidget* Parent) : QDialog(Parent) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    SrcList = MakeList("SrcList", this);
    DstList = MakeList("DstList", this);
    const auto Button = [this](const char* Name, const char* Caption, const char* Hint) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        B->setToolTip(QString::fromUtf8(Hint));
        B->setAutoDefault(false);
        return B;
    };
    btnInclude = Button("btnInclude", "&Add", Hints.Include);
    btnRemove = Button("btnRemove", "&Remove", Hints.Remove);
    btnClear = Button("btnClear", "&Clear list", Hints.Clear);
    btnUp = Button("btnUp", "&Up", "Move selected item up play order.");
    btnDown = Button("btnDown", "&Down", "Move selected item down play order.");
    labTime = new QLabel(this);
    labTime->setObjectName(QStringLiteral("labTime"));
    labTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    connect(btnInclude, &QPushButton::clicked, this, &TTrackListsDialog::IncludeBtnClick);
    connect(btnRemove, &QPushButton::clicked, this, &TTrackListsDialog::ExcludeBtnClick);
    connect(btnClear, &QPushButton::clicked, this, &TTrackListsDialog::ExcAllBtnClick);
    connect(btnUp, &QPushButton::clicked, this, &TTrackListsDialog::btnUpClick);
    connect(btnDown, &QPushButton::clicked, this, &TTrackListsDialog::btnDownClick);
    connect(SrcList, &QListWidget::itemDoubleClicked, this, &TTrackListsDialog::IncludeBtnClick);
    connect(DstList, &QListWidget::itemDoubleClicked, this, &TTrackListsDialog::ExcludeBtnClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* Lists = new QGridLayout;
    Lists->addWidget(new QLabel(QStringLiteral("Tracks available:"), this), 0, 0);
    Lists->addWidget(new QLabel(QStringLiteral("Play list:"), this), 0, 2);
    Lists->addWidget(SrcList, 1, 0);
    auto* Moves = new QVBoxLayout;
    Moves->addStretch();
    for (QPushButton* B : {btnInclude, btnRemove, btnClear, btnUp, btnDown})
        Moves->addWidget(B);
    Moves->addStretch();
    Lists->addLayout(Moves, 1, 1);
    Lists->addWidget(DstList, 1, 2);
    auto* Time = new QHBoxLayout;
    Time->addStretch();
    Time->addWidget(new QLabel(QStringLiteral("Playing time:"), this));
    Time->addWidget(labTime);
    Lists->addLayout(Time, 2, 2);

    FExtra = new QVBoxLayout;
    FExtra->addStretch();
    FExtra->addWidget(btnOK);
    FExtra->addWidget(btnCancel);
    auto* Layout = new QHBoxLayout(this);
    Layout->addLayout(Lists);
    Layout->addLayout(FExtra);
}

void TTrackListsDialog::SetLists(TTrackLists* Lists) {
    FLists = Lists;
    Refresh();
}

void TTrackListsDialog::showEvent(QShowEvent* Event) {
    Refresh();
    QDialog::showEvent(Event);
}

void TTrackListsDialog::ReadSelection() {
    if (!FLists) return;
    TakeSelection(SrcList, FLists->Src);
    TakeSelection(DstList, FLists->Dst);
}

void TTrackListsDialog::Refresh() {
    static const TTrackLists None(true);
    const TTrackLists& L = FLists ? *FLists : None;
    ShowRows(SrcList, L.Src);
    ShowRows(DstList, L.Dst);
    btnInclude->setEnabled(!L.Src.empty());
    for (QPushButton* B : {btnRemove, btnClear, btnUp, btnDown})
        B->setEnabled(!L.Dst.empty());
    labTime->setText(QString::fromStdString(FormatMinSec(L.Total())));
}

void TTrackListsDialog::Apply(void (TTrackLists::*Operation)()) {
    if (!FLists) return;
    ReadSelection();
    (FLists->*Operation)();
    Refresh();
}

void TTrackListsDialog::IncludeBtnClick() {
    Apply(&TTrackLists::Include);
}

void TTrackListsDialog::ExcludeBtnClick() {
    Apply(&TTrackLists::Exclude);
}

void TTrackListsDialog::ExcAllBtnClick() {
    Apply(&TTrackLists::ExcludeAll);
}

void TTrackListsDialog::btnUpClick() {
    Apply(&TTrackLists::MoveUp);
}

void TTrackListsDialog::btnDownClick() {
    Apply(&TTrackLists::MoveDown);
}
