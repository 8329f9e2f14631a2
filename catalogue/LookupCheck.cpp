#include "catalogue/LookupCheck.h"

#include <ctime>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscRecord.h"

namespace {

// Cleaned of control characters and of the blanks they leave at either end.
std::string Cleaned(const std::string& Text) {
    std::string Clean = CleanText(Text);
    const std::size_t First = Clean.find_first_not_of(' ');
    if (First == std::string::npos) return {};
    return Clean.substr(First, Clean.find_last_not_of(' ') - First + 1);
}

int ThisYear() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    return parts.tm_year + 1900;
}

} // namespace

bool CheckLookupMatch(TLookupMatch& Match, std::string& Why) {
    for (std::string* Text :
         {&Match.ReleaseId, &Match.DiscName, &Match.Artist, &Match.Composer, &Match.RecordLabel,
          &Match.Country, &Match.CatalogueNumber, &Match.Barcode, &Match.Date, &Match.Format, &Match.Status})
        *Text = Cleaned(*Text);
    if (Match.Medium < 0 || Match.Medium > Match.MediumCount) Match.Medium = Match.MediumCount = 0;
    bool AnyTitle = false;
    for (std::string& Title : Match.Tracks) {
        Title = Cleaned(Title);
        AnyTitle = AnyTitle || !Title.empty();
    }
    // A release is often dated a year ahead of its sale.
    if (Match.Year < LookupLimits::FirstYear || Match.Year > ThisYear() + 1) Match.Year = 0;
    if (Match.TrackCount < 1 || Match.TrackCount > MaxDiscTracks) {
        Why = "a track count of " + std::to_string(Match.TrackCount);
        return false;
    }
    if (Match.DiscName.empty() && Match.Artist.empty() && !AnyTitle) {
        Why = "no name, no artist and no track titles";
        return false;
    }
    return true;
}

void CheckLookupMatches(std::vector<TLookupMatch>& Matches, std::size_t& Refused, std::size_t& LeftOut) {
    std::vector<TLookupMatch> Kept;
    Refused = LeftOut = 0;
    for (TLookupMatch& Match : Matches) {
        std::string Why;
        if (!CheckLookupMatch(Match, Why)) {
            ++Refused;
        } else if (Kept.size() >= LookupLimits::Matches) {
            ++LeftOut;
        } else {
            Kept.push_back(std::move(Match));
        }
    }
    Matches = std::move(Kept);
}
