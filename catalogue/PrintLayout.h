// The print layout layer of the catalogue reports: a printer page divided into lines of one height and
// columns of one width, both derived from the report font at the printer's resolution, and every text
// placed by column and line. The layer draws with QPainter on any paged device (a PDF writer here, a
// QPrinter in the windows), so the reports run without a screen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QFont>
#include <QPageLayout>
#include <QPainter>

class QImage;
class QPagedPaintDevice;

// The report font's name when the settings leave it empty, at 12 points.
extern const char* const DefaultReportFont;

struct TPrintPage {
    std::string FontName;
    int FontSize = 12; // points
    int BaseSize = 12; // the size PrintSetup set; PrintScaleFont scales from it
    int DpiY = 0;
    int DpiX = 0;
    int LineHeight = 0;     // printer pixels: 1.2 x the font's pixel height, rounded half to even
    int CharWidth = 0;      // printer pixels: the font's pixel height x 2 div 3
    int LinesPerPage = 52;  // page height div line height - 1
    int ColumnsPerLine = 0; // |page width div character width| - 1
    int PageNumber = 1;     // 1 at the start of a report
    bool Aborted = false;   // set by the progress window's Abort button
};

// Where a report goes: a real printer chosen through the print dialog, or a PDF file.
class TPrintTarget {
public:
    virtual ~TPrintTarget() = default;
    virtual QPagedPaintDevice* Device() = 0;
    // The print dialog; false when the user cancels. A PDF file needs no dialog.
    virtual bool Choose() = 0;
    virtual std::string PrinterName() const = 0;
    // Called while the document is still open when it is to be discarded.
    virtual void Discard() {}
    // After the document is closed: keeps the output, or drops it when Aborted. False, with Error set, when
    // the output could not be written.
    virtual bool Complete(bool Aborted) = 0;
    std::string Error;
};

// What the progress window shows while a report prints.
class TPrintObserver {
public:
    virtual ~TPrintObserver() = default;
    virtual void Started(const std::string& PrinterName, TPrintPage& Page) = 0;
    virtual void PageLabel(const std::string& Text) = 0;
    virtual void Finished() = 0;
};

// Lines of a memo as the notes field holds them: split at line ends ("\r\n", "\n" or "\r").
std::vector<std::string> MemoLines(const std::string& Text);

class TPrintLayout {
public:
    explicit TPrintLayout(TPrintTarget& Target, TPrintObserver* Observer = nullptr);
    ~TPrintLayout();
    TPrintLayout(const TPrintLayout&) = delete;
    TPrintLayout& operator=(const TPrintLayout&) = delete;

    TPrintPage Page;

    // Asks for the printer and begins the document; when the page holds fewer than RequiredColumns
    // columns, it turns to landscape. False when the user cancels or the document cannot be begun.
    bool PrintStart(QPageLayout::Orientation Orientation, int RequiredColumns);
    // Measures the report font on the printer and fills Page.
    void PrintSetup();
    // Ends the document, or discards it when aborted. False when the output could not be written (the
    // target's Error says why).
    bool PrintFinish();
    void PrintNewPage();

    void PrintText(const std::string& Text, int Column, int Line, int Width);
    void PrintTextRight(const std::string& Text, int Column, int Line, int Width);
    void PrintRule(int Line, int FromColumn, int ToColumn);
    void PrintBold();
    void PrintNormal();
    void PrintScaleFont(int Numerator, int Denominator);
    // Word-wraps Memo into Width columns from (Column, Line); returns the number of lines printed.
    int PrintWrapped(const std::vector<std::string>& Memo, int Column, int Line, int Width);
    int PrintWrappedText(const std::string& Text, int Column, int Line, int Width);
    // The lines PrintWrapped would print, without printing them.
    std::vector<std::string> WrapLines(const std::vector<std::string>& Memo, int Width);
    // Draws Picture stretched into the cells from (Column1, Line1) to (Column2, Line2).
    void PrintPicture(const QImage& Picture, int Column1, int Line1, int Column2, int Line2);

    void ShowPageLabel(const std::string& Text);
    TPrintTarget& Target() { return FTarget; }

private:
    void ApplyFont();
    QRect CellRect(int Column, int Line, int Width) const;

    TPrintTarget& FTarget;
    TPrintObserver* FObserver;
    QPainter FPainter;
    QFont FFont;
    bool FOpen = false;
};
