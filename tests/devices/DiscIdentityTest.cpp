// Disc identity and disc code from the table of contents, and which tables are usable at all.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "devices/DiscIdentity.h"
#include "support/TestSupport.h"

namespace {

TDriveToc Toc(std::vector<int> Starts, int LeadOut) {
    TDriveToc Result;
    int N = 1;
    for (int S : Starts)
        Result.Tracks.push_back({N++, S, true});
    Result.LeadOutFrame = LeadOut;
    return Result;
}

TEST(DiscIdentityTest, HandComputedExamples) {
    // One track at 00:02:00, lead-out at frame 452: 2*256 = 512, plus frames 0, plus length 302.
    EXPECT_EQ(DiscIdentity(Toc({150}, 452)), 814u);
    EXPECT_EQ(DiscCodeText(814), "000000000000032E");
    // Two tracks at 00:02:00 and 00:04:00: 512 + 1024 + 0 + 302.
    EXPECT_EQ(DiscIdentity(Toc({150, 300}, 452)), 1838u);
    // Two tracks at 00:02:10 and 03:05:40, lead-out 05:00:00:
    // 522 + (3*65536 + 5*256 + 40) + 10 + (22500 - 160).
    EXPECT_EQ(DiscIdentity(Toc({160, 13915}, 22500)), 522u + 197928u + 10u + 22340u);
    // Three tracks: the plain sum, nothing added. 00:02:00, 00:06:00, 00:10:00.
    EXPECT_EQ(DiscIdentity(Toc({150, 450, 750}, 906)), 512u + 1536u + 2560u);
    EXPECT_EQ(DiscCodeText(12345), "0000000000003039");
    EXPECT_EQ(DiscCodeText(0xABCDEF0123ull), "000000ABCDEF0123");
}

TEST(DiscIdentityTest, TwentyTwoTrackDiscFromTheVectors) {
    // libdiscid's 22-track test disc; every start of it summed by hand from its MSF fields.
    std::ifstream In(TestDataDir() / "discid" / "discid-vectors.tsv");
    ASSERT_TRUE(In);
    std::string Line;
    std::getline(In, Line);
    std::getline(In, Line);
    std::vector<std::string> Fields;
    std::stringstream Row(Line);
    for (std::string F; std::getline(Row, F, '\t');)
        Fields.push_back(F);
    ASSERT_GE(Fields.size(), 5u);
    std::vector<int> Starts;
    std::stringstream Offsets(Fields[4]);
    for (int O; Offsets >> O;)
        Starts.push_back(O);
    ASSERT_EQ(Starts.size(), 22u);
    const TDriveToc Disc = Toc(Starts, std::stoi(Fields[3]));
    EXPECT_EQ(ValidateToc(Disc), deOK);
    std::uint64_t Expected = 0;
    for (int S : Starts)
        Expected += static_cast<std::uint64_t>(S / 4500) * 65536 + (S % 4500 / 75) * 256 + S % 75;
    EXPECT_EQ(DiscIdentity(Disc), Expected);
    // Track 1 at 150 and track 2 at 9700 (02:09:25).
    EXPECT_EQ(Disc.TrackStart(2), MakeMSF(2, 9, 25));
    EXPECT_EQ(Disc.TrackLength(1), FramesToMSF(9550));
    EXPECT_EQ(Disc.TrackLength(22), FramesToMSF(303602 - 288750 - 1));
}

TEST(DiscIdentityTest, UnusableTables) {
    EXPECT_EQ(ValidateToc(Toc({}, 452)), deBadToc);
    EXPECT_EQ(ValidateToc(Toc({150, 150}, 452)), deBadToc);   // not ascending
    EXPECT_EQ(ValidateToc(Toc({150, 300}, 300)), deBadToc);   // lead-out not after the last start
    EXPECT_EQ(ValidateToc(Toc({150}, 2000000000)), deBadToc); // beyond what a CD holds
    std::vector<int> Hundred;
    for (int T = 0; T < 100; ++T)
        Hundred.push_back(150 + T * 100);
    EXPECT_EQ(ValidateToc(Toc(Hundred, 20000)), deBadToc);
    Hundred.pop_back();
    EXPECT_EQ(ValidateToc(Toc(Hundred, 20000)), deOK);
    EXPECT_EQ(DiscIdentity(TDriveToc{}), 0u);
}

} // namespace
