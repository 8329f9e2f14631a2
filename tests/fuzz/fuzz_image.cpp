// Opens fuzzed disc images through the drive, as the player does, with the first reading in a child
// process turned off so that anything the image checks let through reaches libcdio here.
// The first byte chooses the kind: 0 a Nero image, 1 a cue sheet, 2 a cdrdao TOC sheet, 3 the CD-TEXT
// file of a fixed cue sheet; the rest is the file. Sheets can name "data.bin", a small data file beside
// them.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzFiles.h"
#include "devices/CdioDrive.h"

namespace fs = std::filesystem;

namespace {

fs::path Folder() {
    static const fs::path Path = [] {
        const fs::path P = ScratchPath("image");
        fs::create_directories(P);
        std::string Data(20 * 2352, '\0');
        for (std::size_t I = 0; I < Data.size(); ++I)
            Data[I] = static_cast<char>(I * 7);
        WriteFile(P / "data.bin", Data);
        WriteFile(P / "text.cue", "CDTEXTFILE \"text.cdt\"\nFILE \"data.bin\" BINARY\n"
                                  "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        TCdioDrive::SetImageProbe(false);
        return P;
    }();
    return Path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    if (Size < 1) return 0;
    static const char* const Names[] = {"image.nrg", "sheet.cue", "sheet.toc", "text.cdt"};
    const int Kind = Bytes[0] % 4;
    const fs::path Path = Folder() / Names[Kind];
    WriteFile(Path, std::string(reinterpret_cast<const char*>(Bytes + 1), Size - 1));
    int Error = 0;
    auto Drive =
        TCdioDrive::Open(Kind == 3 ? (Folder() / "text.cue").string() : Path.string(), false, nullptr, Error);
    if (Drive) {
        TDriveToc Toc;
        Drive->ReadToc(Toc);
        Drive->ReadCdText();
    }
    return 0;
}
