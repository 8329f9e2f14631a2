// The player's state: play modes, play programmes, and the values the device layer, the clock tick,
// the play commands, the display and the recording window share.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "devices/base/CDMode.h"
#include "devices/base/TimeValues.h"

using TPlayMode = std::uint8_t;

constexpr TPlayMode pmDisc = 0;
constexpr TPlayMode pmTrack = 1;
constexpr TPlayMode pmRandom = 2; // named in the mode line, set by no command
constexpr TPlayMode pmShuffle = 3;
constexpr TPlayMode pmIntro = 4;
constexpr TPlayMode pmCustom = 5;

// Name shown in the mode line; codes beyond the table (a damaged record) give "Disc", as that is how
// every other part of the player treats them.
std::string PlayModeName(TPlayMode Mode);

// A count byte and up to 100 track numbers, stored as 101 bytes.
struct TPlayProgramme {
    static constexpr int MaxEntries = 100;
    std::uint8_t Count = 0;
    std::array<std::uint8_t, MaxEntries> Entries{};

    // Entry I, 1-based.
    std::uint8_t& operator[](int I) { return Entries[static_cast<std::size_t>(I - 1)]; }
    std::uint8_t operator[](int I) const { return Entries[static_cast<std::size_t>(I - 1)]; }
    // Appends Track unless the programme is full; returns whether it was appended.
    bool Append(int Track);
    void Clear() { *this = TPlayProgramme{}; }
};
static_assert(sizeof(TPlayProgramme) == 101);

struct TPlayerState {
    bool MediaPresent = true;
    bool DiscLoaded = false;
    TCDMode DeviceMode = cmNotReady;
    MSF DiscPosition = 0;
    int CurrentTrack = 0;
    int LastTrackSeen = 0;
    TMinSec DiscStartTime = 0;
    TMinSec DiscTotalTime = 0;
    TMinSec TrackStartTime = 0;
    TMinSec TrackLengthTime = 0;
    TMinSec TrackElapsed = 0;
    TMinSec TrackRemaining = 0;
    TMinSec DiscElapsed = 0;
    TMinSec DiscRemaining = 0;
    TPlayMode PlayMode = pmDisc;
    int ProgrammePos = 0;
    TPlayProgramme ShuffleOrder;
    bool RepeatOn = false;
    int RepeatTrack = 0;
    MSF BookmarkStart = 0;
    MSF BookmarkEnd = 0;
    bool AdvanceArmed = true;
    bool Recording = false;
};

// Flags of the handset window that the tick and the start-up share with it.
struct THandsetFlags {
    bool DiscShown = false;
    int HighlightedTrack = -1;
    bool TrackListShown = true;
    bool ShowDiscTime = false;
    bool JustShown = false;
    bool AutoPlaySwitch = false;
    bool SmallHandsetActive = false;
};
