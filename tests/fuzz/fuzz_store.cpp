// The variable-length record store on a damaged disc.VLF: a store of texts and grids with some items
// deleted, damaged by the fuzzer's patches (FuzzPatches.h); then every block a walk reaches is read as
// text, grid and raw data, and items are written, rewritten and deleted.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "FuzzPatches.h"
#include "catalogue/GridImage.h"
#include "catalogue/store/Vlf.h"

namespace fs = std::filesystem;

namespace {

const fs::path& StorePath() {
    static const fs::path Path = ScratchPath("store").string() + ".VLF";
    return Path;
}

// Positions of the template's items, and the template's bytes.
std::vector<std::int32_t> Items;

const std::string& Template() {
    static const std::string Bytes = [] {
        fs::remove(StorePath());
        TVlf Store;
        Store.Recycle = true;
        Store.OpenStore(StorePath().string());
        for (int I = 0; I < 12; ++I) {
            Items.push_back(
                Store.SaveText(0, std::string(static_cast<std::size_t>(5 + I * 37), char('a' + I))));
            TStringGridData Grid(3, 2 + I);
            for (int R = 0; R < 2 + I; ++R)
                Grid.SetCells(1, R, "track " + std::to_string(R));
            Items.push_back(SaveGrid(Store, 0, Grid));
        }
        Store.DeleteItem(Items[3]);
        Store.DeleteItem(Items[4]);
        Store.DeleteItem(Items[10]);
        Store.CloseStore();
        return ReadFile(StorePath());
    }();
    return Bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    const std::string File = ApplyPatches(Template(), Bytes, Size);
    WriteFile(StorePath(), File);
    TVlf Store;
    Store.Recycle = true;
    if (!Store.OpenStore(StorePath().string())) return 0;
    for (std::int32_t Pos : Items) {
        Store.ItemLength(Pos);
        Store.ItemKind(Pos);
        std::string Data;
        Store.ReadItem(Pos, Data);
        TStringGridData Grid;
        LoadGrid(Store, Pos, Grid);
        std::string Text;
        Store.LoadText(Pos, Text);
    }
    // Writes over damaged items, into the free space and at the end, each read back.
    for (std::size_t I = 0; I < Items.size(); I += 5) {
        const std::int32_t Pos = Store.SaveText(Items[I], std::string(Size % 400 + I, 'x'));
        std::string Back;
        Store.LoadText(Pos, Back);
        TStringGridData Grid(2, 3);
        Grid.SetCells(0, 0, "cell");
        const std::int32_t At = SaveGrid(Store, Items[I + 1], Grid);
        LoadGrid(Store, At, Grid);
        Store.DeleteItem(Items[I + 2]);
    }
    Store.FindFree(40);
    Store.SaveText(0, "after");
    Store.CloseStore();
    return 0;
}
