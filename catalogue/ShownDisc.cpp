#include "catalogue/ShownDisc.h"

#include "catalogue/DiscEdit.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/LookupMatch.h"
#include "catalogue/StringGridData.h"
#include "devices/CdDrive.h"

namespace {

// A text of blanks says nothing: it is left out.
std::string Said(const std::string& Text) {
    return Text.find_first_not_of(" \t") == std::string::npos ? std::string() : Text;
}

} // namespace

TShownDisc ShownFromCdText(const std::string& Code, const TCdText& Text, const TDiscRecord& Rec) {
    TCdTextNames Names = CdTextNamesOf(Text);
    Names.DiscName = Said(Names.DiscName);
    Names.Artist = Said(Names.Artist);
    Names.Composer = Said(Names.Composer);
    TShownDisc Shown;
    bool Given = !Names.DiscName.empty() || !Names.Artist.empty();
    for (const std::string& Name : CdTextTrackNames(Text, Rec.TrackCount)) {
        Shown.TrackNames.push_back(Said(Name));
        Given = Given || !Shown.TrackNames.back().empty();
    }
    if (!Given) return {};
    Shown.Source = ssCdText;
    Shown.Code = Code;
    Shown.DiscName = Names.DiscName.empty() ? Rec.DiscName : Names.DiscName;
    Shown.Artist = Names.Artist.empty() ? Rec.Artist : Names.Artist;
    Shown.Composer = Names.Composer.empty() ? Rec.Composer : Names.Composer;
    return Shown;
}

TShownDisc ShownFromLookup(const std::string& Code, const TLookupMatch& Match, const TDiscRecord& Rec,
                           const TStringGridData& Tracks) {
    const TDiscTexts Texts = LookupTexts(Match, TextsOf(Rec));
    TStringGridData Names = Tracks;
    PutLookupTracks(Match, Names, Rec.TrackCount);
    TShownDisc Shown;
    Shown.Source = ssLookup;
    Shown.Code = Code;
    Shown.DiscName = Texts.DiscName;
    Shown.Composer = Texts.Composer;
    Shown.Artist = Texts.Artist;
    for (int T = 1; T <= Rec.TrackCount && T <= MaxDiscTracks; ++T)
        Shown.TrackNames.push_back(Names.Cells(0, T));
    return Shown;
}

std::string ShownMark(TShownSource Source) {
    switch (Source) {
    case ssCdText:
        return "CD-TEXT, not stored";
    case ssLookup:
        return "looked up, not stored";
    case ssNone:
        break;
    }
    return {};
}

std::string ShownMarkHint(TShownSource Source) {
    const char* Store = " Nothing is stored until you press OK in the disc data editor (Ctrl+D).";
    switch (Source) {
    case ssCdText:
        return std::string("The disc has no record yet: its name, performer and track titles are read from "
                           "its CD-TEXT.") +
               Store;
    case ssLookup:
        return std::string("The disc has no record yet: this is what the lookup found.") + Store;
    case ssNone:
        break;
    }
    return {};
}
