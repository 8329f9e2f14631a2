// The player's logic: the clock tick with its status poll, and the transport, mode, repeat, track and
// bookmark commands. It reads and drives the CD device and the catalogue, and tells the handset view
// what to show; it never draws.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "app/base/Settings.h"
#include "devices/CdAudio.h"
#include "devices/SoundTap.h"
#include "player/HandsetView.h"
#include "player/base/PlayerState.h"

class TDiscCatalogue;

// Said when the sound server has been away long enough for a play to be paused.
extern const char* const msgSoundLost;

// Timer intervals of the clock: once a second, and every 50 ms while a sample is recorded so the end of
// the recorded play is seen quickly.
constexpr int ClockInterval = 1000;
constexpr int RecordingClockInterval = 50;

class TPlayerCore : public TSoundTap {
public:
    TPlayerCore(TPlayerSettings& Settings, TPlayerState& State, THandsetFlags& Flags, TCdAudio& Cd,
                TDiscCatalogue& Catalogue, THandsetView& View);

    // One tick of the clock: the poll, then what the handset shows.
    void TimerTimer();
    // Reads the device, takes over a newly seen disc and advances the play modes at the end of a track.
    void StatusPoll();

    void btnPlayClick();
    void btnStopClick();
    void btnBackClick();
    void btnForwardClick();
    void btnModeClick();
    void btnRepeatClick();
    void btnTrackClick();
    void btnBegClick();
    // The mode chosen without the mode dialog (the desktop's shuffle and loop switches), kept with the
    // disc like the dialog's choice. A play under way goes on from where it is under the new mode: into
    // shuffle the track heard is the first of the new order, into track mode it is the track played.
    void SetPlayMode(TPlayMode Mode);

    void SetButtons(TButtonState State);
    TButtonState ButtonState() const { return FButtonState; }
    void SetTimer(int Interval) override;

    // The recorder's tap: the end-of-recording hook, and the buttons shown as playing.
    void SetEndOfRecording(std::function<void()> Hook) override { EndRecording = std::move(Hook); }
    void ShowPlaying() override { SetButtons(bsPlaying); }

    // Keeps the volume now set with the disc in the drive, stored when the disc is in the catalogue.
    void StoreVolumeWithDisc();

    // Name of track T of the disc in the drive, from its track grid.
    std::string TrackName(int Track) const;
    // The track lines of the track chooser: number in two characters, length "mm.ss", name.
    std::vector<std::string> TrackChooserLines() const;

    // Ends a recording of the recording window; set by it. Unset, the end is only a timer change.
    std::function<void()> EndRecording;
    // Seeds the shuffle; unset, the clock does.
    std::function<std::uint32_t()> ShuffleSeed;

private:
    void TakeOverNewDisc();
    void AdvanceAtEndOfTrack();
    // Plays entry ProgrammePos of List, or the next playable one in Direction (ProgrammePos moves to it);
    // false when there is none up to the end of the list.
    bool PlayProgrammeEntry(const TPlayProgramme& List, int Direction = +1);
    // Plays one whole track (to its end by the mode's rule) and disarms the advance.
    void StartTrack(int Track);
    // The first audio track of the disc (1 when there is none).
    int FirstAudioTrack();
    void AdvanceList(const TPlayProgramme& List);
    void StepList(const TPlayProgramme& List, int Step);
    const TPlayProgramme& ListOfMode() const;
    void DealShuffle();
    void FinishRecording();
    void ShowTick();
    // Names the sound stream after the disc and the current track, as the desktop's mixers show it.
    void NameSoundStream();
    void SaveCurrentDisc();

    TPlayerSettings& FSettings;
    TPlayerState& FState;
    THandsetFlags& FFlags;
    TCdAudio& FCd;
    TDiscCatalogue& FCatalogue;
    THandsetView& FView;
    TButtonState FButtonState = bsNoDisc;
    std::mt19937 FRandom;
};
