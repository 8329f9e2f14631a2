// Disc images as users have them: cue sheets whose data file has another name, and damaged images and
// sheets, which must give an error and never take the program down.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>

#include "DiscImageMaker.h"
#include "devices/CdioDrive.h"
#include "devices/ChildProcess.h"
#include "devices/DiscImageCheck.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary) << Bytes;
}

void PutBe32(std::string& Bytes, std::size_t At, std::uint32_t Value) {
    for (int I = 0; I < 4; ++I)
        Bytes[At + static_cast<std::size_t>(I)] = static_cast<char>(Value >> (24 - 8 * I));
}

class DiscImageCheckTest : public ::testing::Test {
protected:
    // The checks alone must stop what libcdio cannot take: with the child reading off, a crash inside
    // libcdio would end the test.
    DiscImageCheckTest() { TCdioDrive::SetImageProbe(false); }
    ~DiscImageCheckTest() override { TCdioDrive::SetImageProbe(true); }

    int OpenError(const fs::path& Path, TDriveToc* Toc = nullptr) {
        int Error = 0;
        auto Drive = TCdioDrive::Open(Path.string(), false, nullptr, Error);
        if (Drive && Toc) {
            EXPECT_EQ(Drive->ReadToc(*Toc), deOK);
        }
        return Drive ? deOK : Error;
    }

    TTempHome Home;
};

TEST_F(DiscImageCheckTest, CueSheetsOpenTheDataFileTheyName) {
    struct Case {
        const char* Sheet;
        const char* FileLine; // the name the FILE line gives
        const char* OnDisc;   // the data file's real name
        int Expected;
    };
    const Case Cases[] = {
        {"My Album", "Album Track.bin", "Album Track.bin", deOK},
        {"Café Noir – Live", "Süße Träume (disc 1).bin", "Süße Träume (disc 1).bin", deOK},
        {"Windows rip", "C:\\Rips\\Old Disc.bin", "Old Disc.bin", deOK},
        {"Shouting", "ALBUM.BIN", "album.bin", deOK},
        {"Lost", "gone.bin", "elsewhere.bin", deBadImage},
    };
    int Sectors = 300;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Sheet);
        const fs::path Folder = Home.Path() / C.Sheet;
        fs::create_directories(Folder);
        Sectors += 75; // each disc has its own length, so the table tells which data file was read
        const fs::path Cue = MakeDiscImage(Folder, C.Sheet, Sectors, {0, 150}, C.FileLine);
        if (std::string(C.FileLine) != C.OnDisc) fs::rename(Folder / C.FileLine, Folder / C.OnDisc);
        MakeDiscImage(Folder, "decoy", 900, {0}); // data named like no sheet here
        fs::rename(Folder / "decoy.bin", Folder / (std::string(C.Sheet) + ".bin"));
        TDriveToc Toc;
        ASSERT_EQ(OpenError(Cue, &Toc), C.Expected);
        if (C.Expected != deOK) continue;
        EXPECT_EQ(Toc.TrackCount(), 2);
        EXPECT_EQ(Toc.LeadOutFrame, 150 + Sectors);
    }
    // With no writable temporary folder a sheet named like its data file still opens.
    const char* Saved = std::getenv("TMPDIR");
    const std::string SavedTmp = Saved ? Saved : "";
    ::setenv("TMPDIR", (Home.Path() / "no-such-folder").c_str(), 1);
    const int Twin = OpenError(MakeDiscImage(Home.Path(), "twin", 300, {0}));
    const int Named = OpenError(Home.Path() / "My Album" / "My Album.cue");
    Saved ? ::setenv("TMPDIR", SavedTmp.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(Twin, deOK);
    EXPECT_EQ(Named, deBadImage);

    // A disc whose first track is not track 1 keeps its numbers.
    const fs::path Late = MakeDiscImage(Home.Path(), "late", 300, {0, 150});
    std::string Text = ReadBytes(Late);
    Text.replace(Text.find("TRACK 01"), 8, "TRACK 90").replace(Text.find("TRACK 02"), 8, "TRACK 91");
    WriteBytes(Late, Text);
    TDriveToc Toc;
    ASSERT_EQ(OpenError(Late, &Toc), deOK);
    ASSERT_EQ(Toc.TrackCount(), 2);
    EXPECT_EQ(Toc.Tracks[0].Number, 90);
    EXPECT_EQ(Toc.Tracks[1].StartFrame, 300);

    // A sheet whose tracks lie in two data files, and one in a byte order libcdio does not read.
    const fs::path Folder = Home.Path() / "other";
    fs::create_directories(Folder);
    const fs::path Cue = MakeDiscImage(Folder, "two", 300, {0, 150});
    MakeDiscImage(Folder, "second", 300, {0});
    std::string Sheet = ReadBytes(Cue);
    WriteBytes(Cue, Sheet.insert(Sheet.find("  TRACK 02"), "FILE \"second.bin\" BINARY\n"));
    EXPECT_EQ(OpenError(Cue), deBadImage);
    Sheet = ReadBytes(Folder / "second.cue");
    WriteBytes(Folder / "second.cue", Sheet.replace(Sheet.find("BINARY"), 6, "MOTOROLA"));
    EXPECT_EQ(OpenError(Folder / "second.cue"), deBadImage);
}

