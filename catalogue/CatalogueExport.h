// Export of the disc catalogue to delimited text: every disc in disc code order, with a choice of field
// separator, text quote, track columns and header record. The export window and orbelune-cat share it.
//
// Every field is its text followed by the separator, text fields enclosed in the quote; with the comma
// separator each record also ends in CR LF, with the line separator (CR LF itself) every field stands on
// its own line. The last field of a record is followed by the separator too. Inside quoted text the quote
// character is doubled, as delimited-text readers expect. Text is written as UTF-8, without control
// characters (the catalogue keeps none; one stored by an older version is written as a space or left out).
//
// Record fields: "[" code "]", name, artist, composer, reference, music type, record label, user field 1,
// user field 2 (quoted); year, playing time "mm.ss", track count (unquoted); then per track, as chosen:
// time (unquoted), name, user field 1, user field 2 (quoted).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogue/DiscRecord.h"
#include "catalogue/StringGridData.h"

class TDiscCatalogue;

// Work in percent (0 to 100), for the progress window's gauge.
using TTransferProgress = std::function<void(int Percent)>;

struct TExportLayout {
    std::string FieldSeparator = ","; // "," or CR LF
    std::string TextQuote = "\"";     // a double quote, a single quote or nothing
    bool FixedTracks = true;          // TrackFields groups per disc; otherwise each disc's own count
    int TrackFields = 99;
    bool Header = true;
    bool Times = true;
    bool Names = true;
    bool User1 = false;
    bool User2 = false;

    bool AnyTrackColumn() const { return Times || Names || User1 || User2; }
};

extern const char* const ExportLineBreak; // CR LF

// The layout the version 4 import reads: one value per line, unquoted, each disc's own tracks with all
// four track values, no header.
TExportLayout Version4Layout();
// Comma separated, double quoted, a header, each disc's own tracks with times and names.
TExportLayout CsvLayout();

// Append the header record or one disc's record to Out. Tracks is the disc's track grid (column 0 the
// name, 1 and 2 the user fields, row t track t).
void WriteExportHeader(std::string& Out, const TExportLayout& Layout);
void WriteExportRecord(std::string& Out, const TExportLayout& Layout, const TDiscRecord& Rec,
                       const TStringGridData& Tracks);

extern const char* const msgExportFileExists;   // "File exists - do you wish to overwrite it?"
extern const char* const msgCannotCreateExport; // "Cannot create file requested."

struct TExportResult {
    bool Ok = false;
    int Discs = 0;
    std::string Error; // empty when the catalogue already told the user (through ShowError)
    // Discs written without their track names because the store could not give them: code and name.
    std::vector<std::string> Unreadable;
};

// Writes every disc of the catalogue to FileName. The file is replaced only when it is complete, so a
// failed export leaves an existing file as it was. Asks nothing: the caller has confirmed an overwrite.
TExportResult ExportCatalogue(TDiscCatalogue& Catalogue, const std::string& FileName,
                              const TExportLayout& Layout, const TTransferProgress& Progress = {});
