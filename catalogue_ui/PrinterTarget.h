// A report printed on a real printer (CUPS) or into a file, chosen with the print dialog.
#pragma once

#include <QPrinter>

#include "catalogue/PrintLayout.h"

class QWidget;

class TPrinterTarget : public TPrintTarget {
public:
    explicit TPrinterTarget(QWidget* Parent);

    QPagedPaintDevice* Device() override { return &FPrinter; }
    bool Choose() override;
    std::string PrinterName() const override;
    void Discard() override;
    bool Complete(bool Aborted) override;

    QPrinter& Printer() { return FPrinter; }

private:
    QWidget* FParent;
    QPrinter FPrinter{QPrinter::HighResolution};
};
