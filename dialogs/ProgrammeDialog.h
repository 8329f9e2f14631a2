// The custom programme editor: the disc's tracks on the left, the programme on the right; a track may
// be added any number of times.
#pragma once

#include <functional>
#include <string>

#include "dialogs/TrackListsDialog.h"

class TfrmProgramme : public TTrackListsDialog {
    Q_OBJECT
public:
    explicit TfrmProgramme(QWidget* Parent = nullptr);
};

// Shows the editor on Lists; true when closed with OK.
bool EditProgrammeLists(QWidget* Parent, TTrackLists& Lists);

// The editor on a record being edited: TrackCount tracks whose lines LineOf gives (track 1 to 99) and
// the record's Programme, which is replaced on OK. True when closed with OK.
bool EditRecordProgramme(QWidget* Parent, int TrackCount, const std::function<std::string(int)>& LineOf,
                         TPlayProgramme& Programme);
