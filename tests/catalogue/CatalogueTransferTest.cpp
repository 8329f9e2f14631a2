#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "DiscTestSupport.h"
#include "app/base/TextEncoding.h"
#include "catalogue/CatalogueExport.h"
#include "catalogue/CatalogueImport.h"

namespace {

// A disc with every text field and track text filled, quotes and commas among them.
std::int32_t SaveFullDisc(TCatalogueFolder& F, int N, const std::string& Name) {
    TDiscRecord rec = MakeDisc(CodeOf(N), Name, "Dvořák, Antonín", "The \"Quartet\"");
    rec.Reference = "REF-" + std::to_string(N);
    rec.UserField1 = "Bought 1999";
    rec.UserField2 = "Shelf 'B'";
    rec.Year = 1987;
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    grid.SetCells(0, 1, "Allegro, \"ma non troppo\"");
    grid.SetCells(1, 1, "Soloist 1");
    grid.SetCells(2, 2, "Composer 2");
    grid.SetCells(0, 2, "Finale");
    F.Answers.Answers.push_back(idYes);
    std::int32_t recNo = 0;
    TDiscKeys keys;
    EXPECT_TRUE(F.Cat().SaveDisc(rec, grid, "notes", recNo, keys));
    F.Answers.Answers.clear();
    return recNo;
}

TImportResult ImportText(TCatalogueFolder& F, const std::string& Text, TImportFormat Format = ifVersion4,
                         bool Merge = false) {
    const std::string file = F.Home.File("in.txt");
    WriteFileBytes(file, Text);
    F.Answers.Answers.push_back(idYes); // create the catalogue when there is none
    TImportResult r = ImportCatalogue(F.Cat(), file, Format, Merge);
    F.Answers.Answers.clear();
    return r;
}

std::string RunCommand(const std::string& Command, int& Status) {
    std::string out;
    FILE* pipe = ::popen(Command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// A version 4 disc: code, eight texts, year, time, count, then four lines per track.
std::string V4Disc(int N, const std::string& Count, int Tracks) {
    std::string s = "[" + CodeOf(N) + "]\nName " + std::to_string(N) +
                    "\nA\nC\nR\nT\nL\nU1\nU2\n1990\n40.00\n" + Count + "\n";
    for (int t = 1; t <= Tracks; ++t)
        s += "03.0" + std::to_string(t % 10) + "\nTrack " + std::to_string(t) + "\nx\ny\n";
    return s;
}

} // namespace

TEST(CatalogueTransfer, Version4RoundTripRestoresEveryTextAndWaitsForTheDisc) {
    TCatalogueFolder f;
    for (int n = 1; n <= 3; ++n)
        SaveFullDisc(f, n, "Disc " + std::to_string(n));
    const std::string file = f.Home.File("EXPORT.TXT");
    const TExportResult exported = ExportCatalogue(f.Cat(), file, Version4Layout());
    ASSERT_TRUE(exported.Ok) << exported.Error;
    EXPECT_EQ(exported.Discs, 3);

    const TImportResult r = ImportCatalogue(f.Cat(), file, ifVersion4, true);
    EXPECT_FALSE(r.Stopped) << r.Error;
    EXPECT_EQ(r.Merged, 3);
    EXPECT_EQ(r.Added + r.Skipped, 0);
    for (int n = 1; n <= 3; ++n) {
        const TLoadedDisc d = LoadEntry(f.Cat(), CodeOf(n));
        EXPECT_TRUE(d.Rec.TocPending);
        EXPECT_EQ(d.Rec.DiscName, "Disc " + std::to_string(n));
        EXPECT_EQ(d.Rec.Composer, "Dvořák, Antonín");
        EXPECT_EQ(d.Rec.Artist, "The \"Quartet\"");
        EXPECT_EQ(d.Rec.Reference, "REF-" + std::to_string(n));
        EXPECT_EQ(d.Rec.UserField2, "Shelf 'B'");
        EXPECT_EQ(d.Rec.Year, 1987);
        EXPECT_EQ(d.Rec.TrackLengths[0], MakeMSF(3, 10, 0)); // frames are not exported
        EXPECT_EQ(d.Grid.Cells(0, 1), "Allegro, \"ma non troppo\"");
        EXPECT_EQ(d.Grid.Cells(1, 1), "Soloist 1");
        EXPECT_EQ(d.Grid.Cells(2, 2), "Composer 2");
    }
    // The file written again from the merged catalogue is the same.
    ASSERT_TRUE(ExportCatalogue(f.Cat(), f.Home.File("again.txt"), Version4Layout()).Ok);
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(f.Home.File("again.txt")));
    // An export over the catalogue's own file is refused.
    EXPECT_FALSE(ExportCatalogue(f.Cat(), f.Home.File("disc.DAT"), Version4Layout()).Ok);
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

// Every byte 0x00 to 0xFF in every text field and track text: what the catalogue keeps of it (no control
// character) comes back from its export, and a file that holds the bytes itself is read past them.
TEST(CatalogueTransfer, EveryByteInEveryTextSurvivesTheRoundTrip) {
    TCatalogueFolder f;
    // Eight bytes a disc, so that even as UTF-8 each fits the shortest field; then C1 in UTF-8.
    std::vector<std::string> chunks;
    for (int b = 0; b < 256; b += 8) {
        std::string chunk;
        for (int k = b; k < b + 8; ++k)
            chunk += static_cast<char>(k);
        chunks.push_back(chunk);
    }
    chunks.push_back("\xC2\x85\xC2\x9B[2J\xC3\xA9");
    const auto fields = [](TDiscRecord& r) {
        return std::array{&r.DiscName,  &r.Artist,      &r.Composer,   &r.Reference,
                          &r.MusicType, &r.RecordLabel, &r.UserField1, &r.UserField2};
    };
    for (std::size_t n = 0; n < chunks.size(); ++n) {
        TDiscRecord rec = MakeDisc(CodeOf(static_cast<int>(n) + 1), "");
        for (std::string* field : fields(rec))
            *field = "x" + chunks[n];
        TStringGridData grid;
        ResetDiscGrid(grid, rec.DiscCode);
        for (int col = 0; col < 3; ++col)
            grid.SetCells(col, 1, "t" + chunks[n]);
        f.Answers.Answers.push_back(idYes);
        std::int32_t recNo = 0;
        TDiscKeys keys;
        EXPECT_TRUE(f.Cat().SaveDisc(rec, grid, "notes", recNo, keys));
    }
    f.Answers.Answers.clear();
    std::vector<TLoadedDisc> stored;
    for (std::size_t n = 0; n < chunks.size(); ++n) {
        stored.push_back(LoadEntry(f.Cat(), CodeOf(static_cast<int>(n) + 1)));
        for (std::string* field : fields(stored.back().Rec)) {
            EXPECT_FALSE(HasControlCharacters(*field)) << n;
            EXPECT_EQ(*field, CleanText(DecodeStoredText("x" + chunks[n]))) << n;
        }
        EXPECT_EQ(stored.back().Grid.Cells(2, 1), CleanText(DecodeStoredText("t" + chunks[n]))) << n;
    }
    const std::string file = f.Home.File("EXPORT.TXT");
    ASSERT_TRUE(ExportCatalogue(f.Cat(), file, Version4Layout()).Ok);
    TCatalogueFolder g;
    const TImportResult r = ImportText(g, ReadFileBytes(file));
    EXPECT_FALSE(r.Stopped) << r.Error;
    ASSERT_EQ(r.Added, static_cast<int>(chunks.size()));
    for (std::size_t n = 0; n < chunks.size(); ++n) {
        TLoadedDisc back = LoadEntry(g.Cat(), CodeOf(static_cast<int>(n) + 1));
        for (std::size_t i = 0; i < fields(back.Rec).size(); ++i)
            EXPECT_EQ(*fields(back.Rec)[i], *fields(stored[n].Rec)[i]) << n << " field " << i;
        for (int col = 0; col < 3; ++col)
            EXPECT_EQ(back.Grid.Cells(col, 1), stored[n].Grid.Cells(col, 1)) << n << " column " << col;
    }

    // An older export that holds the bytes themselves: each value is read without them, and the discs
    // after it come too.
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\n') bytes += static_cast<char>(b);
    std::string text = V4Disc(1, "1", 1) + V4Disc(2, "0", 0);
    text.replace(text.find("Track 1"), 7, bytes);
    text.replace(text.find("\nA\n"), 3, "\n" + bytes + "\n");
    TCatalogueFolder h;
    const TImportResult old = ImportText(h, text);
    EXPECT_FALSE(old.Stopped) << old.Error;
    EXPECT_EQ(old.Added, 2);
    const TLoadedDisc first = LoadEntry(h.Cat(), CodeOf(1));
    EXPECT_EQ(first.Grid.Cells(0, 1), CutToBytes(CleanText(bytes), 255));
    EXPECT_FALSE(HasControlCharacters(first.Rec.Artist));
    EXPECT_TRUE(h.Check().Ok) << Problems(h.Check());
}

// Disc codes are 16 hexadecimal digits; a refused import tells why and adds nothing.
TEST(CatalogueTransfer, DiscCodesAreHexadecimal) {
    for (const std::string code : {"../../../../x/", "00000000000000FG", "0123", "00000000000000001"}) {
        TCatalogueFolder f;
        std::string text = V4Disc(1, "0", 0);
        text.replace(1, 16, code);
        const TImportResult r = ImportText(f, text);
        EXPECT_TRUE(r.Stopped) << code;
        EXPECT_NE(r.Error.find("is not 16 hexadecimal digits"), std::string::npos) << r.Error;
        EXPECT_EQ(r.Added, 0);
    }
    TCatalogueFolder f;
    std::string text = V4Disc(1, "0", 0);
    text.replace(1, 16, "00000000000000ab");
    EXPECT_EQ(ImportText(f, text).Added, 1);
    EXPECT_EQ(LoadEntry(f.Cat(), "00000000000000AB").RecNo != 0, true);
}

TEST(CatalogueTransfer, RecordLayouts) {
    TDiscRecord rec = NewDiscRecord("0000000000003039", 0, 0);
    rec.DiscName = "Night Music";
    rec.TrackCount = 2;
    rec.TrackLengths[0] = MakeMSF(1, 5, 0);
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    grid.SetCells(0, 1, "One");

    TExportLayout none;
    none.Times = none.Names = false;
    std::string out;
    WriteExportRecord(out, none, rec, grid);
    EXPECT_EQ(out,
              "\"[0000000000003039]\",\"Night Music\",\"Unknown\",\"Unknown\",\"\",\"Unknown\",\"Unknown\","
              "\"\",\"\",0,00.00,2,\r\n");

    // A fixed count beyond the disc's tracks writes 00.00 and empty names; quotes inside text doubled.
    TExportLayout fixed;
    fixed.TrackFields = 3;
    fixed.TextQuote = "'";
    rec.DiscName = "Night's";
    out.clear();
    WriteExportRecord(out, fixed, rec, grid);
    EXPECT_TRUE(out.starts_with("'[0000000000003039]','Night''s',")) << out;
    EXPECT_TRUE(out.ends_with(",2,01.05,'One',00.00,'',00.00,'',\r\n")) << out;

    // The variable header lists 99 groups; the version 4 layout one value per line.
    out.clear();
    WriteExportHeader(out, CsvLayout());
    EXPECT_TRUE(out.ends_with("\"Tr 99 Time\",\"Tr 99 Name\",\r\n"));
    out.clear();
    WriteExportRecord(out, Version4Layout(), rec, grid);
    EXPECT_EQ(out,
              "[0000000000003039]\r\nNight's\r\nUnknown\r\nUnknown\r\n\r\nUnknown\r\nUnknown\r\n\r\n\r\n0\r\n"
              "00.00\r\n2\r\n01.05\r\nOne\r\n\r\n\r\n00.00\r\n\r\n\r\n\r\n");
}

TEST(CatalogueTransfer, CsvIsReadBackByARealCsvReader) {
    if (std::system("python3 -c 'import csv' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not available";
    TCatalogueFolder f;
    SaveFullDisc(f, 7, "Quartets, \"late\"");
    const std::string file = f.Home.File("all.csv");
    ASSERT_TRUE(ExportCatalogue(f.Cat(), file, CsvLayout()).Ok);
    // Each row: its number of fields, then the fields that matter, one per line.
    const std::string script = "import csv,sys\n"
                               "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
                               "for r in rows: print(len(r)); print(r[1]); print(r[3]); print(r[13])\n";
    WriteFileBytes(f.Home.File("read.py"), script);
    int status = -1;
    const std::string out =
        RunCommand("PYTHONIOENCODING=utf-8 python3 " + f.Home.File("read.py") + " " + file, status);
    EXPECT_EQ(status, 0);
    // 12 disc fields and 99 (header) or 2 (disc) track groups of two, plus the empty field of the trailing
    // comma.
    EXPECT_EQ(out, "211\nCD Name\nCD Composer\nTr 1 Name\n"
                   "17\nQuartets, \"late\"\nDvořák, Antonín\nAllegro, \"ma non troppo\"\n");
}

TEST(CatalogueTransfer, ImportWithoutMergeLeavesHeldDiscsAlone) {
    TCatalogueFolder f;
    SaveFullDisc(f, 1, "Held");
    const TImportResult r = ImportText(f, V4Disc(1, "1", 1) + V4Disc(2, "2", 2));
    EXPECT_EQ(r.Skipped, 1);
    EXPECT_EQ(r.Added, 1);
    EXPECT_FALSE(r.Stopped);
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(1)).Rec.DiscName, "Held");
    EXPECT_FALSE(LoadEntry(f.Cat(), CodeOf(1)).Rec.TocPending);
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(2)).Grid.Cells(0, 2), "Track 2");
}

