// The disc databases' answers read into matches, the table of contents a lookup sends, and a match
// taken into a record.
#include <gtest/gtest.h>

#include "catalogue/CddbAnswer.h"
#include "catalogue/LookupCheck.h"
#include "catalogue/LookupMatch.h"
#include "catalogue/MusicBrainzAnswer.h"
#include "devices/CdioDrive.h"
#include "devices/NullSoundOutput.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

#include <discid/discid.h>

namespace {

// The table of contents of a test image, as the drive reads it.
bool ReadImageToc(const std::string& Path, TDriveToc& Toc) {
    int Error = 0;
    auto Drive = TCdioDrive::Open(
        Path, false, [] { return std::make_unique<TNullSoundOutput>(); }, Error);
    return Drive && Drive->ReadToc(Toc) == 0;
}

// libdiscid's page for submitting the disc, from the tracks MusicBrainz counts (the audio session).
std::string LibdiscidSubmissionUrl(const TDriveToc& Toc) {
    int Audio = Toc.TrackCount();
    while (Audio > 1 && !Toc.Tracks[static_cast<std::size_t>(Audio - 1)].Audio)
        --Audio;
    int Offsets[100] = {};
    const int DataStart =
        Audio < Toc.TrackCount() ? Toc.Tracks[static_cast<std::size_t>(Audio)].StartFrame : 0;
    Offsets[0] = Audio < Toc.TrackCount() ? DataStart - 11400 : Toc.LeadOutFrame;
    const int First = Toc.Tracks.front().Number;
    for (int i = 0; i < Audio; ++i)
        Offsets[First + i] = Toc.Tracks[static_cast<std::size_t>(i)].StartFrame;
    DiscId* Disc = discid_new();
    std::string Url;
    if (discid_put(Disc, First, First + Audio - 1, Offsets)) Url = discid_get_submission_url(Disc);
    discid_free(Disc);
    return Url;
}

TLookupToc ThreeTracks(const std::string& Id = "xyz") {
    TLookupToc Toc;
    Toc.Offsets = {150, 20000, 40000};
    Toc.LeadOut = 60000;
    Toc.AudioTracks = 3;
    Toc.AudioLeadOut = 60000;
    Toc.MusicBrainzId = Id;
    Toc.FreeDbId = "1e0c5b03";
    return Toc;
}

} // namespace

TEST(LookupAnswer, MusicBrainzReleasesTakeTheMediumOfTheDisc) {
    std::vector<TLookupMatch> Matches;
    std::string Error;
    ASSERT_TRUE(ParseMusicBrainzAnswer(LookupFixtures::MusicBrainzReleases(2), ThreeTracks(), Matches, Error))
        << Error;
    ASSERT_EQ(Matches.size(), 2u);
    const TLookupMatch& M = Matches[1];
    EXPECT_EQ(M.ReleaseId, "00000002-1111-2222-3333-444444444444");
    EXPECT_EQ(M.DiscName, "Album 2");
    EXPECT_EQ(M.Artist, "Ann Example & The Band");
    EXPECT_EQ(M.Year, 1992);
    EXPECT_EQ(M.Country, "G2");
    EXPECT_EQ(M.RecordLabel, "Label 2");
    EXPECT_EQ(M.TrackCount, 3);
    EXPECT_EQ(M.Tracks, (std::vector<std::string>{"First 2", "Second from recording", "Third"}));
    EXPECT_EQ(M.CatalogueNumber, "X 2");
    EXPECT_EQ(M.Date, "1992-05-01");
    EXPECT_EQ(M.Format, "CD");
    EXPECT_EQ(M.Medium, 2);
    EXPECT_EQ(M.MediumCount, 2);
    EXPECT_EQ(M.Line(),
              "Album 2 - Ann Example & The Band (1992, G2, Label 2, X 2, disc 2 of 2, 3 tracks) MusicBrainz");

    // A lookup by table of contents names no disc id: the medium with the disc's track count is taken.
    ASSERT_TRUE(ParseMusicBrainzAnswer(LookupFixtures::MusicBrainzReleases(1), ThreeTracks("unknown"),
                                       Matches, Error));
    EXPECT_EQ(Matches[0].Tracks.front(), "First 1");
}

