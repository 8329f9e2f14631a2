// Disc identity from the table of contents.
#include "devices/DiscIdentity.h"

#include <cstdio>

std::uint64_t DiscIdentity(const TDriveToc& Toc) {
    if (Toc.Tracks.empty()) return 0;
    std::uint64_t Sum = 0;
    for (const TTocTrack& Track : Toc.Tracks) {
        const MSF Start = FramesToMSF(Track.StartFrame);
        Sum += static_cast<std::uint64_t>(MSFMinute(Start)) * 65536 +
               static_cast<std::uint64_t>(MSFSecond(Start)) * 256 +
               static_cast<std::uint64_t>(MSFFrame(Start));
    }
    if (Toc.TrackCount() < 3) {
        const int First = Toc.Tracks.front().StartFrame;
        Sum += static_cast<std::uint64_t>(MSFFrame(FramesToMSF(First)));
        Sum += static_cast<std::uint64_t>(Toc.LeadOutFrame - First);
    }
    return Sum;
}

std::string DiscCodeText(std::uint64_t Identity) {
    char Text[17];
    std::snprintf(Text, sizeof Text, "%016llX", static_cast<unsigned long long>(Identity));
    return Text;
}
