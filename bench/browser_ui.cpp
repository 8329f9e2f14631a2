// Catalogue browser timings on the offscreen platform: opening the window (tree read, sorted and shown)
// in name and composer order, and a track-name filter, on catalogues of lifelike discs.
// Usage: bench_browser_ui [disc counts..., default 10000 100000]
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue_ui/CatalogueBrowser.h"
#include "catalogue_ui/CatalogueTreeModel.h"
#include "devices/MessageBoxes.h"

namespace fs = std::filesystem;
using BenchSupport::Clock;

namespace {

using BenchSupport::Seconds;
using BenchSupport::TYes;

const char* const Composers[] = {
    "Bach, Johann Sebastian",   "Beethoven, Ludwig van", "Brahms, Johannes", "Chopin, Frédéric",
    "Dvořák, Antonín",          "Elgar, Edward",         "Haydn, Joseph",    "Mahler, Gustav",
    "Mozart, Wolfgang Amadeus", "Schubert, Franz",       "Sibelius, Jean",   "Vivaldi, Antonio"};
const char* const Works[] = {"Symphony No. ",        "Piano Sonata No. ", "String Quartet No. ",
                             "Violin Concerto No. ", "Cello Suite No. ",  "Mass No. ",
                             "Serenade No. ",        "Piano Trio No. "};

void MakeCatalogue(const fs::path& Dir, int Count) {
    TPlayerSettings settings;
    SaveSettingsTo((Dir / "ORBELUNE.INI").string(), settings);
    TDiscCatalogue cat(Dir.string() + "/", settings);
    cat.HoldDiscFiles();
    for (int i = 1; i <= Count; ++i) {
        char code[17];
        std::snprintf(code, sizeof code, "%016X", static_cast<unsigned>(i) * 2654435761u);
        TDiscRecord rec = NewDiscRecord(code, 30000, 30000);
        rec.Composer = Composers[i % std::size(Composers)];
        rec.DiscName = Works[i % std::size(Works)] + std::to_string(1 + i % 97);
        rec.Artist = "Orchestra " + std::to_string(i % 300);
        rec.RecordLabel = "Label " + std::to_string(i % 40);
        rec.MusicType = "Type " + std::to_string(i % 12);
        rec.TrackCount = 20;
        rec.SampleRef = 0;
        TStringGridData grid;
        ResetDiscGrid(grid, code);
        for (int t = 1; t <= rec.TrackCount; ++t)
            grid.SetCells(0, t, "Movement " + std::to_string(t) + (t == 3 && i % 500 == 0 ? " Furiant" : ""));
        TDiscKeys keys;
        std::int32_t recNo = 0;
        if (!cat.SaveDisc(rec, grid, std::string(code) + "\nnotes", recNo, keys)) std::exit(1);
    }
    cat.ReleaseDiscFiles();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TYes yes;
    SetMessageSink(&yes);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {10000, 100000};
    for (int count : counts) {
        const fs::path dir =
            fs::temp_directory_path() / ("orbelune-bench-browser-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        auto start = Clock::now();
        MakeCatalogue(dir, count);
        std::printf("%d discs: catalogue made in %.1f s\n", count, Seconds(start));
        TPlayerSettings settings;
        TDiscCatalogue cat(dir.string() + "/", settings);

        start = Clock::now();
        auto form = std::make_unique<TfrmCat>(cat, nullptr, [] { return TDiscToc{}; });
        form->show();
        QApplication::processEvents();
        std::printf("%d discs: browser opened in name order in %.3f s (%d nodes)\n", count, Seconds(start),
                    form->Model().rowCount());
        start = Clock::now();
        form->rbComp->click();
        QApplication::processEvents();
        std::printf("%d discs: composer order in %.3f s (%d groups)\n", count, Seconds(start),
                    form->Model().rowCount());
        form->rbName->click();
        form->edTrack->setText(QStringLiteral("FURIANT"));
        start = Clock::now();
        form->cbFilter->setChecked(true);
        QApplication::processEvents();
        std::printf("%d discs: track-name filter in %.3f s (%d discs pass)\n", count, Seconds(start),
                    form->Model().DiscCount());
        form->close();
        form.reset();
        fs::remove_all(dir);
    }
    return 0;
}
