#include "app/base/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace {

constexpr auto npos = std::string::npos;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// "[Name]" gives Name; anything else gives false.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    const std::size_t close = line.find(']');
    if (close == npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return line.empty() || line.front() == ';' || line.front() == '#';
}

// "Key=Value" gives Key and Value, both trimmed; a value in matching quotes loses them.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    if (IsComment(line)) return false;
    const std::size_t eq = line.find('=');
    if (eq == npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

} // namespace

bool ParseIniInteger(const std::string& Text, long long& Value) {
    std::string_view s = Trim(Text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    unsigned long long magnitude = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > (1ULL << 63)) return false;
    }
    if (!negative && magnitude > static_cast<unsigned long long>(INT64_MAX)) return false;
    Value = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
    return true;
}

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) {
    std::ifstream in(FFileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        // Every carriage return at the end goes: a line ending in two would lose one more at each save.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        FLines.push_back(line);
    }
}

TIniFile::Found TIniFile::Find(const std::string& Section, const std::string& Key) const {
    Found found{npos, npos, npos};
    bool inSection = false;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        std::string_view name;
        if (SectionName(FLines[i], name)) {
            if (found.SectionLine != npos && inSection) break; // first matching section only
            inSection = EqualNoCase(name, Section);
            if (inSection) found.SectionLine = found.LastLine = i;
            continue;
        }
        if (!inSection) continue;
        if (!Trim(FLines[i]).empty()) found.LastLine = i;
        std::string_view key, value;
        if (found.KeyLine == npos && KeyValue(FLines[i], key, value) && EqualNoCase(key, Key))
            found.KeyLine = i;
    }
    return found;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default) const {
    const Found found = Find(Section, Key);
    if (found.KeyLine == npos) return Default;
    std::string_view key, value;
    KeyValue(FLines[found.KeyLine], key, value);
    return std::string(value);
}

long long TIniFile::ReadInteger(const std::string& Section, const std::string& Key, long long Default) const {
    const Found found = Find(Section, Key);
    if (found.KeyLine == npos) return Default;
    long long value = 0;
    return ParseIniInteger(ReadString(Section, Key, {}), value) ? value : Default;
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const {
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key, const std::string& Value) {
    // A value is one line: a line break in it (a caption typed on two lines, a pasted path) becomes a
    // blank rather than a stray line of its own.
    std::string line = Key + "=" + Value;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    const Found found = Find(Section, Key);
    if (found.KeyLine != npos) {
        FLines[found.KeyLine] = line;
    } else if (found.SectionLine != npos) {
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(found.LastLine) + 1, line);
    } else {
        if (!FLines.empty() && !Trim(FLines.back()).empty()) FLines.emplace_back();
        FLines.push_back("[" + Section + "]");
        FLines.push_back(line);
    }
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Key, long long Value) {
    WriteString(Section, Key, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Key, bool Value) {
    WriteString(Section, Key, Value ? "1" : "0");
}

bool TIniFile::Save() const {
    const std::string temporary = FFileName + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::string text;
    for (const std::string& line : FLines)
        text += line + "\n";
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(temporary.c_str(), FFileName.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}
