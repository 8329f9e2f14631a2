#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../DiscTestSupport.h"
#include "app/base/ProgramVersion.h"
#include "catalogue/CatalogueOrder.h"
#include "catalogue/tool/CatalogueTool.h"
#include "catalogue/tool/TerminalOutput.h"

#include <QString>

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the built orbelune-cat with Args, capturing its output.
TRun RunTool(const std::string& Args, const TTempHome& Home) {
    const char* build = std::getenv("ORBELUNE_BUILD");
    TRun run;
    if (!build) return run;
    const std::string errFile = Home.File("stderr.txt");
    const std::string command =
        "timeout 60 " + std::string(build) + "/orbelune-cat " + Args + " 2>" + errFile;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        run.Out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Err = ReadFileBytes(errFile);
    return run;
}

void FillCatalogue(TCatalogueFolder& F) {
    F.Save(MakeDisc(CodeOf(1), "Goldberg Variations", "Bach", "Gould"), 2);
    F.Save(MakeDisc(CodeOf(2), "Mass in B minor", "Bach", "Herreweghe"));
    F.Save(MakeDisc(CodeOf(3), "abba gold", "BACH", "Abba"));
    F.Save(MakeDisc(CodeOf(4), "Symphony 4", "Brahms", "Kleiber"));
    ASSERT_TRUE(F.Cat().DeleteDisc(2));
}

} // namespace

TEST(CatalogueTool, ListsInTheBrowsersOrdersAndShowsADisc) {
    TCatalogueFolder f;
    FillCatalogue(f);
    ASSERT_NE(std::getenv("ORBELUNE_BUILD"), nullptr);

    TRun run = RunTool("list", f.Home); // the data folder from ORBELUNE_HOME
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "abba gold\t" + CodeOf(3) + "\nGoldberg Variations\t" + CodeOf(1) + "\nSymphony 4\t" +
                           CodeOf(4) + "\n");

    // Composers that differ in case are two groups, ordered by byte value where case alone differs.
    run = RunTool("--dir " + f.Home.Dir() + " list --by composer", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "BACH\n  abba gold\t" + CodeOf(3) + "\nBach\n  Goldberg Variations\t" + CodeOf(1) +
                           "\nBrahms\n  Symphony 4\t" + CodeOf(4) + "\n");
    run = RunTool("list --by artist", f.Home);
    EXPECT_EQ(run.Out.substr(0, 5), "Abba\n");

    // A code typed in lower case names the same disc; the notes are shown without the code line the
    // editor stores first.
    const std::string code = CodeOf(0xFACE1);
    f.Save(MakeDisc(code, "Goldberg Variations", "Bach", "Gould"), 2,
           StoredNotes(code, "Recorded 1981.\nSecond line"));
    std::string lower = code;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    for (const std::string& typed : {code, lower}) {
        run = RunTool("show " + typed, f.Home);
        EXPECT_EQ(run.Status, 0) << run.Err;
        for (const std::string& line : {"Disc ID: " + code + "\n", std::string("Name: Goldberg Variations\n"),
                                        std::string("Picture: no\n"), std::string(" 1 03.10 Track 1\n"),
                                        std::string("\nNotes:\nRecorded 1981.\nSecond line\n")})
            EXPECT_NE(run.Out.find(line), std::string::npos) << line << "\nin\n" << run.Out;
    }

    run = RunTool("show 0000000000000002", f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "orbelune-cat: no disc with the code 0000000000000002 in the catalogue\n");
    run = RunTool("list --by year", f.Home);
    EXPECT_EQ(run.Status, 2);
    run = RunTool("--dir " + f.Home.File("missing") + " check", f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "orbelune-cat: no such folder: " + f.Home.File("missing") + "\n");
}

TEST(CatalogueTool, OneDiscAndNone) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "Goldberg Variations", "Bach", "Gould"));
    EXPECT_EQ(RunTool("check", f.Home).Out, "The catalogue is sound: 1 disc in 1 record slot.\n");
    ASSERT_TRUE(f.Cat().DeleteDisc(1));
    const TRun run = RunTool("list", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "The catalogue holds no discs.\n");
}

