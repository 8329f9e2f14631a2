// Files under the names of a rebuild's swap that no rebuild finished, and zero bytes a killed append left
// at the end of the store: neither may cost a disc, and what is said about them must be true.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

#include "DiscTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int DiscCount = 50;

bool Contains(const std::string& Text, const std::string& Part) {
    return Text.find(Part) != std::string::npos;
}

// The 50 discs' catalogue files, made once and copied into each case's folder. Made before the case's own
// folder: a folder's end stops the record engine.
const std::map<std::string, std::string>& SoundFiles() {
    static const std::map<std::string, std::string> files = [] {
        TCatalogueFolder f;
        FillDiscs(f, DiscCount);
        std::map<std::string, std::string> bytes;
        for (const char* name : {"disc.DAT", "disc.IX", "disc.VLF"})
            bytes[name] = ReadFileBytes(f.Home.File(name));
        return bytes;
    }();
    return files;
}

void PutSoundFiles(const TTempHome& Home) {
    for (const auto& [name, bytes] : SoundFiles())
        WriteFileBytes(Home.File(name), bytes);
}

// Whether the bytes independently walk as blocks from offset 1024 to the very end of the file.
bool WalksToTheEnd(const std::string& Bytes) {
    std::size_t pos = 1024;
    while (pos + 8 <= Bytes.size()) {
        const auto byte = [&](std::size_t At) { return static_cast<unsigned char>(Bytes[pos + At]); };
        const bool marked = (byte(0) == '#' || byte(0) == '*') && byte(1) == '#';
        const std::uint32_t length =
            byte(4) | byte(5) << 8 | byte(6) << 16 | static_cast<std::uint32_t>(byte(7)) << 24;
        if (!marked || length > 0x7fffffff) return false;
        pos += 8 + length;
    }
    return pos == Bytes.size();
}

} // namespace

// Junk beside a sound catalogue, or a swap whose aside files are sound but whose new files are not: the
// player's start, a rebuild and a repair each keep every disc, set the files aside under a name they give,
// and never say that nothing changed.
TEST(DiscSwap, FilesThatCannotFinishASwapAreSetAsideAndEveryDiscStays) {
    const auto move = [](const TTempHome& Home, const char* From, const char* To) {
        fs::rename(Home.File(From), Home.File(To));
    };
    // How the junk lies (written as disc2.*), and what the message says was moved.
    struct TSetup {
        const char* Name;
        std::function<void(const TTempHome&)> Arrange;
        const char* Moved;
    };
    const TSetup setups[] = {
        {"junk beside the catalogue", [](const TTempHome&) {},
         "disc2.DAT, disc2.IX and disc2.VLF were moved to disc-unfinished.DAT, disc-unfinished.IX and "
         "disc-unfinished.VLF"},
        {"a swap that had moved disc.DAT and disc.IX aside before its new files were damaged",
         [&](const TTempHome& Home) {
             WriteFileBytes(Home.File("disc2.SWP"), "disc-old");
             move(Home, "disc.DAT", "disc-old.DAT");
             move(Home, "disc.IX", "disc-old.IX");
         },
         "disc.DAT and disc.IX were put back from disc-old.DAT and disc-old.IX"},
        {"a swap that had put its damaged disc.DAT in place",
         [&](const TTempHome& Home) {
             WriteFileBytes(Home.File("disc2.SWP"), "disc-old");
             for (const char* ext : {".DAT", ".IX", ".VLF"})
                 move(Home, (std::string("disc") + ext).c_str(), (std::string("disc-old") + ext).c_str());
             move(Home, "disc2.DAT", "disc.DAT");
         },
         "disc.DAT, disc2.IX and disc2.VLF were moved to disc-unfinished.DAT"},
    };
    struct TOperation {
        const char* Name;
        std::function<bool(TDiscCatalogue&)> Run;
    };
    const TOperation operations[] = {
        {"the player's start",
         [](TDiscCatalogue& Cat) { return Cat.OpenDiscFiles() && Cat.CloseDiscFiles(); }},
        {"a rebuild", [](TDiscCatalogue& Cat) { return Cat.PackCatalogue(); }},
        {"a repair", [](TDiscCatalogue& Cat) { return Cat.RepairDatabase(); }},
    };
    SoundFiles();
    for (const TSetup& setup : setups)
        for (const TOperation& operation : operations) {
            SCOPED_TRACE(std::string(operation.Name) + " with " + setup.Name);
            TCatalogueFolder f;
            PutSoundFiles(f.Home);
            WriteJunkSwapFiles(f.Home);
            const std::string junkDat = ReadFileBytes(f.Home.File("disc2.DAT"));
            setup.Arrange(f.Home);
            f.Answers.Answers = {idYes};
            EXPECT_TRUE(operation.Run(f.Cat()));

            ASSERT_FALSE(f.Answers.Errors.empty());
            const std::string& told = f.Answers.Errors.front();
            EXPECT_TRUE(Contains(told, "do not make a sound catalogue")) << told;
            EXPECT_TRUE(Contains(told, setup.Moved)) << told;
            for (const std::string& message : f.Answers.Errors) {
                EXPECT_FALSE(Contains(message, "have not been changed")) << message;
                EXPECT_FALSE(Contains(message, " 0 disc records")) << message;
            }
            EXPECT_TRUE(ReadFileBytes(f.Home.File("disc-unfinished.DAT")) == junkDat);
            for (const char* gone :
                 {"disc2.SWP", "disc2.DAT", "disc2.VLF", "disc-old.DAT", "disc-old.IX", "disc-old.VLF"})
                EXPECT_FALSE(fs::exists(f.Home.File(gone))) << gone;
            if (std::string(operation.Name) == "the player's start") {
                for (const auto& [name, bytes] : SoundFiles())
                    EXPECT_TRUE(ReadFileBytes(f.Home.File(name)) == bytes) << name;
            } else {
                EXPECT_EQ(f.Cat().LastPack.Records, DiscCount);
            }
            f.Reopen();
            ExpectFilledDiscs(f, DiscCount);
        }
}

// A program killed after an append had taken its space leaves zero bytes after the last block: the check
// names them, and the next open for writing cuts them off, so that the file walks as blocks to its end.
TEST(DiscSwap, ZerosAKilledAppendLeftAreReportedAndCutOff) {
    SoundFiles();
    TCatalogueFolder f;
    PutSoundFiles(f.Home);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TRecordingAnswerer quiet;
        // The first call takes the new block's space; the program dies before the block's first write.
        f.Cat().fvlf.Vlf.WriteFault = [calls = 0](std::int64_t, std::int64_t) mutable {
            if (++calls == 2) ::_exit(0);
            return true;
        };
        f.Save(MakeDisc(CodeOf(DiscCount + 1), "Never stored"), 3, "notes");
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string killed = ReadFileBytes(f.Home.File("disc.VLF"));
    ASSERT_GT(killed.size(), SoundFiles().at("disc.VLF").size());
    EXPECT_FALSE(WalksToTheEnd(killed));

    TCatalogueCheck check = f.Check();
    EXPECT_FALSE(check.Ok);
    EXPECT_TRUE(Contains(Problems(check), "disc.VLF: zero bytes follow the last block")) << Problems(check);

    f.Reopen();
    ExpectFilledDiscs(f, DiscCount);
    EXPECT_TRUE(ReadFileBytes(f.Home.File("disc.VLF")) == SoundFiles().at("disc.VLF"));
    EXPECT_TRUE(WalksToTheEnd(ReadFileBytes(f.Home.File("disc.VLF"))));
}
