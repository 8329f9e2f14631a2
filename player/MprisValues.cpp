#include "player/MprisValues.h"

#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "devices/CdDrive.h"

std::string MprisPlaybackStatus(bool DiscLoaded, bool Playing, bool Paused) {
    if (!DiscLoaded) return "Stopped";
    if (Paused) return "Paused";
    return Playing ? "Playing" : "Stopped";
}

std::string MprisLoopStatus(bool RepeatOn, TPlayMode Mode) {
    if (!RepeatOn) return "None";
    return Mode == pmTrack ? "Track" : "Playlist";
}

bool MprisLoopWantsRepeat(const std::string& Loop, bool& Valid) {
    Valid = Loop == "None" || Loop == "Track" || Loop == "Playlist";
    return Valid && Loop != "None";
}

TPlayMode MprisLoopMode(const std::string& Loop, TPlayMode Current, std::optional<TPlayMode>& Before) {
    if (Current != pmTrack) Before.reset();
    if (Loop == "Track") {
        if (Current != pmTrack) Before = Current;
        return pmTrack;
    }
    if (Current != pmTrack) return Current;
    if (Before) {
        const TPlayMode Earlier = *Before;
        Before.reset();
        return Earlier;
    }
    return Loop == "Playlist" ? pmDisc : pmTrack;
}

std::int64_t FramesToMicroseconds(int Frames) {
    return static_cast<std::int64_t>(Frames) * 1000000 / FramesPerSecond;
}

int MicrosecondsToFrames(std::int64_t Microseconds) {
    return static_cast<int>((Microseconds * FramesPerSecond + 500000) / 1000000);
}

std::string MprisTrackId(const std::string& DiscCode, int Track) {
    // Object path elements allow letters, digits and "_" only; the code is hexadecimal.
    std::string Code;
    for (char C : DiscCode)
        Code += (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') ? C : '_';
    return "/org/orbelune/Orbelune/Disc_" + Code + "/Track_" + std::to_string(Track);
}

TMprisTrack MprisTrackOf(const TDiscCatalogue& Catalogue, const TCdAudio& Cd, int Track,
                         const TCdText* Text) {
    TMprisTrack T;
    if (Catalogue.CurrentDiscCode.empty() || Track < 1 || Track > Cd.TrackCount || Track > 99) return T;
    T.Track = Track;
    T.TrackId = MprisTrackId(Catalogue.CurrentDiscCode, Track);
    T.Length = FramesToMicroseconds(MSFToFrames(Cd.TrackLength[Track]));
    T.Title = Catalogue.ShownTrackName(Track);
    if (T.Title.find_first_not_of(' ') == std::string::npos) T.Title = "Track " + std::to_string(Track);
    const TShownDisc Shown = Catalogue.ShownTexts();
    T.Album = Shown.DiscName;
    T.Artist = Shown.Artist;
    T.Composer = Shown.Composer;
    // What a lookup found is shown in place of the disc's own text.
    if (Text && Catalogue.CurrentDiscRecNo <= 0 && Shown.Source != ssLookup) {
        const auto Given = [](const std::string& Value) {
            return Value.find_first_not_of(' ') != std::string::npos;
        };
        const std::size_t At = static_cast<std::size_t>(Track - 1);
        if (At < Text->TrackTitles.size() && Given(Text->TrackTitles[At])) T.Title = Text->TrackTitles[At];
        if (Given(Text->DiscTitle)) T.Album = Text->DiscTitle;
        if (Given(Text->DiscComposer)) T.Composer = Text->DiscComposer;
        if (At < Text->TrackPerformers.size() && Given(Text->TrackPerformers[At]))
            T.Artist = Text->TrackPerformers[At];
        else if (Given(Text->DiscPerformer))
            T.Artist = Text->DiscPerformer;
    }
    return T;
}
