// A string grid without a window: cells, sizes and look, as the store saves and loads them and as the
// catalogue windows show them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/base/Settings.h"

constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

enum TFontPitch : std::uint8_t { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

// Font style set, one bit per style.
using TFontStyles = std::uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

struct TGridFont {
    TColor Color = clWindowText;
    int Height = -11; // pixels; negative means character height without internal leading
    std::string Name = "Sans Serif";
    TFontPitch Pitch = fpDefault;
    int Size = 8; // points
    TFontStyles Style = 0;

    bool operator==(const TGridFont&) const = default;
};

class TStringGridData {
public:
    TStringGridData() { Resize(5, 5); }
    TStringGridData(int Cols, int Rows) { Resize(Cols, Rows); }

    int ColCount() const { return static_cast<int>(FCells.size()); }
    int RowCount() const { return FRowCount; }
    // Resizing keeps the cells and widths that remain inside the grid; new columns get DefaultColWidth.
    void SetColCount(int Cols);
    void SetRowCount(int Rows);
    void Resize(int Cols, int Rows);

    // Cells outside the grid read as empty; writes to them are ignored.
    const std::string& Cells(int Col, int Row) const;
    void SetCells(int Col, int Row, const std::string& Value);
    // Empties every cell, keeping sizes and look.
    void ClearCells();

    int ColWidths(int Col) const;
    void SetColWidths(int Col, int Width);

    int FixedCols = 1;
    int FixedRows = 1;
    TColor Color = clWindow;       // grid (cell background) colour
    TColor FixedColor = clBtnFace; // fixed-cell colour
    int GridLineWidth = 1;
    int DefaultColWidth = 64;
    int DefaultRowHeight = 24;
    TGridFont Font;

    // The stored bytes of cells that were read from single-byte text and now hold it decoded, by column
    // and row, so that a cell written back unedited keeps its bytes. Not part of the grid's value.
    struct TStoredForms {
        std::map<std::pair<int, int>, std::string> Cells;
        bool operator==(const TStoredForms&) const { return true; }
    };
    TStoredForms StoredForms;

    bool operator==(const TStringGridData&) const = default;

private:
    std::vector<std::vector<std::string>> FCells; // by column, then row
    std::vector<int> FColWidths;
    int FRowCount = 0;
};
