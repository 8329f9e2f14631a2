#include "catalogue_ui/PrinterTarget.h"

#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>

TPrinterTarget::TPrinterTarget(QWidget* Parent, TPlayerSettings& Settings, std::string SettingsFile)
    : FParent(Parent), FSettings(Settings), FSettingsFile(std::move(SettingsFile)) {}

bool TPrinterTarget::Choose() {
    const QString File = QString::fromStdString(FSettings.PrintFile);
    if (FSettings.PrintToFile && !File.isEmpty()) FPrinter.setOutputFileName(File);
    QPrintDialog dialog(&FPrinter, FParent);
    // After a report on a printer the printer is proposed again, and the file should the user switch.
    if (auto* Name = dialog.findChild<QLineEdit*>(QStringLiteral("filename")); Name && !File.isEmpty())
        Name->setText(File);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QString Chosen = FPrinter.outputFileName();
    FSettings.PrintToFile = !Chosen.isEmpty();
    if (!Chosen.isEmpty()) FSettings.PrintFile = Chosen.toStdString();
    SaveSettingsTo(FSettingsFile, FSettings);
    return true;
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
