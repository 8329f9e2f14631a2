// The catalogue's non-visual data: the two stores (disc.VLF and the rebuild's disc2.VLF) and the track
// grids, notes and key values of the disc in the drive and of a disc loaded by the catalogue windows.
#pragma once

#include <string>

#include "catalogue/DiscRecord.h"
#include "catalogue/StringGridData.h"
#include "catalogue/store/Vlf.h"

// Rows and columns of a disc's track grid: row 0 holds the disc code, rows 1 to 99 the tracks.
constexpr int DiscGridRows = 100;
constexpr int DiscGridCols = 3;

class TDiscDataHolder {
public:
    TDiscDataHolder();
    TDiscDataHolder(const TDiscDataHolder&) = delete;
    TDiscDataHolder& operator=(const TDiscDataHolder&) = delete;

    TVlf Vlf;  // disc.VLF
    TVlf Vlf2; // disc2.VLF, during a rebuild only

    // Track details and notes of the loaded record (the disc in the drive).
    TStringGridData Tracks{DiscGridCols, DiscGridRows};
    std::string Memo;
    // Track details and notes of a catalogue entry loaded by the catalogue windows or the import.
    TStringGridData catTracks{DiscGridCols, DiscGridRows};
    std::string catMemo;

    // Keys 2 to 6 as they stood when the record was loaded or last saved.
    TDiscKeys LoadedKeys;
    TDiscKeys CatalogueKeys;
};

// Settings every store of the catalogue opens with.
void ConfigureDiscStore(TVlf& Store);
// Whether a stored track grid may belong to the disc with Code: row 0, column 0 holds that code, or no code
// at all. A grid naming another code belongs to another disc: a damaged reference led to it.
bool TrackGridFits(const TStringGridData& Grid, const std::string& Code);
// An empty track grid for Code: 100 rows, 3 columns, the code in row 0, column 0.
void ResetDiscGrid(TStringGridData& Grid, const std::string& Code);

// Cells of Grid that are not UTF-8 are single-byte (Windows-1252) text, as the record's texts: they are
// decoded, and their stored bytes kept in Grid.StoredForms.
void DecodeGridTexts(TStringGridData& Grid);
// Grid as it is to be stored: a cell still holding the decoded text of its stored bytes gets those bytes
// back; the others lose their control characters (CleanText), as the record's texts do.
TStringGridData GridAsStored(const TStringGridData& Grid);
