// What a disc database gives for a disc: its matches, the table of contents a lookup sends, and how a
// chosen match fills a record. No network here: the client (DiscLookup) and the parsers of each service's
// answers use these.
#pragma once

#include <string>
#include <vector>

#include "catalogue/DiscEdit.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/StringGridData.h"
#include "devices/CdDrive.h"

enum class TLookupSource { MusicBrainz, Gnudb };

struct TLookupMatch {
    TLookupSource Source = TLookupSource::MusicBrainz;
    std::string ReleaseId; // MusicBrainz: the release's MBID; gnudb: "category/discid"
    std::string DiscName, Artist, Composer, RecordLabel, Country;
    int Year = 0;
    int TrackCount = 0; // of the matched medium; Tracks may hold fewer titles
    std::vector<std::string> Tracks;

    // One line for a list: name, artist, year, country, label, track count and service.
    std::string Line() const;
};

// The table of contents as the services take it: frame offsets counted from the start of the disc
// (the first track of a usual disc starts at 150), the lead-out, and the disc's ids.
struct TLookupToc {
    int FirstTrack = 1;
    std::vector<int> Offsets;
    int LeadOut = 0;
    // The audio session only, for MusicBrainz: trailing data tracks are left out.
    int AudioTracks = 0;
    int AudioLeadOut = 0;
    std::string MusicBrainzId, FreeDbId;

    bool Valid() const { return !Offsets.empty() && !MusicBrainzId.empty(); }
    int TrackCount() const { return static_cast<int>(Offsets.size()); }
};

// From a disc's table of contents.
TLookupToc LookupTocOf(const TDriveToc& Toc);
// From a stored record's track lengths: the first track at 150, each next one where the previous ends
// and the lead-out one frame after the last (as the drive's lengths were taken). Invalid without tracks.
TLookupToc LookupTocOf(const TDiscRecord& Rec);

// MusicBrainz's toc parameter: first track, last track, lead-out and offsets, joined by "+".
std::string MusicBrainzToc(const TLookupToc& Toc);
// The arguments of a CDDB query: discid, track count, offsets and the disc's length in seconds, joined by
// "+".
std::string CddbQueryArguments(const TLookupToc& Toc);

// The record's texts once Match is taken: name, artist, composer, label and year from the match where it
// has them, the rest as in Current; each cut to its field.
TDiscTexts LookupTexts(const TLookupMatch& Match, const TDiscTexts& Current);
// Puts the match's track titles into column 0 of Tracks, rows 1 to TrackCount; rows without a title
// keep theirs.
void PutLookupTracks(const TLookupMatch& Match, TStringGridData& Tracks, int TrackCount);
// The texts of a record, as LookupTexts takes them.
TDiscTexts TextsOf(const TDiscRecord& Rec);
