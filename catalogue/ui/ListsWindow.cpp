#include "catalogue/ui/ListsWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "catalogue/ReferenceList.h"
#include "catalogue/ui/ItemWindow.h"
#include "devices/MessageBoxes.h"

TfrmLists::TfrmLists(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmLists"));
    setWindowTitle(QStringLiteral("Composers"));
    labType = new QLabel(this);
    labType->setObjectName(QStringLiteral("labType"));
    lbList = new QListWidget(this);
    lbList->setObjectName(QStringLiteral("lbList"));
    lbList->setMinimumSize(300, 260);
    labType->setBuddy(lbList);
    const auto Button = [this](const char* Name, const char* Caption) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        return B;
    };
    btnAdd = Button("btnAdd", "&Add");
    btnEdit = Button("btnEdit", "&Edit");
    btnRemove = Button("btnRemove", "&Remove");
    btnOK = Button("btnOK", "&OK");
    btnCancel = Button("btnCancel", "&Cancel");
    btnOK->setDefault(true);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmLists::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmLists::btnEditClick);
    connect(lbList, &QListWidget::itemDoubleClicked, this, &TfrmLists::btnEditClick);
    connect(btnRemove, &QPushButton::clicked, this, &TfrmLists::btnRemoveClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmLists::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* Buttons = new QVBoxLayout;
    for (QPushButton* B : {btnAdd, btnEdit, btnRemove})
        Buttons->addWidget(B);
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Left = new QVBoxLayout;
    Left->addWidget(labType);
    Left->addWidget(lbList);
    auto* Layout = new QHBoxLayout(this);
    Layout->addLayout(Left, 1);
    Layout->addLayout(Buttons);
}

void TfrmLists::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (FShown) return;
    FShown = true;
    if (!FormShow()) QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

bool TfrmLists::FormShow() {
    FInfo = ReferenceListInfo(ListType);
    if (!FInfo) FInfo = ReferenceListInfo('C');
    setWindowTitle(QString::fromUtf8(FInfo->Caption));
    labType->setText(QString::fromUtf8(FInfo->Label));
    const std::string File = ReferenceListPath(*FInfo);
    TReferenceListRead Read = ReadReferenceList(File);
    if (!Read.Ok) {
        ShowError("Cannot open " + File);
        return false;
    }
    FNames = std::move(Read.Names);
    std::stable_sort(FNames.begin(), FNames.end(), ReferenceNameLess);
    ShowNames();
    return true;
}

void TfrmLists::ShowNames() {
    lbList->clear();
    for (const std::string& Name : FNames)
        lbList->addItem(QString::fromStdString(Name));
}

void TfrmLists::btnAddClick() {
    if (!FInfo) return;
    TfrmItem Item(windowTitle(), QString::fromUtf8(FInfo->Prompt), {}, FInfo->AddMaxLength, this);
    if (Item.exec() != QDialog::Accepted) return;
    const std::string Name = Item.Name().toStdString();
    InsertReferenceName(FNames, Name);
    ShowNames();
    lbList->setCurrentRow(
        static_cast<int>(std::upper_bound(FNames.begin(), FNames.end(), Name, ReferenceNameLess) -
                         FNames.begin()) -
        1);
}

void TfrmLists::btnEditClick() {
    const int Row = lbList->currentRow();
    if (!FInfo || Row < 0 || Row >= static_cast<int>(FNames.size()) || !lbList->currentItem()->isSelected()) {
        ShowError("Please select an item to edit.");
        lbList->setFocus();
        return;
    }
    TfrmItem Item(windowTitle(), QString::fromUtf8(FInfo->Prompt), QString::fromStdString(FNames[Row]),
                  FInfo->MaxLength, this);
    if (Item.exec() != QDialog::Accepted) return;
    FNames.erase(FNames.begin() + Row);
    InsertReferenceName(FNames, Item.Name().toStdString());
    ShowNames();
}

void TfrmLists::btnRemoveClick() {
    const int Row = lbList->currentRow();
    if (Row < 0 || Row >= static_cast<int>(FNames.size()) || !lbList->currentItem()->isSelected()) {
        ShowError("Please select an item to delete.");
        lbList->setFocus();
        return;
    }
    if (AskYesNo("Are you sure you wish to delete the highlighted entry?") != idYes) return;
    FNames.erase(FNames.begin() + Row);
    ShowNames();
}

void TfrmLists::btnOKClick() {
    // A list that cannot be written keeps the window open with its entries: OK tries again.
    if (FInfo && !WriteReferenceList(ReferenceListPath(*FInfo), FNames)) {
        const int Error = errno;
        const std::string Cause = Error == ENOSPC || Error == EDQUOT ? " The disk is full."
                                  : Error != 0 ? std::string(" (") + std::strerror(Error) + ")"
                                               : std::string();
        ShowError("Cannot save " + windowTitle().toStdString() + " file!" + Cause);
        return;
    }
    accept();
}
