// The reference lists of known composers, artists, record labels and music types: one name per line in
// "composer.fle", "artist.fle", "label.fle" and "type.fle" in the data folder.
#pragma once

#include <string>
#include <vector>

struct TReferenceListInfo {
    char Letter;          // C, A, L or T
    const char* FileName; // in the data folder
    const char* Caption;  // the list window's caption
    const char* Label;
    const char* Prompt;
    int MaxLength;    // an entry edited in the list window
    int AddMaxLength; // an entry added in the list window
};

// The list of a letter (C, A, L, T); nullptr for any other letter.
const TReferenceListInfo* ReferenceListInfo(char Letter);
// Data folder + the list's file name.
std::string ReferenceListPath(const TReferenceListInfo& Info);

struct TReferenceListRead {
    bool Ok = true;                 // false: the file could neither be read nor created
    std::vector<std::string> Names; // in file order
};

// Reads a list file: one entry per line (CR LF or LF), each cut to its first 255 characters, an empty line
// an empty entry. Lines that are not UTF-8 are read as Windows-1252. A missing file is created empty.
TReferenceListRead ReadReferenceList(const std::string& FileName);

// Writes the whole list, one entry per line ended by CR LF, replacing the file's contents. The new
// contents are written beside the file and renamed over it, so a failure leaves the old list as it was.
bool WriteReferenceList(const std::string& FileName, const std::vector<std::string>& Names);

// Case-insensitive order of the list window's sorted list.
bool ReferenceNameLess(const std::string& A, const std::string& B);
// Inserts Name at its sorted place (after entries that compare equal); duplicates are kept.
void InsertReferenceName(std::vector<std::string>& Names, const std::string& Name);
// Whether the list holds Name, compared without regard to case.
bool ContainsReferenceName(const std::vector<std::string>& Names, const std::string& Name);
