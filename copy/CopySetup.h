// What a copy of the disc in a drive starts from: its settings (from the program's settings, the read
// offset remembered per drive) and its tags (from the catalogue's record of the disc).
#pragma once

#include <string>

#include "app/base/Settings.h"
#include "copy/DiscCopy.h"
#include "devices/CdDrive.h"

struct TDiscListing;

// The copy settings for Drive; an empty folder setting gives the user's music folder.
TCopySettings CopySettingsFor(const TPlayerSettings& Settings, const std::string& Drive);
// The read offset remembered for Drive (0 when none).
int ReadOffsetFor(const TPlayerSettings& Settings, const std::string& Drive);
void RememberReadOffset(TPlayerSettings& Settings, const std::string& Drive, int Offset);

// The tags of a catalogue entry: disc fields, the track grid's names (its user columns only while their
// captions say "Artist" and "Composer"), the picture as PNG, the MusicBrainz disc id from Toc.
TCopyTags CopyTagsOf(const TDiscListing& Disc, const TPlayerSettings& Settings, const TDriveToc& Toc);

// The catalogue entry of the disc with Toc, read from the catalogue in DataDir (read only). Without an
// entry, the tags hold the disc's CD-TEXT when it has some. Error tells what could not be read; the
// tags are usable anyway.
TCopyTags CatalogueCopyTags(const std::string& DataDir, const TPlayerSettings& Settings, const TDriveToc& Toc,
                            const TCdText& Text, std::string& Error);