// The disc in the drive is held in memory with its blob positions; a merge into its record loads it again
// so that its next save does not write over blocks the import has moved.
TEST(CatalogueTransfer, MergeIntoTheDiscInTheDriveLoadsItAgain) {
    TCatalogueFolder f;
    SaveFullDisc(f, 1, "In the drive");
    const TDiscRecord drive = MakeDisc(CodeOf(1), "");
    f.Cat().DiscInserted(CodeOf(1), {drive.TrackCount, drive.TrackLengths, drive.TotalTime});
    EXPECT_EQ(ImportText(f, V4Disc(1, "3", 3), ifVersion4, true).Merged, 1);
    const TLoadedDisc stored = LoadEntry(f.Cat(), CodeOf(1));
    EXPECT_EQ(f.Cat().CurrentDisc.DiscName, "Name 1");
    EXPECT_EQ(f.Cat().CurrentDisc.TracksRef, stored.Rec.TracksRef);
    // In the drive, the disc gives its own track times at once.
    EXPECT_FALSE(stored.Rec.TocPending);
    EXPECT_EQ(stored.Rec.TrackCount, 2);
    EXPECT_TRUE(f.Cat().SaveCurrentDisc());
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
}

// Broken and awkward files: where the import stops (0: it does not), why, and what it kept.
TEST(CatalogueTransfer, BadFilesStopWithTheirLineOrAreReadCleanly) {
    const std::string longLine(100000, 'x');
    struct TCase {
        std::string Text;
        int StopLine;
        std::string Why;
        int Added;
    } cases[] = {
        {V4Disc(1, "2", 2) + V4Disc(2, "two", 0), 32, "the track count is not a number", 1},
        {V4Disc(1, "2", 2).substr(0, 60), 13, "the file ends before the disc that begins at line 1", 0},
        {std::string("\x7f"
                     "ELF\0\0\x01",
                     7) +
             "\n\n",
         1, "NUL byte", 0},
        {"random words\nmore\n", 1, "square brackets", 0},
        {"", 0, "", 0},
        {"\r\n\r\n", 0, "", 0},
        {V4Disc(1, "-1", 0), 12, "below 0", 0},
        {"[" + CodeOf(1) + "]\n" + longLine + "\n" + V4Disc(1, "0", 0).substr(19 + 7), 0, "", 1},
    };
    for (const TCase& c : cases) {
        TCatalogueFolder f;
        const TImportResult r = ImportText(f, c.Text);
        EXPECT_EQ(r.Stopped ? r.StopLine : 0, c.StopLine) << c.Text.substr(0, 40);
        EXPECT_NE(r.Error.find(c.Why), std::string::npos) << r.Error;
        EXPECT_EQ(r.Added, c.Added) << r.Error;
        if (c.StopLine) {
            EXPECT_NE(r.Error.find("imported before it."), std::string::npos) << r.Error;
        }
        if (c.Added) {
            EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());
        }
    }
}

