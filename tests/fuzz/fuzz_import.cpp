// The import reader on any text: the fuzzer's input, after a first byte choosing the layout (version 4,
// version 3, Windows disc file) and whether held discs are merged, is imported into a copy of a small
// catalogue whose discs the input may name. The catalogue must pass its check afterwards.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzCatalogue.h"
#include "FuzzFiles.h"
#include "app/base/Settings.h"
#include "catalogue/CatalogueImport.h"
#include "catalogue/DiscCatalogue.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Root() {
    static const fs::path Path = ScratchPath("import");
    return Path;
}

// The template catalogue: three discs, the second with track names and notes, the third deleted again.
const fs::path& Template() {
    static const fs::path Folder = [] {
        const fs::path Dir = Root() / "template";
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        TPlayerSettings Settings;
        TDiscCatalogue Cat(Dir.string() + "/", Settings);
        for (int I = 1; I <= 3; ++I) {
            const std::string Code = "000000000000000" + std::to_string(I);
            TDiscRecord Rec = NewDiscRecord(Code, 30000, 30000);
            Rec.DiscName = "Disc " + std::to_string(I);
            Rec.TrackCount = 2;
            TStringGridData Grid;
            ResetDiscGrid(Grid, Code);
            if (I == 2) Grid.SetCells(0, 1, "First");
            std::int32_t RecNo = 0;
            TDiscKeys Keys;
            Cat.SaveDisc(Rec, Grid, I == 2 ? Code + "\r\nnotes" : Code, RecNo, Keys);
            if (I == 3) Cat.DeleteDisc(RecNo);
        }
        return Dir;
    }();
    return Folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    StartCatalogueFuzzing(); // answers Yes throughout
    if (Size == 0) return 0;
    const fs::path Dir = Root() / "work";
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    for (const char* Name : {"disc.DAT", "disc.IX", "disc.VLF"})
        fs::copy_file(Template() / Name, Dir / Name);
    const fs::path Input = Root() / "input.txt";
    WriteFile(Input, std::string(reinterpret_cast<const char*>(Bytes + 1), Size - 1));
    const TImportFormat Format = Bytes[0] % 3 == 0 ? ifVersion4 : Bytes[0] % 3 == 1 ? ifVersion3 : ifWindows;
    {
        TPlayerSettings Settings;
        TDiscCatalogue Cat(Dir.string() + "/", Settings);
        const TImportResult Result = ImportCatalogue(Cat, Input.string(), Format, (Bytes[0] & 0x80) != 0);
        ImportSummary(Result, Input.string());
    }
    AbortUnlessSound(Dir.string() + "/", "");
    return 0;
}
