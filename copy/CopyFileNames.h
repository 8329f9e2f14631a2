// The names of a copy's files, made from the user's pattern. The pattern's fields are {artist}, {disc},
// {year}, {number} (two digits) and {title}; a "/" in the pattern makes folders. What a field brings in
// is made safe for any file system (an empty artist or disc name is "Unknown", as in the catalogue): "/",
// "\", the characters Windows file systems refuse and control characters become "_", leading and trailing
// blanks and dots go; other characters, non-ASCII ones included, are kept.
#pragma once

#include <string>

struct TNameFields {
    std::string Artist, Disc, Title;
    int Year = 0;   // 0: unknown (the field is left empty)
    int Number = 0; // track number
};

// "{artist} - {disc}/{number} {title}".
extern const char* const DefaultCopyPattern;

// A field's text as one safe name part (empty when nothing is left of it).
std::string SafeNamePart(const std::string& Text);

// The file path for Fields under Folder, relative parts of the pattern made safe, Extension (".flac")
// added. Empty path parts (a field that was empty) are dropped; a pattern that gives no name at all gives
// the track number.
std::string PatternPath(const std::string& Folder, const std::string& Pattern, const TNameFields& Fields,
                        const std::string& Extension);
