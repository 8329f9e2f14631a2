// The play mode dialog: five modes to choose from, OK or cancel.
#pragma once

#include <QDialog>

#include "player/base/PlayerState.h"

class QRadioButton;

class TfrmMode : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMode(QWidget* Parent = nullptr);

    // Checks the button of Mode; a mode without a button leaves all unchecked.
    void SetMode(TPlayMode Mode);
    // The mode of the checked button; Fallback when none is checked.
    TPlayMode Mode(TPlayMode Fallback) const;

protected:
    // The dialog opens in the middle of the screen, not over its parent.
    void showEvent(QShowEvent* Event) override;

private:
    struct TChoice {
        QRadioButton* Button;
        TPlayMode Mode;
    };
    std::vector<TChoice> FChoices;
};
