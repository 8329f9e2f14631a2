// File names of a copy from the user's pattern.
#include "copy/CopyFileNames.h"

#include <cstdio>
#include <string_view>
#include <vector>

const char* const DefaultCopyPattern = "{artist} - {disc}/{number} {title}";

namespace {

// Blanks and dots at either end: Windows file systems drop them, "." and ".." mean folders.
std::string TrimEnds(std::string Text) {
    const auto Strip = [](char C) { return C == ' ' || C == '.' || C == '\t'; };
    std::size_t From = 0;
    while (From < Text.size() && Strip(Text[From]))
        ++From;
    std::size_t To = Text.size();
    while (To > From && Strip(Text[To - 1]))
        --To;
    return Text.substr(From, To - From);
}

std::string Expand(std::string_view Part, const TNameFields& Fields) {
    std::string Out;
    for (std::size_t I = 0; I < Part.size();) {
        if (Part[I] == '{') {
            const std::size_t Close = Part.find('}', I);
            if (Close != std::string_view::npos) {
                const std::string_view Name = Part.substr(I + 1, Close - I - 1);
                bool Known = true;
                if (Name == "artist")
                    Out += SafeNamePart(Fields.Artist.empty() ? "Unknown" : Fields.Artist);
                else if (Name == "disc")
                    Out += SafeNamePart(Fields.Disc.empty() ? "Unknown" : Fields.Disc);
                else if (Name == "title")
                    Out += SafeNamePart(Fields.Title);
                else if (Name == "year")
                    Out += Fields.Year > 0 ? std::to_string(Fields.Year) : std::string();
                else if (Name == "number") {
                    char Number[8];
                    std::snprintf(Number, sizeof Number, "%02d", Fields.Number);
                    Out += Number;
                } else
                    Known = false;
                if (Known) {
                    I = Close + 1;
                    continue;
                }
            }
        }
        Out += Part[I++];
    }
    return Out;
}

} // namespace

std::string SafeNamePart(const std::string& Text) {
    std::string Out;
    Out.reserve(Text.size());
    for (char C : Text) {
        const auto U = static_cast<unsigned char>(C);
        const bool Refused =
            U < 0x20 || U == 0x7f || std::string_view("/\\:*?\"<>|").find(C) != std::string_view::npos;
        Out += Refused ? '_' : C;
    }
    Out = TrimEnds(Out);
    // One name part stays within the 255 bytes most file systems allow, leaving room for an extension
    // and the temporary name's additions; never cut inside a UTF-8 character.
    constexpr std::size_t MaxBytes = 200;
    if (Out.size() > MaxBytes) {
        std::size_t Cut = MaxBytes;
        while (Cut > 0 && (static_cast<unsigned char>(Out[Cut]) & 0xc0) == 0x80)
            --Cut;
        Out.resize(Cut);
    }
    return Out;
}

std::string PatternPath(const std::string& Folder, const std::string& Pattern, const TNameFields& Fields,
                        const std::string& Extension) {
    std::vector<std::string> Parts;
    std::size_t From = 0;
    while (From <= Pattern.size()) {
        std::size_t Slash = Pattern.find('/', From);
        if (Slash == std::string::npos) Slash = Pattern.size();
        // The pattern's own text between fields may hold refused characters too.
        std::string Part = TrimEnds(Expand(std::string_view(Pattern).substr(From, Slash - From), Fields));
        for (char& C : Part)
            if (C == '\\' || static_cast<unsigned char>(C) < 0x20) C = '_';
        if (!Part.empty()) Parts.push_back(std::move(Part));
        From = Slash + 1;
    }
    if (Parts.empty()) {
        char Number[8];
        std::snprintf(Number, sizeof Number, "%02d", Fields.Number);
        Parts.push_back(Number);
    }
    std::string Path = Folder;
    if (!Path.empty() && Path.back() != '/') Path += '/';
    for (std::size_t I = 0; I < Parts.size(); ++I)
        Path += Parts[I] + (I + 1 < Parts.size() ? "/" : Extension);
    return Path;
}
