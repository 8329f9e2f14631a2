// The print layout and the two reports, checked on the PDF they produce with poppler's pdftotext.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>

#include <QGuiApplication>

#include "DiscTestSupport.h"
#include "catalogue/CatalogueFilter.h"
#include "catalogue/CatalogueReports.h"
#include "catalogue/PdfPrintTarget.h"
#include "catalogue/tool/CatalogueTool.h"

namespace {

// Text needs a GUI application; one for the whole program, on the offscreen platform.
class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_catalogue";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) App = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }
    std::unique_ptr<QGuiApplication> App;
};
const auto* const GuiEnvironment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

constexpr double MarginPt = 18.0; // 6.35 mm

struct TWord {
    int Page;
    double X, Y, X2;
    std::string Text;
};
struct TPdf {
    std::vector<std::pair<double, double>> Pages; // width, height in points
    std::vector<TWord> Words;
    std::vector<TWord> Find(const std::string& Text) const {
        std::vector<TWord> found;
        for (const auto& w : Words)
            if (w.Text == Text) found.push_back(w);
        return found;
    }
};

std::string Command(const std::string& Line) {
    std::string out;
    if (FILE* pipe = ::popen(Line.c_str(), "r")) {
        std::array<char, 4096> buffer;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return out;
}

// Every word of the PDF with its page and top-left corner, from pdftotext -bbox.
TPdf ReadPdf(const std::string& File) {
    TPdf pdf;
    const std::string html = Command("pdftotext -bbox '" + File + "' - 2>/dev/null");
    static const std::regex item(
        R"re(<page width="([\d.]+)" height="([\d.]+)"|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"[^>]*>([^<]*)</word>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), item); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        if (m[1].matched)
            pdf.Pages.emplace_back(std::stod(m[1]), std::stod(m[2]));
        else
            pdf.Words.push_back({static_cast<int>(pdf.Pages.size()), std::stod(m[3]), std::stod(m[4]),
                                 std::stod(m[5]), m[6]});
    }
    return pdf;
}

// The grid line a word's top lies on, for a grid of LineHeight printer pixels at Dpi.
int LineOf(const TWord& W, int LineHeight, int Dpi = 600) {
    return static_cast<int>(std::lround((W.Y - MarginPt) / (LineHeight * 72.0 / Dpi)));
}

} // namespace

TEST(PrintLayout, GridFollowsTheFontAndTheResolutionAndTurnsToLandscape) {
    struct TCase {
        std::string Font;
        int Size, Dpi, Required;
        int LineHeight, CharWidth, LinesPerPage, Columns;
        bool Landscape;
    };
    // A4 less 6.35 mm margins: 7.77 x 11.19 in.
    const TCase cases[] = {
        {"", 8, 600, 60, 120, 66, 54, 69, false}, // empty name: the default font at 12 points
        {"", 8, 600, 80, 120, 66, 37, 100, true}, // too few columns: landscape, measured again
        {"DejaVu Sans", 10, 300, 80, 50, 28, 66, 82, false},
        {"DejaVu Sans", 7, 600, 125, 70, 38, 65, 175, true},
    };
    TTempHome home;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Font + " " + std::to_string(c.Size) + " at " + std::to_string(c.Dpi));
        const std::string file = home.File("grid.pdf");
        TPdfPrintTarget target(file, QPageSize::A4, c.Dpi);
        TPrintLayout layout(target);
        layout.Page.FontName = c.Font;
        layout.Page.FontSize = c.Size;
        ASSERT_TRUE(layout.PrintStart(QPageLayout::Portrait, c.Required));
        EXPECT_EQ(layout.Page.LineHeight, c.LineHeight);
        EXPECT_EQ(layout.Page.CharWidth, c.CharWidth);
        EXPECT_EQ(layout.Page.LinesPerPage, c.LinesPerPage);
        EXPECT_EQ(layout.Page.ColumnsPerLine, c.Columns);
        if (c.Font.empty()) {
            EXPECT_EQ(layout.Page.FontName, DefaultReportFont);
        }
        layout.PrintText("Top", 0, 10, 10);
        layout.PrintText("Next", 10, 11, 10);
        ASSERT_TRUE(layout.PrintFinish());

        const TPdf pdf = ReadPdf(file);
        ASSERT_EQ(pdf.Pages.size(), 1u);
        EXPECT_EQ(pdf.Pages[0].first > pdf.Pages[0].second, c.Landscape);
        const auto top = pdf.Find("Top"), next = pdf.Find("Next");
        ASSERT_EQ(top.size(), 1u);
        ASSERT_EQ(next.size(), 1u);
        const double scale = 72.0 / c.Dpi;
        EXPECT_NEAR(top[0].X, MarginPt, 0.5);
        EXPECT_NEAR(next[0].X - top[0].X, 10 * c.CharWidth * scale, 0.5);
        EXPECT_NEAR(next[0].Y - top[0].Y, c.LineHeight * scale, 0.5);
    }
}

