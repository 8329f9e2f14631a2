// Disc catalogue timings: saving new discs (record, six keys, a 20-track grid, a short note), loading each
// by its code, and packing, at growing catalogue sizes. Usage: bench_catalogue [largest size, default
// 10000; 100000 for the full run].
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/Settings.h"
#include "catalogue/DiscCatalogue.h"
#include "devices/MessageBoxes.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class TYes : public TMessageSink {
public:
    void Information(const std::string& Msg) override { std::fprintf(stderr, "message: %s\n", Msg.c_str()); }
    int Confirm(const std::string&) override { return idYes; }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
};

double Seconds(Clock::time_point From) {
    return std::chrono::duration<double>(Clock::now() - From).count();
}

std::string Code(int N) {
    char code[17];
    std::snprintf(code, sizeof code, "%016X", static_cast<unsigned>(N) * 2654435761u);
    return code;
}

TDiscRecord Disc(int N) {
    TDiscRecord rec = NewDiscRecord(Code(N), 30000, 30000);
    rec.DiscName = "Disc number " + std::to_string(N);
    rec.Composer = "Composer " + std::to_string(N % 500);
    rec.Artist = "Artist " + std::to_string(N % 2000);
    rec.RecordLabel = "Label " + std::to_string(N % 50);
    rec.MusicType = "Type " + std::to_string(N % 20);
    rec.TrackCount = 20;
    return rec;
}

void Run(int Count) {
    const fs::path dir = fs::temp_directory_path() / ("orbelune-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TPlayerSettings settings;
    TDiscCatalogue cat(dir.string() + "/", settings);
    TStringGridData grid;
    TDiscKeys keys;

    // Saves with the files held open, then the close that flushes them.
    cat.HoldDiscFiles();
    auto start = Clock::now();
    for (int i = 1; i <= Count; ++i) {
        TDiscRecord rec = Disc(i);
        ResetDiscGrid(grid, rec.DiscCode);
        for (int t = 1; t <= 20; ++t)
            grid.SetCells(0, t, "Track name " + std::to_string(t));
        std::int32_t recNo = 0;
        cat.SaveDisc(rec, grid, "A short note about the disc.", recNo, keys);
    }
    const double save = Seconds(start);
    start = Clock::now();
    cat.ReleaseDiscFiles();
    const double close = Seconds(start);

    // Loads by code, held open.
    cat.HoldDiscFiles();
    TDiscRecord rec;
    std::string memo;
    std::int32_t recNo = 0;
    start = Clock::now();
    for (int i = 1; i <= Count; ++i)
        cat.LoadDisc(Code(i), rec, grid, memo, keys, recNo);
    const double load = Seconds(start);
    cat.ReleaseDiscFiles();

    // Operations as the program runs them, each opening and closing (and flushing) the files.
    const int single = 200;
    start = Clock::now();
    for (int i = 1; i <= single; ++i)
        cat.LoadDisc(Code(i * 7 % Count + 1), rec, grid, memo, keys, recNo);
    const double loadAlone = Seconds(start) / single;
    start = Clock::now();
    for (int i = 1; i <= single; ++i) {
        cat.LoadDisc(Code(i * 13 % Count + 1), rec, grid, memo, keys, recNo);
        rec.Year = static_cast<std::int16_t>(1900 + i);
        cat.SaveDisc(rec, grid, memo, recNo, keys);
    }
    const double resaveAlone = Seconds(start) / single - loadAlone;

    start = Clock::now();
    cat.PackCatalogue();
    const double pack = Seconds(start);

    std::printf("%7d discs: save %7.1f us/disc (close %6.1f ms), load %6.1f us/disc, rebuild %7.1f us/disc "
                "(%6.2f s); alone with open+close: load %6.1f us, re-save %7.1f us\n",
                Count, save / Count * 1e6, close * 1e3, load / Count * 1e6, pack / Count * 1e6, pack,
                loadAlone * 1e6, resaveAlone * 1e6);
    std::fflush(stdout);
    fs::remove_all(dir);
}

} // namespace

int main(int argc, char** argv) {
    const int largest = argc > 1 ? std::atoi(argv[1]) : 10000;
    TYes yes;
    SetMessageSink(&yes);
    for (int count = 1000; count <= largest; count *= 10)
        Run(count);
    SetMessageSink(nullptr);
    return 0;
}
