#include "catalogue/CatalogueReports.h"

#include <algorithm>

#include <QLocale>

namespace {

// A block of wrapped lines prints whole where it starts; when it would run past the page's last line, it
// starts on the next page instead, unless the page holds nothing of the body yet.
bool BlockFits(const TPrintPage& Page, int Line, int Lines) {
    return Line + Lines <= Page.LinesPerPage + 1;
}

class TDiscReport {
public:
    TDiscReport(TPrintLayout& Layout, const TDiscListing& Disc, bool UserFields, const TPlayerSettings& S)
        : L(Layout), D(Disc), R(Disc.Rec), S(S), UserFields(UserFields),
          W(UserFields ? DiscReportColumnsWithUserFields : DiscReportColumns) {}

    bool Run() {
        L.Page.FontName = S.ReportFontName;
        L.Page.FontSize = S.ReportFontSize;
        FirstPage = true;
        if (!L.PrintStart(QPageLayout::Portrait, W)) return false;
        Header();
        if (R.NotesRef != 0) Notes();
        TrackHeadings();
        for (int i = 1; i <= R.TrackCount; ++i)
            Track(i);
        L.PrintRule(Line, 7, W);
        NextLine();
        L.PrintScaleFont(2, 3);
        L.PrintText("Collector: " + S.CollectorName, 8, Line, 80);
        return L.PrintFinish();
    }

private:
    void NextLine() {
        ++Line;
        if (Line >= L.Page.LinesPerPage - 2) Header();
    }

    // A label and its wrapped value; an empty value still takes its line, so labels never overprint.
    void Field(const std::string& Label, const std::string& Value, int Left) {
        L.PrintText(Label, Left, Line, 12);
        Line += std::max(1, L.PrintWrappedText(Value, Left + 12, Line, W - Left - 12));
    }

    void Header() {
        if (!FirstPage) L.PrintNewPage();
        const bool picture = R.PictureRef != 0 && S.PrintBitmap;
        const int left = picture ? 26 : 8;
        L.PrintText("Page: " + std::to_string(L.Page.PageNumber), W - 7, 1, 7);
        Line = 2;
        L.PrintScaleFont(4, 3);
        L.PrintText("Name:", left, Line, 12);
        Line += std::max(1, L.PrintWrappedText(R.DiscName, left + 12, Line, W - left - 12)) + 1;
        L.PrintScaleFont(1, 1);
        Field("Composer:", R.Composer, left);
        Field("Artist:", R.Artist, left);
        Field(S.DiscUser1Caption + ":", R.UserField1, left);
        Field(S.DiscUser2Caption + ":", R.UserField2, left);
        Field("Music type:", R.MusicType, left);
        Field("Disc reference:", R.Reference, left);
        if (R.Year > 0)
            Field("Year:", std::to_string(R.Year), left);
        else
            ++Line;
        L.PrintRule(Line, 7, W);
        ++Line;
        L.PrintText("Tracks: " + std::to_string(R.TrackCount), 8, Line, 20);
        L.PrintText("PlayingTime: " + FormatMinSec(R.TotalTime), 26, Line, 20);
        L.PrintText(("Disk ID: " + R.DiscCode).substr(0, 25), 52, Line, 20);
        ++Line;
        L.PrintRule(Line, 7, W);
        ++Line;
        FirstPage = false;
        BodyStart = Line;
        if (picture) L.PrintPicture(D.Picture, 8, 2, 24, 11);
    }

    void Notes() {
        L.PrintBold();
        L.PrintText("Notes:", 8, Line, 10);
        L.PrintNormal();
        NextLine();
        std::vector<std::string> memo = MemoLines(D.Notes);
        // The first line holds the disc code; notes stored without it keep their first line.
        if (!memo.empty() && memo.front() == R.DiscCode) memo.erase(memo.begin());
        // Notes longer than the rest of the page go on over the following pages.
        for (const std::string& text : L.WrapLines(memo, W - 8)) {
            L.PrintText(text, 8, Line, W - 8);
            NextLine();
        }
        L.PrintRule(Line, 7, W);
        NextLine();
    }