TEST(CatalogueTransfer, TrackCountAbove99KeepsTheFirst99AndReadsTheNextDisc) {
    TCatalogueFolder f;
    // CR LF line ends, and a Windows-1252 line among UTF-8 ones.
    std::string text =
        V4Disc(1, "120", 120) + "[" + CodeOf(2) + "]\nCaf\xE9\n" + V4Disc(3, "0", 0).substr(26);
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, "\r");
    const TImportResult r = ImportText(f, text);
    EXPECT_FALSE(r.Stopped) << r.Error;
    EXPECT_EQ(r.Added, 2);
    EXPECT_EQ(r.TracksCut, 1);
    const TLoadedDisc first = LoadEntry(f.Cat(), CodeOf(1));
    EXPECT_EQ(first.Rec.TrackCount, 99);
    EXPECT_EQ(first.Grid.Cells(0, 99), "Track 99");
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(2)).Rec.DiscName, "Café");
    EXPECT_NE(ImportSummary(r, "f").find("1 disc had more than 99 tracks"), std::string::npos);
}

TEST(CatalogueTransfer, Version3Layout) {
    TCatalogueFolder f;
    std::string text = "[" + CodeOf(3) + "]\nOld name\nHandel\nBaroque\n\x03\x01\x02\nR3\n";
    for (int t = 1; t <= 30; ++t)
        text += "Aria " + std::to_string(t) + "\n";
    const TImportResult r = ImportText(f, text + text, ifVersion3, false);
    EXPECT_FALSE(r.Stopped) << r.Error;
    EXPECT_EQ(r.Added, 1);
    EXPECT_EQ(r.Skipped, 1);
    const TLoadedDisc d = LoadEntry(f.Cat(), CodeOf(3));
    EXPECT_EQ(d.Rec.DiscName, "Old name");
    EXPECT_EQ(d.Rec.Composer, "Handel");
    EXPECT_EQ(d.Rec.Artist, "Unknown");
    EXPECT_EQ(d.Rec.Reference, "R3");
    EXPECT_EQ(d.Rec.TrackCount, 30);
    ASSERT_EQ(d.Rec.Programme.Count, 3);
    EXPECT_EQ(d.Rec.Programme[1], 3);
    EXPECT_EQ(d.Grid.Cells(0, 30), "Aria 30");
}