TEST(CatalogueTool, ChecksRebuildsAndRepairs) {
    TCatalogueFolder f;
    FillCatalogue(f);
    TRun run = RunTool("check", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "The catalogue is sound: 3 discs in 4 record slots.\n");

    run = RunTool("rebuild", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "Rebuilt: 3 discs.\n");
    EXPECT_EQ(RunTool("check", f.Home).Out, "The catalogue is sound: 3 discs in 3 record slots.\n");

    // A key pointing at a deleted slot, then a catalogue left open.
    f.Reopen();
    ASSERT_TRUE(f.Cat().OpenDiscFiles());
    DeleteRecord(f.Cat().DiscFile, 1);
    f.Cat().CloseDiscFiles();
    run = RunTool("check", f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("which is not a live record"), std::string::npos) << run.Err;

    std::string dat = ReadFileBytes(f.Home.File("disc.DAT"));
    dat[20] = 1;
    WriteFileBytes(f.Home.File("disc.DAT"), dat);
    run = RunTool("list", f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "orbelune-cat: the catalogue was not closed properly (error 10010); run 'orbelune-cat "
                       "repair'\n");
    run = RunTool("repair", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.substr(0, 19), "Repaired: 2 discs.\n");
    run = RunTool("check", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
}

// Junk under the names of a rebuild's swap beside a sound catalogue of 50 discs: list reads the catalogue and
// says what the junk is; rebuild and repair set it aside, say where, and keep every disc.
TEST(CatalogueTool, JunkSwapFilesBesideTheCatalogueCostNoDisc) {
    struct TCase {
        const char* Command;
        std::string Out;
        bool SetAside;
    };
    for (const TCase& c :
         {TCase{"list", "Disc 1\t" + CodeOf(1), false}, TCase{"rebuild", "Rebuilt: 50 discs.", true},
          TCase{"repair", "Repaired: 50 discs.", true}}) {
        SCOPED_TRACE(c.Command);
        TCatalogueFolder f;
        FillDiscs(f, 50);
        WriteJunkSwapFiles(f.Home);
        TRun run = RunTool(c.Command, f.Home);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Out.find(c.Out), std::string::npos) << run.Out;
        EXPECT_NE(run.Err.find("do not make a sound catalogue"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("have not been changed"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("moved to disc-unfinished.DAT") != std::string::npos, c.SetAside) << run.Err;
        EXPECT_EQ(std::filesystem::exists(f.Home.File("disc2.SWP")), !c.SetAside);

        run = RunTool("list", f.Home);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 50) << run.Out;
        run = RunTool("check", f.Home);
        EXPECT_EQ(run.Status, c.SetAside ? 0 : 1) << run.Err;
        if (c.SetAside) continue;
        // While a rebuild holds the marker it is swapping the files: nothing is read meanwhile.
        const int marker = ::open(f.Home.File("disc2.SWP").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(marker, LOCK_EX), 0);
        run = RunTool("list", f.Home);
        ::close(marker);
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("another program is replacing the catalogue files"), std::string::npos)
            << run.Err;
    }
}

// A store whose signature is damaged: show says what it cannot read, the repair gets it all back.
TEST(CatalogueTool, ShowTellsAnUnreadableStoreAndRepairBringsItBack) {
    TCatalogueFolder f;
    FillCatalogue(f);
    std::string vlf = ReadFileBytes(f.Home.File("disc.VLF"));
    vlf[1] = 'X';
    WriteFileBytes(f.Home.File("disc.VLF"), vlf);
    TRun run = RunTool("show " + CodeOf(1), f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Out.find("the track names cannot be read (disc.VLF cannot be read"), std::string::npos)
        << run.Out;
    EXPECT_NE(run.Err.find("run 'orbelune-cat repair'"), std::string::npos) << run.Err;

    run = RunTool("repair", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "Repaired: 3 discs.\nThe damaged files are kept as disc-damaged.DAT, disc-damaged.IX and "
              "disc-damaged.VLF.\n");
    run = RunTool("show " + CodeOf(1), f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find(" 1 03.10 Track 1\n"), std::string::npos) << run.Out;
}