TEST_F(DiscImageCheckTest, WaveDataFilesOfCdFormat) {
    const fs::path Cue = MakeDiscImage(Home.Path(), "wave", 300, {0, 150}, "Side A.wav");
    const std::string Pcm = ReadBytes(Home.Path() / "Side A.wav");
    auto Wave = [&](std::uint16_t Channels) {
        std::string Header = "RIFF....WAVEfmt ";
        auto Le = [&](std::uint32_t V, int Bytes) {
            for (int I = 0; I < Bytes; ++I)
                Header += static_cast<char>(V >> (8 * I));
        };
        Le(16, 4), Le(1, 2), Le(Channels, 2), Le(44100, 4), Le(44100 * 2 * Channels, 4), Le(2 * Channels, 2);
        Le(16, 2);
        Header += "data";
        Le(static_cast<std::uint32_t>(Pcm.size()), 4);
        Header.replace(4, 4, std::string(4, '\0'));
        const std::uint32_t Riff = static_cast<std::uint32_t>(Header.size() + Pcm.size() - 8);
        for (int I = 0; I < 4; ++I)
            Header[4 + static_cast<std::size_t>(I)] = static_cast<char>(Riff >> (8 * I));
        WriteBytes(Home.Path() / "Side A.wav", Header + Pcm);
    };
    std::string Sheet = ReadBytes(Cue);
    WriteBytes(Cue, Sheet.replace(Sheet.find("BINARY"), 6, "WAVE"));
    Wave(2);
    TDriveToc Toc;
    ASSERT_EQ(OpenError(Cue, &Toc), deOK);
    EXPECT_EQ(Toc.LeadOutFrame, 150 + 300);
    Wave(1); // mono would play as noise
    EXPECT_EQ(OpenError(Cue), deBadImage);
}

