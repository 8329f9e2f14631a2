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
    // What tells pressings apart: catalogue number, barcode, date ("1998-03-01", or fewer parts), format
    // ("CD"), status ("Official").
    std::string CatalogueNumber, Barcode, Date, Format, Status;
    int Year = 0;
    int TrackCount = 0;              // of the matched medium; Tracks may hold fewer titles
    int Medium = 0, MediumCount = 0; // "disc Medium of MediumCount"; 0 when the answer does not say
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

// The match to offer first: one whose name or artist the disc's CD-TEXT gives (DiscName, Artist; empty:
// none), then an official release before others, then the most recent. 0 when Matches is empty.
std::size_t BestLookupMatch(const std::vector<TLookupMatch>& Matches, const std::string& DiscName,
                            const std::string& Artist);

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

// MusicBrainz's page for attaching the disc's id and table of contents to a release, as libdiscid gives it
// (tracks= names the last audio track's number).
std::string MusicBrainzAttachUrl(const TLookupToc& Toc);

// The record's texts once Match is taken: name, artist, composer, label and year from the match where it
// has them, the rest as in Current; each cut to its field.
TDiscTexts LookupTexts(const TLookupMatch& Match, const TDiscTexts& Current);

// What the picks of one editing run put into the fields, so that the next pick replaces them whole: a
// field the new match leaves empty goes back to what it held before any pick, while a field changed
// since the last pick is the user's and counts as what it held before.
struct TLookupFill {
    bool Taken = false;
    TDiscTexts Before, Put;
    std::vector<std::string> TracksBefore, TracksPut; // index 0 is track 1
};
// Takes Match into Texts and column 0 of Tracks (rows 1 to TrackCount) as above; Fill carries the
// previous picks and is updated.
void TakeLookupMatch(const TLookupMatch& Match, TDiscTexts& Texts, TStringGridData& Tracks, int TrackCount,
                     TLookupFill& Fill);
// The composer that arrives after the pick (from the release's works): it replaces Composer unless the
// user changed the field since the pick. Empty: the field stays as it is.
void TakeLookupComposer(const std::string& Name, std::string& Composer, TLookupFill& Fill);
// Puts the match's track titles into column 0 of Tracks, rows 1 to TrackCount; rows without a title
// keep theirs.
void PutLookupTracks(const TLookupMatch& Match, TStringGridData& Tracks, int TrackCount);
// The texts of a record, as LookupTexts takes them.
TDiscTexts TextsOf(const TDiscRecord& Rec);
