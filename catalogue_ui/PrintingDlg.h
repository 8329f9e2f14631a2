// The progress window of a report: which printer it goes to, the page being printed, and an Abort button
// that has the document discarded when the report ends.
#pragma once

#include <QDialog>

#include "catalogue/PrintLayout.h"

class QLabel;
class QPushButton;

class TPrintingDlg : public QDialog, public TPrintObserver {
    Q_OBJECT
public:
    explicit TPrintingDlg(QWidget* Parent = nullptr);

    void Started(const std::string& PrinterName, TPrintPage& Page) override;
    void PageLabel(const std::string& Text) override;
    void Finished() override;

    void FormShow();
    void AbortButtonClick();

private:
    QLabel* FPrinterLabel;
    QLabel* FReportLabel;
    QLabel* FPageLabel;
    QPushButton* FAbortButton;
    TPrintPage* FPage = nullptr;
    std::string FPrinterName;
};

// The one progress window, made at its first use and kept for the program's run.
TPrintingDlg& PrintingDlg();