TEST(CatalogueTransfer, WindowsDiscFile) {
    TCatalogueFolder f;
    CopyFixture("windows-disc-ini/help-page-example.ini", f.Home.Path());
    f.Answers.Answers.push_back(idYes);
    TImportResult r = ImportCatalogue(f.Cat(), f.Home.File("help-page-example.ini"), ifWindows, false);
    EXPECT_FALSE(r.Stopped) << r.Error;
    EXPECT_EQ(r.Added, 1);
    TLoadedDisc d = LoadEntry(f.Cat(), "000000000123ABCD");
    EXPECT_EQ(d.Rec.TrackCount, 10);
    EXPECT_TRUE(d.Rec.TocPending);
    EXPECT_FALSE(d.Grid.Cells(0, 1).empty());
    EXPECT_FALSE(d.Grid.Cells(0, 10).empty());
    EXPECT_TRUE(d.Grid.Cells(0, 4).empty());

    // Lines before the first section, a broken header, a duplicate section (merged), ignored keys,
    // keys in any case, and a section name that is no hexadecimal id.
    const std::string text = "; written by hand\n[Settings]\nTITLE=Not a disc\n[12ab\n0=lost\n"
                             "[00ff]\nEntryType=1\nnumtracks=12\nTitle = First\n0=One\n11=Twelve\norder=0 1\n"
                             "numplay=12\n[FF]\nARTIST=Second\n";
    r = ImportText(f, text, ifWindows, true);
    EXPECT_FALSE(r.Stopped) << r.Error;
    EXPECT_EQ(r.BrokenSections, 2);
    EXPECT_EQ(r.Added, 1);
    EXPECT_EQ(r.Merged, 1);
    d = LoadEntry(f.Cat(), "00000000000000FF");
    EXPECT_EQ(d.Rec.DiscName, "First");
    EXPECT_EQ(d.Rec.Artist, "Second");
    EXPECT_EQ(d.Rec.TrackCount, 12);
    EXPECT_EQ(d.Grid.Cells(0, 1), "One");
    EXPECT_EQ(d.Grid.Cells(0, 12), "Twelve");
    EXPECT_EQ(LoadEntry(f.Cat(), "Settings").RecNo, 0); // no disc code: passed over
    // Saved as UTF-16 by a Windows editor.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[abc]\r\ntitle=Wide\r\n"))
        utf16 += std::string{c, '\0'};
    EXPECT_EQ(ImportText(f, utf16, ifWindows).Added, 1);
    EXPECT_EQ(LoadEntry(f.Cat(), "0000000000000ABC").Rec.DiscName, "Wide");
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());

    EXPECT_EQ(WindowsDiscCode("123abcd"), "000000000123ABCD");
    EXPECT_EQ(WindowsDiscCode("0123456789ABCDEF0"), "0123456789ABCDEF0");
    EXPECT_EQ(SplitIniLine("7=").TrackIndex, 8);
    EXPECT_EQ(SplitIniLine("no equals").Key, "");
}

