// The switch between the handset and the small handset. The small handset is a window of its own, not a
// nested event loop: the handset's clock, the hand-over from a second copy and the exit signals go on
// being served by the program's one loop while it is up.
#include "app/ui/SingleInstance.h"
#include "player/ui/Handset.h"
#include "player/ui/SmallHandset.h"

void TORB::Small2Click() {
    if (FFlags.SmallHandsetActive || FClosed) return;
    FFlags.JustShown = false;
    FSmall = std::make_unique<TfrmSmall>(FSettings, FState, *this);
    connect(FSmall.get(), &TfrmSmall::Closed, this, &TORB::SmallHandsetClosed);
    // The setting doubles as the record that the small handset is up: a program that ends meanwhile
    // starts with it again.
    FSettings.StartWithSmallHandset = true;
    SaveSettings(FSettings);
    hide();
    FFlags.SmallHandsetActive = true;
    FSmall->show();
}

void TORB::SmallHandsetClosed() {
    if (!FFlags.SmallHandsetActive || FClosed) return;
    if (FSmall->ExitOnClose) {
        // Ended from the small handset: the setting stays, so the next start shows it again.
        Exit1Click();
        return;
    }
    FSettings.StartWithSmallHandset = false;
    SaveSettings(FSettings);
    show();
    FFlags.SmallHandsetActive = false;
}

void TORB::SwitchToSmallHandset() {
    Small2Click();
}

void TORB::RaiseHandset() {
    if (FFlags.SmallHandsetActive && FSmall)
        RaiseWindow(FSmall.get());
    else
        RaiseWindow(this);
}
