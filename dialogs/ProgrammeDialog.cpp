#include "dialogs/ProgrammeDialog.h"

#include <QListWidget>

TfrmProgramme::TfrmProgramme(QWidget* Parent)
    : TTrackListsDialog({"Add item to play list.", "Remove item from play list.", "Clear play list."},
                        Parent) {
    setObjectName(QStringLiteral("frmProgramme"));
    setWindowTitle(QStringLiteral("Custom programme"));
    DstList->setToolTip(QStringLiteral("Double click to remove item from play list."));
}

bool EditProgrammeLists(QWidget* Parent, TTrackLists& Lists) {
    TfrmProgramme Dialog(Parent);
    Dialog.SetLists(&Lists);
    return Dialog.exec() == QDialog::Accepted;
}

bool EditRecordProgramme(QWidget* Parent, int TrackCount, const std::function<std::string(int)>& LineOf,
                         TPlayProgramme& Programme) {
    TTrackLists Lists = ProgrammeLists(TrackCount, LineOf, Programme);
    if (!EditProgrammeLists(Parent, Lists)) return false;
    Programme = Lists.Programme();
    return true;
}
