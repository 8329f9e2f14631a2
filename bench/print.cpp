// Catalogue printing timings: a catalogue of made-up but lifelike discs printed to PDF through
// orbelune-cat's print command, grouped by composer, plus one disc's listing with a picture, notes and
// user fields. Usage: bench_print [disc count, default 500] [folder to keep the catalogue and PDFs in].
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include <QImage>
#include <QPainter>
#include <QRadialGradient>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/tool/CatalogueTool.h"
#include "devices/MessageBoxes.h"

namespace fs = std::filesystem;
using namespace BenchSupport;

namespace {

const char* const Composers[] = {"Bach, Johann Sebastian",
                                 "Beethoven, Ludwig van",
                                 "Brahms, Johannes",
                                 "Bruckner, Anton",
                                 "Chopin, Frédéric",
                                 "Debussy, Claude",
                                 "Dvořák, Antonín",
                                 "Elgar, Edward",
                                 "Handel, George Frideric",
                                 "Haydn, Joseph",
                                 "Mahler, Gustav",
                                 "Mozart, Wolfgang Amadeus",
                                 "Purcell, Henry",
                                 "Ravel, Maurice",
                                 "Schubert, Franz",
                                 "Schumann, Robert",
                                 "Shostakovich, Dmitri",
                                 "Sibelius, Jean",
                                 "Tchaikovsky, Pyotr Ilyich",
                                 "Vivaldi, Antonio"};
const char* const Works[] = {"Symphony No. ",        "Piano Sonata No. ", "String Quartet No. ",
                             "Violin Concerto No. ", "Cello Suite No. ",  "Mass No. ",
                             "Serenade No. ",        "Piano Trio No. "};
const char* const Artists[] = {"Berliner Philharmoniker",  "Alfred Brendel",  "Emerson String Quartet",
                               "English Baroque Soloists", "Martha Argerich", "Concertgebouworkest",
                               "Anne-Sophie Mutter",       "The Sixteen",     "Wiener Philharmoniker",
                               "Mstislav Rostropovich"};
const char* const Labels[] = {"Deutsche Grammophon", "Decca",    "Philips",
                              "EMI Classics",        "Hyperion", "Sony Classical"};
const char* const Types[] = {"Symphonic", "Chamber", "Solo piano", "Concerto", "Choral", "Baroque"};

TDiscRecord Disc(int N) {
    TDiscRecord rec = NewDiscRecord(Code(N), 30000, 30000);
    rec.Composer = Composers[N % std::size(Composers)];
    rec.DiscName = Works[N % std::size(Works)] + std::to_string(1 + N % 9) +
                   (N % 7 == 0 ? " and other works for the concert hall, complete recording" : "");
    rec.Artist = Artists[N % std::size(Artists)];
    rec.RecordLabel = Labels[N % std::size(Labels)];
    rec.MusicType = Types[N % std::size(Types)];
    rec.Reference = std::to_string(400 + N % 97) + " " + std::to_string(100 + N) + "-2";
    rec.Year = static_cast<std::int16_t>(N % 11 == 0 ? 0 : 1955 + N % 65);
    rec.TrackCount = static_cast<std::int16_t>(4 + N % 12);
    for (int t = 0; t < rec.TrackCount; ++t)
        rec.TrackLengths[t] = MakeMSF(3 + (N + t) % 9, (N * 7 + t * 13) % 60, 0);
    rec.TotalTime = 40 + N % 35 + ((N * 17) % 60) / 100.0;
    return rec;
}

// A disc-shaped picture, as a scanned cover would be stored.
std::string MakePicture(const fs::path& Dir) {
    QImage image(240, 240, QImage::Format_RGB32);
    image.fill(QColor(40, 60, 110));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(120, 120, 110);
    g.setColorAt(0, QColor(250, 250, 255));
    g.setColorAt(0.6, QColor(170, 190, 230));
    g.setColorAt(1, QColor(120, 130, 200));
    p.setBrush(g);
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QPoint(120, 120), 105, 105);
    p.setBrush(QColor(40, 60, 110));
    p.drawEllipse(QPoint(120, 120), 18, 18);
    p.end();
    const std::string file = (Dir / "cover.bmp").string();
    image.save(QString::fromStdString(file), "BMP");
    return file;
}

int Print(const std::vector<std::string>& Args) {
    std::ostringstream out, err;
    const int status = RunCatalogueTool(Args, out, err);
    if (status != 0) std::cerr << err.str();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    const bool keep = argc > 2;
    const fs::path dir = keep ? fs::path(argv[2]) : ScratchFolder("print");
    fs::create_directories(dir);
    const TYesSink yes;
    TPlayerSettings settings;
    settings.CollectorName = "Ada Example";
    settings.DiscUser1Caption = "Conductor";
    settings.DiscUser2Caption = "Recorded";
    SaveSettingsTo((dir / "ORBELUNE.INI").string(), settings);
    {
        TDiscCatalogue cat(dir.string() + "/", settings);
        cat.HoldDiscFiles();
        for (int i = 1; i <= count; ++i) {
            TDiscRecord rec = Disc(i);
            TStringGridData grid;
            ResetDiscGrid(grid, rec.DiscCode);
            for (int t = 1; t <= rec.TrackCount; ++t) {
                grid.SetCells(0, t,
                              (t == 1
                                   ? std::string("Allegro con brio, in a very long movement title that wraps")
                                   : "Movement " + std::to_string(t)));
                grid.SetCells(1, t, rec.Artist);
                grid.SetCells(2, t, rec.Composer);
            }
            std::string notes =
                rec.DiscCode +
                "\nRecorded live in the main hall.\n\nRemastered from the original tapes; the booklet holds "
                "the full texts and a long essay on the works and their first performances.";
            if (i == 1) {
                rec.UserField1 = "Herbert Example";
                rec.UserField2 = "Berlin, March 1977";
                rec.PictureRef = 0;
            }
            TDiscKeys keys;
            std::int32_t recNo = 0;
            if (!cat.SaveDisc(rec, grid, notes, recNo, keys)) return 1;
            if (i == 1 && cat.OpenDiscVlf()) {
                rec.PictureRef = cat.fvlf.Vlf.StoreFile(0, MakePicture(dir), VlfKindPicture);
                cat.CloseDiscVlf();
                cat.PutDiscRecord(rec);
            }
        }
        cat.ReleaseDiscFiles();
    }
    const std::string pdf = (dir / "catalogue.pdf").string();
    auto start = Clock::now();
    if (Print({"--dir", dir.string(), "print", "--pdf", pdf, "--by", "composer"}) != 0) return 1;
    std::printf("catalogue listing of %d discs by composer: %.2f s, %lld bytes\n", count, Seconds(start),
                static_cast<long long>(fs::file_size(pdf)));
    const std::string one = (dir / "disc.pdf").string();
    start = Clock::now();
    if (Print({"--dir", dir.string(), "print", "--pdf", one, "--disc", Code(1), "--user-fields"}) != 0)
        return 1;
    std::printf("single-disc listing with picture, notes and user fields: %.2f s\n", Seconds(start));
    if (!keep) fs::remove_all(dir);
    return 0;
}
