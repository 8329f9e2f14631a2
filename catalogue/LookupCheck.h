// What a disc database's answer may bring into the catalogue: the limits of an answer (its size, the
// matches kept, the redirects followed) and the check of each match, whose texts are cleaned of control
// characters and whose numbers must be those of a disc.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/LookupMatch.h"

namespace LookupLimits {
constexpr long long AnswerBytes = 4LL << 20; // a metadata answer (MusicBrainz JSON, a CDDB text)
constexpr long long CoverBytes = 16LL << 20; // a cover picture
constexpr std::size_t Matches = 100;         // matches kept of one answer
constexpr int Redirects = 3;                 // followed for one request
constexpr int FirstYear = 1877;              // before it there were no recordings
} // namespace LookupLimits

// Cleans the texts of Match and drops what no disc can hold (a year outside the years of recordings).
// False, with Why set, when the match cannot be a disc's data: no name, no artist and no track titles,
// or a track count below 1 or above 99.
bool CheckLookupMatch(TLookupMatch& Match, std::string& Why);

// Checks every match as CheckLookupMatch does and keeps the usable ones, at most LookupLimits::Matches.
// Refused counts the matches that could not be a disc's data, LeftOut those past the limit.
void CheckLookupMatches(std::vector<TLookupMatch>& Matches, std::size_t& Refused, std::size_t& LeftOut);
