// A string grid without a window: cells, sizes and look.
#include "catalogue/StringGridData.h"

#include <algorithm>

void TStringGridData::Resize(int Cols, int Rows) {
    Cols = std::max(Cols, 0);
    Rows = std::max(Rows, 0);
    FCells.resize(Cols);
    FColWidths.resize(Cols, DefaultColWidth);
    for (auto& Column : FCells)
        Column.resize(Rows);
    FRowCount = Rows;
}

void TStringGridData::SetColCount(int Cols) {
    Resize(Cols, FRowCount);
}

void TStringGridData::SetRowCount(int Rows) {
    Resize(ColCount(), Rows);
}

const std::string& TStringGridData::Cells(int Col, int Row) const {
    static const std::string Empty;
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= FRowCount) return Empty;
    return FCells[Col][Row];
}

void TStringGridData::SetCells(int Col, int Row, const std::string& Value) {
    if (Col < 0 || Col >= ColCount() || Row < 0 || Row >= FRowCount) return;
    FCells[Col][Row] = Value;
}

void TStringGridData::ClearCells() {
    for (auto& Column : FCells)
        for (auto& Cell : Column)
            Cell.clear();
}

int TStringGridData::ColWidths(int Col) const {
    if (Col < 0 || Col >= ColCount()) return DefaultColWidth;
    return FColWidths[Col];
}

void TStringGridData::SetColWidths(int Col, int Width) {
    if (Col < 0 || Col >= ColCount()) return;
    FColWidths[Col] = Width;
}
