// Import of discs into the catalogue from text: the program's own export in its version 4 layout, the
// older version 3 layout, or the Windows disc title file. Discs already held are merged or left alone;
// every imported disc waits for its disc (TocPending) to take the track times from the drive. The import
// window and orbelune-cat share it.
//
// Version 4: one value per line: "[" code "]", name, artist, composer, reference, music type, record
// label, user field 1, user field 2, year, playing time "mm.ss", track count, then four lines per track:
// time, name, user field 1, user field 2.
// Version 3: "[" code "]", name, composer, music type, the stored programme (one byte per track number),
// reference, then 30 lines of track names.
// Windows disc file: sections "[" id "]" with "key=value" lines; ARTIST, TITLE, NUMTRACKS and the track
// keys 0, 1, ... are read (keys compared without regard to case), all others ignored. An id of 1 to 16
// hexadecimal digits is the disc code without its leading zeros and is padded to 16 upper-case digits;
// a section of any other name is passed over.
//
// Each line is read as UTF-8, or as Windows-1252 when it is not valid UTF-8; lines end in LF or CR LF.
// Control characters are taken out of every text. A disc code is 16 hexadecimal digits: a disc of
// another code ends the import there.
#pragma once

#include <string>

#include "catalogue/CatalogueExport.h"
#include "catalogue/DiscRecord.h"

class TDiscCatalogue;

enum TImportFormat { ifVersion4, ifVersion3, ifWindows };

extern const char* const msgImportFileNotFound; // "File not found"
extern const char* const msgCannotOpenImport;   // "Cannot open requested file."

struct TImportResult {
    bool Opened = false; // false: the file could not be read at all (Error says why)
    int Added = 0;
    int Merged = 0;
    int Skipped = 0;        // held already, and not merged
    int TracksCut = 0;      // discs with more than 99 tracks, of which the first 99 were kept
    int BrokenSections = 0; // Windows sections without a disc code, passed over with their lines
    bool Stopped = false;   // a malformed disc ended the import; the discs before it stay imported
    int StopLine = 0;
    std::string Error; // the stop or open failure, as told to the user
    // A disc could not be stored (the catalogue told the user); the import ended there.
    bool StoreFailed = false;
    // The catalogue could not be held for the import (the catalogue told the user): nothing was read.
    bool Refused = false;
    // The catalogue files could not be written out and closed at the end (the catalogue told the user):
    // what the summary counts may not all be stored.
    bool CloseFailed = false;
};

struct TIniLine {
    std::string Key; // upper case; "DATA" for a track key
    std::string Value;
    int TrackIndex = 0; // track key k gives k + 1, any other key 0
};
// Splits "key=value" at the first "=". A line without "=" gives empty key and value.
TIniLine SplitIniLine(const std::string& Line);
// The disc code of a Windows section name: 1 to 16 hexadecimal digits padded to 16 upper-case digits,
// any other name as it stands.
std::string WindowsDiscCode(const std::string& SectionName);
// Whether Code is a disc code: 16 hexadecimal digits (upper or lower case).
bool IsDiscCode(const std::string& Code);

// Reads FileName into the catalogue. Discs held already are merged when Merge is set, else left as they
// are. Stops at the first malformed disc (Result.Error says where and why) and keeps what was imported
// before it. The disc in the drive is loaded again when the import changed its record.
TImportResult ImportCatalogue(TDiscCatalogue& Catalogue, const std::string& FileName, TImportFormat Format,
                              bool Merge, const TTransferProgress& Progress = {});

// "Imported from FILE: A discs added, M merged, S skipped because they were held already." with what
// else the import has to report.
std::string ImportSummary(const TImportResult& Result, const std::string& FileName);
