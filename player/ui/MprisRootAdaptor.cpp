#include "player/ui/MprisRootAdaptor.h"

#include "player/ui/MprisPlayer.h"

TMprisRootAdaptor::TMprisRootAdaptor(TMprisPlayer* Player) : QDBusAbstractAdaptor(Player), FPlayer(Player) {}

void TMprisRootAdaptor::Raise() {
    FPlayer->Raise();
}

void TMprisRootAdaptor::Quit() {
    FPlayer->Quit();
}
