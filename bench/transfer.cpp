// Export and import timings on a catalogue of discs with 15 named tracks each: export in the version 4
// layout and as CSV, import of that file into an empty catalogue and merged into the full one. As a
// peer, SQLite writes the same rows out as CSV and reads them into an indexed table in one transaction.
// Usage: bench_transfer [discs, default 10000] [--no-merge].
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/CatalogueExport.h"
#include "catalogue/CatalogueImport.h"
#include "catalogue/DiscCatalogue.h"
#include "devices/MessageBoxes.h"

namespace fs = std::filesystem;
using namespace BenchSupport;

namespace {

constexpr int Tracks = 15;

void Fill(TDiscCatalogue& Cat, int Count) {
    TStringGridData grid;
    TDiscKeys keys;
    Cat.HoldDiscFiles();
    for (int i = 1; i <= Count; ++i) {
        TDiscRecord rec = NewDiscRecord(Code(i), 30000, 30000);
        rec.DiscName = "Disc number " + std::to_string(i);
        rec.Composer = "Composer " + std::to_string(i % 500);
        rec.Artist = "Artist " + std::to_string(i % 2000);
        rec.RecordLabel = "Label " + std::to_string(i % 50);
        rec.MusicType = "Type " + std::to_string(i % 20);
        rec.Year = static_cast<std::int16_t>(1950 + i % 70);
        rec.TrackCount = Tracks;
        ResetDiscGrid(grid, rec.DiscCode);
        for (int t = 1; t <= Tracks; ++t) {
            rec.TrackLengths[t - 1] = MakeMSF(3 + t % 5, t * 3 % 60, 0);
            grid.SetCells(0, t, "Track name " + std::to_string(t) + ", \"quoted\"");
            grid.SetCells(1, t, "Soloist " + std::to_string(t));
        }
        std::int32_t recNo = 0;
        Cat.SaveDisc(rec, grid, "A short note about the disc.", recNo, keys);
    }
    Cat.ReleaseDiscFiles();
}

void Check(int Rc, sqlite3* Db) {
    if (Rc != SQLITE_OK && Rc != SQLITE_DONE && Rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(Db));
        std::exit(1);
    }
}

// The peer: the same rows (12 disc columns, 4 per track) written out as CSV in code order, and read back
// from the version 4 file into an indexed table.
void SqlitePeer(const fs::path& Dir, const std::string& Version4File, double& Out, double& In) {
    sqlite3* db = nullptr;
    Check(sqlite3_open((Dir / "peer.db").c_str(), &db), db);
    std::string columns = "code TEXT PRIMARY KEY";
    for (int c = 2; c <= 12 + 4 * Tracks; ++c)
        columns += ", c" + std::to_string(c);
    Check(sqlite3_exec(db, ("CREATE TABLE disc(" + columns + ")").c_str(), nullptr, nullptr, nullptr), db);

    auto start = Clock::now();
    std::ifstream file(Version4File);
    std::string sql = "INSERT INTO disc VALUES(?";
    for (int c = 2; c <= 12 + 4 * Tracks; ++c)
        sql += ",?";
    sql += ")";
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), db);
    std::string line;
    int column = 0;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        sqlite3_bind_text(insert, ++column, line.data(), static_cast<int>(line.size()), SQLITE_TRANSIENT);
        if (column == 12 + 4 * Tracks) {
            Check(sqlite3_step(insert), db);
            sqlite3_reset(insert);
            column = 0;
        }
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    In = Seconds(start);

    start = Clock::now();
    std::ofstream csv(Dir / "peer.csv", std::ios::binary);
    sqlite3_stmt* select = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT * FROM disc ORDER BY code", -1, &select, nullptr), db);
    std::string row;
    while (sqlite3_step(select) == SQLITE_ROW) {
        row.clear();
        for (int c = 0; c < sqlite3_column_count(select); ++c) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(select, c));
            row += '"';
            for (const char* p = text ? text : ""; *p; ++p) {
                row += *p;
                if (*p == '"') row += '"';
            }
            row += "\",";
        }
        row += "\r\n";
        csv << row;
    }
    sqlite3_finalize(select);
    csv.close();
    Out = Seconds(start);
    sqlite3_close(db);
}

} // namespace

// CPU seconds (user and system) the process has used; the machine may be shared, so the wall time of a
// step can hold other programs' time too.
double CpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    const auto seconds = [](const timeval& T) { return static_cast<double>(T.tv_sec) + T.tv_usec / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

struct TSpan {
    double Wall = 0;
    double Cpu = 0;
};

template <typename F> TSpan Time(F&& Step) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    Step();
    return {Seconds(start), CpuSeconds() - cpu};
}

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const bool merge = !(argc > 2 && std::string(argv[2]) == "--no-merge");
    const TYesSink yes;
    const fs::path dir = ScratchFolder("transfer");
    fs::create_directories(dir / "full");
    fs::create_directories(dir / "empty");
    TPlayerSettings settings;
    TDiscCatalogue full((dir / "full").string() + "/", settings);
    const TSpan fill = Time([&] { Fill(full, count); });

    const std::string v4 = (dir / "export.txt").string();
    TExportResult e;
    const TSpan exportV4 = Time([&] { e = ExportCatalogue(full, v4, Version4Layout()); });
    const TSpan exportCsv = Time([&] { ExportCatalogue(full, (dir / "export.csv").string(), CsvLayout()); });

    TDiscCatalogue empty((dir / "empty").string() + "/", settings);
    TImportResult added, merged, skipped;
    const TSpan importNew = Time([&] { added = ImportCatalogue(empty, v4, ifVersion4, false); });
    // Every disc held already and not merged: the file is read and each code looked up, nothing saved.
    const TSpan importSkip = Time([&] { skipped = ImportCatalogue(full, v4, ifVersion4, false); });
    const TSpan importMerge = Time([&] {
        if (merge) merged = ImportCatalogue(full, v4, ifVersion4, true);
    });

    double peerOut = 0, peerIn = 0;
    SqlitePeer(dir, v4, peerOut, peerIn);

    std::printf("%d discs of %d tracks, %d exported, %d added, %d merged\n", count, Tracks, e.Discs,
                added.Added, merged.Merged);
    std::printf("seconds                     wall    CPU   SQLite wall  ratio (wall)\n");
    const auto row = [](const char* Name, const TSpan& S, double Peer) {
        std::printf("%-26s %6.3f %6.3f", Name, S.Wall, S.Cpu);
        if (Peer > 0) std::printf("   %6.3f      %5.2f", Peer, S.Wall / Peer);
        std::printf("\n");
    };
    row("saving them one by one", fill, 0);
    row("export, version 4 layout", exportV4, 0);
    row("export, CSV", exportCsv, peerOut);
    row("import into an empty one", importNew, peerIn);
    row("import, all held, skipped", importSkip, 0);
    row("import merged into itself", importMerge, 0);
    fs::remove_all(dir);
    return 0;
}