TEST(CatalogueTool, OddInputGivesOneLineAndAFailure) {
    TCatalogueFolder f;
    FillCatalogue(f);
    // The catalogue held by another program: the player keeps it locked while it works on it.
    ASSERT_TRUE(f.Cat().HoldDiscFiles());
    for (const char* command : {"list", "show 0000000000000001", "check", "rebuild", "repair"}) {
        const TRun run = RunTool(command, f.Home);
        EXPECT_EQ(run.Status, 1) << command;
        EXPECT_EQ(run.Err,
                  "orbelune-cat: the catalogue is in use by another program (error 9908); close it and "
                  "try again\n")
            << command;
    }
    f.Cat().ReleaseDiscFiles();
    for (const char* command : {"frobnicate", "show", "list --by", "check extra", "show 0000000000000001X"}) {
        const TRun run = RunTool(command, f.Home);
        EXPECT_EQ(run.Status, 2) << command;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << command << ":\n" << run.Err;
    }
    EXPECT_EQ(RunTool("frobnicate", f.Home).Err,
              "orbelune-cat: unknown command 'frobnicate' (orbelune-cat --help shows the usage)\n");
    // A folder that is not a catalogue's.
    std::filesystem::create_directory(f.Home.File("empty"));
    const TRun run = RunTool("--dir " + f.Home.File("empty") + " check", f.Home);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err.substr(0, 42), "orbelune-cat: there is no catalogue (disc.");
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
}

// show and --help run in orbelune-cat itself, which loads none of Qt; the other commands run in
// orbelune-cat-full beside it.
TEST(CatalogueTool, ShowsAndTellsItsUsageWithoutQt) {
    TCatalogueFolder f;
    const TRun help = RunTool("--help", f.Home);
    EXPECT_EQ(help.Status, 0);
    for (const char* command : {" list ", " show ", " check ", " print ", " export ", " import "})
        EXPECT_NE(help.Out.find(command), std::string::npos) << command;
    const TRun version = RunTool("--version", f.Home);
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, std::string("orbelune-cat ") + ProgramVersion() + "\n");
    const TRun bare = RunTool("", f.Home); // the usage, told as an error
    EXPECT_EQ(bare.Status, 2);
    EXPECT_EQ(bare.Err, help.Out);
    FILE* pipe =
        ::popen(("ldd " + std::string(std::getenv("ORBELUNE_BUILD")) + "/orbelune-cat").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string loaded;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        loaded.append(buffer.data(), n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_NE(loaded.find("libc.so"), std::string::npos) << loaded;
    EXPECT_EQ(loaded.find("Qt"), std::string::npos) << loaded;
}

// show reads a stored bitmap's size from its header, whichever header it has; print, which orbelune-cat
// leaves to orbelune-cat-print, writes its PDF.
TEST(CatalogueTool, ShowsAPicturesSizeAndPrints) {
    TCatalogueFolder f;
    const struct {
        const char* File;
        const char* Size;
    } cases[] = {{"bmp/g/pal8os2.bmp", "127 x 64"}, // 12-byte header, 16-bit sizes
                 {"bmp/g/pal8topdown.bmp", "127 x 64"},
                 {"bmp/g/pal8w126.bmp", "126 x 63"}};
    for (const auto& c : cases) {
        TDiscRecord rec = MakeDisc(CodeOf(1), "Pictured", "Bach", "Gould");
        f.Save(rec);
        WriteFileBytes(f.Cat().WorkingPicture(), ReadFileBytes(TestDataDir() / c.File));
        ASSERT_TRUE(f.Cat().OpenDiscVlf());
        rec.PictureRef = f.Cat().fvlf.Vlf.StoreFile(0, f.Cat().WorkingPicture(), VlfKindPicture);
        f.Cat().CloseDiscVlf();
        ASSERT_TRUE(f.Cat().PutDiscRecord(rec));
        const TRun run = RunTool("show " + CodeOf(1), f.Home);
        EXPECT_NE(run.Out.find(std::string(" bytes, ") + c.Size + " pixels\n"), std::string::npos)
            << c.File << "\n"
            << run.Out;
    }
    const TRun run = RunTool("print --pdf " + f.Home.File("list.pdf") + " --by composer", f.Home);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "Printed 1 page to " + f.Home.File("list.pdf") + "\n");
    EXPECT_EQ(ReadFileBytes(f.Home.File("list.pdf")).substr(0, 5), "%PDF-");
}

