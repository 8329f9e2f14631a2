// What the desktop's media-player interface reports of the player: the playback and loop status, the
// current track's description and the conversions between disc positions and microseconds. The values
// come from the same state the handset shows, so the desktop and the handset never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "devices/base/TimeValues.h"
#include "player/base/PlayerState.h"

class TCdAudio;
class TDiscCatalogue;
struct TCdText;

// "Playing", "Paused" or "Stopped".
std::string MprisPlaybackStatus(bool DiscLoaded, bool Playing, bool Paused);
// Repeat on replays the single track in track mode and everything else in the other modes.
std::string MprisLoopStatus(bool RepeatOn, TPlayMode Mode);
// Whether a requested loop status turns repeat on; false for "None". Unknown texts give false with Valid
// cleared.
bool MprisLoopWantsRepeat(const std::string& Loop, bool& Valid);
// The play mode a valid requested loop status leads to from Current. "Track" needs track mode; the mode
// it left is kept in Before, and "None" or "Playlist" go back to it while track mode still holds, so
// a loop status read back describes how the disc really plays. Before is dropped once the mode was
// changed otherwise. "Playlist" in track mode entered on the handset goes to disc mode.
TPlayMode MprisLoopMode(const std::string& Loop, TPlayMode Current, std::optional<TPlayMode>& Before);

std::int64_t FramesToMicroseconds(int Frames);
// Rounded to the nearest frame, so a position read back gives its frame again.
int MicrosecondsToFrames(std::int64_t Microseconds);

// The current track as the desktop is told of it; Track is 0 when there is none.
struct TMprisTrack {
    int Track = 0;
    std::string TrackId;
    std::int64_t Length = 0; // microseconds
    std::string Title;
    std::string Album;
    std::string Artist;
    std::string Composer;

    bool operator==(const TMprisTrack&) const = default;
};

// The track's path under the player's object, unique per disc and track.
std::string MprisTrackId(const std::string& DiscCode, int Track);
// Track Track of the disc in the drive, with the disc panel's names: the disc's name, artist and
// composer as the catalogue shows them (its record, or what is shown of a disc not stored yet) and the
// track's name likewise. A disc without a record yet is described by its CD-TEXT where Text has one,
// track performers included, unless a looked-up match is shown. A track without a name is called
// "Track N", as a desktop shows an empty title as nothing at all.
TMprisTrack MprisTrackOf(const TDiscCatalogue& Catalogue, const TCdAudio& Cd, int Track,
                         const TCdText* Text = nullptr);
