// MusicBrainz and FreeDB ids of the test discs whose ids were published with their tables of contents.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "devices/DiscIds.h"
#include "support/TestSupport.h"

namespace {

struct TVector {
    TDriveToc Toc;
    std::string MusicBrainz, FreeDb;
};

// discid-vectors.tsv: name, first, last, lead-out, offsets, MusicBrainz id, FreeDB id, source.
std::map<std::string, TVector> ReadVectors() {
    std::map<std::string, TVector> Vectors;
    std::ifstream In(TestDataDir() / "discid" / "discid-vectors.tsv");
    std::string Line;
    std::getline(In, Line);
    while (std::getline(In, Line)) {
        std::vector<std::string> F;
        std::stringstream Row(Line);
        for (std::string Field; std::getline(Row, Field, '\t');)
            F.push_back(Field);
        if (F.size() < 7) continue;
        TVector V;
        std::stringstream Offsets(F[4]);
        int Number = std::stoi(F[1]);
        for (int Start; Offsets >> Start;)
            V.Toc.Tracks.push_back({Number++, Start, true});
        V.Toc.LeadOutFrame = std::stoi(F[3]);
        V.MusicBrainz = F[5];
        V.FreeDb = F[6];
        Vectors[F[0]] = V;
    }
    return Vectors;
}

TEST(DiscIdsTest, PublishedVectors) {
    const auto Vectors = ReadVectors();
    ASSERT_EQ(Vectors.size(), 5u);
    // Which tracks hold data, and the MusicBrainz id a disc with a data session shares with its audio
    // session alone.
    const struct {
        const char* Name;
        std::set<int> DataTracks;
        const char* MusicBrainzOf;
    } Cases[] = {
        {"libdiscid-test_put", {}, "libdiscid-test_put"},
        {"python-libdiscid-PutSuccess", {}, "python-libdiscid-PutSuccess"},
        {"arver-enhanced-audio-session", {}, "arver-enhanced-audio-session"},
        {"arver-enhanced-with-data-track", {11}, "arver-enhanced-audio-session"},
        {"arver-mixed-mode", {1}, nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TVector V = Vectors.at(C.Name);
        for (int T : C.DataTracks)
            V.Toc.Tracks[static_cast<std::size_t>(T - 1)].Audio = false;
        const TDiscIds Ids = ComputeDiscIds(V.Toc);
        ASSERT_TRUE(Ids.Valid()) << Ids.Error;
        EXPECT_EQ(Ids.FreeDb, V.FreeDb);
        if (C.MusicBrainzOf) {
            EXPECT_EQ(Ids.MusicBrainz, Vectors.at(C.MusicBrainzOf).MusicBrainz);
        }
        EXPECT_EQ(Ids.MusicBrainz.size(), 28u);
    }
    EXPECT_EQ(MusicBrainzDiscUrl("xUp1F2NkfP8s8jaeFn_Av3jNEI4-"),
              "https://musicbrainz.org/cdtoc/xUp1F2NkfP8s8jaeFn_Av3jNEI4-");
    EXPECT_EQ(FreeDbDiscUrl("370fce16"), "https://gnudb.org/cd/370fce16");
}

// The tables libdiscid refuses give no ids and say why.
TEST(DiscIdsTest, UnusableTables) {
    TDriveToc Empty;
    EXPECT_FALSE(ComputeDiscIds(Empty).Valid());
    TDriveToc Descending;
    Descending.Tracks = {{1, 9000, true}, {2, 150, true}};
    Descending.LeadOutFrame = 20000;
    TDriveToc NoLeadOut = Descending;
    NoLeadOut.Tracks[1].StartFrame = 10000;
    NoLeadOut.LeadOutFrame = 0;
    TDriveToc Overflow;
    Overflow.Tracks = {{99, 150, true}, {100, 300, true}};
    Overflow.LeadOutFrame = 400;
    for (const TDriveToc& Toc : {Descending, NoLeadOut, Overflow}) {
        const TDiscIds Ids = ComputeDiscIds(Toc);
        EXPECT_FALSE(Ids.Valid());
        EXPECT_FALSE(Ids.Error.empty());
        EXPECT_TRUE(Ids.MusicBrainz.empty() && Ids.FreeDb.empty());
    }
}

} // namespace
