// The bookmark adjustment window: the bookmark's start and end as minutes, seconds and frames from the
// start of track 1, one spinner for the field last entered, and a preview that can repeat.
#pragma once

#include <QDialog>
#include <QTimer>

#include "devices/BookmarkFields.h"

class QLineEdit;
class QPushButton;
class QToolButton;
class TCdAudio;
struct TPlayerState;

extern const char* const msgStartAfterEnd;

class TfrmAdjust : public QDialog {
    Q_OBJECT
public:
    TfrmAdjust(TPlayerState& State, TCdAudio& Cd, QWidget* Parent = nullptr);

    QLineEdit *OvcSM, *OvcSS, *OvcSF, *OvcEM, *OvcES, *OvcEF;
    QToolButton *SpinUp, *SpinDown;
    QWidget* OvcSpinner1;
    QPushButton *btnOK, *btnPreview, *btnRepeat;
    QTimer Timer;

    void FormShow();
    // Takes the fields over into the bookmark; false (the user told) when the start lies after the end.
    bool TakeOverFields();
    void OvcSMEnter(QLineEdit* Field);
    void Spin(int Step);
    void btnPreviewClick();
    void btnRepeatClick();
    void TimerTimer();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void SetFields(QLineEdit* M, QLineEdit* S, QLineEdit* F, const TMsfFields& Fields);
    TMsfFields Fields(QLineEdit* M, QLineEdit* S, QLineEdit* F) const;
    // Takes the fields over without telling the user.
    bool FieldsValid();

    TPlayerState& FState;
    TCdAudio& FCd;
    QLineEdit* FActive = nullptr;
};
