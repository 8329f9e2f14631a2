#include "catalogue/DiscDataHolder.h"

#include "app/base/TextEncoding.h"
#include "catalogue/store/VlfFormat.h"

void ConfigureDiscStore(TVlf& Store) {
    Store.BufferSize = 4096;
    Store.FileOpenMode = OpenReadWrite;
    Store.FileShareMode = ShareCompat;
    Store.Recycle = true;
    // The catalogue's items are grids, texts, bitmaps and waves: a block whose data disagrees with its
    // length is damaged and never written over.
    Store.CheckContent = true;
    // A damaged store is left for the repair: a write could land on a block the damage hides.
    Store.RefuseDamaged = true;
}

bool TrackGridFits(const TStringGridData& Grid, const std::string& Code) {
    if (Grid.ColCount() < 1 || Grid.RowCount() < 1) return true;
    const std::string& stored = Grid.Cells(0, 0);
    const bool looksLikeCode =
        stored.size() == 16 && stored.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    return !looksLikeCode || stored == Code;
}

void ResetDiscGrid(TStringGridData& Grid, const std::string& Code) {
    Grid.Resize(DiscGridCols, DiscGridRows);
    Grid.ClearCells();
    Grid.StoredForms.Cells.clear();
    Grid.SetCells(0, 0, Code);
}

void DecodeGridTexts(TStringGridData& Grid) {
    Grid.StoredForms.Cells.clear();
    for (int c = 0; c < Grid.ColCount(); ++c)
        for (int r = 0; r < Grid.RowCount(); ++r) {
            const std::string& cell = Grid.Cells(c, r);
            if (IsValidUtf8(cell)) continue;
            Grid.StoredForms.Cells[{c, r}] = cell;
            Grid.SetCells(c, r, Windows1252ToUtf8(cell));
        }
}

TStringGridData GridAsStored(const TStringGridData& Grid) {
    TStringGridData stored = Grid;
    // Row 0, column 0 is the disc code, a key; every other cell is a text of the disc.
    for (int row = 0; row < Grid.RowCount(); ++row)
        for (int col = row == 0 ? 1 : 0; col < Grid.ColCount(); ++col)
            if (HasControlCharacters(Grid.Cells(col, row)))
                stored.SetCells(col, row,
                                CutToBytes(CleanText(Grid.Cells(col, row)), VlfFormat::GridCellMax));
    for (const auto& [place, bytes] : Grid.StoredForms.Cells)
        if (Grid.Cells(place.first, place.second) == Windows1252ToUtf8(bytes) && !HasControlCharacters(bytes))
            stored.SetCells(place.first, place.second, bytes);
    return stored;
}

TDiscDataHolder::TDiscDataHolder() {
    ConfigureDiscStore(Vlf);
    ConfigureDiscStore(Vlf2);
}
