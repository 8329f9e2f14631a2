#include "catalogue/LookupMatch.h"

#include <algorithm>

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
    Details.push_back(std::to_string(TrackCount) + (TrackCount == 1 ? " track" : " tracks"));
    Text += " (";
    for (std::size_t i = 0; i < Details.size(); ++i)
        Text += (i ? ", " : "") + Details[i];
    Text += Source == TLookupSource::MusicBrainz ? ") MusicBrainz" : ") gnudb";
    return Text;
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

TDiscTexts LookupTexts(const TLookupMatch& Match, const TDiscTexts& Current) {
    TDiscTexts Texts = Current;
    const auto Take = [](std::string& Field, const std::string& Value, int Max) {
        if (!Value.empty()) Field = CutToBytes(Value, static_cast<std::size_t>(Max));
    };
    Take(Texts.DiscName, Match.DiscName, DiscNameMax);
    Take(Texts.Artist, Match.Artist, ArtistMax);
    Take(Texts.Composer, Match.Composer.empty() ? Match.Artist : Match.Composer, ComposerMax);
    Take(Texts.RecordLabel, Match.RecordLabel, RecordLabelMax);
    if (Match.Year > 0 && Match.Year <= 9999) Texts.Year = Match.Year;
    return Texts;
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
