#include "catalogue/LookupMatch.h"

#include <QString>
#include <algorithm>
#include <tuple>

#include "app/base/TextEncoding.h"
#include "catalogue/store/VlfFormat.h"
#include "devices/DiscIds.h"

namespace {

// Lead-out of session 1, lead-in and pregap of session 2 on a multisession disc.
constexpr int SessionGapFrames = 11400;

std::string Joined(const std::vector<int>& Numbers) {
    std::string Text;
    for (int N : Numbers)
        Text += "+" + std::to_string(N);
    return Text;
}

} // namespace

std::string TLookupMatch::Line() const {
    std::string Text = DiscName.empty() ? "(no name)" : DiscName;
    if (!Artist.empty()) Text += " - " + Artist;
    std::vector<std::string> Details;
    if (Year > 0) Details.push_back(std::to_string(Year));
    if (!Country.empty()) Details.push_back(Country);
    if (!RecordLabel.empty()) Details.push_back(RecordLabel);
    if (!CatalogueNumber.empty()) Details.push_back(CatalogueNumber);
    if (MediumCount > 1)
        Details.push_back("disc " + std::to_string(Medium) + " of " + std::to_string(MediumCount));
    Details.push_back(std::to_string(TrackCount) + (TrackCount == 1 ? " track" : " tracks"));
    Text += " (";
    for (std::size_t i = 0; i < Details.size(); ++i)
        Text += (i ? ", " : "") + Details[i];
    Text += Source == TLookupSource::MusicBrainz ? ") MusicBrainz" : ") gnudb";
    return Text;
}

std::size_t BestLookupMatch(const std::vector<TLookupMatch>& Matches, const std::string& DiscName,
                            const std::string& Artist) {
    const auto Same = [](const std::string& A, const std::string& B) {
        return !A.empty() &&
               QString::fromStdString(A).compare(QString::fromStdString(B), Qt::CaseInsensitive) == 0;
    };
    const auto Rank = [&](const TLookupMatch& M) {
        const int Agrees = (Same(DiscName, M.DiscName) ? 2 : 0) + (Same(Artist, M.Artist) ? 1 : 0);
        const bool Official =
            QString::fromStdString(M.Status).compare(QStringLiteral("Official"), Qt::CaseInsensitive) == 0;
        // "1998" and "1998-03-01" compare as text; a release without a date is the oldest.
        std::string Date = M.Date.empty() && M.Year > 0 ? std::to_string(M.Year) : M.Date;
        return std::tuple(Agrees, Official, Date);
    };
    std::size_t Best = 0;
    for (std::size_t i = 1; i < Matches.size(); ++i)
        if (Rank(Matches[i]) > Rank(Matches[Best])) Best = i;
    return Best;
}

TLookupToc LookupTocOf(const TDriveToc& Toc) {
    TLookupToc Result;
    const TDiscIds Ids = ComputeDiscIds(Toc);
    if (!Ids.Valid()) return Result;
    Result.FirstTrack = Toc.Tracks.front().Number;
    for (const TTocTrack& Track : Toc.Tracks)
        Result.Offsets.push_back(Track.StartFrame);
    Result.LeadOut = Toc.LeadOutFrame;
    Result.AudioTracks = Toc.TrackCount();
    while (Result.AudioTracks > 1 && !Toc.Tracks[static_cast<std::size_t>(Result.AudioTracks - 1)].Audio)
        --Result.AudioTracks;
    Result.AudioLeadOut = Result.LeadOut;
    if (Result.AudioTracks < Toc.TrackCount() && Toc.Tracks.front().Audio) {
        const int DataStart = Result.Offsets[static_cast<std::size_t>(Result.AudioTracks)];
        const int LastAudio = Result.Offsets[static_cast<std::size_t>(Result.AudioTracks - 1)];
        Result.AudioLeadOut =
            DataStart - SessionGapFrames > LastAudio ? DataStart - SessionGapFrames : DataStart;
    } else {
        Result.AudioTracks = Toc.TrackCount();
    }
    Result.MusicBrainzId = Ids.MusicBrainz;
    Result.FreeDbId = Ids.FreeDb;
    return Result;
}

TLookupToc LookupTocOf(const TDiscRecord& Rec) {
    TDriveToc Toc;
    int Start = 150;
    for (int t = 0; t < std::clamp<int>(Rec.TrackCount, 0, MaxDiscTracks); ++t) {
        Toc.Tracks.push_back({t + 1, Start, true});
        Start += std::max(1, MSFToFrames(Rec.TrackLengths[static_cast<std::size_t>(t)]));
    }
    Toc.LeadOutFrame = Start + 1;
    return Toc.Tracks.empty() ? TLookupToc{} : LookupTocOf(Toc);
}

