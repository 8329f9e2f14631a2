// What the sample recorder needs of the player whose sound it records: to hear when the recorded play is
// over, to have the player's clock run at the recording's pace, and to show the player as playing. The
// player implements it; the recorder knows nothing more of the player.
#pragma once

#include <functional>

class TSoundTap {
public:
    virtual ~TSoundTap() = default;

    // Hook called once the recorded play is over; an empty one stops the calls.
    virtual void SetEndOfRecording(std::function<void()> Hook) = 0;
    // Runs the player's clock every Interval milliseconds.
    virtual void SetTimer(int Interval) = 0;
    // Shows the player's buttons as while a disc plays.
    virtual void ShowPlaying() = 0;
};
