// Disc-database identifiers through libdiscid, fed with a table of contents already read.
#include "devices/DiscIds.h"

#include <discid/discid.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace {

// Lead-out of session 1, lead-in and pregap of session 2 on a multisession disc.
constexpr int SessionGapFrames = 11400;

struct TDiscIdFree {
    void operator()(DiscId* D) const { discid_free(D); }
};
using TDiscIdPtr = std::unique_ptr<DiscId, TDiscIdFree>;

// Gives Tracks [0, Count) of Toc to libdiscid with the lead-out LeadOut; null with Error set when it
// refuses them.
TDiscIdPtr PutToc(const TDriveToc& Toc, int Count, int LeadOut, std::string& Error) {
    TDiscIdPtr Disc(discid_new());
    if (!Disc) {
        Error = "out of memory";
        return nullptr;
    }
    const int First = Toc.Tracks.front().Number;
    const int Last = First + Count - 1;
    if (First < 1 || Last > 99) {
        Error = "track numbers outside 1 to 99";
        return nullptr;
    }
    // Indexed by track number; element 0 is the lead-out.
    std::array<int, 100> Offsets{};
    Offsets[0] = LeadOut;
    for (int I = 0; I < Count; ++I)
        Offsets[static_cast<std::size_t>(First + I)] = Toc.Tracks[static_cast<std::size_t>(I)].StartFrame;
    if (!discid_put(Disc.get(), First, Last, Offsets.data())) {
        Error = discid_get_error_msg(Disc.get());
        return nullptr;
    }
    return Disc;
}

// The FreeDB id as the published algorithm computes it from the tracks' start seconds (counted from the
// start of the lead-in), the disc's length in seconds and the number of tracks.
std::string FreeDbId(const TDriveToc& Toc) {
    const auto DigitSum = [](int Value) {
        int Sum = 0;
        for (; Value > 0; Value /= 10)
            Sum += Value % 10;
        return Sum;
    };
    constexpr int FramesPerSecond = 75;
    unsigned Sums = 0;
    for (const TTocTrack& Track : Toc.Tracks)
        Sums += static_cast<unsigned>(DigitSum(Track.StartFrame / FramesPerSecond));
    const unsigned Seconds = static_cast<unsigned>(Toc.LeadOutFrame / FramesPerSecond -
                                                   Toc.Tracks.front().StartFrame / FramesPerSecond);
    const unsigned Id = (Sums % 0xff) << 24 | Seconds << 8 | static_cast<unsigned>(Toc.TrackCount());
    char Text[9];
    std::snprintf(Text, sizeof Text, "%08x", Id);
    return Text;
}

} // namespace

TDiscIds ComputeDiscIds(const TDriveToc& Toc) {
    TDiscIds Ids;
    if (Toc.Tracks.empty()) {
        Ids.Error = "no table of contents";
        return Ids;
    }
    TDiscIdPtr All = PutToc(Toc, Toc.TrackCount(), Toc.LeadOutFrame, Ids.Error);
    if (!All) return Ids;
    Ids.FreeDb = FreeDbId(Toc);
    if (std::none_of(Toc.Tracks.begin(), Toc.Tracks.end(), [](const TTocTrack& T) { return T.Audio; }))
        return Ids;

    int AudioCount = Toc.TrackCount();
    while (AudioCount > 1 && !Toc.Tracks[static_cast<std::size_t>(AudioCount - 1)].Audio)
        --AudioCount;
    if (AudioCount == Toc.TrackCount() || !Toc.Tracks.front().Audio) {
        Ids.MusicBrainz = discid_get_id(All.get());
        return Ids;
    }
    // An image may put its data track straight after the audio, in one session: no gap to leave out.
    const int DataStart = Toc.Tracks[static_cast<std::size_t>(AudioCount)].StartFrame;
    const int LastAudioStart = Toc.Tracks[static_cast<std::size_t>(AudioCount - 1)].StartFrame;
    const int AudioEnd =
        DataStart - SessionGapFrames > LastAudioStart ? DataStart - SessionGapFrames : DataStart;
    TDiscIdPtr Audio = PutToc(Toc, AudioCount, AudioEnd, Ids.Error);
    if (!Audio) {
        Ids.FreeDb.clear();
        return Ids;
    }
    Ids.MusicBrainz = discid_get_id(Audio.get());
    return Ids;
}

std::string MusicBrainzDiscUrl(const std::string& Id) {
    return "https://musicbrainz.org/cdtoc/" + Id;
}

std::string FreeDbDiscUrl(const std::string& Id) {
    return "https://gnudb.org/cd/" + Id;
}
