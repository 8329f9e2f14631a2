#include "catalogue/GridImage.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "catalogue/store/Vlf.h"
#include "catalogue/store/VlfFormat.h"

using namespace VlfFormat;

namespace {

std::int16_t Clamp16(int Value) {
    return static_cast<std::int16_t>(std::clamp(Value, -32768, 32767));
}

} // namespace

std::int32_t SaveGrid(TVlf& Store, std::int32_t OldPos, const TStringGridData& Grid) {
    const int Cols = Grid.ColCount();
    const int Rows = Grid.RowCount();
    std::int64_t Length = GridExtension + 2LL * Cols;
    for (int C = 0; C < Cols; ++C)
        for (int R = 0; R < Rows; ++R)
            Length += 1 + static_cast<std::int64_t>(CutPoint(Grid.Cells(C, R), GridCellMax));
    return Store.SaveGridImage(OldPos, Length, [&](std::uint8_t* P) {
        PutI32(P + GridColCount, Cols);
        PutI32(P + GridRowCount, Rows);
        PutI16(P + GridFixedCols, Clamp16(Grid.FixedCols));
        PutI16(P + GridFixedRows, Clamp16(Grid.FixedRows));
        PutI32(P + GridColor, Grid.Color);
        PutI32(P + GridFixedColor, Grid.FixedColor);
        PutI16(P + GridLineWidth, Clamp16(Grid.GridLineWidth));
        PutI32(P + GridFontColor, Grid.Font.Color);
        PutI16(P + GridFontHeight, Clamp16(Grid.Font.Height));
        std::size_t NameLength = CutPoint(Grid.Font.Name, GridFontNameMax);
        P[GridFontName] = static_cast<std::uint8_t>(NameLength);
        std::memcpy(P + GridFontName + 1, Grid.Font.Name.data(), NameLength);
        P[GridFontPitch] = static_cast<std::uint8_t>(Grid.Font.Pitch);
        PutI16(P + GridFontSize, Clamp16(Grid.Font.Size));
        // Each flag is set on its own, so a font with two styles keeps both.
        P[GridFontBold] = (Grid.Font.Style & fsBold) ? 1 : 0;
        P[GridFontItalic] = (Grid.Font.Style & fsItalic) ? 1 : 0;
        P[GridFontUnderline] = (Grid.Font.Style & fsUnderline) ? 1 : 0;
        P[GridFontStrikeOut] = (Grid.Font.Style & fsStrikeOut) ? 1 : 0;
        PutU16(P + GridExtensionLength, 0);
        std::size_t At = GridExtension;
        for (int C = 0; C < Cols; ++C, At += 2)
            PutI16(P + At, Clamp16(Grid.ColWidths(C)));
        for (int C = 0; C < Cols; ++C)
            for (int R = 0; R < Rows; ++R) {
                const std::string& Cell = Grid.Cells(C, R);
                std::size_t N = CutPoint(Cell, GridCellMax);
                P[At++] = static_cast<std::uint8_t>(N);
                std::memcpy(P + At, Cell.data(), N);
                At += N;
            }
        assert(static_cast<std::int64_t>(At) == std::max<std::int64_t>(Length, GridExtension));
    });
}

bool LoadGrid(TVlf& Store, std::int32_t Pos, TStringGridData& Grid) {
    TVlf::TGridImageHead Head;
    std::vector<std::string> Cells;
    const TVlf::TGridCellVisitor Collect = [&](int, int, std::string_view Cell) { Cells.emplace_back(Cell); };
    if (!Store.ReadGridImage(Pos, &Head, &Collect)) return false;

    const std::uint8_t* Fixed = Head.Fixed.data();
    const int Cols = Head.Cols;
    const int Rows = Head.Rows;
    Grid.Resize(Cols, Rows);
    Grid.FixedCols = GetI16(Fixed + GridFixedCols);
    Grid.FixedRows = GetI16(Fixed + GridFixedRows);
    Grid.Color = GetI32(Fixed + GridColor);
    Grid.FixedColor = GetI32(Fixed + GridFixedColor);
    Grid.GridLineWidth = GetI16(Fixed + GridLineWidth);
    Grid.Font.Color = GetI32(Fixed + GridFontColor);
    Grid.Font.Height = GetI16(Fixed + GridFontHeight);
    std::size_t NameLength = std::min<std::size_t>(Fixed[GridFontName], GridFontNameMax);
    Grid.Font.Name.assign(reinterpret_cast<const char*>(Fixed + GridFontName + 1), NameLength);
    Grid.Font.Pitch = static_cast<TFontPitch>(Fixed[GridFontPitch]);
    Grid.Font.Size = GetI16(Fixed + GridFontSize);
    Grid.Font.Style = (Fixed[GridFontBold] ? fsBold : 0) | (Fixed[GridFontItalic] ? fsItalic : 0) |
                      (Fixed[GridFontUnderline] ? fsUnderline : 0) |
                      (Fixed[GridFontStrikeOut] ? fsStrikeOut : 0);
    for (int C = 0; C < Cols; ++C)
        Grid.SetColWidths(C, GetI16(Head.Widths.data() + 2 * C));
    // Column by column; a short image fills the first cells only.
    for (std::size_t I = 0; I < Cells.size(); ++I)
        Grid.SetCells(static_cast<int>(I / Rows), static_cast<int>(I % Rows), Cells[I]);
    return true;
}
