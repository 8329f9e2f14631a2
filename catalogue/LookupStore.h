// A chosen match stored into a disc without the editor's window: orbelune-cat lookup --pick and --fill,
// and a new disc stored at once when its lookup found one match. The record takes the match as the
// editor's fields would, the cover becomes the disc's picture, and with "Auto save new entries in
// reference files" the new composer, artist and label join their lists, as OK in the editor does.
#pragma once

#include <string>

#include "catalogue/DiscLookup.h"

class TDiscEdit;
struct TPlayerSettings;

// Takes Match and its Details (composer, cover) into Edit and finishes it with OK. False when the record
// could not be stored (the user told through the message sink). Note tells what happened to the cover
// (" with its cover", " (no cover: ...)") and the lists; empty when there was nothing to say.
bool StoreLookupMatch(TDiscEdit& Edit, const TLookupMatch& Match, const TLookupDetails& Details,
                      const TPlayerSettings& Settings, std::string& Note);

// Adds Composer, Artist and RecordLabel of Texts to their reference lists in DataDir where they are new;
// the titles of the lists that could not be written are given back.
std::vector<std::string> AddLookupReferences(const std::string& DataDir, const TDiscTexts& Texts);
