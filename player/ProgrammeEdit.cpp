#include "player/ProgrammeEdit.h"

#include "catalogue/DiscCatalogue.h"
#include "player/base/TrackLine.h"

std::string CurrentDiscTrackLine(const TDiscCatalogue& Catalogue, int Track) {
    const MSF Length =
        Track >= 1 && Track <= MaxDiscTracks ? Catalogue.CurrentDisc.TrackLengths[Track - 1] : 0;
    return TrackLine(Track, Length, Catalogue.ShownTrackName(Track));
}

void EditCurrentProgramme(TDiscCatalogue& Catalogue, bool Fit, const TProgrammeWindow& Window) {
    TDiscRecord& Disc = Catalogue.CurrentDisc;
    const auto LineOf = [&Catalogue](int Track) { return CurrentDiscTrackLine(Catalogue, Track); };
    TTrackLists Lists = Fit ? FitLists(Disc.TrackCount, LineOf, Disc.Programme)
                            : ProgrammeLists(Disc.TrackCount, LineOf, Disc.Programme);
    if (Window(Lists)) Disc.Programme = Lists.Programme();
    if (Catalogue.CurrentDiscRecNo > 0) Catalogue.SaveCurrentDisc();
}
