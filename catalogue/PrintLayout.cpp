#include "catalogue/PrintLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>

const char* const DefaultReportFont = "Times Roman New";

namespace {

// Font sizes outside this range come only from a damaged settings file; they would give a grid of no
// lines or no columns.
constexpr int MinFontSize = 1;
constexpr int MaxFontSize = 144;

// Pixels of a font of Size points at Dpi, rounded as the printer's font mapper does (halves away from 0).
int FontPixels(int Size, int Dpi) {
    const long long product = static_cast<long long>(Size) * Dpi;
    return static_cast<int>((product + (product >= 0 ? 36 : -36)) / 72);
}

std::string TrimBlanks(const std::string& S) {
    const auto first = S.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return S.substr(first, S.find_last_not_of(' ') - first + 1);
}

} // namespace

std::vector<std::string> MemoLines(const std::string& Text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

TPrintLayout::TPrintLayout(TPrintTarget& Target, TPrintObserver* Observer)
    : FTarget(Target), FObserver(Observer) {}

TPrintLayout::~TPrintLayout() {
    if (FOpen) {
        // A report that ended without PrintFinish (an exception) leaves nothing behind.
        Page.Aborted = true;
        PrintFinish();
    }
}

bool TPrintLayout::PrintStart(QPageLayout::Orientation Orientation, int RequiredColumns) {
    Page.Aborted = false;
    QPagedPaintDevice* device = FTarget.Device();
    device->setPageOrientation(Orientation);
    if (!FTarget.Choose()) {
        Page.PageNumber = 1;
        return false;
    }
    PrintSetup();
    if (Page.ColumnsPerLine < RequiredColumns) {
        device->setPageOrientation(QPageLayout::Landscape);
        PrintSetup();
    }
    if (!FPainter.begin(device)) {
        if (FTarget.Error.empty()) FTarget.Error = "the printer could not begin the document";
        return false;
    }
    FOpen = true;
    FPainter.setPen(QPen(Qt::black, 3));
    FPainter.setBackgroundMode(Qt::TransparentMode);
    ApplyFont();
    if (FObserver) FObserver->Started(FTarget.PrinterName(), Page);
    Page.PageNumber = 1;
    return true;
}

void TPrintLayout::PrintSetup() {
    if (Page.FontName.empty()) {
        Page.FontName = DefaultReportFont;
        Page.FontSize = 12;
    }
    if (Page.FontSize < MinFontSize || Page.FontSize > MaxFontSize) Page.FontSize = 12;
    const QPagedPaintDevice* device = FTarget.Device();
    Page.DpiY = device->logicalDpiY();
    Page.DpiX = device->logicalDpiX();

    const QString name = QString::fromStdString(Page.FontName);
    FFont = QFont();
    if (Page.FontName == DefaultReportFont) {
        // No such family exists on most systems: fontconfig is asked for the nearest serif face.
        FFont.setFamilies({name, QStringLiteral("Times New Roman"), QStringLiteral("serif")});
        FFont.setStyleHint(QFont::Serif);
    } else {
        FFont.setFamilies({name});
    }
    Page.BaseSize = Page.FontSize;

    const int height = std::max(1, FontPixels(Page.FontSize, Page.DpiY));
    Page.LineHeight = static_cast<int>(std::nearbyint(1.2 * height));
    Page.LinesPerPage = Page.LineHeight == 0 ? 52 : device->height() / Page.LineHeight - 1;
    Page.CharWidth = std::max(1, height * 2 / 3);
    Page.ColumnsPerLine = std::abs(device->width() / Page.CharWidth) - 1;
    ApplyFont();
}

void TPrintLayout::ApplyFont() {
    FFont.setPixelSize(std::max(1, FontPixels(Page.FontSize, Page.DpiY)));
    if (FPainter.isActive()) FPainter.setFont(FFont);
}

bool TPrintLayout::PrintFinish() {
    if (!FOpen) return false;
    FOpen = false;
    if (FObserver) FObserver->Finished();
    if (Page.Aborted) FTarget.Discard();
    FPainter.end();
    return FTarget.Complete(Page.Aborted);
}

void TPrintLayout::PrintNewPage() {
    FTarget.Device()->newPage();
    ++Page.PageNumber;
}

QRect TPrintLayout::CellRect(int Column, int Line, int Width) const {
    return QRect(Column * Page.CharWidth, Line * Page.LineHeight, std::max(0, Width) * Page.CharWidth,
                 2 * Page.LineHeight);
}

void TPrintLayout::PrintText(const std::string& Text, int Column, int Line, int Width) {
    if (!FOpen || Text.empty()) return;
    FPainter.drawText(CellRect(Column, Line, Width), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      QString::fromStdString(Text));
}

void TPrintLayout::PrintTextRight(const std::string& Text, int Column, int Line, int Width) {
    if (!FOpen) return;
    QString text = QString::fromStdString(Text);
    for (auto& c : text)
        if (c.unicode() > 175) c = QLatin1Char(' ');
    text = text.trimmed();
    if (text.isEmpty()) return;
    FPainter.drawText(CellRect(Column, Line, Width), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                      text);
}

void TPrintLayout::PrintRule(int Line, int FromColumn, int ToColumn) {
    if (!FOpen) return;
    const int y = Line * Page.LineHeight + Page.LineHeight / 2;
    const int half = Page.CharWidth / 2;
    FPainter.drawLine(FromColumn * Page.CharWidth + half, y, ToColumn * Page.CharWidth + half, y);
}

void TPrintLayout::PrintBold() {
    FFont.setBold(true);
    ApplyFont();
}

void TPrintLayout::PrintNormal() {
    FFont.setBold(false);
    FFont.setItalic(false);
    FFont.setUnderline(false);
    ApplyFont();
}

void TPrintLayout::PrintScaleFont(int Numerator, int Denominator) {
    if (Denominator == 0) return;
    Page.FontSize = std::max(1, Numerator * Page.BaseSize / Denominator);
    ApplyFont();
}

std::vector<std::string> TPrintLayout::WrapLines(const std::vector<std::string>& Memo, int Width) {
    std::vector<std::string> out;
    std::size_t last = 0;
    for (std::size_t i = 0; i < Memo.size(); ++i)
        if (!TrimBlanks(Memo[i]).empty()) last = i;
    const QFontMetricsF metrics(FFont, FTarget.Device());
    const double limit = static_cast<double>(Width) * Page.CharWidth;
    std::string pending;
    for (std::size_t i = 0; i <= last; ++i) {
        const std::string& line = i < Memo.size() ? Memo[i] : std::string();
        if (line.empty()) {
            if (!pending.empty()) out.push_back(pending);
            out.emplace_back();
            pending.clear();
            continue;
        }
        std::size_t pos = 0;
        for (;;) {
            pos = line.find_first_not_of(' ', pos);
            if (pos == std::string::npos) break;
            std::size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            const std::string word = line.substr(pos, end - pos);
            pos = end;
            const std::string joined = pending + " " + word;
            if (!pending.empty() && metrics.horizontalAdvance(QString::fromStdString(joined)) < limit &&
                QString::fromStdString(joined).size() < 256) {
                pending = joined;
                continue;
            }
            if (!pending.empty()) out.push_back(pending);
            // A word wider than the column is broken a character short of the column's edge, so that it
            // never runs into the next column.
            QString rest = QString::fromStdString(word);
            const double room = limit - Page.CharWidth;
            while (rest.size() > 1 && metrics.horizontalAdvance(rest) >= limit) {
                qsizetype fit = 1;
                while (fit < rest.size() && metrics.horizontalAdvance(rest.left(fit + 1)) < room)
                    ++fit;
                if (rest.at(fit - 1).isHighSurrogate() && fit > 1) --fit;
                out.push_back(rest.left(fit).toStdString());
                rest.remove(0, fit);
            }
            pending = rest.toStdString();
        }
    }
    while (!pending.empty() && pending.back() == ' ')
        pending.pop_back();
    if (!pending.empty()) out.push_back(pending);
    return out;
}

int TPrintLayout::PrintWrapped(const std::vector<std::string>& Memo, int Column, int Line, int Width) {
    const std::vector<std::string> lines = WrapLines(Memo, Width);
    for (std::size_t i = 0; i < lines.size(); ++i)
        PrintText(lines[i], Column, Line + static_cast<int>(i), Width);
    return static_cast<int>(lines.size());
}

int TPrintLayout::PrintWrappedText(const std::string& Text, int Column, int Line, int Width) {
    return PrintWrapped(MemoLines(Text), Column, Line, Width);
}

void TPrintLayout::PrintPicture(const QImage& Picture, int Column1, int Line1, int Column2, int Line2) {
    if (!FOpen || Picture.isNull()) return;
    FPainter.drawImage(QRect(Column1 * Page.CharWidth, Line1 * Page.LineHeight,
                             (Column2 - Column1) * Page.CharWidth, (Line2 - Line1) * Page.LineHeight),
                       Picture);
}

void TPrintLayout::ShowPageLabel(const std::string& Text) {
    if (FObserver) FObserver->PageLabel(Text);
}
