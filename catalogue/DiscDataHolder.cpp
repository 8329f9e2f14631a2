#include "catalogue/DiscDataHolder.h"

void ConfigureDiscStore(TVlf& Store) {
    Store.BufferSize = 4096;
    Store.FileOpenMode = OpenReadWrite;
    Store.FileShareMode = ShareCompat;
    Store.Recycle = true;
    // The catalogue's items are grids, texts, bitmaps and waves: a block whose data disagrees with its
    // length is damaged and never written over.
    Store.CheckContent = true;
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
    Grid.SetCells(0, 0, Code);
}

TDiscDataHolder::TDiscDataHolder() {
    ConfigureDiscStore(Vlf);
    ConfigureDiscStore(Vlf2);
}
