// The chooser a lookup with several matches opens: one line per match with its release, artist, year,
// country, label, track count and service; the user picks one.
#pragma once

#include <QDialog>
#include <vector>

#include "catalogue/LookupMatch.h"

class QPushButton;
class QTreeWidget;

class TfrmLookupChooser : public QDialog {
    Q_OBJECT
public:
    TfrmLookupChooser(const std::vector<TLookupMatch>& Matches, QWidget* Parent = nullptr);
    // The chosen match's index, or -1.
    int Chosen() const;

    QTreeWidget* tvMatches;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

// Shows the chooser; the index of the match taken, or -1 when the user cancelled.
int ChooseLookupMatch(QWidget* Parent, const std::vector<TLookupMatch>& Matches);
