// The disc catalogue opened for reading only, as the command-line tool and the catalogue's orders read
// it: no question is asked, nothing is created or repaired. Needs no Qt.
#pragma once

#include <string>

struct TRecordFile;

// True when another program holds the catalogue's lock.
bool CatalogueInUse(const std::string& DataDir);
// True when another program holds the lock of the file Name.
bool FileInUse(const std::string& Name);
extern const char* const msgCatalogueInUse;

// With a swap marker beside the catalogue whose files cannot finish the swap: what they are, as a warning
// to give beside what is read from the catalogue's own files; empty otherwise.
std::string UnfinishedSwapNotice(const std::string& DataDir);

// An open, read-only catalogue. Files of a swap that cannot be finished are passed over.
class TReadOnlyCatalogue {
public:
    ~TReadOnlyCatalogue();
    // False, with Error telling why, when the catalogue cannot be opened for reading.
    bool Open(const std::string& DataDir, std::string& Error);
    TRecordFile* File = nullptr;
};