TEST(LookupAnswer, MusicBrainzComposerFromWorkRelations) {
    const QByteArray Json = R"({"release-count":1,"releases":[{"id":"a","title":"T","media":[{"track-count":1,
        "tracks":[{"title":"x","recording":{"relations":[{"type":"performance","work":{"relations":[
        {"type":"lyricist","artist":{"name":"Lyr"}},{"type":"composer","artist":{"name":"Comp A"}},
        {"type":"composer","artist":{"name":"Comp B"}}]}}]}}]}]}]})";
    std::vector<TLookupMatch> Matches;
    std::string Error;
    TLookupToc Toc = ThreeTracks();
    ASSERT_TRUE(ParseMusicBrainzAnswer(Json, Toc, Matches, Error)) << Error;
    EXPECT_EQ(Matches.at(0).Composer, "Comp A; Comp B");
    EXPECT_EQ(Matches[0].Year, 0);
}

TEST(LookupAnswer, MusicBrainzComposersOfTheDiscsWorks) {
    std::string Composer, Error;
    ASSERT_TRUE(ParseMusicBrainzComposers(
        LookupFixtures::MusicBrainzWorks({"Comp A", "", "Comp A", "Comp B"}), ThreeTracks(), Composer, Error))
        << Error;
    EXPECT_EQ(Composer, "Comp A; Comp B"); // each once, of this disc's medium only, lyricists left out
    ASSERT_TRUE(ParseMusicBrainzComposers(LookupFixtures::MusicBrainzWorks({"", "", ""}), ThreeTracks(),
                                          Composer, Error));
    EXPECT_EQ(Composer, "");
    EXPECT_FALSE(ParseMusicBrainzComposers("<html>", ThreeTracks(), Composer, Error));
    EXPECT_NE(Error.find("MusicBrainz"), std::string::npos);
}

TEST(LookupAnswer, APickReplacesWhatTheLastPickPut) {
    TLookupMatch Us, Plain;
    Us.DiscName = Plain.DiscName = "Album";
    Us.Artist = Plain.Artist = "Band";
    Us.RecordLabel = "Pier Music";
    Us.Year = 1999;
    Us.Tracks = {"One", "Two", "Three"};
    Plain.Tracks = {"Uno", "", ""};
    TDiscTexts Texts;
    Texts.Composer = "Typed before";
    Texts.Year = 1980;
    TStringGridData Grid(3, 4);
    Grid.SetCells(0, 3, "Own third");
    TLookupFill Fill;
    TakeLookupMatch(Us, Texts, Grid, 3, Fill);
    TakeLookupComposer("Comp", Texts.Composer, Fill);
    EXPECT_EQ(Texts.RecordLabel, "Pier Music");
    EXPECT_EQ(Texts.Composer, "Comp");
    Texts.Artist = "Typed after"; // the user's now
    Grid.SetCells(0, 2, "Typed two");
    TakeLookupMatch(Plain, Texts, Grid, 3, Fill);
    EXPECT_EQ(Texts.RecordLabel, "");          // the first pick's label goes
    EXPECT_EQ(Texts.Composer, "Typed before"); // the field as it was before the picks
    EXPECT_EQ(Texts.Year, 1980);
    EXPECT_EQ(Texts.Artist, "Band"); // the new release has one
    EXPECT_EQ(Grid.Cells(0, 1), "Uno");
    EXPECT_EQ(Grid.Cells(0, 2), "Typed two");
    EXPECT_EQ(Grid.Cells(0, 3), "Own third");
    Texts.Composer = "Mine";
    TakeLookupComposer("Late", Texts.Composer, Fill); // typed meanwhile: kept
    EXPECT_EQ(Texts.Composer, "Mine");
}

TEST(LookupAnswer, AttachUrlIsLibdiscidsOwn) {
    // The test images' tables of contents, and an enhanced CD whose data session MusicBrainz leaves out.
    std::vector<TDriveToc> Tocs;
    for (const char* Image : {"cdda/cdda.cue", "cdda_4_5/cdda_4_5.cue", "cdtext-3track/cdtext.cue"}) {
        TDriveToc Toc;
        ASSERT_TRUE(ReadImageToc((TestDataDir() / "cd-images" / Image).string(), Toc)) << Image;
        Tocs.push_back(Toc);
    }
    TDriveToc Enhanced;
    Enhanced.Tracks = {{1, 150, true}, {2, 18816, true}, {3, 70000, false}};
    Enhanced.LeadOutFrame = 90000;
    Tocs.push_back(Enhanced);
    for (const TDriveToc& Toc : Tocs) {
        const std::string Libdiscid = LibdiscidSubmissionUrl(Toc);
        ASSERT_FALSE(Libdiscid.empty());
        // libdiscid names the page by http; the page is served by https.
        EXPECT_EQ(MusicBrainzAttachUrl(LookupTocOf(Toc)), "https" + Libdiscid.substr(Libdiscid.find(':')));
    }
}

