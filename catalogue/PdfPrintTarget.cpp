#include "catalogue/PdfPrintTarget.h"

#include <QPdfWriter>
#include <QSaveFile>

namespace {
// The margins a printer cannot print on, so a PDF page looks like the printed one.
constexpr double PrinterMarginMillimetres = 6.35;
} // namespace

TPdfPrintTarget::TPdfPrintTarget(std::string FileName, QPageSize::PageSizeId Size, int Resolution)
    : FFileName(std::move(FileName)) {
    FBuffer.open(QIODevice::WriteOnly);
    FWriter = std::make_unique<QPdfWriter>(&FBuffer);
    FWriter->setResolution(Resolution);
    FWriter->setCreator(QStringLiteral("Orbelune"));
    FWriter->setPageLayout(QPageLayout(QPageSize(Size), QPageLayout::Portrait,
                                       QMarginsF(PrinterMarginMillimetres, PrinterMarginMillimetres,
                                                 PrinterMarginMillimetres, PrinterMarginMillimetres),
                                       QPageLayout::Millimeter));
}

TPdfPrintTarget::~TPdfPrintTarget() = default;

QPagedPaintDevice* TPdfPrintTarget::Device() {
    return FWriter.get();
}

bool TPdfPrintTarget::Complete(bool Aborted) {
    if (Aborted) return true;
    QSaveFile file(QString::fromStdString(FFileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(FBuffer.data()) != FBuffer.data().size() ||
        !file.commit()) {
        Error = "cannot write " + FFileName + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