TEST(PrintLayout, WrapsWordsKeepsInnerEmptyLinesAndDropsTrailingBlankOnes) {
    TTempHome home;
    const std::string file = home.File("wrap.pdf");
    TPdfPrintTarget target(file);
    TPrintLayout layout(target);
    layout.Page.FontName = "DejaVu Sans";
    layout.Page.FontSize = 10;
    ASSERT_TRUE(layout.PrintStart(QPageLayout::Portrait, 80));
    const int lh = layout.Page.LineHeight;
    EXPECT_EQ(layout.PrintWrapped({"alpha  beta", "", "gamma", "   ", ""}, 5, 4, 60), 3);
    // A word wider than its range is broken within it.
    const auto pieces = layout.WrapLines({"x Incomprehensibilities y"}, 6);
    ASSERT_GT(pieces.size(), 3u);
    std::string joined;
    for (const auto& piece : pieces)
        for (char c : piece)
            if (c != ' ') joined += c;
    EXPECT_EQ(joined, "xIncomprehensibilitiesy");
    EXPECT_EQ(layout.PrintWrappedText("x Incomprehensibilities y", 5, 10, 6), int(pieces.size()));
    EXPECT_EQ(layout.PrintWrappedText("", 5, 20, 6), 1);
    ASSERT_TRUE(layout.PrintFinish());

    const TPdf pdf = ReadPdf(file);
    const auto line = [&](const std::string& Word) {
        const auto found = pdf.Find(Word);
        return found.size() == 1 ? LineOf(found[0], lh) : -1;
    };
    EXPECT_EQ(line("alpha"), 4);
    EXPECT_EQ(line("beta"), 4);
    EXPECT_EQ(line("gamma"), 6); // the empty line between them stays empty
    EXPECT_EQ(line("x"), 10);
    for (const TWord& w : pdf.Words)
        if (LineOf(w, lh) > 10 && LineOf(w, lh) < 20) {
            EXPECT_LE(w.X2, MarginPt + 11 * layout.Page.CharWidth * 72.0 / 600) << w.Text;
        }
}

namespace {

struct TPrintFolder : TCatalogueFolder {
    TPrintFolder() {
        // The catalogue writes these settings back when it changes one of its flags.
        Settings.CollectorName = "Ada Example";
        SaveSettingsTo(Home.File("ORBELUNE.INI"), Settings);
    }
    int Print(const std::string& Args) {
        std::vector<std::string> args = {"--dir", Home.Dir(), "print", "--pdf", Home.File("out.pdf")};
        std::istringstream in(Args);
        for (std::string a; in >> a;)
            args.push_back(a);
        std::ostringstream out, err;
        const int status = RunCatalogueTool(args, out, err);
        Err = err.str();
        return status;
    }
    TPdf Pdf() const { return ReadPdf(Home.File("out.pdf")); }
    std::string Err;
};

} // namespace

TEST(CatalogueReport, GroupHeadingsNeverStartInTheLastSixLinesOfAPage) {
    TPrintFolder f;
    f.Cat().HoldDiscFiles();
    for (int i = 1; i <= 90; ++i) {
        TDiscRecord rec =
            MakeDisc(CodeOf(i), "Disc" + std::to_string(i), "Group" + std::to_string(i % 23 + 10));
        rec.Year = static_cast<std::int16_t>(i % 3 == 0 ? 0 : 1990 + i % 9);
        f.Save(rec);
    }
    f.Cat().ReleaseDiscFiles();

    ASSERT_EQ(f.Print("--by composer"), 0) << f.Err;
    TPdf pdf = f.Pdf();
    ASSERT_GE(pdf.Pages.size(), 3u);
    // Arial at 8 points: 80 pixels a line; 135 columns need landscape, 57 lines a page.
    const int lh = 80, lpp = 57;
    int headings = 0;
    for (const auto& w : pdf.Words)
        if (w.Text.rfind("Group", 0) == 0 && std::abs(w.X - (MarginPt + 15 * 44 * 0.12)) < 0.5) {
            ++headings;
            EXPECT_LT(LineOf(w, lh), lpp - 6) << w.Text << " on page " << w.Page;
        }
    EXPECT_EQ(headings, 23);
    for (std::size_t p = 1; p <= pdf.Pages.size(); ++p) {
        const auto page = std::to_string(p);
        EXPECT_TRUE(std::any_of(pdf.Words.begin(), pdf.Words.end(),
                                [&](const TWord& w) { return int(p) == w.Page && w.Text == page; }))
            << "no page number on page " << p;
    }
    const std::string text = Command("pdftotext -layout '" + f.Home.File("out.pdf") + "' -");
    EXPECT_NE(text.find("CD Catalogue by composer"), std::string::npos);
    EXPECT_NE(text.find("Collector: Ada Example - Printed on "), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), static_cast<long>(pdf.Pages.size()));

    // Name order has no group headings.
    ASSERT_EQ(f.Print("--by name"), 0) << f.Err;
    pdf = f.Pdf();
    EXPECT_TRUE(std::none_of(pdf.Words.begin(), pdf.Words.end(), [](const TWord& w) {
        return w.Text.rfind("Group", 0) == 0 && w.X < MarginPt + 20 * 44 * 0.12;
    }));
    EXPECT_EQ(pdf.Find("Disc1").size(), 1u);

    // The browser's filter: only the discs whose name holds DISC1, and only their groups.
    ASSERT_EQ(f.Print("--by composer --name disc1"), 0) << f.Err;
    pdf = f.Pdf();
    EXPECT_EQ(pdf.Find("Disc1").size(), 1u);
    EXPECT_EQ(pdf.Find("Disc19").size(), 1u);
    EXPECT_TRUE(pdf.Find("Disc2").empty());
    EXPECT_TRUE(pdf.Find("Group" + std::to_string(2 % 23 + 10)).empty());
}

