// Best fit on discs of 99 tracks: the worst and median time of one choice over many random discs and
// targets (lengths from 5 s to 12 min, targets from 0 to 99.59), and the passes it made then.
//
// Usage: bench_fit_tracks [discs]   (default 2000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "player/TrackLists.h"
#include "player/base/TrackLine.h"

int main(int argc, char** argv) {
    const int Discs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    std::mt19937 Random(7);
    std::vector<double> Times;
    double Worst = 0;
    int WorstPasses = 0, MostPasses = 0;
    for (int d = 0; d < Discs; ++d) {
        TTrackLists Lists(false);
        for (int t = 1; t <= 99; ++t) {
            const int Seconds = std::uniform_int_distribution<int>(5, 12 * 60)(Random);
            Lists.AddSource(TrackLine(t, MakeMSF(Seconds / 60, Seconds % 60, 0), "Track"));
        }
        const int Target = std::uniform_int_distribution<int>(0, 99 * 60 + 59)(Random);
        const auto Start = std::chrono::steady_clock::now();
        int Passes = 0;
        Lists.BestFit(Target / 60 + (Target % 60) * 0.01, &Passes);
        const double Ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
        Times.push_back(Ms);
        MostPasses = std::max(MostPasses, Passes);
        if (Ms > Worst) {
            Worst = Ms;
            WorstPasses = Passes;
        }
    }
    std::sort(Times.begin(), Times.end());
    std::printf("Best fit, 99 tracks, %d discs: worst %.2f ms (%d passes), median %.3f ms, most passes %d\n",
                Discs, Worst, WorstPasses, Times[Times.size() / 2], MostPasses);
    return 0;
}