// Names sort ignoring case as Qt compares them (folded code points), ties in byte order.
TEST(CatalogueTool, NameOrderIgnoresCaseBeyondAscii) {
    TCatalogueFolder f;
    // Case ties within and beyond the first 24 bytes, which the sort keys hold.
    const std::vector<std::string> names = {"zebra",
                                            "Éclair",
                                            "eclair",
                                            "apple",
                                            "Apple",
                                            "Ölberg",
                                            "oak",
                                            "ſz",
                                            "sun",
                                            "aBc",
                                            "ABC",
                                            "Abc",
                                            "A very long disc name, part 2",
                                            "a very long disc name, Part 1",
                                            "A VERY long disc name, part 1"};
    for (std::size_t i = 0; i < names.size(); ++i)
        f.Save(MakeDisc(CodeOf(static_cast<int>(i) + 1), names[i], "Bach", "Gould"));
    std::string error;
    const auto tree = CatalogueTreeOrder(f.Home.Dir(), kDiscName, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_EQ(tree.size(), 1u);
    std::vector<std::string> sorted;
    for (const auto& disc : tree[0].Discs)
        sorted.push_back(disc.Name);
    // Folded "ſz" is "sz"; accented letters come after "z", as their code points do.
    EXPECT_EQ(sorted,
              (std::vector<std::string>{"A VERY long disc name, part 1", "a very long disc name, Part 1",
                                        "A very long disc name, part 2", "ABC", "Abc", "aBc", "Apple",
                                        "apple", "eclair", "oak", "sun", "ſz", "zebra", "Éclair", "Ölberg"}));
}

// The list is the browser's tree line for line in every order, on texts that mix case, letters beyond
// ASCII, Windows-1252 bytes, equal names and long texts that share their first 20 bytes (the index's key).
TEST(CatalogueTool, ListIsTheBrowsersTreeInEveryOrder) {
    TCatalogueFolder f;
    const std::vector<std::string> pieces = {"a", "A", "b", "B", "é", "É", "\xe9",
                                             "ß", " ", "Ж", "ж", "_", "1"};
    std::mt19937 rng(11);
    const auto text = [&](std::size_t Max) {
        std::string t = rng() % 3 == 0 ? "Johann Sebastian Bach " : "";
        for (std::size_t n = 1 + rng() % Max; n > 0; --n)
            t += pieces[rng() % pieces.size()];
        return t;
    };
    for (int i = 1; i <= 150; ++i) {
        TDiscRecord disc = MakeDisc(CodeOf(i), text(3), text(2), text(2));
        disc.RecordLabel = text(1);
        disc.MusicType = i % 7 == 0 ? "" : text(1);
        f.Save(disc);
    }
    for (const char* order : {"name", "composer", "artist", "label", "type"}) {
        SCOPED_TRACE(order);
        std::string error;
        const auto tree = CatalogueTreeOrder(f.Home.Dir(), CatalogueOrderKey(order), error);
        ASSERT_TRUE(error.empty()) << error;
        const bool grouped = std::string(order) != "name";
        std::string expected;
        for (const auto& group : tree) {
            if (grouped) expected += group.Text + "\n";
            for (const auto& disc : group.Discs)
                expected += (grouped ? "  " : "") + disc.Name + "\t" + disc.Code + "\n";
        }
        const TRun run = RunTool("list --by " + std::string(order), f.Home);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, expected);
    }
}

