// The chooser a lookup with several matches opens: one line per match with what tells pressings apart
// (label, catalogue number, barcode, country, date, format, which disc of a set, the track count of the
// disc's own medium) and its service; the best match is selected first, and the user picks one.
#pragma once

#include <QDialog>
#include <vector>

#include "catalogue/DiscEdit.h"
#include "catalogue/LookupMatch.h"

class QPushButton;
class QTreeWidget;

class TfrmLookupChooser : public QDialog {
    Q_OBJECT
public:
    // Text is what the disc's CD-TEXT names (empty: nothing): a match it agrees with is offered first.
    TfrmLookupChooser(const std::vector<TLookupMatch>& Matches, const TCdTextNames& Text = {},
                      QWidget* Parent = nullptr);
    // The chosen match's index, or -1.
    int Chosen() const;

    QTreeWidget* tvMatches;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

// Shows the chooser; the index of the match taken, or -1 when the user cancelled.
int ChooseLookupMatch(QWidget* Parent, const std::vector<TLookupMatch>& Matches,
                      const TCdTextNames& Text = {});
