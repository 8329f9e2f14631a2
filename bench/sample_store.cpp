// Keeping a recorded sample with its disc and getting it back to play: a 16-bit stereo 44.1 kHz sample of
// 10 tracks x 10 s (about 17 MB) is stored in the catalogue (the store and the disc record, as the end of
// a recording does), copied back out to the working file and read as a wave, as the sample play does.
// Each step runs five times into the same catalogue, so the later stores reuse the first one's space.
//
// Usage: bench_sample_store [seconds of sample, default 100]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/DiscSamples.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveFile.h"

namespace fs = std::filesystem;
using BenchSupport::Clock;

namespace {

using BenchSupport::TYes;

double Millis(Clock::time_point From) {
    return std::chrono::duration<double, std::milli>(Clock::now() - From).count();
}

} // namespace

int main(int argc, char** argv) {
    const int Seconds = argc > 1 ? std::atoi(argv[1]) : 100;
    char Template[] = "/tmp/orbelune-sample-XXXXXX";
    if (!mkdtemp(Template)) return 1;
    const std::string Dir = std::string(Template) + "/";
    TYes Sink;
    SetMessageSink(&Sink);
    InitRecordEngine(8);
    {
        TPlayerSettings Settings;
        TDiscCatalogue Catalogue(Dir, Settings);
        Catalogue.OpenDiscFiles();
        Catalogue.CloseDiscFiles();
        Catalogue.CurrentDisc = NewDiscRecord("00000000000ABCDE", 30000, 30000);
        Catalogue.CurrentDiscCode = "00000000000ABCDE";

        TWaveData Wave;
        Wave.Rate = 44100;
        Wave.Channels = 2;
        Wave.Bits = 16;
        Wave.Samples.resize(static_cast<std::size_t>(Seconds) * 44100 * 2);
        for (std::size_t I = 0; I < Wave.Samples.size(); ++I)
            Wave.Samples[I] = static_cast<std::int16_t>(10000 * std::sin(I * 0.01));
        const std::string Recorded = Dir + "recorded.wav";
        SaveWaveFile(Recorded, Wave);
        std::printf("sample: %.1f MB\n", static_cast<double>(fs::file_size(Recorded)) / 1e6);
        std::printf("%-6s %10s %10s %10s\n", "run", "store ms", "extract ms", "read ms");
        for (int Run = 1; Run <= 5; ++Run) {
            auto Start = Clock::now();
            if (!KeepSampleWithDisc(Catalogue, Recorded)) return 1;
            const double Store = Millis(Start);
            Start = Clock::now();
            Catalogue.OpenDiscVlf();
            Catalogue.fvlf.Vlf.ExtractFile(Catalogue.CurrentDisc.SampleRef, Catalogue.WorkingSample(), false);
            Catalogue.CloseDiscVlf();
            const double Extract = Millis(Start);
            Start = Clock::now();
            TWaveData Back;
            LoadWaveFile(Catalogue.WorkingSample(), Back);
            const double Read = Millis(Start);
            std::printf("%-6d %10.1f %10.1f %10.1f\n", Run, Store, Extract, Read);
        }
        std::printf("store file: %.1f MB\n",
                    static_cast<double>(fs::file_size(Catalogue.VlfFileName())) / 1e6);
    }
    DoneRecordEngine();
    SetMessageSink(nullptr);
    fs::remove_all(Template);
    return 0;
}
