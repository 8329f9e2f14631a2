// Disc-database identifiers through libdiscid, fed with a table of contents already read.
#include "devices/DiscIds.h"

#include <discid/discid.h>

#include <array>
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

} // namespace

TDiscIds ComputeDiscIds(const TDriveToc& Toc) {
    TDiscIds Ids;
    if (Toc.Tracks.empty()) {
        Ids.Error = "no table of contents";
        return Ids;
    }
    TDiscIdPtr All = PutToc(Toc, Toc.TrackCount(), Toc.LeadOutFrame, Ids.Error);
    if (!All) return Ids;
    Ids.FreeDb = discid_get_freedb_id(All.get());

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
