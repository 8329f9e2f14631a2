// The record engine against SQLite on the catalogue's shape of data, side by side in one run: one table of
// 1204-byte records with a unique 16-character key and five 20-character keys with many duplicates.
// Operations: add with all keys, random find by the unique key (reading the record), a walk of one
// duplicates index in key order reading every record, and deleting 10% of the records with their keys.
// Each operation opens the files, works and closes them (the engine flushes to disk at close, SQLite
// commits one transaction with its default synchronous mode).
//
// Usage: bench_record_engine [records] [folder] [runs]   (default 100000 records in a fresh folder under
// /tmp, best of 3 runs)
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "catalogue/store/RecordEngine.h"

namespace fs = std::filesystem;

namespace {

constexpr int RecordLen = 1204;
constexpr int DupKeys = 5;
// Distinct values of each duplicates key: from 10 records per value down to 5000.
constexpr int Distinct[DupKeys] = {2000, 10000, 300, 20, 5000};
constexpr int WalkedKey = 0; // the duplicates key walked (index 2 of the file)

struct TBenchRecord {
    std::string Code;
    std::string Keys[DupKeys];
    std::string Body;
};

std::uint64_t SplitMix(std::uint64_t X) {
    X += 0x9E3779B97F4A7C15ull;
    X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
    X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
    return X ^ (X >> 31);
}

std::vector<TBenchRecord> MakeRecords(int N) {
    std::mt19937 rng(1);
    std::vector<TBenchRecord> out(static_cast<std::size_t>(N));
    char buf[32];
    for (int i = 0; i < N; ++i) {
        TBenchRecord& r = out[static_cast<std::size_t>(i)];
        std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(SplitMix(i)));
        r.Code = buf; // unique: SplitMix is a bijection
        for (int k = 0; k < DupKeys; ++k) {
            std::snprintf(buf, sizeof buf, "Key%d value %06d", k, static_cast<int>(rng() % Distinct[k]));
            r.Keys[k] = buf;
            r.Keys[k].resize(20, ' ');
        }
        r.Body.assign(RecordLen, '\0');
        std::memcpy(r.Body.data() + 4, r.Code.data(), 16);
        for (int k = 0; k < DupKeys; ++k)
            std::memcpy(r.Body.data() + 20 + 20 * k, r.Keys[k].data(), 20);
        for (int j = 120; j < RecordLen; ++j)
            r.Body[static_cast<std::size_t>(j)] = static_cast<char>('a' + (i + j) % 26);
    }
    return out;
}

double Seconds(const std::function<void()>& Work) {
    const auto start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

[[noreturn]] void Die(const char* What) {
    std::fprintf(stderr, "%s failed: %d\n", What, EngineError);
    std::exit(1);
}

void Check(const char* What) {
    if (!EngineOK) Die(What);
}

struct TTimes {
    double Add = 0, Find = 0, Walk = 0, Delete = 0;
};

// ---- The engine ----

TTimes RunEngine(const std::vector<TBenchRecord>& Recs, const std::vector<int>& FindOrder,
                 const std::vector<int>& DeleteSet, const std::string& Base, int Buffers, long& Checksum) {
    TTimes t;
    InitRecordEngine(Buffers);
    Check("init");
    std::vector<TKeyDescriptor> keys = {{16, 0}};
    for (int k = 0; k < DupKeys; ++k)
        keys.push_back({20, 1});
    CreateRecordFile(Base, RecordLen, 1 + DupKeys, keys);
    Check("create");
    std::vector<std::int32_t> recNos(Recs.size());
    TRecordFile* f = nullptr;

    t.Add = Seconds([&] {
        OpenRecordFile(f, Base);
        Check("open");
        for (std::size_t i = 0; i < Recs.size(); ++i) {
            AddRecord(f, recNos[i], Recs[i].Body);
            AddKey(f, 1, recNos[i], Recs[i].Code);
            for (int k = 0; k < DupKeys; ++k)
                AddKey(f, 2 + k, recNos[i], Recs[i].Keys[k]);
        }
        Check("add");
        CloseRecordFile(f);
        Check("close");
    });

    std::string body;
    t.Find = Seconds([&] {
        OpenRecordFile(f, Base);
        for (const int i : FindOrder) {
            std::int32_t recNo = 0;
            FindKey(f, 1, recNo, Recs[static_cast<std::size_t>(i)].Code);
            GetRecord(f, recNo, body);
            Checksum += body[4 + (i % 16)];
        }
        Check("find");
        CloseRecordFile(f);
    });

    t.Walk = Seconds([&] {
        OpenRecordFile(f, Base);
        ClearKey(f, 2 + WalkedKey);
        std::int32_t recNo = 0;
        std::string key;
        long n = 0;
        for (NextKey(f, 2 + WalkedKey, recNo, key); EngineOK; NextKey(f, 2 + WalkedKey, recNo, key)) {
            GetRecord(f, recNo, body);
            Checksum += body[200];
            ++n;
        }
        if (n != static_cast<long>(Recs.size())) Die("walk");
        CloseRecordFile(f);
    });

    t.Delete = Seconds([&] {
        OpenRecordFile(f, Base);
        for (const int i : DeleteSet) {
            const TBenchRecord& r = Recs[static_cast<std::size_t>(i)];
            std::int32_t recNo = 0;
            FindKey(f, 1, recNo, r.Code);
            GetRecord(f, recNo, body); // the keys to delete come from the record
            DeleteKey(f, 1, recNo, std::string_view(body).substr(4, 16));
            for (int k = 0; k < DupKeys; ++k)
                DeleteKey(f, 2 + k, recNo,
                          std::string_view(body).substr(20 + 20 * static_cast<std::size_t>(k), 20));
            DeleteRecord(f, recNo);
        }
        Check("delete");
        CloseRecordFile(f);
        Check("close");
    });

    OpenRecordFile(f, Base);
    if (!CheckRecordFile(f).empty() ||
        KeyCount(f, 1) != static_cast<std::int32_t>(Recs.size() - DeleteSet.size()))
        Die("integrity check");
    CloseRecordFile(f);
    DoneRecordEngine();
    return t;
}

// ---- SQLite ----

void Exec(sqlite3* Db, const char* Sql) {
    char* err = nullptr;
    if (sqlite3_exec(Db, Sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "SQLite: %s: %s\n", Sql, err);
        std::exit(1);
    }
}

sqlite3_stmt* Prepare(sqlite3* Db, const char* Sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(Db, Sql, -1, &s, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "SQLite: %s: %s\n", Sql, sqlite3_errmsg(Db));
        std::exit(1);
    }
    return s;
}

