#include "catalogue_ui/PrinterTarget.h"

#include <QFile>
#include <QPrintDialog>

TPrinterTarget::TPrinterTarget(QWidget* Parent) : FParent(Parent) {}

bool TPrinterTarget::Choose() {
    QPrintDialog dialog(&FPrinter, FParent);
    return dialog.exec() == QDialog::Accepted;
}

std::string TPrinterTarget::PrinterName() const {
    if (!FPrinter.outputFileName().isEmpty()) return FPrinter.outputFileName().toStdString();
    return FPrinter.printerName().toStdString();
}

void TPrinterTarget::Discard() {
    FPrinter.abort();
}

bool TPrinterTarget::Complete(bool Aborted) {
    // Printing to a file cannot be aborted by the printer: the file is removed instead.
    if (Aborted) {
        if (!FPrinter.outputFileName().isEmpty()) QFile::remove(FPrinter.outputFileName());
        return true;
    }
    if (FPrinter.printerState() == QPrinter::Error) {
        Error = "The report could not be printed on " + PrinterName() + ".";
        return false;
    }
    return true;
}
