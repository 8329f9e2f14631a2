// The disc catalogue opened for reading only, as the command-line tool and the catalogue's orders read
// it: no question is asked, nothing is created or repaired. Needs no Qt.
#pragma once

#include <string>

struct TRecordFile;

// True when another program holds the catalogue's lock.
bool CatalogueInUse(const std::string& DataDir);
extern const char* const msgCatalogueInUse;

// An open, read-only catalogue.
class TReadOnlyCatalogue {
public:
    ~TReadOnlyCatalogue();
    // False, with Error telling why, when the catalogue cannot be opened for reading.
    bool Open(const std::string& DataDir, std::string& Error);
    TRecordFile* File = nullptr;
};
