// Type-ahead completion of the disc data editor's name fields from a sorted reference list.
#pragma once

#include <QString>
#include <QStringList>

struct TCompletion {
    QString Text;     // what the field shows now
    int SelStart = 0; // the proposed tail, selected so that the next typed character replaces it
    int SelLength = 0;
};

// Walks the sorted Entries from the first and proposes the first entry whose first characters equal
// Typed without regard to case; the walk stops at an entry that sorts after Typed. The proposal takes
// the entry's capitalisation and is cut to MaxBytes of UTF-8. Without a match Typed stays as it is.
TCompletion CompleteFromList(const QStringList& Entries, const QString& Typed, int MaxBytes);