TEST_F(DiscImageCheckTest, OtherFilesAreNotDiscImages) {
    // Readable files of other kinds, under any name, are told apart from damaged images; a sheet that
    // does not open stays a damaged image.
    const std::string Text = ReadBytes("/etc/passwd");
    const std::string Wave = ReadBytes(TestDataDir() / "wav" / "cpython" / "pluck-pcm16.wav");
    for (const auto& [Name, Bytes] : {std::pair{"passwd", Text},
                                      {"notes.cue", Text},
                                      {"notes.toc", Text},
                                      {"pluck.wav", Wave},
                                      {"pluck.nrg", Wave},
                                      {"raw.bin", Wave}}) {
        WriteBytes(Home.Path() / Name, Bytes);
        EXPECT_EQ(OpenError(Home.Path() / Name), deNotDiscImage) << Name;
    }
    EXPECT_EQ(OpenError("/etc/passwd"), deNotDiscImage);
    EXPECT_EQ(OpenError(Home.Path()), deBadImage); // a folder
    WriteBytes(Home.Path() / "lost.cue", "FILE \"lost.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    EXPECT_EQ(OpenError(Home.Path() / "lost.cue"), deBadImage);
}

TEST_F(DiscImageCheckTest, DamagedImagesGiveAnError) {
    // Sheets with more tracks than a CD holds, or numbered out of order.
    const fs::path Cue = MakeDiscImage(Home.Path(), "tone", 600, {0, 300});
    const std::string Good = ReadBytes(Cue);
    std::string Sheets[4] = {"FILE \"tone.bin\" BINARY\n", "FILE \"tone.bin\" BINARY\n", Good, "CD_DA\n"};
    for (int T = 0; T < 150; ++T)
        Sheets[0] += "TRACK " + std::to_string(T % 99 + 1) +
                     " AUDIO\n INDEX 01 00:00:" + std::to_string(10 + T % 60) + "\n";
    for (int T = 0; T < 3; ++T)
        Sheets[1] += "TRACK 99 AUDIO\n INDEX 01 00:0" + std::to_string(T) + ":00\n";
    Sheets[2].replace(Sheets[2].find("TRACK 02"), 8, "TRACK 00");
    for (int T = 0; T < 500; ++T)
        Sheets[3] += "TRACK AUDIO\nFILE \"tone.bin\" 00:00:" + std::to_string(T % 75) + " 00:00:01\n";
    for (int I = 0; I < 4; ++I) {
        const fs::path Sheet = Home.Path() / (I < 3 ? "bad.cue" : "bad.toc");
        WriteBytes(Sheet, Sheets[I]);
        EXPECT_EQ(OpenError(Sheet), deBadToc) << I;
    }
    // TOC sheets that libcdio's reader would divide by zero on or write before its track table with.
    for (const char* Toc : {"CD_ROM\nTRACK MODE2\nFILE \"tone.bin\" 00:00:00\n",
                            "CD_DA\nISRC \"DEGNU1100001\"\nTRACK AUDIO\nFILE \"tone.bin\" 0\n"}) {
        WriteBytes(Home.Path() / "bad.toc", Toc);
        EXPECT_EQ(OpenError(Home.Path() / "bad.toc"), deBadImage) << Toc;
    }
    WriteBytes(Home.Path() / "bad.cue", Good + std::string(5000, 'x') + "\n");
    EXPECT_EQ(OpenError(Home.Path() / "bad.cue"), deBadImage);
    WriteBytes(Home.Path() / "bad.cue", std::string("FILE \"tone.bin\" BINARY\n\0TRACK 01 AUDIO\n", 40));
    EXPECT_NE(OpenError(Home.Path() / "bad.cue"), deOK);

    // Nero images: the footer offset, the chunk sizes and the track list are all checked.
    const std::string Nrg = ReadBytes(TestDataDir() / "cd-images" / "p1" / "p1.nrg");
    const std::size_t Footer = 1063104, Cuex = Footer, Daox = Footer + 56;
    const fs::path Image = Home.Path() / "damaged.nrg";
    WriteBytes(Image, Nrg);
    ASSERT_EQ(OpenError(Image), deOK);
    const std::vector<std::pair<std::size_t, std::uint32_t>> Damage = {
        {Nrg.size() - 4, 0},           // footer at offset 0
        {Nrg.size() - 4, 0xffffff},    // footer beyond the file
        {Cuex + 4, 47},                // CUEX size not a whole number of entries
        {Cuex + 4, 4800},              // CUEX size beyond the footer
        {Cuex + 4, 8},                 // CUEX without tracks
        {Cuex + 12, 0},                // CUEX not starting at the lead-in
        {Cuex + 52, 0x12c},            // a track that ends where it starts
        {Daox + 4, 30},                // DAOX too short for its tracks
        {Nrg.size() - 12, 0x4e455236}, // no footer signature
    };
    for (const auto& [At, Value] : Damage) {
        std::string Bytes = Nrg;
        PutBe32(Bytes, At, Value);
        WriteBytes(Image, Bytes);
        EXPECT_NE(OpenError(Image), deOK) << At << " " << Value;
    }
    // Bits flipped at random in the footer: any result but a crash, and a table that is usable if it opens.
    std::mt19937 Random(13);
    for (int Round = 0; Round < 300; ++Round) {
        std::string Bytes = Nrg;
        for (int Flip = 1 + Round % 8; Flip > 0; --Flip)
            Bytes[Footer + Random() % (Nrg.size() - Footer)] ^= static_cast<char>(1 << Random() % 8);
        WriteBytes(Image, Bytes);
        TDriveToc Toc;
        if (OpenError(Image, &Toc) == deOK) {
            EXPECT_EQ(ValidateToc(Toc), deOK) << Round;
        }
    }
}

TEST_F(DiscImageCheckTest, DamagedCdTextIsLeftOut) {
    for (const char* Name : {"cdtext.cue", "cdtext.bin", "cdtext.cdt"})
        CopyFixture(std::string("cd-images/cdtext-3track/") + Name, Home.Path());
    // A title running on for 3,000 bytes without its end, which libcdio would gather into 256.
    std::string Packs;
    auto Pack = [&](int Type, int Track, std::string Text) {
        Packs += {char(Type), char(Track), char(Packs.size() / 18), 0};
        Packs += Text + std::string(2, '\0');
    };
    for (int I = 0; I < 250; ++I)
        Pack(0x80, 0, std::string(12, 'A'));
    Pack(0x8f, 0, std::string("\0\x01\x03", 3) + std::string(9, '\0'));
    Pack(0x8f, 1, std::string(7, '\0') + "\x03" + std::string(4, '\0'));
    Pack(0x8f, 2, std::string(12, '\0'));
    WriteBytes(Home.Path() / "cdtext.cdt", Packs);
    int Error = 0;
    auto Drive = TCdioDrive::Open((Home.Path() / "cdtext.cue").string(), false, nullptr, Error);
    ASSERT_TRUE(Drive) << Error;
    EXPECT_TRUE(Drive->ReadCdText().DiscTitle.empty());
}

TEST(ChildProcess, ResultCrashAndHang) {
    EXPECT_EQ(RunInChildProcess([] { return 7; }, 5000), 7);
    EXPECT_EQ(RunInChildProcess([]() -> int { std::abort(); }, 5000), -1);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunInChildProcess(
                  []() -> int {
                      while (true)
                          ::pause();
                  },
                  300),
              -1);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(5));
}

} // namespace
