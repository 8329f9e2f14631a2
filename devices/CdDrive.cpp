// Table of contents arithmetic shared by every drive.
#include "devices/CdDrive.h"

#include <algorithm>

MSF TDriveToc::TrackStart(int T) const {
    if (T < 1 || T > TrackCount()) return 0;
    return FramesToMSF(Tracks[static_cast<std::size_t>(T - 1)].StartFrame);
}

MSF TDriveToc::TrackLength(int T) const {
    if (T < 1 || T > TrackCount()) return 0;
    const int Start = Tracks[static_cast<std::size_t>(T - 1)].StartFrame;
    const int End = T < TrackCount() ? Tracks[static_cast<std::size_t>(T)].StartFrame : LeadOutFrame - 1;
    return FramesToMSF(std::max(0, End - Start));
}

int TDriveToc::TrackAt(int Frame) const {
    int Result = Tracks.empty() ? 0 : 1;
    for (int T = 1; T <= TrackCount(); ++T)
        if (Frame >= Tracks[static_cast<std::size_t>(T - 1)].StartFrame) Result = T;
    return Result;
}

int TDriveToc::AudioEndFrom(int T) const {
    for (int N = T + 1; N <= TrackCount(); ++N)
        if (!Tracks[static_cast<std::size_t>(N - 1)].Audio)
            return Tracks[static_cast<std::size_t>(N - 1)].StartFrame;
    return LeadOutFrame;
}

int ValidateToc(const TDriveToc& Toc) {
    if (Toc.Tracks.empty() || Toc.TrackCount() > 99) return deBadToc;
    // Nothing of an audio disc lies before 00:02:00.
    int Previous = 149;
    for (const TTocTrack& Track : Toc.Tracks) {
        if (Track.StartFrame <= Previous) return deBadToc;
        Previous = Track.StartFrame;
    }
    // MSF holds at most 99 minutes in a byte each; a lead-out beyond that is no audio CD.
    if (Toc.LeadOutFrame <= Previous || Toc.LeadOutFrame > 100 * FramesPerMinute) return deBadToc;
    return deOK;
}

bool TCdText::Empty() const {
    auto Blank = [](const std::string& S) { return S.empty(); };
    return DiscTitle.empty() && DiscPerformer.empty() && DiscComposer.empty() &&
           std::all_of(TrackTitles.begin(), TrackTitles.end(), Blank) &&
           std::all_of(TrackPerformers.begin(), TrackPerformers.end(), Blank);
}

int PlanPlay(const TDriveToc& Toc, int FromFrame, int ToFrame, int& EndFrame) {
    if (Toc.Tracks.empty()) return deNoMedia;
    if (FromFrame < Toc.Tracks.front().StartFrame || FromFrame >= Toc.LeadOutFrame) return deOutOfRange;
    const int Track = Toc.TrackAt(FromFrame);
    if (!Toc.Tracks[static_cast<std::size_t>(Track - 1)].Audio) return deDataTrack;
    const int AudioEnd = Toc.AudioEndFrom(Track);
    if (ToFrame >= 0 && ToFrame <= FromFrame) return deOutOfRange;
    EndFrame = ToFrame < 0 ? AudioEnd : std::min(ToFrame, AudioEnd);
    return deOK;
}

int CheckSeek(const TDriveToc& Toc, int Frame) {
    if (Toc.Tracks.empty()) return deNoMedia;
    if (Frame < Toc.Tracks.front().StartFrame || Frame >= Toc.LeadOutFrame) return deOutOfRange;
    return deOK;
}
