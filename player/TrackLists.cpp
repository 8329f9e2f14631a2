#include "player/TrackLists.h"

#include <algorithm>
#include <cmath>

#include "player/base/TrackLine.h"

const char* const msgTargetOutOfRange = "Value out of range - Please enter mm.ss";

namespace {

constexpr std::int64_t Unreadable = -1;

std::int64_t Seconds(TMinSec Time) {
    const double Whole = std::trunc(Time);
    return static_cast<std::int64_t>(std::llround(Whole * 60.0 + (Time - Whole) * 100.0));
}

// A row's length in whole seconds; Unreadable when its length characters hold no time.
std::int64_t RowSeconds(const std::string& Text) {
    TMinSec Length = 0;
    if (!TrackLineLength(Text, Length) || !(Length < 1e9)) return Unreadable;
    return Seconds(Length);
}

// Moving rows counts an unreadable length as nothing.
std::int64_t MovedSeconds(const std::string& Text) {
    return std::max<std::int64_t>(RowSeconds(Text), 0);
}

void Unselect(std::vector<TTrackRow>& List) {
    for (TTrackRow& Row : List)
        Row.Selected = false;
}

int ClampedTrackCount(int TrackCount) {
    return std::clamp(TrackCount, 0, 99);
}

} // namespace

void TTrackLists::InsertSorted(std::vector<TTrackRow>& List, const std::string& Text) {
    const auto At = std::upper_bound(List.begin(), List.end(), Text,
                                     [](const std::string& T, const TTrackRow& Row) { return T < Row.Text; });
    List.insert(At, TTrackRow{Text, false});
}

void TTrackLists::AddSource(const std::string& Text) {
    InsertSorted(Src, Text);
}

void TTrackLists::AppendToPlay(const std::string& Text) {
    if (FDstSorted)
        InsertSorted(Dst, Text);
    else
        Dst.push_back(TTrackRow{Text, false});
}

void TTrackLists::AddPlay(const std::string& Text) {
    AppendToPlay(Text);
    FTotal += MovedSeconds(Text);
}

void TTrackLists::Include() {
    for (const TTrackRow& Row : Src)
        if (Row.Selected) AddPlay(Row.Text);
    if (!FRepeats) std::erase_if(Src, [](const TTrackRow& Row) { return Row.Selected; });
}