    void TrackHeadings() {
        L.PrintBold();
        L.PrintText("Track", 8, Line, 6);
        L.PrintText("Length", 14, Line, 6);
        L.PrintText("Name", 20, Line, 6);
        NameWidth = 60;
        if (UserFields) {
            NameWidth = 35;
            L.PrintText(S.TracksUser1Caption, 55, Line, 35);
            L.PrintText(S.TracksUser2Caption, 90, Line, 35);
        }
        NextLine();
        L.PrintNormal();
        L.PrintRule(Line, 7, W);
        NextLine();
    }

    void Track(int I) {
        const std::vector<std::string> name = {D.Tracks.Cells(0, I)};
        const std::vector<std::string> user1 = {D.Tracks.Cells(1, I)};
        const std::vector<std::string> user2 = {D.Tracks.Cells(2, I)};
        int rows = static_cast<int>(L.WrapLines(name, NameWidth).size());
        if (UserFields)
            rows = std::max({rows, static_cast<int>(L.WrapLines(user1, 34).size()),
                             static_cast<int>(L.WrapLines(user2, 34).size())});
        rows = std::max(1, rows);
        if (!BlockFits(L.Page, Line, rows) && Line > BodyStart) Header();
        L.PrintText(std::to_string(I), 10, Line, 4);
        L.PrintText(FormatMinSec(MSFToMinSec(R.TrackLengths[I - 1])), 15, Line, 5);
        L.PrintWrapped(name, 20, Line, NameWidth);
        if (UserFields) {
            L.PrintWrapped(user1, 55, Line, 34);
            L.PrintWrapped(user2, 90, Line, 34);
        }
        Line += rows;
        if (Line >= L.Page.LinesPerPage - 2) Header();
    }

    TPrintLayout& L;
    const TDiscListing& D;
    const TDiscRecord& R;
    const TPlayerSettings& S;
    const bool UserFields;
    const int W;
    int Line = 0;
    int BodyStart = 0;
    int NameWidth = 60;
    bool FirstPage = true;
};

class TCatalogueReport {
public:
    TCatalogueReport(TPrintLayout& Layout, int KeyNo, const TPlayerSettings& S, const QDate& Today)
        : L(Layout), KeyNo(KeyNo), S(S), Today(Today) {}

    bool Run(const std::vector<TCatalogueGroup>& Tree, const TDiscRecordReader& Read) {
        L.Page.FontName = S.ReportFontName;
        L.Page.FontSize = S.ReportFontSize;
        FirstPage = true;
        if (!L.PrintStart(QPageLayout::Portrait, W)) return false;
        Header();
        const bool grouped = KeyNo != kDiscName;
        for (const TCatalogueGroup& group : Tree) {
            if (grouped) GroupHeading(group.Text);
            for (const TCatalogueEntry& entry : group.Discs) {
                TDiscRecord rec;
                if (Read(entry.RecNo, rec)) Disc(rec);
            }
        }
        L.PrintRule(Line, 0, W);
        return L.PrintFinish();
    }

private:
    void Header() {
        if (!FirstPage) L.PrintNewPage();
        const std::string page = "Page: " + std::to_string(L.Page.PageNumber);
        L.ShowPageLabel(page);
        L.PrintText(page, 128, 1, 7);
        Line = 2;
        L.PrintScaleFont(4, 3);
        L.PrintText(CatalogueReportTitle(KeyNo), 1, Line, 100);
        Line += 2;
        L.PrintScaleFont(1, 1);
        L.PrintText("Collector: " + S.CollectorName + " - Printed on " +
                        QLocale::system().toString(Today, QStringLiteral("d MMMM yyyy")).toStdString(),
                    1, Line, 100);
        ++Line;
        L.PrintRule(Line, 0, W);
        ++Line;
        L.PrintBold();
        L.PrintText("Reference", 1, Line, 15);
        L.PrintText("Name", 15, Line, 15);
        L.PrintText("Composer", 50, Line, 15);
        L.PrintText("Artist", 76, Line, 15);
        L.PrintText("Music type", 104, Line, 15);
        L.PrintTextRight("Year", 123, Line, 5);
        L.PrintTextRight("Length", 129, Line, 6);
        ++Line;
        L.PrintNormal();
        L.PrintRule(Line, 0, W);
        ++Line;
        FirstPage = false;
        BodyStart = Line;
    }