// The folded texts the list sorts on compare as Qt compares the texts ignoring case, letters with and
// without case, outside the first plane and broken UTF-8 among them.
TEST(CatalogueTool, FoldedTextsCompareAsQtComparesTexts) {
    const std::vector<std::string> pieces = {"a", "A", "z",    "_",    "é", "É", "ß", "ẞ", "ſ", "s", "Σ",
                                             "ς", "σ", "İ",    "ı",    "i", "Ж", "ж", "ǅ", "ǆ", "Ǆ", "𐐀",
                                             "𐐨", "😀", "\xff", "\xc3", "ﬀ", "Ω", "Ω", "ω", "µ", "μ"};
    std::mt19937 rng(5);
    const auto text = [&] {
        std::string t;
        for (std::size_t n = rng() % 4; n > 0; --n)
            t += pieces[rng() % pieces.size()];
        return t;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = text(), b = text();
        const int qt = QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
        const int ours = CaseFoldedText(a).compare(CaseFoldedText(b));
        ASSERT_EQ(qt < 0, ours < 0) << a << " / " << b;
        ASSERT_EQ(qt == 0, ours == 0) << a << " / " << b;
    }
}

// A missing store or one disc's damaged track list: export and print write what they can, name each
// disc whose data is missing from what they wrote, end with status 3 and create or change no catalogue
// file.
TEST(CatalogueTool, ExportAndPrintNameTheDiscsWhoseDataCannotBeRead) {
    struct TCase {
        const char* Name;
        bool RemoveStore; // else disc 1's track list is damaged
        std::string Command;
        std::vector<int> Named; // discs named on the error output
    };
    const TCase cases[] = {
        {"export, no store", true, "export --force OUT", {1, 3, 4}},
        {"csv, damaged list", false, "export --csv --force OUT", {1}},
        {"print disc, no store", true, "print --pdf OUT --disc " + CodeOf(1), {1}},
        {"print disc, damaged list", false, "print --pdf OUT --disc " + CodeOf(1), {1}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCatalogueFolder f;
        FillCatalogue(f);
        if (c.RemoveStore) {
            std::filesystem::remove(f.Home.File("disc.VLF"));
        } else {
            const std::int32_t tracks = LoadEntry(f.Cat(), CodeOf(1)).Rec.TracksRef;
            std::string store = ReadFileBytes(f.Home.File("disc.VLF"));
            store.replace(static_cast<std::size_t>(tracks) + 8 + 16, 4,
                          "\xff\xff\xff\x7f"); // its column count
            WriteFileBytes(f.Home.File("disc.VLF"), store);
        }
        f.Reopen();
        std::map<std::string, std::string> before;
        for (const auto& entry : std::filesystem::directory_iterator(f.Home.Dir()))
            before[entry.path().filename()] = ReadFileBytes(entry.path());

        std::string command = c.Command;
        const std::string out = f.Home.File("out.file");
        command.replace(command.find("OUT"), 3, out);
        const TRun run = RunTool(command, f.Home);
        EXPECT_EQ(run.Status, 3) << run.Err;
        EXPECT_TRUE(std::filesystem::exists(out));
        for (int i = 1; i <= 4; ++i) {
            const bool named = std::count(c.Named.begin(), c.Named.end(), i) > 0;
            EXPECT_EQ(run.Err.find(CodeOf(i)) != std::string::npos, named) << i << "\n" << run.Err;
        }
        std::filesystem::remove(out);
        std::filesystem::remove(f.Home.File("stderr.txt"));
        std::map<std::string, std::string> after;
        for (const auto& entry : std::filesystem::directory_iterator(f.Home.Dir()))
            after[entry.path().filename()] = ReadFileBytes(entry.path());
        before.erase("stderr.txt");
        EXPECT_TRUE(before == after) << "the data folder changed";
    }
}

TEST(CatalogueTool, TerminalFilterShowsControlCharacters) {
    std::ostringstream Sink;
    const auto Filter = MakeTerminalFilter(Sink.rdbuf());
    std::ostream Out(Filter.get());
    Out << "Name\t\x1b[2J\r\xC2\x9B\xC3\xA9" << '\x07' << "\n";
    WriteTerminalControl(Out, "\r\x1b[K");
    EXPECT_EQ(Sink.str(), "Name\t^[[2J^M?\xC3\xA9^G\n\r\x1b[K");
}
