#include "catalogue_ui/PrintingDlg.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TPrintingDlg::TPrintingDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("PrintingDlg"));
    setWindowTitle(QStringLiteral("Printing"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPrinterLabel = new QLabel(panel);
    FPrinterLabel->setObjectName(QStringLiteral("PrinterLabel"));
    FPrinterLabel->setAlignment(Qt::AlignCenter);
    FReportLabel = new QLabel(panel);
    FReportLabel->setObjectName(QStringLiteral("ReportLabel"));
    FPageLabel = new QLabel(panel);
    FPageLabel->setObjectName(QStringLiteral("PageLabel"));
    FPageLabel->setAlignment(Qt::AlignCenter);
    auto* inner = new QVBoxLayout(panel);
    inner->addWidget(FPrinterLabel);
    inner->addWidget(FReportLabel);
    inner->addWidget(FPageLabel);

    FAbortButton = new QPushButton(QStringLiteral("&Abort"), this);
    FAbortButton->setObjectName(QStringLiteral("AbortButton"));
    connect(FAbortButton, &QPushButton::clicked, this, &TPrintingDlg::AbortButtonClick);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(panel);
    outer->addWidget(FAbortButton, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
    setModal(false);
}

void TPrintingDlg::Started(const std::string& PrinterName, TPrintPage& Page) {
    FPage = &Page;
    FPrinterName = PrinterName;
    show();
    FormShow();
}

void TPrintingDlg::FormShow() {
    FAbortButton->setEnabled(true);
    FPrinterLabel->setText(QStringLiteral("Printing on ") + QString::fromStdString(FPrinterName));
    FReportLabel->clear();
    FPageLabel->clear();
    adjustSize(); // a long printer or file name widens the window
    repaint();
    QCoreApplication::processEvents();
}

void TPrintingDlg::PageLabel(const std::string& Text) {
    FPageLabel->setText(QString::fromStdString(Text));
    repaint();
    // The Abort button is pressed while the report prints: its click is delivered here.
    QCoreApplication::processEvents();
}

void TPrintingDlg::AbortButtonClick() {
    FAbortButton->setEnabled(false);
    if (FPage) FPage->Aborted = true;
    repaint();
}

void TPrintingDlg::Finished() {
    hide();
    FPage = nullptr;
}

TPrintingDlg& PrintingDlg() {
    static TPrintingDlg* dialog = new TPrintingDlg;
    return *dialog;
}