std::string MusicBrainzToc(const TLookupToc& Toc) {
    const std::vector<int> Audio(Toc.Offsets.begin(), Toc.Offsets.begin() + Toc.AudioTracks);
    return std::to_string(Toc.FirstTrack) + "+" + std::to_string(Toc.FirstTrack + Toc.AudioTracks - 1) + "+" +
           std::to_string(Toc.AudioLeadOut) + Joined(Audio);
}

std::string CddbQueryArguments(const TLookupToc& Toc) {
    return Toc.FreeDbId + "+" + std::to_string(Toc.TrackCount()) + Joined(Toc.Offsets) + "+" +
           std::to_string(Toc.LeadOut / 75);
}

std::string MusicBrainzAttachUrl(const TLookupToc& Toc) {
    return "https://musicbrainz.org/cdtoc/attach?id=" + Toc.MusicBrainzId +
           "&tracks=" + std::to_string(Toc.FirstTrack + Toc.AudioTracks - 1) + "&toc=" + MusicBrainzToc(Toc);
}

TDiscTexts LookupTexts(const TLookupMatch& Match, const TDiscTexts& Current) {
    TDiscTexts Texts = Current;
    const auto Take = [](std::string& Field, const std::string& Value, int Max) {
        if (!Value.empty()) Field = CutToBytes(Value, static_cast<std::size_t>(Max));
    };
    Take(Texts.DiscName, Match.DiscName, DiscNameMax);
    Take(Texts.Artist, Match.Artist, ArtistMax);
    // Only the works' composers name one: the artist credit names the performers.
    Take(Texts.Composer, Match.Composer, ComposerMax);
    Take(Texts.RecordLabel, Match.RecordLabel, RecordLabelMax);
    if (Match.Year > 0 && Match.Year <= 9999) Texts.Year = Match.Year;
    return Texts;
}

void TakeLookupMatch(const TLookupMatch& Match, TDiscTexts& Texts, TStringGridData& Tracks, int TrackCount,
                     TLookupFill& Fill) {
    // A field that no longer holds what the last pick put there was changed by the user: it is theirs.
    const auto Base = [&](auto TDiscTexts::*Field) {
        if (!Fill.Taken || Texts.*Field != Fill.Put.*Field) Fill.Before.*Field = Texts.*Field;
    };
    Base(&TDiscTexts::DiscName);
    Base(&TDiscTexts::Artist);
    Base(&TDiscTexts::Composer);
    Base(&TDiscTexts::RecordLabel);
    Base(&TDiscTexts::Year);
    TDiscTexts Taken = LookupTexts(Match, Fill.Before);
    Texts.DiscName = Taken.DiscName;
    Texts.Artist = Taken.Artist;
    Texts.Composer = Taken.Composer;
    Texts.RecordLabel = Taken.RecordLabel;
    Texts.Year = Taken.Year;
    Fill.Put = Texts;

    const std::size_t Count = static_cast<std::size_t>(std::clamp(TrackCount, 0, MaxDiscTracks));
    Fill.TracksBefore.resize(Count);
    Fill.TracksPut.resize(Count);
    TStringGridData Before = Tracks;
    for (std::size_t t = 0; t < Count; ++t) {
        const int Row = static_cast<int>(t) + 1;
        if (!Fill.Taken || Tracks.Cells(0, Row) != Fill.TracksPut[t])
            Fill.TracksBefore[t] = Tracks.Cells(0, Row);
        Before.SetCells(0, Row, Fill.TracksBefore[t]);
    }
    PutLookupTracks(Match, Before, static_cast<int>(Count));
    for (std::size_t t = 0; t < Count; ++t) {
        const int Row = static_cast<int>(t) + 1;
        Fill.TracksPut[t] = Before.Cells(0, Row);
        Tracks.SetCells(0, Row, Fill.TracksPut[t]);
    }
    Fill.Taken = true;
}

void TakeLookupComposer(const std::string& Name, std::string& Composer, TLookupFill& Fill) {
    if (Name.empty() || (Fill.Taken && Composer != Fill.Put.Composer)) return;
    Composer = CutToBytes(Name, static_cast<std::size_t>(ComposerMax));
    Fill.Put.Composer = Composer;
}

void PutLookupTracks(const TLookupMatch& Match, TStringGridData& Tracks, int TrackCount) {
    const int Count = std::min(static_cast<int>(Match.Tracks.size()), TrackCount);
    for (int t = 1; t <= Count; ++t) {
        const std::string& Title = Match.Tracks[static_cast<std::size_t>(t - 1)];
        if (!Title.empty()) Tracks.SetCells(0, t, CutToBytes(Title, VlfFormat::GridCellMax));
    }
}

TDiscTexts TextsOf(const TDiscRecord& Rec) {
    return {Rec.DiscName,    Rec.Composer,  Rec.Artist,    Rec.UserField1, Rec.UserField2,
            Rec.RecordLabel, Rec.MusicType, Rec.Reference, Rec.Year};
}
