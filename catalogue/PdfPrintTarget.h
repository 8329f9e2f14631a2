// A report printed into a PDF file: pages are drawn in memory and written to the file only when the
// report ends without being aborted, so a failed or aborted report never leaves a half-written file.
#pragma once

#include <memory>
#include <string>

#include <QBuffer>
#include <QPageSize>

#include "catalogue/PrintLayout.h"

class QPdfWriter;

class TPdfPrintTarget : public TPrintTarget {
public:
    TPdfPrintTarget(std::string FileName, QPageSize::PageSizeId Size = QPageSize::A4, int Resolution = 600);
    ~TPdfPrintTarget() override;

    QPagedPaintDevice* Device() override;
    bool Choose() override { return true; }
    std::string PrinterName() const override { return FFileName; }
    bool Complete(bool Aborted) override;

private:
    std::string FFileName;
    QBuffer FBuffer;
    std::unique_ptr<QPdfWriter> FWriter;
};