    void GroupHeading(const std::string& Text) {
        if (Line >= L.Page.LinesPerPage - 6) Header();
        L.PrintBold();
        L.PrintScaleFont(4, 3);
        L.PrintText(Text, 15, Line, 100);
        Line += 2;
        L.PrintNormal();
        L.PrintScaleFont(1, 1);
    }

    void Disc(const TDiscRecord& Rec) {
        struct TColumn {
            const std::string& Text;
            int Column;
            int Width;
        };
        const TColumn columns[] = {{Rec.Reference, 1, 14},
                                   {Rec.DiscName, 15, 35},
                                   {Rec.Composer, 50, 25},
                                   {Rec.Artist, 76, 25},
                                   {Rec.MusicType, 104, 18}};
        std::vector<std::string> wrapped[std::size(columns)];
        int rows = 1;
        for (std::size_t c = 0; c < std::size(columns); ++c) {
            wrapped[c] = L.WrapLines(MemoLines(columns[c].Text), columns[c].Width);
            rows = std::max(rows, static_cast<int>(wrapped[c].size()));
        }
        if (!BlockFits(L.Page, Line, rows) && Line > BodyStart) Header();
        for (std::size_t c = 0; c < std::size(columns); ++c)
            for (std::size_t i = 0; i < wrapped[c].size(); ++i)
                L.PrintText(wrapped[c][i], columns[c].Column, Line + static_cast<int>(i), columns[c].Width);
        if (Rec.Year > 0) L.PrintTextRight(std::to_string(Rec.Year), 123, Line, 5);
        L.PrintTextRight(FormatMinSec(Rec.TotalTime), 129, Line, 6);
        Line += rows;
        // Each disc is followed by one empty line.
        ++Line;
        if (Line >= L.Page.LinesPerPage - 2) Header();
    }

    TPrintLayout& L;
    const int KeyNo;
    const TPlayerSettings& S;
    const QDate Today;
    const int W = CatalogueReportColumns;
    int Line = 0;
    int BodyStart = 0;
    bool FirstPage = true;
};

} // namespace

QImage ReadDiscPicture(TVlf& Store, std::int32_t Ref) {
    QImage picture;
    std::string bytes;
    if (Ref != 0 && Store.ItemKind(Ref) == VlfKindPicture && Store.ReadItem(Ref, bytes))
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    return picture;
}

std::string CatalogueReportTitle(int KeyNo) {
    switch (KeyNo) {
    case kComposer:
        return "CD Catalogue by composer";
    case kArtist:
        return "CD Catalogue by artist";
    case kMusicType:
        return "CD Catalogue by music type";
    case kRecordLabel:
        return "CD Catalogue by label";
    default:
        return "CD Catalogue";
    }
}

bool PrintDiscReport(TPrintLayout& Layout, const TDiscListing& Disc, bool UserFields,
                     const TPlayerSettings& Settings) {
    return TDiscReport(Layout, Disc, UserFields, Settings).Run();
}

bool PrintCatalogueReport(TPrintLayout& Layout, int KeyNo, const std::vector<TCatalogueGroup>& Tree,
                          const TDiscRecordReader& Read, const TPlayerSettings& Settings,
                          const QDate& Today) {
    return TCatalogueReport(Layout, KeyNo, Settings, Today).Run(Tree, Read);
}
