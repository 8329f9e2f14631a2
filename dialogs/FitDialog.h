// Fit tracks: a second editor of the disc's programme, where a track is in exactly one of the two lists,
// with the choosers that fill the play list up to a playing time.
#pragma once

#include "devices/base/TimeValues.h"
#include "dialogs/TrackListsDialog.h"

class QLineEdit;

class TfrmFit : public TTrackListsDialog {
    Q_OBJECT
public:
    // Target: the playing time the field starts with.
    explicit TfrmFit(TMinSec Target, QWidget* Parent = nullptr);

    // The value of edTime; an empty field is 0.
    TMinSec TargetTime() const;

public slots:
    void btnInClick();
    void btnAnyClick();
    void btnExchClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // Tells the user when the target time was refused.
    void Reported(TChooseResult Result);

    TMinSec FTarget;
    QLineEdit* edTime;
};

// Shows fit tracks on Lists with Target in the time field; true when closed with OK.
bool FitProgrammeLists(QWidget* Parent, TMinSec Target, TTrackLists& Lists);
