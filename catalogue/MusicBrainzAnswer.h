// MusicBrainz's answers (web service version 2, JSON) read into matches.
#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "catalogue/LookupMatch.h"

// The releases of a disc id lookup ({"id": ..., "releases": [...]}) or of a lookup by table of contents
// ({"release-count": n, "releases": [...]}). Of each release the medium that carries the disc id is
// taken, else the first with Toc's number of tracks, else the first. False, with Error set to one line,
// when the answer is not JSON of either shape.
bool ParseMusicBrainzAnswer(const QByteArray& Json, const TLookupToc& Toc, std::vector<TLookupMatch>& Matches,
                            std::string& Error);

// The composers of the release's works, from the release looked up with its recordings' work
// relationships and the works' artist relationships: of the medium Toc's disc is on, every artist
// related to a performed work as its composer, each once, joined by "; " in the order of the tracks.
// Empty when none is named. False, with Error set to one line, when the answer is no release.
bool ParseMusicBrainzComposers(const QByteArray& Json, const TLookupToc& Toc, std::string& Composer,
                               std::string& Error);
