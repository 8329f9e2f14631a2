// What the custom programme editor and fit tracks share: the list of available tracks and the play list,
// drawn as track lines in columns, the buttons that move rows between and within them, and the play
// list's total. The rows themselves live in a TTrackLists the caller owns.
#pragma once

#include <QDialog>

#include "player/TrackLists.h"

class QBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;

class TTrackListsDialog : public QDialog {
    Q_OBJECT
public:
    // Hints of btnInclude, btnRemove and btnClear.
    struct THints {
        const char* Include;
        const char* Remove;
        const char* Clear;
    };
    TTrackListsDialog(const THints& Hints, QWidget* Parent);

    // The lists to show and edit; they must outlive the window's use.
    void SetLists(TTrackLists* Lists);

public slots:
    void IncludeBtnClick();
    void ExcludeBtnClick();
    void ExcAllBtnClick();
    void btnUpClick();
    void btnDownClick();

protected:
    void showEvent(QShowEvent* Event) override;
    // Takes the user's selection into the lists.
    void ReadSelection();
    // Shows the lists' rows and total again and enables the buttons that can act.
    void Refresh();
    // Room beside the lists for controls of a derived window.
    QBoxLayout* ExtraArea() const { return FExtra; }

    TTrackLists* FLists = nullptr;
    QListWidget* SrcList;
    QListWidget* DstList;
    QPushButton* btnInclude;
    QPushButton* btnRemove;
    QPushButton* btnClear;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QLabel* labTime;

private:
    void Apply(void (TTrackLists::*Operation)());

    QBoxLayout* FExtra;
};
