// MusicBrainz and FreeDB ids of the test discs whose ids were published with their tables of contents.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "devices/DiscIds.h"
#include "support/TestSupport.h"

namespace {

// discid-vectors.tsv: name, first, last, lead-out, offsets, MusicBrainz id, FreeDB id, source.
std::map<std::string, std::vector<std::string>> ReadVectors() {
    std::map<std::string, std::vector<std::string>> Rows;
    std::ifstream In(TestDataDir() / "discid" / "discid-vectors.tsv");
    std::string Line;
    for (std::getline(In, Line); std::getline(In, Line);) {
        std::vector<std::string> F;
        std::stringstream Row(Line);
        for (std::string Field; std::getline(Row, Field, '\t');)
            F.push_back(Field);
        if (F.size() >= 7) Rows[F[0]] = F;
    }
    return Rows;
}

TDriveToc TocOf(const std::vector<std::string>& F, int DataTrack) {
    TDriveToc Toc;
    std::stringstream Offsets(F[4]);
    for (int Start, Number = std::stoi(F[1]); Offsets >> Start; ++Number)
        Toc.Tracks.push_back({Number, Start, Number != DataTrack});
    Toc.LeadOutFrame = std::stoi(F[3]);
    return Toc;
}

TEST(DiscIdsTest, PublishedVectors) {
    const auto Rows = ReadVectors();
    ASSERT_EQ(Rows.size(), 5u);
    // The data track of each disc, and the row whose MusicBrainz id it has: an enhanced CD shares it with
    // its audio session alone; the source gives none for the mixed-mode disc.
    const struct {
        const char* Name;
        int DataTrack;
        const char* MusicBrainzOf;
    } Cases[] = {
        {"libdiscid-test_put", 0, "libdiscid-test_put"},
        {"python-libdiscid-PutSuccess", 0, "python-libdiscid-PutSuccess"},
        {"arver-enhanced-audio-session", 0, "arver-enhanced-audio-session"},
        {"arver-enhanced-with-data-track", 11, "arver-enhanced-audio-session"},
        {"arver-mixed-mode", 1, nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TDiscIds Ids = ComputeDiscIds(TocOf(Rows.at(C.Name), C.DataTrack));
        ASSERT_TRUE(Ids.Valid()) << Ids.Error;
        EXPECT_EQ(Ids.FreeDb, Rows.at(C.Name)[6]);
        EXPECT_EQ(Ids.MusicBrainz.size(), 28u);
        if (C.MusicBrainzOf) {
            EXPECT_EQ(Ids.MusicBrainz, Rows.at(C.MusicBrainzOf)[5]);
        }
    }
}

// The FreeDB id's last byte counts the tracks, wherever their numbers start; a disc of data tracks alone
// has no MusicBrainz id.
TEST(DiscIdsTest, TrackCountAndDataDiscs) {
    const auto Row = ReadVectors().at("libdiscid-test_put");
    TDriveToc Toc = TocOf(Row, 0);
    for (TTocTrack& Track : Toc.Tracks)
        Track.Number += 2;
    TDiscIds Ids = ComputeDiscIds(Toc);
    EXPECT_EQ(Ids.FreeDb, Row[6]);
    EXPECT_EQ(Ids.MusicBrainz.size(), 28u);
    for (TTocTrack& Track : Toc.Tracks)
        Track.Audio = false;
    Ids = ComputeDiscIds(Toc);
    EXPECT_TRUE(Ids.Valid());
    EXPECT_EQ(Ids.FreeDb, Row[6]);
    EXPECT_EQ(Ids.MusicBrainz, "");
}

// Tables libdiscid refuses give no ids and say why.
TEST(DiscIdsTest, UnusableTables) {
    const TDriveToc Tables[] = {
        {},
        {{{1, 9000, true}, {2, 150, true}}, 20000}, // descending
        {{{99, 150, true}, {100, 300, true}}, 400}, // track 100
    };
    for (const TDriveToc& Toc : Tables) {
        const TDiscIds Ids = ComputeDiscIds(Toc);
        EXPECT_FALSE(Ids.Error.empty());
        EXPECT_TRUE(Ids.MusicBrainz.empty() && Ids.FreeDb.empty());
    }
}

} // namespace
