// Reader and writer of INI text files with private-profile semantics: sections and keys match without
// regard to case, a missing key gives the caller's default, a value that is no integer gives the integer
// default, and a save rewrites only the keys written and keeps every other line of the file.
#pragma once

#include <string>
#include <vector>

class TIniFile {
public:
    // Reads FileName if it exists; a missing or unreadable file reads as empty.
    explicit TIniFile(std::string FileName);

    std::string ReadString(const std::string& Section, const std::string& Key,
                           const std::string& Default) const;
    long long ReadInteger(const std::string& Section, const std::string& Key, long long Default) const;
    bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

    void WriteString(const std::string& Section, const std::string& Key, const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Key, long long Value);
    void WriteBool(const std::string& Section, const std::string& Key, bool Value);

    // Writes the text to a temporary file beside the old one and renames it over, so a failed write
    // leaves the old file as it was. Returns false when the file could not be written.
    bool Save() const;

    const std::string& FileName() const { return FFileName; }

private:
    struct Found {
        std::size_t SectionLine; // index of the "[Section]" line, or npos
        std::size_t KeyLine;     // index of the key's line, or npos
        std::size_t LastLine;    // last non-blank line of the section
    };
    Found Find(const std::string& Section, const std::string& Key) const;

    std::string FFileName;
    std::vector<std::string> FLines;
};

// Parses a whole-string integer as the settings reader does: optional blanks, an optional sign, decimal
// digits or "$"/"0x" followed by hexadecimal digits. Returns false for anything else or on overflow.
bool ParseIniInteger(const std::string& Text, long long& Value);
