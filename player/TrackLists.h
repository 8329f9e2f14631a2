// The two track lists of the programme editors: the tracks available and the play list, with the play
// list's total time, moving by hand, and the two choosers of fit tracks (In order and Best fit). The
// windows show these lists and pass the user's selection in; nothing here draws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devices/base/TimeValues.h"
#include "player/base/PlayerState.h"

struct TTrackRow {
    std::string Text; // a track line: number, length, name
    bool Selected = false;
};

enum TChooseResult {
    crDone,
    crNothingAvailable, // no track left to choose from
    crTargetRefused     // the target time is no minutes.seconds value under 100 minutes
};

// The message shown when the target time is refused.
extern const char* const msgTargetOutOfRange;

// The most exchange passes Best fit makes.
constexpr int MaxBestFitPasses = 21;

class TTrackLists {
public:
    // Repeats: adding copies a row, so a track may be in the play list any number of times (the custom
    // programme editor). Otherwise a row is in exactly one list and moves between them (fit tracks).
    explicit TTrackLists(bool Repeats) : FRepeats(Repeats) {}

    // Src stays in track order; Dst is in playing order.
    std::vector<TTrackRow> Src, Dst;

    void AddSource(const std::string& Text);
    void AddPlay(const std::string& Text);

    // The selected rows of Src go to the end of the play list.
    void Include();
    // The selected rows of the play list leave it.
    void Exclude();
    // The play list is emptied.
    void ExcludeAll();
    // The first selected play-list row that can move swaps places with its neighbour and the selection
    // follows it; only one row moves.
    void MoveUp();
    void MoveDown();
    // The two lists change places; the rows that come back to Src fall into track order.
    void Exchange();

    // Tracks in track order for as long as the next one fits into Target.
    TChooseResult InOrder(TMinSec Target);
    // In order, then up to MaxBestFitPasses exchanges that each lengthen the play list without passing
    // Target; Passes receives the number of exchanges made.
    TChooseResult BestFit(TMinSec Target, int* Passes = nullptr);

    TMinSec Total() const;
    std::int64_t TotalSeconds() const { return FTotal; }
    // Track numbers of the play list in order; past the 100th they are dropped.
    TPlayProgramme Programme() const;

    // Whether Target can be used: seconds part at most 59, from 0 to under 100 minutes.
    static bool TargetValid(TMinSec Target);

private:
    void InsertSorted(std::vector<TTrackRow>& List, const std::string& Text);
    void AppendToPlay(const std::string& Text);
    void ChooseInOrder(std::int64_t Target);
    bool ExchangePass(std::int64_t Target);

    bool FRepeats;
    bool FDstSorted = false;
    std::int64_t FTotal = 0; // whole seconds
};

// The lists of the custom programme editor: every track of the disc available, the programme as the play
// list. LineOf gives the track line of track 1 to 99.
TTrackLists ProgrammeLists(int TrackCount, const std::function<std::string(int)>& LineOf,
                           const TPlayProgramme& Programme);
// The lists of fit tracks: the programme as the play list, the tracks it does not hold available.
TTrackLists FitLists(int TrackCount, const std::function<std::string(int)>& LineOf,
                     const TPlayProgramme& Programme);