// CacheKiB 0: SQLite's default page cache (2 MB).
sqlite3* OpenDb(const std::string& Name, int CacheKiB = 0) {
    sqlite3* db = nullptr;
    if (sqlite3_open(Name.c_str(), &db) != SQLITE_OK) Die("sqlite open");
    if (CacheKiB > 0) Exec(db, ("PRAGMA cache_size=-" + std::to_string(CacheKiB)).c_str());
    return db;
}

TTimes RunSqlite(const std::vector<TBenchRecord>& Recs, const std::vector<int>& FindOrder,
                 const std::vector<int>& DeleteSet, const std::string& Name, int CacheKiB, long& Checksum) {
    TTimes t;
    std::filesystem::remove(Name);
    sqlite3* db = OpenDb(Name);
    Exec(db, "CREATE TABLE disc(code TEXT NOT NULL, k1 TEXT, k2 TEXT, k3 TEXT, k4 TEXT, k5 TEXT, body BLOB);"
             "CREATE UNIQUE INDEX disc_code ON disc(code);"
             "CREATE INDEX disc_k1 ON disc(k1); CREATE INDEX disc_k2 ON disc(k2);"
             "CREATE INDEX disc_k3 ON disc(k3); CREATE INDEX disc_k4 ON disc(k4);"
             "CREATE INDEX disc_k5 ON disc(k5);");
    sqlite3_close(db);

    t.Add = Seconds([&] {
        db = OpenDb(Name, CacheKiB);
        Exec(db, "BEGIN");
        sqlite3_stmt* s = Prepare(db, "INSERT INTO disc VALUES(?,?,?,?,?,?,?)");
        for (const TBenchRecord& r : Recs) {
            sqlite3_bind_text(s, 1, r.Code.data(), 16, SQLITE_STATIC);
            for (int k = 0; k < DupKeys; ++k)
                sqlite3_bind_text(s, 2 + k, r.Keys[k].data(), 20, SQLITE_STATIC);
            sqlite3_bind_blob(s, 7, r.Body.data(), RecordLen, SQLITE_STATIC);
            if (sqlite3_step(s) != SQLITE_DONE) Die("sqlite insert");
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        Exec(db, "COMMIT");
        sqlite3_close(db);
    });

    t.Find = Seconds([&] {
        db = OpenDb(Name, CacheKiB);
        sqlite3_stmt* s = Prepare(db, "SELECT body FROM disc WHERE code=?");
        for (const int i : FindOrder) {
            sqlite3_bind_text(s, 1, Recs[static_cast<std::size_t>(i)].Code.data(), 16, SQLITE_STATIC);
            if (sqlite3_step(s) != SQLITE_ROW) Die("sqlite find");
            Checksum += static_cast<const char*>(sqlite3_column_blob(s, 0))[4 + (i % 16)];
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_close(db);
    });

    t.Walk = Seconds([&] {
        db = OpenDb(Name, CacheKiB);
        sqlite3_stmt* s = Prepare(db, "SELECT body FROM disc ORDER BY k1, rowid");
        long n = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            Checksum += static_cast<const char*>(sqlite3_column_blob(s, 0))[200];
            ++n;
        }
        if (n != static_cast<long>(Recs.size())) Die("sqlite walk");
        sqlite3_finalize(s);
        sqlite3_close(db);
    });

    t.Delete = Seconds([&] {
        db = OpenDb(Name, CacheKiB);
        Exec(db, "BEGIN");
        sqlite3_stmt* s = Prepare(db, "DELETE FROM disc WHERE code=?");
        for (const int i : DeleteSet) {
            sqlite3_bind_text(s, 1, Recs[static_cast<std::size_t>(i)].Code.data(), 16, SQLITE_STATIC);
            if (sqlite3_step(s) != SQLITE_DONE) Die("sqlite delete");
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        Exec(db, "COMMIT");
        sqlite3_close(db);
    });
    return t;
}

// The plan SQLite chose for the walk, to show that it reads through the index.
std::string WalkPlan(const std::string& Name) {
    sqlite3* db = OpenDb(Name);
    sqlite3_stmt* s = Prepare(db, "EXPLAIN QUERY PLAN SELECT body FROM disc ORDER BY k1, rowid");
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW)
        plan += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return plan;
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    fs::path folder;
    if (argc > 2 && *argv[2]) {
        folder = argv[2];
        fs::create_directories(folder);
    } else {
        std::string pattern = (fs::temp_directory_path() / "bench-record-engine-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Die("mkdtemp");
        folder = pattern;
    }
    const std::vector<TBenchRecord> recs = MakeRecords(n);
    std::mt19937 rng(7);
    std::vector<int> findOrder(static_cast<std::size_t>(n));
    std::iota(findOrder.begin(), findOrder.end(), 0);
    std::shuffle(findOrder.begin(), findOrder.end(), rng);
    std::vector<int> deleteSet(findOrder.begin(), findOrder.begin() + n / 10);
    std::shuffle(findOrder.begin(), findOrder.end(), rng);

    // Pairs of equal cache memory: the player's 8 page buffers (20 KB; SQLite keeps at least 10 pages,
    // 40 KB, whatever it is told) and SQLite's default page cache of 2 MB (820 buffers of 2.5 KB).
    struct TConfig {
        const char* Name;
        int Buffers;
        int SqliteKiB;
    };
    const TConfig configs[] = {{"20 KB cache", 8, 20}, {"2 MB cache", 820, 0}};
    TTimes engine[2], sqlite[2];
    const std::string dbName = (folder / "sqlite.db").string();
    auto keepBest = [](TTimes& Best, const TTimes& T, bool First) {
        for (double TTimes::*f : {&TTimes::Add, &TTimes::Find, &TTimes::Walk, &TTimes::Delete})
            Best.*f = First ? T.*f : std::min(Best.*f, T.*f);
    };
    for (int run = 0; run < runs; ++run)
        for (int c = 0; c < 2; ++c) {
            long sumEngine = 0, sumSqlite = 0;
            keepBest(engine[c],
                     RunEngine(recs, findOrder, deleteSet, (folder / "engine").string(), configs[c].Buffers,
                               sumEngine),
                     run == 0);
            keepBest(sqlite[c],
                     RunSqlite(recs, findOrder, deleteSet, dbName, configs[c].SqliteKiB, sumSqlite),
                     run == 0);
            if (sumEngine != sumSqlite) Die("checksum");
        }

    std::printf("Record engine and SQLite %s: %d records of %d bytes, a unique 16-byte key and five 20-byte\n"
                "keys with duplicates; best of %d runs; files in %s.\nSQLite walk plan: %s\n\n",
                sqlite3_libversion(), n, RecordLen, runs, folder.c_str(), WalkPlan(dbName).c_str());
    std::printf("%-28s %10s %10s %7s   %10s %10s %7s\n", "seconds", "engine", "SQLite", "ratio", "engine",
                "SQLite", "ratio");
    std::printf("%-28s %29s   %29s\n", "", configs[0].Name, configs[1].Name);
    const struct {
        const char* Name;
        double TTimes::*Field;
    } rows[] = {{"add with all keys", &TTimes::Add},
                {"random find by unique key", &TTimes::Find},
                {"walk a duplicates index", &TTimes::Walk},
                {"delete 10% with their keys", &TTimes::Delete}};
    for (const auto& row : rows) {
        std::printf("%-28s", row.Name);
        for (int c = 0; c < 2; ++c)
            std::printf(" %10.3f %10.3f %7.2f  ", engine[c].*row.Field, sqlite[c].*row.Field,
                        engine[c].*row.Field / (sqlite[c].*row.Field));
        std::printf("\n");
    }
    std::printf("\nratio = engine time / SQLite time (below 1: the engine is faster)\n");
    if (argc <= 2 || !*argv[2]) fs::remove_all(folder);
    return 0;
}
