#include "catalogue/DiscDataHolder.h"

void ConfigureDiscStore(TVlf& Store) {
    Store.BufferSize = 4096;
    Store.FileOpenMode = OpenReadWrite;
    Store.FileShareMode = ShareCompat;
    Store.Recycle = true;
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
