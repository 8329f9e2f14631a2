// What is known of a disc that has no record yet and is shown without being stored: its CD-TEXT, or what
// the automatic lookup found. The catalogue keeps it beside the disc's own record, which stays as a new
// disc's record is until the user stores it; no store ever reads it.
#pragma once

#include <string>
#include <vector>

struct TCdText;
struct TDiscRecord;
struct TLookupMatch;
class TStringGridData;

enum TShownSource { ssNone, ssCdText, ssLookup };

struct TShownDisc {
    TShownSource Source = ssNone; // ssNone: the record's own texts
    std::string Code;             // the disc it was made for
    std::string DiscName, Composer, Artist;
    std::vector<std::string> TrackNames; // index 0 is track 1; a missing or empty one: the record's name
};

// Rec's texts with Text's disc name, performer and track titles over them, as "Use CD-TEXT" takes them;
// Source ssNone when Text gives none of them.
TShownDisc ShownFromCdText(const std::string& Code, const TCdText& Text, const TDiscRecord& Rec);
// Rec and its track names with Match's texts over them, as the editor takes a match.
TShownDisc ShownFromLookup(const std::string& Code, const TLookupMatch& Match, const TDiscRecord& Rec,
                           const TStringGridData& Tracks);

// The mark shown beside the disc name, and its longer explanation; empty for ssNone.
std::string ShownMark(TShownSource Source);
std::string ShownMarkHint(TShownSource Source);
