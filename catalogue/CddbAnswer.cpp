#include "catalogue/CddbAnswer.h"

#include <map>

#include "app/base/TextEncoding.h"

namespace {

std::vector<std::string> LinesOf(const std::string& Text) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Text.find('\n', Start);
        if (End == std::string::npos) End = Text.size();
        std::string Line = Text.substr(Start, End - Start);
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        Lines.push_back(std::move(Line));
        Start = End + 1;
    }
    return Lines;
}

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(" \t");
    if (First == std::string::npos) return {};
    return Text.substr(First, Text.find_last_not_of(" \t") - First + 1);
}

// The status line's code, or 0 when it has none.
int CodeOf(const std::vector<std::string>& Lines) {
    if (Lines.empty() || Lines[0].size() < 3) return 0;
    int Code = 0;
    for (int i = 0; i < 3; ++i) {
        if (Lines[0][static_cast<std::size_t>(i)] < '0' || Lines[0][static_cast<std::size_t>(i)] > '9')
            return 0;
        Code = Code * 10 + (Lines[0][static_cast<std::size_t>(i)] - '0');
    }
    return Code;
}

std::string StatusError(const std::vector<std::string>& Lines, int Code) {
    if (Code == 0) return "gnudb answered with text that is not a CDDB answer.";
    // The status line often ends a sentence of its own ("... not found."): one full stop ends both.
    std::string Status = Trimmed(Lines[0]);
    while (!Status.empty() && Status.back() == '.')
        Status.pop_back();
    return "gnudb refused the request: " + Status + ".";
}

// "categ discid title" -> the entry.
bool EntryOf(const std::string& Text, TCddbEntry& Entry) {
    const std::size_t A = Text.find(' ');
    const std::size_t B = A == std::string::npos ? A : Text.find(' ', A + 1);
    if (B == std::string::npos) return false;
    Entry = {Text.substr(0, A), Text.substr(A + 1, B - A - 1), Trimmed(Text.substr(B + 1))};
    return !Entry.Category.empty() && !Entry.DiscId.empty();
}

std::string Unescaped(const std::string& Value) {
    std::string Text;
    for (std::size_t i = 0; i < Value.size(); ++i) {
        if (Value[i] != '\\' || i + 1 == Value.size()) {
            Text += Value[i];
            continue;
        }
        const char Next = Value[++i];
        Text += Next == 'n' ? '\n' : Next == 't' ? '\t' : Next;
    }
    return Text;
}

} // namespace

std::string CddbText(const QByteArray& Bytes) {
    return DecodeStoredText(std::string_view(Bytes.constData(), static_cast<std::size_t>(Bytes.size())));
}

bool ParseCddbQuery(const QByteArray& Answer, std::vector<TCddbEntry>& Entries, std::string& Error) {
    Entries.clear();
    const std::vector<std::string> Lines = LinesOf(CddbText(Answer));
    const int Code = CodeOf(Lines);
    if (Code == 202) return true;
    if (Code == 200) {
        TCddbEntry Entry;
        if (!EntryOf(Trimmed(Lines[0].substr(3)), Entry)) {
            Error = "gnudb answered a query with a malformed match: " + Lines[0];
            return false;
        }
        Entries.push_back(Entry);
        return true;
    }
    if (Code != 210 && Code != 211) {
        Error = StatusError(Lines, Code);
        return false;
    }
    for (std::size_t i = 1; i < Lines.size(); ++i) {
        if (Lines[i] == ".") return true;
        TCddbEntry Entry;
        if (EntryOf(Lines[i], Entry)) Entries.push_back(Entry);
    }
    Entries.clear();
    Error = "gnudb's list of matches ended early (no closing \".\").";
    return false;
}

bool ParseCddbRead(const QByteArray& Answer, TLookupMatch& Match, std::string& Error) {
    const std::vector<std::string> Lines = LinesOf(CddbText(Answer));
    const int Code = CodeOf(Lines);
    if (Code != 210) {
        Error = StatusError(Lines, Code);
        return false;
    }
    TCddbEntry Entry;
    EntryOf(Trimmed(Lines[0].substr(3)), Entry);
    std::map<std::string, std::string> Values;
    bool Ended = false;
    for (std::size_t i = 1; i < Lines.size() && !Ended; ++i) {
        const std::string& Line = Lines[i];
        if (Line == ".") Ended = true;
        if (Ended || Line.empty() || Line[0] == '#') continue;
        const std::size_t Equals = Line.find('=');
        if (Equals == std::string::npos) continue;
        Values[Line.substr(0, Equals)] += Line.substr(Equals + 1);
    }
    if (!Ended) {
        Error = "gnudb's entry ended early (no closing \".\").";
        return false;
    }
    Match = {};
    Match.Source = TLookupSource::Gnudb;
    Match.ReleaseId = Entry.Category + "/" + Entry.DiscId;
    const std::string Title = Trimmed(Unescaped(Values["DTITLE"]));
    if (const std::size_t Slash = Title.find(" / "); Slash != std::string::npos) {
        Match.Artist = Trimmed(Title.substr(0, Slash));
        Match.DiscName = Trimmed(Title.substr(Slash + 3));
    } else {
        Match.Artist = Match.DiscName = Title;
    }
    const std::string Year = Trimmed(Values["DYEAR"]);
    if (Year.size() == 4 && Year.find_first_not_of("0123456789") == std::string::npos)
        Match.Year = std::stoi(Year);
    for (int t = 0; t < 99; ++t) {
        const auto Found = Values.find("TTITLE" + std::to_string(t));
        if (Found == Values.end()) break;
        Match.Tracks.push_back(Trimmed(Unescaped(Found->second)));
    }
    Match.TrackCount = static_cast<int>(Match.Tracks.size());
    return true;
}
