#include "player/HandsetView.h"

TButtonGroups ButtonGroupsFor(TButtonState State, bool DoorOpen) {
    TButtonGroups g;
    g.DoorOpen = DoorOpen;
    switch (State) {
    case bsNoDisc:
        break;
    case bsStopped:
        g.PlayGroup = g.PreviousGroup = g.NextGroup = true;
        break;
    case bsPlaying:
        g.StopGroup = g.PauseGroup = g.PreviousGroup = g.NextGroup = g.SeekGroup = g.FastForwardButton = true;
        break;
    }
    return g;
}
