// What the player logic asks of the handset window. The player core decides; a view only draws what it
// is told and answers the few questions that need the user (the mode dialog, the track chooser). Tests
// implement it without a screen.
#pragma once

#include <string>
#include <vector>

#include "devices/base/TimeValues.h"
#include "player/base/PlayerState.h"

// The three enabled-state combinations of the handset's controls.
enum TButtonState { bsNoDisc, bsStopped, bsPlaying };

// One switch per group of controls; which controls make up each group is the window's business.
struct TButtonGroups {
    bool PlayGroup = false;
    bool StopGroup = false;
    bool PauseGroup = false;
    bool PreviousGroup = false;
    bool NextGroup = false;
    bool SeekGroup = false;
    bool FastForwardButton = false;
    // The door decides between the eject and the close button.
    bool DoorOpen = false;
    // Without an open drive the door buttons and repeat are off too: the handset has nothing to drive.
    bool DriveOpen = true;
};

TButtonGroups ButtonGroupsFor(TButtonState State, bool DoorOpen);

class THandsetView {
public:
    virtual ~THandsetView() = default;

    virtual void SetButtons(const TButtonGroups& Groups) = 0;
    // Whether btnPlay is enabled now (the poll leaves a disabled Play alone in some modes).
    virtual bool PlayButtonEnabled() const = 0;

    // Track strip: cleared, all numbers drawn with Current highlighted, one number redrawn, or the
    // disc's picture in place of the numbers.
    virtual void ClearTrackStrip() = 0;
    virtual void DrawTrackNumbers(int TrackCount, int Current) = 0;
    virtual void DrawTrackNumber(int Track, bool Selected) = 0;
    virtual void ShowDiscPicture() = 0;
    virtual void ClearDisplay() = 0;

    virtual void SetVolumeBars(int Left, int Right) = 0;
    virtual void SetDiscLabels(const std::string& Name, const std::string& Track, const std::string& Composer,
                               const std::string& Artist) = 0;
    virtual void SetTrackLabel(const std::string& Track) = 0;

    // The three text lines and the two times of the LED display.
    virtual void SetModeLine(const std::string& Text) = 0;
    virtual void SetTrackLine(const std::string& Text) = 0;
    virtual void SetTimes(const std::string& Caption, TMinSec Elapsed, TMinSec Remaining) = 0;

    // The task-bar title ("ORB [3] 02.07").
    virtual void SetApplicationTitle(const std::string& Title) = 0;
    virtual void SetRepeatShown(bool On) = 0;

    virtual void SetTimerEnabled(bool Enabled) = 0;
    virtual void SetTimerInterval(int Milliseconds) = 0;

    // Window position, so the tick can keep the settings in step when the window is moved.
    virtual int WindowTop() const = 0;
    virtual int WindowLeft() const = 0;

    virtual void SwitchToSmallHandset() = 0;

    // The mode dialog: starts on Current (no choice checked for a mode without a button) and returns
    // whether the user pressed OK, with the chosen mode in Chosen.
    virtual bool ChooseMode(TPlayMode Current, TPlayMode& Chosen) = 0;
    // The track chooser on the given track lines; returns the chosen 0-based index or -1 on cancel.
    virtual int ChooseTrack(const std::vector<std::string>& Lines) = 0;
};
