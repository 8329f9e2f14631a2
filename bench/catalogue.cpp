// Disc catalogue timings side by side with SQLite holding the same discs, at growing catalogue sizes.
// Each disc is a record, six keys, a 20-track grid and a short note; in SQLite one row with the five
// secondary fields indexed, the record, the grid image and the note.
//
// Per size: saving every disc with the files held open (SQLite: one transaction), loading each by its
// code, then the operations as the program runs them, each opening and closing the files (SQLite: open,
// one transaction with its default synchronous mode, close), on 40 discs spread over the whole catalogue
// (medians): loading a disc, re-saving an edited disc whose track grid grows by a name, deleting a disc;
// then packing (SQLite: VACUUM). Then the same single operations each in a new process, as orbelune-cat, an
// import of one file or the player's first save after its start meet them: load, edit and save one disc,
// and delete one disc found by its code (the time from the process's start of the operation to its end;
// SQLite: open, the statements, close). Ratios are catalogue / SQLite.
//
// Usage: bench_catalogue [largest size, default 10000; 100000 for the full run] [--keep FOLDER]
// --keep leaves the largest catalogue (disc.DAT, disc.IX, disc.VLF) and its SQLite twin (catalogue.db)
// in FOLDER for bench/catalogue_tool.sh.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "devices/MessageBoxes.h"

namespace fs = std::filesystem;
using namespace BenchSupport;

