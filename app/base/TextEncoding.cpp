#include "app/base/TextEncoding.h"

#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence starting at Text[I], or 0 when none starts there.
std::size_t SequenceLength(std::string_view Text, std::size_t I) {
    const auto byte = [&](std::size_t K) { return static_cast<std::uint8_t>(Text[K]); };
    const std::uint8_t lead = byte(I);
    if (lead < 0x80) return 1;
    std::size_t length;
    std::uint32_t min;
    std::uint32_t cp;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        min = 0x80;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        min = 0x800;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        min = 0x10000;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (I + length > Text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(I + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(I + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

void AppendUtf8(std::string& Out, std::uint32_t Cp) {
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

// Code points of bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::uint16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool IsValidUtf8(std::string_view Text) {
    for (std::size_t i = 0; i < Text.size();) {
        const std::size_t length = SequenceLength(Text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view Bytes) {
    std::string out;
    out.reserve(Bytes.size() * 2);
    for (const char c : Bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0)
            AppendUtf8(out, Cp1252High[byte - 0x80]);
        else
            AppendUtf8(out, byte);
    }
    return out;
}

std::string DecodeStoredText(std::string_view Bytes) {
    if (IsValidUtf8(Bytes)) return std::string(Bytes);
    return Windows1252ToUtf8(Bytes);
}

std::size_t CutLength(std::string_view Text, std::size_t MaxBytes) {
    if (Text.size() <= MaxBytes) return Text.size();
    if (!IsValidUtf8(Text)) return MaxBytes;
    std::size_t cut = 0;
    while (cut < Text.size()) {
        const std::size_t length = SequenceLength(Text, cut);
        if (cut + length > MaxBytes) break;
        cut += length;
    }
    return cut;
}

std::string CutToBytes(std::string_view Text, std::size_t MaxBytes) {
    return std::string(Text.substr(0, CutLength(Text, MaxBytes)));
}

std::size_t CharacterCount(std::string_view Text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < Text.size(); ++count) {
        const std::size_t length = SequenceLength(Text, i);
        i += length == 0 ? 1 : length;
    }
    return count;
}

std::string CutToCharacters(std::string_view Text, std::size_t MaxChars) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < Text.size() && count < MaxChars; ++count) {
        const std::size_t length = SequenceLength(Text, i);
        i += length == 0 ? 1 : length;
    }
    return std::string(Text.substr(0, i));
}

namespace {

bool IsControl(std::uint32_t Cp) {
    return Cp < 0x20 || (Cp >= 0x7F && Cp < 0xA0);
}

// Calls Each(code point, bytes) for every character of Text read as stored text.
template <typename F> void ForEachCharacter(std::string_view Text, F Each) {
    const std::string Decoded = IsValidUtf8(Text) ? std::string() : Windows1252ToUtf8(Text);
    const std::string_view Utf8 = IsValidUtf8(Text) ? Text : std::string_view(Decoded);
    for (std::size_t i = 0; i < Utf8.size();) {
        const std::size_t length = SequenceLength(Utf8, i);
        const auto lead = static_cast<std::uint8_t>(Utf8[i]);
        std::uint32_t cp = lead;
        if (length == 2)
            cp = ((lead & 0x1Fu) << 6) | (static_cast<std::uint8_t>(Utf8[i + 1]) & 0x3Fu);
        else if (length > 2)
            cp = 0xA0; // beyond C1: no control character
        Each(cp, Utf8.substr(i, length));
        i += length;
    }
}

} // namespace

bool HasControlCharacters(std::string_view Text) {
    bool found = false;
    for (const char c : Text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F || byte >= 0x80) {
            found = true;
            break;
        }
    }
    if (!found) return false;
    found = false;
    ForEachCharacter(Text, [&](std::uint32_t Cp, std::string_view) { found = found || IsControl(Cp); });
    return found;
}

std::string CleanText(std::string_view Text) {
    if (!HasControlCharacters(Text)) return std::string(Text);
    std::string out;
    bool afterCr = false;
    ForEachCharacter(Text, [&](std::uint32_t Cp, std::string_view Bytes) {
        // CR LF is one line break: one space.
        const bool lf = Cp == '\n';
        if (Cp == '\t' || Cp == '\r' || (lf && !afterCr))
            out += ' ';
        else if (!IsControl(Cp))
            out += Bytes;
        afterCr = Cp == '\r';
    });
    return out;
}

std::string TerminalText(std::string_view Text) {
    if (!HasControlCharacters(Text)) return std::string(Text);
    std::string out;
    ForEachCharacter(Text, [&](std::uint32_t Cp, std::string_view Bytes) {
        if (Cp < 0x20) {
            out += '^';
            out += static_cast<char>(Cp + 0x40);
        } else if (Cp == 0x7F) {
            out += "^?";
        } else if (Cp < 0xA0 && Cp >= 0x80) {
            out += '?';
        } else {
            out += Bytes;
        }
    });
    return out;
}