TEST(CatalogueFilter, AnyNonEmptyTextFoundInTheUpperCasedFieldsPasses) {
    TDiscRecord rec = MakeDisc(CodeOf(1), "Goldberg Variations");
    rec.UserField1 = "bach, j.s.";
    rec.Reference = "DG 415 130-2";
    TStringGridData tracks(DiscGridCols, DiscGridRows);
    tracks.SetCells(2, 2, "Aria da capo");
    tracks.SetCells(0, 3, "Beyond the track count");
    const struct {
        TCatalogueFilter Filter;
        bool Passes;
    } cases[] = {
        {{false, "", "", ""}, true},
        {{true, "", "", ""}, false},
        {{true, "BACH", "", ""}, true},
        {{true, " GOLDBERG ", "", ""}, true},
        {{true, "BRAHMS", "", ""}, false},
        {{true, "BRAHMS", "415", ""}, true},
        {{true, "", "", "ARIA"}, true},
        {{true, "", "", "BEYOND"}, false},
        {{true, "", "DECCA", "SARABANDE"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiscPassesFilter(rec, tracks, c.Filter), c.Passes)
            << c.Filter.Name << "|" << c.Filter.Reference << "|" << c.Filter.Track;
}

TEST(DiscReport, PrintsNotesTracksAndUserFieldsAndLeavesALineForYearZero) {
    TPrintFolder f;
    TDiscRecord rec = MakeDisc(CodeOf(7), "Goldberg Variations");
    rec.Year = 0;
    f.Save(rec, 2, CodeOf(7) + "\nFirst note\n\nAfter a gap\n  \n");
    TDiscRecord dated = MakeDisc(CodeOf(8), "Partitas");
    dated.Year = 1981;
    f.Save(dated, 2, "Kept first line");

    ASSERT_EQ(f.Print("--disc " + CodeOf(7)), 0) << f.Err;
    TPdf pdf = f.Pdf();
    ASSERT_EQ(pdf.Pages.size(), 1u);
    EXPECT_LT(pdf.Pages[0].first, pdf.Pages[0].second); // 80 columns fit on a portrait page
    EXPECT_TRUE(pdf.Find("Year:").empty());
    EXPECT_TRUE(pdf.Find(CodeOf(7)).size() == 1); // only in "Disk ID:", not as a note
    const int lh = 80;
    const int first = LineOf(pdf.Find("First")[0], lh);
    EXPECT_EQ(LineOf(pdf.Find("After")[0], lh), first + 2);
    const int tracksLine = LineOf(pdf.Find("Tracks:")[0], lh);
    EXPECT_EQ(pdf.Find("Track").size(), 3u); // the heading and "Track 1", "Track 2"

    ASSERT_EQ(f.Print("--disc " + CodeOf(8) + " --user-fields"), 0) << f.Err;
    pdf = f.Pdf();
    EXPECT_GT(pdf.Pages[0].first, pdf.Pages[0].second); // 125 columns need landscape
    ASSERT_EQ(pdf.Find("Year:").size(), 1u);
    EXPECT_EQ(LineOf(pdf.Find("Tracks:")[0], lh), tracksLine); // the year takes the line left empty above
    EXPECT_EQ(pdf.Find("Kept").size(), 1u);
    EXPECT_EQ(pdf.Find("Artist").size(), 1u); // the tracks' first user field heading
}

TEST(PrintCommand, RefusesBadRequestsWithAMessage) {
    TPrintFolder f;
    EXPECT_EQ(f.Print("--disc " + CodeOf(1)), 1); // no catalogue yet
    EXPECT_NE(f.Err.find("no catalogue"), std::string::npos) << f.Err;
    f.Save(MakeDisc(CodeOf(1), "One"));
    EXPECT_EQ(f.Print("--disc " + CodeOf(2)), 1);
    EXPECT_NE(f.Err.find("no disc with the code"), std::string::npos) << f.Err;
    EXPECT_EQ(f.Print("--by year"), 2);
    EXPECT_EQ(f.Print("--disc " + CodeOf(1) + " --by composer"), 2);
    EXPECT_EQ(f.Print("--page-size A0"), 2);

    std::ostringstream out, err;
    EXPECT_EQ(
        RunCatalogueTool({"--dir", f.Home.Dir(), "print", "--pdf", f.Home.File("no/such/dir.pdf")}, out, err),
        1);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(f.Home.File("no/such/dir.pdf")));

    WriteFileBytes(f.Home.File("disc.DAT"), std::string(3000, '\x7f'));
    EXPECT_EQ(f.Print(""), 1);
    EXPECT_FALSE(f.Err.empty());
}
