// A report printed on a real printer (CUPS) or into a file, chosen with the print dialog, which proposes
// the file and the kind of output of the report before (kept in the settings).
#pragma once

#include <QPrinter>

#include "app/base/Settings.h"
#include "catalogue/PrintLayout.h"

class QWidget;

class TPrinterTarget : public TPrintTarget {
public:
    // Settings are saved to SettingsFile once a choice is made.
    TPrinterTarget(QWidget* Parent, TPlayerSettings& Settings, std::string SettingsFile);

    QPagedPaintDevice* Device() override { return &FPrinter; }
    bool Choose() override;
    std::string PrinterName() const override;
    void Discard() override;
    bool Complete(bool Aborted) override;

    QPrinter& Printer() { return FPrinter; }

private:
    QWidget* FParent;
    TPlayerSettings& FSettings;
    std::string FSettingsFile;
    QPrinter FPrinter{QPrinter::HighResolution};
};
