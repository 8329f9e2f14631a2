// The small progress window of long catalogue runs (export, import, rebuild): a percentage gauge in a
// panel, its caption saying what runs.
#pragma once

#include <QDialog>

class QProgressBar;

class TProgForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgForm(QWidget* Parent = nullptr);

    // Shows the window with Caption and the gauge at 0, drawn before the run begins.
    void Start(const QString& Caption);
    // Sets the gauge (0 to 100) and draws it at once; the run goes on in the caller.
    void SetProgress(int Percent);

    QProgressBar* Gauge = nullptr;
};
