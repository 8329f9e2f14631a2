#include "player/base/TrackLine.h"

#include <charconv>

#include "app/base/Settings.h"

std::string TrackLine(int Number, MSF Length, const std::string& Name) {
    return CutText255(FormatWidth(2, Number) + FormatMinSec(MSFToMinSec(Length)) + Name);
}

namespace {

std::string Trimmed(const std::string& Text) {
    const auto First = Text.find_first_not_of(' ');
    if (First == std::string::npos) return {};
    return Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

} // namespace

int TrackLineNumber(const std::string& Line) {
    const std::string Text = Trimmed(Line.substr(0, 2));
    int Number = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Number);
    if (Text.empty() || Error != std::errc{} || End != Text.data() + Text.size() || Number < 0) return 0;
    return Number;
}

bool TrackLineLength(const std::string& Line, TMinSec& Length) {
    const std::string Text = Line.size() > 2 ? Trimmed(Line.substr(2, 5)) : std::string();
    // Digits and at most one decimal point, as the lists write them; anything else is unreadable.
    if (Text.empty() || Text.find_first_not_of("0123456789.") != std::string::npos ||
        Text.find('.') != Text.rfind('.') || Text == ".")
        return false;
    double Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc{} || End != Text.data() + Text.size()) return false;
    Length = Value;
    return true;
}