TEST(CatalogueTransfer, CommandLine) {
    TCatalogueFolder f;
    SaveFullDisc(f, 1, "One");
    f.Reopen(); // the catalogue object holds nothing open, but the tool is another process anyway
    const char* build = std::getenv("ORBELUNE_BUILD");
    ASSERT_NE(build, nullptr);
    const std::string tool = std::string(build) + "/orbelune-cat --dir " + f.Home.Dir() + " ";
    const std::string file = f.Home.File("out.txt");
    int status = -1;
    EXPECT_EQ(RunCommand(tool + "export " + file, status), "Exported 1 disc to " + file + ".\n");
    EXPECT_EQ(status, 0);
    RunCommand(tool + "export " + file + " 2>/dev/null", status);
    EXPECT_EQ(status, 1); // exists, no --force
    RunCommand(tool + "export --csv --force " + file, status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(ReadFileBytes(file).starts_with("\"CD Code\""));
    RunCommand(tool + "import --v3 --windows " + file + " 2>/dev/null", status);
    EXPECT_EQ(status, 2);

    WriteFileBytes(file, V4Disc(1, "0", 0) + V4Disc(2, "0", 0) + V4Disc(3, "x", 0));
    const std::string out =
        RunCommand(tool + "import --merge " + file + " 2>" + f.Home.File("err.txt"), status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "Imported from " + file +
                       ": 1 disc added, 1 merged, 0 skipped because they were held already.\n");
    EXPECT_NE(
        ReadFileBytes(f.Home.File("err.txt"))
            .find("The import stopped at line 36 of " + file + ": the track count is not a number. 2 discs"),
        std::string::npos);

    // Refused while another program holds the catalogue: the reason, and no summary of nothing done.
    ASSERT_TRUE(f.Cat().HoldDiscFiles());
    const std::string refused =
        RunCommand(tool + "import --merge " + file + " 2>" + f.Home.File("err.txt"), status);
    f.Cat().ReleaseDiscFiles();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(refused, "");
    EXPECT_FALSE(ReadFileBytes(f.Home.File("err.txt")).empty());
}
