// gnudb's answers to the CDDB commands sent over HTTP: the status line, the matches of a query and the
// xmcd entry of a read. Protocol level 6 answers in UTF-8; an answer that is not valid UTF-8 (a lower
// level, or an old entry) is read as ISO-8859-1.
#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "catalogue/LookupMatch.h"

// One entry a query names: its category, disc id and "Artist / Title".
struct TCddbEntry {
    std::string Category, DiscId, Title;
};

// The entries of a "cddb query" answer: code 200 (one exact match), 210 (exact matches) or 211 (inexact
// matches) with their list, 202 (no match: none). False, with Error set to one line, for any other code
// (403 a damaged entry, 409 no handshake, 5xx) or a list without its terminating ".".
bool ParseCddbQuery(const QByteArray& Answer, std::vector<TCddbEntry>& Entries, std::string& Error);

// The match of a "cddb read" answer (code 210 and the xmcd entry up to "."): DTITLE gives artist and
// name ("Artist / Title"; without " / " both), DYEAR the year, TTITLEn the titles. Lines of one keyword
// are joined, and the escapes \n, \t and \\ are read. False, with Error set, for another code or a
// truncated entry.
bool ParseCddbRead(const QByteArray& Answer, TLookupMatch& Match, std::string& Error);

// The answer's text: UTF-8 when valid, else single-byte text read as the catalogue reads its own, in
// Windows-1252 (ISO-8859-1 but for 0x80 to 0x9F, which that leaves to control characters).
std::string CddbText(const QByteArray& Bytes);