TEST(LookupAnswer, MusicBrainzNoMatchAndBadAnswers) {
    std::vector<TLookupMatch> Matches;
    std::string Error;
    EXPECT_TRUE(
        ParseMusicBrainzAnswer(R"({"release-count":0,"releases":[]})", ThreeTracks(), Matches, Error));
    EXPECT_TRUE(Matches.empty());
    for (const QByteArray& Bad : {QByteArray(R"({"releases":[{"id":"a")"), QByteArray("<html>busy</html>"),
                                  QByteArray(R"({"error":"x"})"), QByteArray(R"({"releases":"no"})")}) {
        Error.clear();
        EXPECT_FALSE(ParseMusicBrainzAnswer(Bad, ThreeTracks(), Matches, Error)) << Bad.constData();
        EXPECT_NE(Error.find("MusicBrainz"), std::string::npos);
        EXPECT_EQ(Error.find('\n'), std::string::npos);
    }
}

TEST(LookupAnswer, CddbQueryCodes) {
    struct TCase {
        const char* Answer;
        bool Ok;
        std::size_t Entries;
    } const Cases[] = {
        {"200 rock 1e0c5b03 Some Artist / Some Album\r\n", true, 1},
        {"211 Found inexact matches, list follows (until terminating `.')\r\nrock 1e0c5b03 A / B\r\n"
         "misc 1e0c5b04 C / D\r\n.\r\n",
         true, 2},
        {"210 Found exact matches, list follows (until terminating `.')\nrock 1e0c5b03 A / B\n.\n", true, 1},
        {"202 No match found\r\n", true, 0},
        {"403 Database entry is corrupt\r\n", false, 0},
        {"409 No handshake\r\n", false, 0},
        {"211 Found inexact matches\r\nrock 1e0c5b03 A / B\r\n", false, 0}, // cut before "."
        {"<html>", false, 0},
    };
    for (const TCase& C : Cases) {
        std::vector<TCddbEntry> Entries;
        std::string Error;
        EXPECT_EQ(ParseCddbQuery(C.Answer, Entries, Error), C.Ok) << C.Answer;
        EXPECT_EQ(Entries.size(), C.Entries) << C.Answer;
        EXPECT_EQ(Error.empty(), C.Ok) << C.Answer;
    }
    std::vector<TCddbEntry> Entries;
    std::string Error;
    ParseCddbQuery("200 rock 1e0c5b03 Some Artist / Some Album\r\n", Entries, Error);
    EXPECT_EQ(Entries[0].Category, "rock");
    EXPECT_EQ(Entries[0].DiscId, "1e0c5b03");
    EXPECT_EQ(Entries[0].Title, "Some Artist / Some Album");
}

TEST(LookupAnswer, CddbReadInUtf8AndLatin1) {
    for (const bool Latin1 : {false, true}) {
        TLookupMatch M;
        std::string Error;
        ASSERT_TRUE(ParseCddbRead(
            LookupFixtures::CddbEntry("rock", "1e0c5b03", QStringLiteral("Bj\u00f6rk / D\u00e9but"), Latin1),
            M, Error))
            << Error;
        EXPECT_EQ(M.Source, TLookupSource::Gnudb);
        EXPECT_EQ(M.ReleaseId, "rock/1e0c5b03");
        EXPECT_EQ(M.Artist, "Bj\u00f6rk");
        EXPECT_EQ(M.DiscName, "D\u00e9but");
        EXPECT_EQ(M.Year, 1987);
        EXPECT_EQ(M.Tracks, (std::vector<std::string>{"Caf\u00e9", "Long title, continued\tthere", "Three"}));
    }
    TLookupMatch M;
    std::string Error;
    // Single-byte answers are read as Windows-1252, the superset that older entries were typed in.
    ASSERT_TRUE(ParseCddbRead("210 misc 01 x\nDTITLE=A / \x93Quoted\x94 \x80\n.\n", M, Error));
    EXPECT_EQ(M.DiscName, "\u201cQuoted\u201d \u20ac");
    ASSERT_TRUE(ParseCddbRead("210 misc 01 x\nDTITLE=Only A Title\n.\n", M, Error));
    EXPECT_EQ(M.Artist, "Only A Title");
    EXPECT_EQ(M.DiscName, "Only A Title");
    EXPECT_FALSE(ParseCddbRead("401 Specified CDDB entry not found.\r\n", M, Error));
    EXPECT_EQ(Error, "gnudb refused the request: 401 Specified CDDB entry not found."); // one full stop
    EXPECT_FALSE(ParseCddbRead("210 misc 01 x\nDTITLE=A / B\nTTITLE0=cut", M, Error));
}

