// Table-of-contents report.
#include "devices/TocReport.h"

#include <cstdio>

#include "devices/DiscIdentity.h"
#include "devices/DiscIds.h"
#include "devices/DriveList.h"
#include "devices/NullSoundOutput.h"

namespace {

std::string MSFText(MSF Position) {
    char Text[16];
    std::snprintf(Text, sizeof Text, "%02d:%02d:%02d", MSFMinute(Position), MSFSecond(Position),
                  MSFFrame(Position));
    return Text;
}

} // namespace

int RunTocReport(const std::string& Path, std::ostream& Out, std::ostream& Err) {
    std::string Source = Path;
    if (Source.empty()) {
        const auto List = DriveList();
        if (List.empty()) {
            Err << "orbelune: no CD drive or disc image to read\n";
            return 1;
        }
        Source = List.front().Path;
    }
    int Error = 0;
    // The report plays nothing, so it needs no sound device.
    auto Drive = OpenDrivePath(
        Source, [] { return std::make_unique<TNullSoundOutput>(); }, Error);
    TDriveToc Toc;
    if (Drive) Error = Drive->ReadToc(Toc);
    if (!Drive || Error) {
        Err << "orbelune: " << Source << ": " << DeviceErrorText(Error) << "\n";
        return 1;
    }
    const TCdText Text = Drive->ReadCdText();
    Out << "Disc: " << Source << "\n";
    if (!Text.DiscTitle.empty()) Out << "Title: " << Text.DiscTitle << "\n";
    if (!Text.DiscPerformer.empty()) Out << "Performer: " << Text.DiscPerformer << "\n";
    Out << "Tracks: " << Toc.TrackCount() << "\n";
    bool AnyAudio = false;
    for (int T = 1; T <= Toc.TrackCount(); ++T) {
        const TTocTrack& Track = Toc.Tracks[static_cast<std::size_t>(T - 1)];
        AnyAudio = AnyAudio || Track.Audio;
        const MSF Start = Toc.TrackStart(T);
        const MSF Length = Toc.TrackLength(T);
        char Line[96];
        std::snprintf(Line, sizeof Line, "%2d  start %s (%s)  length %s (%s)", Track.Number,
                      MSFText(Start).c_str(), FormatMinSec(MSFToMinSec(Start)).c_str(),
                      MSFText(Length).c_str(), FormatMinSec(MSFToMinSec(Length)).c_str());
        Out << Line;
        if (!Track.Audio) Out << "  data";
        const std::size_t I = static_cast<std::size_t>(T - 1);
        if (I < Text.TrackTitles.size() && !Text.TrackTitles[I].empty()) Out << "  " << Text.TrackTitles[I];
        Out << "\n";
    }
    Out << "Lead-out: " << MSFText(FramesToMSF(Toc.LeadOutFrame)) << "\n";
    const std::uint64_t Identity = DiscIdentity(Toc);
    Out << "Identity: " << Identity << "\n";
    Out << "Disc code: " << DiscCodeText(Identity) << "\n";
    const TDiscIds Ids = ComputeDiscIds(Toc);
    if (!Ids.MusicBrainz.empty())
        Out << "MusicBrainz disc ID: " << Ids.MusicBrainz << "  " << MusicBrainzDiscUrl(Ids.MusicBrainz)
            << "\n";
    if (!Ids.FreeDb.empty())
        Out << "FreeDB disc ID: " << Ids.FreeDb << "  " << FreeDbDiscUrl(Ids.FreeDb) << "\n";
    if (!AnyAudio) {
        Err << "orbelune: " << Source << ": " << DeviceErrorText(deNoAudio) << "\n";
        return 1;
    }
    return 0;
}