void TTrackLists::Exclude() {
    for (std::size_t i = Dst.size(); i-- > 0;) {
        if (!Dst[i].Selected) continue;
        FTotal -= MovedSeconds(Dst[i].Text);
        if (!FRepeats) AddSource(Dst[i].Text);
        Dst.erase(Dst.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TTrackLists::ExcludeAll() {
    if (!FRepeats) {
        for (const TTrackRow& Row : Dst)
            AddSource(Row.Text);
    }
    Dst.clear();
    FTotal = 0;
}

void TTrackLists::MoveUp() {
    if (Dst.size() < 2) return;
    for (std::size_t i = 1; i < Dst.size(); ++i) {
        if (!Dst[i].Selected) continue;
        std::swap(Dst[i].Text, Dst[i - 1].Text);
        Dst[i].Selected = false;
        Dst[i - 1].Selected = true;
        return;
    }
}

void TTrackLists::MoveDown() {
    if (Dst.size() < 2) return;
    for (std::size_t i = 0; i + 1 < Dst.size(); ++i) {
        if (!Dst[i].Selected) continue;
        std::swap(Dst[i].Text, Dst[i + 1].Text);
        Dst[i].Selected = false;
        Dst[i + 1].Selected = true;
        return;
    }
}

void TTrackLists::Exchange() {
    std::vector<TTrackRow> Aside;
    Aside.swap(Src);
    for (const TTrackRow& Row : Dst)
        AddSource(Row.Text);
    Dst.clear();
    FTotal = 0;
    for (const TTrackRow& Row : Aside)
        AddPlay(Row.Text);
}

bool TTrackLists::TargetValid(TMinSec Target) {
    if (!std::isfinite(Target) || Target < 0 || Target >= 100) return false;
    const double Whole = std::trunc(Target);
    return std::llround((Target - Whole) * 100.0) <= 59;
}

void TTrackLists::ChooseInOrder(std::int64_t Target) {
    std::int64_t Remaining = Target;
    for (TTrackRow& Row : Src) {
        const std::int64_t Length = MovedSeconds(Row.Text);
        if (Length > Remaining) break;
        Row.Selected = true;
        Remaining -= Length;
    }
    Include();
}

TChooseResult TTrackLists::InOrder(TMinSec Target) {
    ExcludeAll();
    if (Src.empty()) return crNothingAvailable;
    Unselect(Src);
    if (!TargetValid(Target)) return crTargetRefused;
    ChooseInOrder(Seconds(Target));
    return crDone;
}

bool TTrackLists::ExchangePass(std::int64_t Target) {
    // Rows whose length cannot be read are never exchanged, in either list, so the total stays the sum
    // of the lengths that are known.
    std::vector<std::int64_t> In(Src.size()), Out(Dst.size());
    std::transform(Src.begin(), Src.end(), In.begin(), [](const TTrackRow& R) { return RowSeconds(R.Text); });
    std::transform(Dst.begin(), Dst.end(), Out.begin(),
                   [](const TTrackRow& R) { return RowSeconds(R.Text); });
    const std::int64_t Room = Target - FTotal;
    const int n = static_cast<int>(Src.size()), m = static_cast<int>(Dst.size());
    for (int i = 0; i < n; ++i) {
        if (In[i] == Unreadable) continue;
        for (int k = -1; k < n; ++k) {
            if (k == i || (k >= 0 && In[k] == Unreadable)) continue;
            const std::int64_t Gain = In[i] + (k >= 0 ? In[k] : 0);
            for (int j = 0; j < m; ++j) {
                if (Out[j] == Unreadable || Gain <= Out[j] || Gain - Out[j] > Room) continue;
                const std::string RowI = Src[i].Text, RowJ = Dst[j].Text;
                const std::string RowK = k >= 0 ? Src[k].Text : std::string();
                Src.erase(Src.begin() + std::max(i, k));
                if (k >= 0) Src.erase(Src.begin() + std::min(i, k));
                Dst.erase(Dst.begin() + j);
                AppendToPlay(RowI);
                if (k >= 0) AppendToPlay(RowK);
                AddSource(RowJ);
                FTotal += Gain - Out[j];
                return true;
            }
        }
    }
    return false;
}

TChooseResult TTrackLists::BestFit(TMinSec Target, int* Passes) {
    if (Passes) *Passes = 0;
    // The play list stays in track order while the exchanges run, as the rows fall into it.
    FDstSorted = true;
    TChooseResult Result = crDone;
    ExcludeAll();
    if (Src.empty()) {
        Result = crNothingAvailable;
    } else {
        Unselect(Src);
        if (!TargetValid(Target)) {
            Result = crTargetRefused;
        } else {
            const std::int64_t T = Seconds(Target);
            ChooseInOrder(T);
            if (Src.size() >= 2)
                for (int Pass = 0; Pass < MaxBestFitPasses && ExchangePass(T); ++Pass)
                    if (Passes) ++*Passes;
        }
    }
    FDstSorted = false;
    return Result;
}

TMinSec TTrackLists::Total() const {
    const std::int64_t Minutes = FTotal / 60, Rest = FTotal % 60;
    return static_cast<TMinSec>(static_cast<double>(Minutes) + static_cast<double>(Rest) * 0.01);
}

TPlayProgramme TTrackLists::Programme() const {
    TPlayProgramme Result;
    for (const TTrackRow& Row : Dst) {
        const int Track = TrackLineNumber(Row.Text);
        if (Track >= 1 && Track <= 99) Result.Append(Track);
    }
    return Result;
}

TTrackLists ProgrammeLists(int TrackCount, const std::function<std::string(int)>& LineOf,
                           const TPlayProgramme& Programme) {
    TTrackLists Lists(true);
    for (int t = 1; t <= ClampedTrackCount(TrackCount); ++t)
        Lists.AddSource(LineOf(t));
    for (int i = 1; i <= std::min<int>(Programme.Count, TPlayProgramme::MaxEntries); ++i)
        if (Programme[i] >= 1 && Programme[i] <= 99) Lists.AddPlay(LineOf(Programme[i]));
    return Lists;
}

TTrackLists FitLists(int TrackCount, const std::function<std::string(int)>& LineOf,
                     const TPlayProgramme& Programme) {
    TTrackLists Lists(false);
    bool InProgramme[100] = {};
    for (int i = 1; i <= std::min<int>(Programme.Count, TPlayProgramme::MaxEntries); ++i) {
        if (Programme[i] < 1 || Programme[i] > 99) continue;
        Lists.AddPlay(LineOf(Programme[i]));
        InProgramme[Programme[i]] = true;
    }
    for (int t = 1; t <= ClampedTrackCount(TrackCount); ++t)
        if (!InProgramme[t]) Lists.AddSource(LineOf(t));
    return Lists;
}
