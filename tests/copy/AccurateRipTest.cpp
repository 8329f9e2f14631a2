// The AccurateRip disc identifier, checksums and dBAR file against published known answers and against the
// checksums computed again from the description.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <random>

#include "CopyTestSupport.h"
#include "copy/AccurateRip.h"

namespace {

// A table of contents from track lengths in sectors, the first track's start and a trailing data track's
// length (0: none), which starts 11400 sectors after the audio ends.
TDriveToc TocOf(const std::vector<int>& Lengths, int Pregap, int Data) {
    TDriveToc Toc;
    int At = Pregap + 150;
    int Number = 1;
    for (int Length : Lengths) {
        Toc.Tracks.push_back({Number++, At, true});
        At += Length;
    }
    if (Data > 0) {
        At += 11400;
        Toc.Tracks.push_back({Number, At, false});
        At += Data;
    }
    Toc.LeadOutFrame = At;
    return Toc;
}

TEST(AccurateRip, DiscIdsOfKnownDiscs) {
    const struct {
        std::vector<int> Lengths;
        int Pregap, Data;
        const char* Id;
    } Cases[] = {
        {{75258, 54815, 205880}, 0, 0, "003-00084264-001cc184-19117f03"},
        {{279037}, 0, 0, "001-000441fd-000883fb-020e8801"},
        {{107450, 71470, 105737, 71600}, 33, 0, "004-000e26d9-00380804-3e128e04"},
        {{143963}, 32, 0, "001-0002329b-00046516-02077f01"},
        {{12617, 27720, 22738, 30185, 24705, 33750, 32475, 30920, 32195, 22880},
         0,
         52066,
         "010-00164419-00b9f6e2-9e11600b"},
        {{90778}, 0, 164721, "001-00041293-00082527-100de602"},
        {{14765, 14932, 12508, 525, 20937, 6025, 19753, 35570, 17777, 15258, 23515, 18512, 26168, 13440},
         12375,
         0,
         "014-001ba337-01281b14-cf0c7b0e"},
    };
    for (const auto& C : Cases) {
        const TArDiscId Id = ComputeArDiscId(TocOf(C.Lengths, C.Pregap, C.Data));
        ASSERT_TRUE(Id.Valid()) << Id.Error;
        EXPECT_EQ(Id.Text(), C.Id);
    }
    EXPECT_EQ(DbarUrl("http://www.accuraterip.com/", ComputeArDiscId(TocOf({75258, 54815, 205880}, 0, 0))),
              "http://www.accuraterip.com/accuraterip/4/6/2/dBAR-003-00084264-001cc184-19117f03.bin");
    TDriveToc DataOnly = TocOf({}, 0, 1000);
    EXPECT_FALSE(ComputeArDiscId(DataOnly).Valid());
}

TEST(AccurateRip, ChecksumsOfTheSampleInEachPosition) {
    SF_INFO Info{};
    SNDFILE* File = sf_open((TestDataDir() / "accuraterip/sample.wav").c_str(), SFM_READ, &Info);
    ASSERT_NE(File, nullptr);
    std::vector<std::int16_t> Pcm(static_cast<std::size_t>(Info.frames * 2));
    ASSERT_EQ(sf_readf_short(File, Pcm.data(), Info.frames), Info.frames);
    sf_close(File);
    const struct {
        bool First, Last;
        std::uint32_t V1, V2;
    } Cases[] = {{true, true, 0xf43f9174, 0x0ae7c6f9},
                 {true, false, 0x9d6c90ec, 0xb775893e},
                 {false, false, 0x3c8dd1d2, 0x56bba272},
                 {false, true, 0x9360d25a, 0xaa2de02d}};
    for (const auto& C : Cases) {
        // Fed in uneven pieces, as the copy's blocks fall.
        TArChecksumRun Run(static_cast<std::uint64_t>(Info.frames), C.First, C.Last);
        for (std::size_t At = 0, Piece = 1; At < Pcm.size() / 2; Piece = Piece * 3 + 1) {
            const std::size_t N = std::min(Piece, Pcm.size() / 2 - At);
            Run.Add(Pcm.data() + 2 * At, N);
            At += N;
        }
        EXPECT_EQ(Run.Result().V1, C.V1) << C.First << C.Last;
        EXPECT_EQ(Run.Result().V2, C.V2) << C.First << C.Last;
        const auto [V1, V2] = ReferenceArChecksums(Pcm, C.First, C.Last);
        EXPECT_EQ(V1, C.V1);
        EXPECT_EQ(V2, C.V2);
    }
    // Loud random audio, where the products' high words matter, and a track shorter than the left-out parts.
    std::mt19937 Random(7);
    for (std::size_t Pairs : {std::size_t(3 * 588 * 7 + 5), std::size_t(4000)}) {
        std::vector<std::int16_t> Noise(Pairs * 2);
        for (auto& S : Noise)
            S = static_cast<std::int16_t>(Random());
        TArChecksumRun Run(Pairs, true, true);
        Run.Add(Noise.data(), Pairs);
        const auto [V1, V2] = ReferenceArChecksums(Noise, true, true);
        EXPECT_EQ(Run.Result().V1, V1);
        EXPECT_EQ(Run.Result().V2, V2);
    }
}

TEST(AccurateRip, DbarFileAndVerdicts) {
    const TArDiscId Id = ComputeArDiscId(TocOf({1000, 2000}, 0, 0));
    TDbarPressing A{2, Id.Id1, Id.Id2, Id.FreeDb, {{12, 0x11111111, 0}, {12, 0x22222222, 0}}};
    TDbarPressing B{2, Id.Id1, Id.Id2, Id.FreeDb, {{3, 0x33333333, 0}, {0, 0, 0}}};
    const std::string Bytes = MakeDbar({A, B});
    const TDbarFile File = ParseDbar(Bytes, Id);
    ASSERT_TRUE(File.Error.empty()) << File.Error;
    ASSERT_EQ(File.Pressings.size(), 2u);

    const struct {
        const TDbarFile* Db;
        int Track;
        TArChecksums Sums;
        const char* Text;
    } Cases[] = {
        {&File, 0, {0x11111111, 0x9}, "accurately copied, confidence 12"},
        {&File, 0, {0x9, 0x33333333}, "accurately copied, confidence 3"}, // the v2 entry of another pressing
        {&File, 0, {0x9, 0x9}, "differs from 15 copies"},
        {&File, 1, {0x9, 0x9}, "differs from 12 copies"},
        {&File, 2, {0x9, 0x9}, "not in the database"},
        {nullptr, 0, {0x11111111, 0}, "not in the database"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(VerifyTrack(C.Db, C.Track, C.Sums).Text(), C.Text);

    EXPECT_FALSE(ParseDbar(Bytes.substr(0, Bytes.size() - 1), Id).Error.empty());
    TArDiscId Other = Id;
    Other.Id1 += 1;
    EXPECT_FALSE(ParseDbar(Bytes, Other).Error.empty());
    EXPECT_TRUE(ParseDbar("", Id).Pressings.empty());
}

} // namespace