TEST(LookupAnswer, TocFromRecordGivesTheDiscIds) {
    // Track lengths as the drive gave them: each start to the next, the last to one frame before the
    // lead-out. The ids are those of the table of contents they came from.
    TDriveToc Drive;
    Drive.Tracks = {{1, 150, true}, {2, 18816, true}, {3, 37412, true}};
    Drive.LeadOutFrame = 55000;
    TDiscRecord Rec = NewDiscRecord("X", 0, 0);
    Rec.TrackCount = 3;
    for (int t = 1; t <= 3; ++t)
        Rec.TrackLengths[static_cast<std::size_t>(t - 1)] = Drive.TrackLength(t);
    const TLookupToc FromDrive = LookupTocOf(Drive), FromRecord = LookupTocOf(Rec);
    ASSERT_TRUE(FromDrive.Valid());
    EXPECT_EQ(FromRecord.MusicBrainzId, FromDrive.MusicBrainzId);
    EXPECT_EQ(FromRecord.FreeDbId, FromDrive.FreeDbId);
    EXPECT_EQ(MusicBrainzToc(FromDrive), "1+3+55000+150+18816+37412");
    EXPECT_EQ(CddbQueryArguments(FromDrive), FromDrive.FreeDbId + "+3+150+18816+37412+733");
    EXPECT_FALSE(LookupTocOf(NewDiscRecord("X", 0, 0)).Valid());

    // An enhanced CD: MusicBrainz gets the audio session only, gnudb every track.
    Drive.Tracks.push_back({4, 70000, false});
    Drive.LeadOutFrame = 90000;
    const TLookupToc Enhanced = LookupTocOf(Drive);
    EXPECT_EQ(MusicBrainzToc(Enhanced), "1+3+58600+150+18816+37412");
    EXPECT_EQ(CddbQueryArguments(Enhanced).substr(8), "+4+150+18816+37412+70000+1200");
}

TEST(LookupAnswer, MatchFillsTextsAndTracks) {
    TLookupMatch M;
    M.DiscName = std::string(150, 'n');
    M.Artist = "Artist";
    M.RecordLabel = "Label";
    M.Year = 1999;
    M.Tracks = {"One", "", "Three", "Beyond the disc"};
    TDiscTexts Current;
    Current.Composer = "Old";
    Current.MusicType = "Jazz";
    Current.Year = 1980;
    const TDiscTexts T = LookupTexts(M, Current);
    EXPECT_EQ(T.DiscName.size(), 100u);
    EXPECT_EQ(T.Composer, "Old"); // the artist credit names performers, not the composer
    EXPECT_EQ(T.MusicType, "Jazz");
    EXPECT_EQ(T.Year, 1999);
    TStringGridData Grid(3, 4);
    Grid.SetCells(0, 2, "Kept");
    PutLookupTracks(M, Grid, 3);
    EXPECT_EQ(Grid.Cells(0, 1), "One");
    EXPECT_EQ(Grid.Cells(0, 2), "Kept");
    EXPECT_EQ(Grid.Cells(0, 3), "Three");
}

TEST(LookupAnswer, MatchesThatCannotBeADiscAreRefused) {
    const auto Make = [](std::string Name, int Count, std::vector<std::string> Tracks, int Year = 1990) {
        TLookupMatch M;
        M.DiscName = std::move(Name);
        M.TrackCount = Count;
        M.Tracks = std::move(Tracks);
        M.Year = Year;
        return M;
    };
    struct TCase {
        TLookupMatch Match;
        bool Usable;
        int Year;
    } Cases[] = {
        {Make("Disc", 3, {"a"}), true, 1990},
        {Make("", 3, {"", ""}), false, 1990},            // no name, no artist, no titles
        {Make("Disc", -5, {"a"}), false, 1990},          // a track count no disc has
        {Make("Disc", 100, {"a"}), false, 1990},         //
        {Make("", 2, {"", "b"}), true, 1990},            // a title is something to fill
        {Make("Disc", 3, {}, 9999), true, 0},            // the year is dropped, the rest kept
        {Make("Disc", 3, {}, 1200), true, 0},            //
        {Make("\x1b\x01", 3, {"\t", "\r\n"}), false, 0}, // nothing left once cleaned
    };
    for (TCase& C : Cases) {
        std::string Why;
        EXPECT_EQ(CheckLookupMatch(C.Match, Why), C.Usable) << C.Match.DiscName << Why;
        if (C.Usable) {
            EXPECT_EQ(C.Match.Year, C.Year) << C.Match.DiscName;
        } else {
            EXPECT_FALSE(Why.empty());
        }
    }
}
