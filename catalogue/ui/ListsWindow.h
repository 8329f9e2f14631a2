// The editor of one reference list (composers, artists, record labels or music types): add, edit and
// remove names, then OK writes the list file.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
struct TReferenceListInfo;

class TfrmLists : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLists(QWidget* Parent = nullptr);

    // The list letter, C, A, L or T; set before the window is shown.
    char ListType = 'C';

    QLabel* labType;
    QListWidget* lbList;
    QPushButton* btnAdd;
    QPushButton* btnEdit;
    QPushButton* btnRemove;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnAddClick();
    void btnEditClick();
    void btnRemoveClick();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    bool FormShow();
    void ShowNames();

    const TReferenceListInfo* FInfo = nullptr;
    std::vector<std::string> FNames; // in the list's sorted order
    bool FShown = false;
};
