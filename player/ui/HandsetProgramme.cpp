// The handset's programme commands: the custom programme editor and fit tracks on the disc in the drive.
#include "catalogue/DiscCatalogue.h"
#include "dialogs/FitDialog.h"
#include "dialogs/ProgrammeDialog.h"
#include "player/ProgrammeEdit.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"

void TORB::Cust1Click() {
    GuardedCall([this] {
        EditCurrentProgramme(FCatalogue, false,
                             [this](TTrackLists& Lists) { return EditProgrammeLists(this, Lists); });
    });
}

void TORB::Fitt1Click() {
    GuardedCall([this] {
        EditCurrentProgramme(FCatalogue, true, [this](TTrackLists& Lists) {
            return FitProgrammeLists(this, FSettings.FitTracksTime, Lists);
        });
    });
}