namespace {

TDiscRecord Disc(int N) {
    TDiscRecord rec = NewDiscRecord(Code(N), 30000, 30000);
    // A third of the names start with a letter outside ASCII, as catalogues of European music do.
    static const char* const Starts[] = {"", "Élan ", "élégie ", "Ångström ", "Œuvre ", "über ", "Ибица "};
    rec.DiscName = Starts[N % 3 == 0 ? 1 + N / 3 % 6 : 0] + std::string("Disc number ") +
                   std::to_string(N * 7919 % 100003);
    rec.Composer = "Composer " + std::to_string(N % 500);
    rec.Artist = "Artist " + std::to_string(N % 2000);
    rec.RecordLabel = "Label " + std::to_string(N % 50);
    rec.MusicType = "Type " + std::to_string(N % 20);
    rec.TrackCount = 20;
    return rec;
}

// The grid as SQLite keeps it: the cells of column 0 joined by newlines.
std::string GridText(const TStringGridData& Grid) {
    std::string text;
    for (int r = 0; r < Grid.RowCount(); ++r)
        text += Grid.Cells(0, r) + "\n";
    return text;
}

// Adds a track name in the first empty row, so the grid image grows.
void GrowGrid(TStringGridData& Grid, int N) {
    for (int r = 1; r < Grid.RowCount(); ++r)
        if (Grid.Cells(0, r).empty()) {
            Grid.SetCells(0, r, "Added track " + std::to_string(N));
            return;
        }
    Grid.SetCells(0, 1, Grid.Cells(0, 1) + "+");
}

[[noreturn]] void Die(sqlite3* Db, const char* What) {
    std::fprintf(stderr, "sqlite %s: %s\n", What, Db ? sqlite3_errmsg(Db) : "?");
    std::exit(1);
}

void Exec(sqlite3* Db, const char* Sql) {
    if (sqlite3_exec(Db, Sql, nullptr, nullptr, nullptr) != SQLITE_OK) Die(Db, Sql);
}

class TStatement {
public:
    TStatement(sqlite3* Db, const char* Sql) : FDb(Db) {
        if (sqlite3_prepare_v2(Db, Sql, -1, &FStmt, nullptr) != SQLITE_OK) Die(Db, Sql);
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement& Text(int I, const std::string& S) {
        sqlite3_bind_text(FStmt, I, S.data(), static_cast<int>(S.size()), SQLITE_TRANSIENT);
        return *this;
    }
    TStatement& Blob(int I, const void* P, int N) {
        sqlite3_bind_blob(FStmt, I, P, N, SQLITE_TRANSIENT);
        return *this;
    }
    // Steps to the end; true when a row came back.
    bool Run() {
        bool row = false;
        for (int rc; (rc = sqlite3_step(FStmt)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW) Die(FDb, "step");
            row = true;
        }
        sqlite3_reset(FStmt);
        return row;
    }
    sqlite3_stmt* Get() { return FStmt; }

private:
    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

sqlite3* OpenDb(const std::string& Name) {
    sqlite3* db = nullptr;
    if (sqlite3_open(Name.c_str(), &db) != SQLITE_OK) Die(db, "open");
    return db;
}

const char* const InsertSql = "INSERT OR REPLACE INTO discs VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

void Insert(TStatement& Stmt, const TDiscRecord& Rec, const TStringGridData& Grid, const std::string& Notes) {
    const TDiscRecordBytes bytes = EncodeDiscRecord(Rec);
    const std::string grid = GridText(Grid);
    Stmt.Text(1, Rec.DiscCode)
        .Text(2, Rec.DiscName)
        .Text(3, Rec.Composer)
        .Text(4, Rec.Artist)
        .Text(5, Rec.RecordLabel)
        .Text(6, Rec.MusicType)
        .Blob(7, bytes.data(), static_cast<int>(bytes.size()))
        .Blob(8, grid.data(), static_cast<int>(grid.size()))
        .Text(9, Notes)
        .Run();
}

struct TFigures {
    double Catalogue = 0;
    double Sqlite = 0;
};

void Print(const char* What, const TFigures& F, double Scale, const char* Unit) {
    std::printf("  %-44s %10.3f %10.3f %s   ratio %5.2f\n", What, F.Catalogue * Scale, F.Sqlite * Scale, Unit,
                F.Sqlite > 0 ? F.Catalogue / F.Sqlite : 0.0);
}

// SQLite's load of a disc: its track names; false when the disc is not there.
bool SqlReadTracks(sqlite3* Db, const std::string& DiscCode, std::string& Tracks) {
    TStatement read(Db, "SELECT tracks FROM discs WHERE code = ?1");
    read.Text(1, DiscCode);
    const bool found = sqlite3_step(read.Get()) == SQLITE_ROW;
    if (found)
        Tracks.assign(static_cast<const char*>(sqlite3_column_blob(read.Get(), 0)),
                      static_cast<std::size_t>(sqlite3_column_bytes(read.Get(), 0)));
    sqlite3_reset(read.Get());
    return found;
}

// SQLite's re-save of an edited disc in one transaction; with Notes, the note is written again too.
void SqlSave(sqlite3* Db, const TDiscRecord& Edited, const TDiscRecordBytes& Bytes, const std::string& Tracks,
             const std::string* Notes) {
    Exec(Db, "BEGIN");
    TStatement update(
        Db, Notes ? "UPDATE discs SET name = ?2, composer = ?3, artist = ?4, label = ?5, type = ?6, "
                    "record = ?7, tracks = ?8, notes = ?9 WHERE code = ?1"
                  : "UPDATE discs SET name = ?2, composer = ?3, artist = ?4, label = ?5, type = ?6, "
                    "record = ?7, tracks = ?8 WHERE code = ?1");
    update.Text(1, Edited.DiscCode)
        .Text(2, Edited.DiscName)
        .Text(3, Edited.Composer)
        .Text(4, Edited.Artist)
        .Text(5, Edited.RecordLabel)
        .Text(6, Edited.MusicType)
        .Blob(7, Bytes.data(), static_cast<int>(Bytes.size()))
        .Blob(8, Tracks.data(), static_cast<int>(Tracks.size()));
    if (Notes) update.Text(9, *Notes);
    update.Run();
    Exec(Db, "COMMIT");
}

// SQLite's delete of a disc by its code in one transaction; false when it was not there.
bool SqlDelete(sqlite3* Db, const std::string& DiscCode) {
    Exec(Db, "BEGIN");
    TStatement(Db, "DELETE FROM discs WHERE code = ?1").Text(1, DiscCode).Run();
    const bool found = sqlite3_changes(Db) > 0;
    Exec(Db, "COMMIT");
    return found;
}

// A fresh grid of 20 named tracks for Rec.
void FillGrid(TStringGridData& Grid, const TDiscRecord& Rec) {
    ResetDiscGrid(Grid, Rec.DiscCode);
    for (int t = 1; t <= 20; ++t)
        Grid.SetCells(0, t, "Track name " + std::to_string(t));
}

// One operation in this new process: "save" or "delete" on the catalogue in Folder, "sql-save" or
// "sql-delete" on its SQLite twin, for the N-th disc. Prints the seconds it took, or "-" when the disc
// is not there.
int One(const std::string& Op, const std::string& Folder, int N) {
    const auto at = Clock::now();
    bool found = true;
    if (Op == "save" || Op == "delete") {
        TPlayerSettings settings;
        TDiscCatalogue cat(Folder + "/", settings);
        TDiscRecord rec;
        TStringGridData grid;
        std::string memo;
        TDiscKeys keys;
        std::int32_t recNo = 0;
        cat.LoadDisc(Code(N), rec, grid, memo, keys, recNo);
        found = recNo > 0;
        if (found && Op == "save") {
            GrowGrid(grid, N);
            rec.Year = static_cast<std::int16_t>(1900 + N % 100);
            cat.SaveDisc(rec, grid, memo, recNo, keys);
        } else if (found) {
            cat.DeleteDisc(recNo);
        }
    } else {
        sqlite3* db = OpenDb(Folder + "/catalogue.db");
        if (Op == "sql-save") {
            std::string tracks;
            found = SqlReadTracks(db, Code(N), tracks);
            TDiscRecord edited = Disc(N);
            edited.Year = static_cast<std::int16_t>(1900 + N % 100);
            const TDiscRecordBytes bytes = EncodeDiscRecord(edited);
            tracks += "Added track " + std::to_string(N) + "\n";
            SqlSave(db, edited, bytes, tracks, nullptr);
        } else {
            found = SqlDelete(db, Code(N));
        }
        sqlite3_close(db);
    }
    const double took = Seconds(at);
    if (found)
        std::printf("%.9f\n", took);
    else
        std::printf("-\n");
    return 0;
}

// Runs One in a new process of this program; the seconds it took, or -1.
double InNewProcess(const std::string& Op, const std::string& Folder, int N) {
    const std::string command =
        "/proc/" + std::to_string(::getpid()) + "/exe --one " + Op + " '" + Folder + "' " + std::to_string(N);
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    return read && line[0] != '-' ? std::atof(line) : -1;
}

void Run(int Count, const std::string& Keep) {
    fs::path dir = Keep;
    if (Keep.empty())
        dir = ScratchFolder("catalogue");
    else {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    TPlayerSettings settings;
    TDiscCatalogue cat(dir.string() + "/", settings);
    const std::string dbName = (dir / "catalogue.db").string();
    TStringGridData grid;
    TDiscKeys keys;
    const std::string note = "A short note about the disc.";

    // Every disc saved with the files held open, then the close that flushes them.
    cat.HoldDiscFiles();
    TFigures save;
    save.Catalogue = SecondsOf([&] {
                         for (int i = 1; i <= Count; ++i) {
                             TDiscRecord rec = Disc(i);
                             FillGrid(grid, rec);
                             std::int32_t recNo = 0;
                             cat.SaveDisc(rec, grid, note, recNo, keys);
                         }
                         cat.ReleaseDiscFiles();
                     }) /
                     Count;

    sqlite3* db = OpenDb(dbName);
    Exec(db, "CREATE TABLE discs (code TEXT PRIMARY KEY, name TEXT, composer TEXT, artist TEXT, label TEXT, "
             "type TEXT, record BLOB, tracks BLOB, notes TEXT)");
    for (const char* field : {"name", "composer", "artist", "label", "type"})
        Exec(db, ("CREATE INDEX discs_" + std::string(field) + " ON discs (" + field + ")").c_str());
    save.Sqlite = SecondsOf([&] {
                      Exec(db, "BEGIN");
                      {
                          TStatement insert(db, InsertSql);
                          for (int i = 1; i <= Count; ++i) {
                              TDiscRecord rec = Disc(i);
                              FillGrid(grid, rec);
                              Insert(insert, rec, grid, note);
                          }
                      }
                      Exec(db, "COMMIT");
                  }) /
                  Count;

    // Every disc loaded by its code, files held open.
    TFigures load;
    TDiscRecord rec;
    std::string memo;
    std::int32_t recNo = 0;
    cat.HoldDiscFiles();
    load.Catalogue = SecondsOf([&] {
                         for (int i = 1; i <= Count; ++i)
                             cat.LoadDisc(Code(i), rec, grid, memo, keys, recNo);
                     }) /
                     Count;
    cat.ReleaseDiscFiles();
    {
        TStatement find(db, "SELECT * FROM discs WHERE code = ?1");
        load.Sqlite = SecondsOf([&] {
                          for (int i = 1; i <= Count; ++i)
                              find.Text(1, Code(i)).Run();
                      }) /
                      Count;
    }
    sqlite3_close(db);

    // Single operations on discs spread over the whole catalogue, each opening and closing the files.
    const int samples = 40;
    std::mt19937 rng(static_cast<unsigned>(Count));
    std::vector<int> picks(samples);
    for (int& p : picks)
        p = static_cast<int>(rng() % static_cast<unsigned>(Count)) + 1;

    // Each operation runs on the catalogue and then at once on SQLite, so that both meet the same state of
    // the disc's write cache; the figure is the median of the samples.
    std::vector<double> loads[2], saves[2], removes[2];
    for (int n = 0; n < samples; ++n) {
        const int p = picks[static_cast<std::size_t>(n)];
        loads[0].push_back(SecondsOf([&] { cat.LoadDisc(Code(p), rec, grid, memo, keys, recNo); }));
        std::string tracks;
        loads[1].push_back(SecondsOf([&] {
            sqlite3* one = OpenDb(dbName);
            SqlReadTracks(one, Code(p), tracks);
            sqlite3_close(one);
        }));

        GrowGrid(grid, n);
        rec.Year = static_cast<std::int16_t>(1900 + n);
        saves[0].push_back(SecondsOf([&] { cat.SaveDisc(rec, grid, memo, recNo, keys); }));
        TDiscRecord edited = Disc(p);
        edited.Year = rec.Year;
        const TDiscRecordBytes bytes = EncodeDiscRecord(edited);
        tracks += "Added track " + std::to_string(n) + "\n";
        saves[1].push_back(SecondsOf([&] {
            sqlite3* one = OpenDb(dbName);
            SqlSave(one, edited, bytes, tracks, &note);
            sqlite3_close(one);
        }));

        // Another disc than the ones re-saved; the catalogue's delete takes the record number the
        // browser holds.
        const std::string gone = Code(p % Count + 1);
        cat.LoadDisc(gone, rec, grid, memo, keys, recNo);
        removes[0].push_back(SecondsOf([&] {
            if (recNo > 0) cat.DeleteDisc(recNo);
        }));
        removes[1].push_back(SecondsOf([&] {
            sqlite3* one = OpenDb(dbName);
            SqlDelete(one, gone);
            sqlite3_close(one);
        }));
    }
    const auto median = [](std::vector<double> V) {
        std::sort(V.begin(), V.end());
        return V[V.size() / 2];
    };
    const TFigures loadAlone{median(loads[0]), median(loads[1])};
    const TFigures resave{median(saves[0]), median(saves[1])};
    const TFigures remove{median(removes[0]), median(removes[1])};

    // The same in a new process for each operation, on discs not touched above.
    std::vector<double> fresh[4];
    std::mt19937 freshRng(static_cast<unsigned>(Count) * 7u + 1u);
    for (int n = 0; n < 15; ++n) {
        const int p = static_cast<int>(freshRng() % static_cast<unsigned>(Count)) + 1;
        const int gone = static_cast<int>(freshRng() % static_cast<unsigned>(Count)) + 1;
        const std::pair<const char*, int> ops[4] = {
            {"save", p}, {"sql-save", p}, {"delete", gone}, {"sql-delete", gone}};
        double took[4];
        for (int o = 0; o < 4; ++o)
            took[o] = InNewProcess(ops[o].first, dir.string(), ops[o].second);
        if (took[0] >= 0 && took[1] >= 0) {
            fresh[0].push_back(took[0]);
            fresh[1].push_back(took[1]);
        }
        if (took[2] >= 0 && took[3] >= 0) {
            fresh[2].push_back(took[2]);
            fresh[3].push_back(took[3]);
        }
    }
    const auto medianOrZero = [&](const std::vector<double>& V) { return V.empty() ? 0.0 : median(V); };
    const TFigures freshSave{medianOrZero(fresh[0]), medianOrZero(fresh[1])};
    const TFigures freshDelete{medianOrZero(fresh[2]), medianOrZero(fresh[3])};

    TFigures pack;
    if (Keep.empty()) {
        pack.Catalogue = SecondsOf([&] { cat.PackCatalogue(); });
        pack.Sqlite = SecondsOf([&] {
            db = OpenDb(dbName);
            Exec(db, "VACUUM");
            sqlite3_close(db);
        });
    }

    std::printf("%d discs                                            catalogue     SQLite\n", Count);
    Print("save, files held open (us/disc)", save, 1e6, "us");
    Print("load by code, files held open (us/disc)", load, 1e6, "us");
    Print("load one disc, open+close (ms)", loadAlone, 1e3, "ms");
    Print("re-save an edited disc, open+close (ms)", resave, 1e3, "ms");
    Print("delete a disc, open+close (ms)", remove, 1e3, "ms");
    Print("load, edit, save a disc, new process (ms)", freshSave, 1e3, "ms");
    Print("delete a disc by code, new process (ms)", freshDelete, 1e3, "ms");
    if (Keep.empty()) Print("rebuild / VACUUM (s)", pack, 1, "s ");
    std::fflush(stdout);
    if (Keep.empty()) fs::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--one") {
        const TYesSink yes;
        return One(argv[2], argv[3], std::atoi(argv[4]));
    }
    int largest = 10000;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else
            largest = std::atoi(argv[i]);
    }
    const TYesSink yes;
    for (int count = 1000; count <= largest; count *= 10)
        Run(count, count * 10 > largest ? keep : std::string());
    return 0;
}
