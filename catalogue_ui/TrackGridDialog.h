// The grid of all tracks of a disc: name and two user fields per track, with rows that can be emptied,
// shifted and dragged by their number while the numbers stay in place.
#pragma once

#include <QDialog>

#include "catalogue/StringGridData.h"

class QPushButton;
class QTableWidget;
class TTrackCellDelegate;

class TfrmEdTr : public QDialog {
    Q_OBJECT
public:
    TfrmEdTr(const TPlayerSettings& Settings, QWidget* Parent = nullptr);

    // Rows 1 to TrackCount of Tracks (columns name, user field 1, user field 2) become the grid's rows.
    void SetTracks(int TrackCount, const TStringGridData& Tracks);
    // The texts as the grid holds them now, in the same layout.
    TStringGridData Tracks();
    int TrackCount() const { return FTrackCount; }

    // Column 0 of the grid is its row headings (the track numbers), columns 1 to 3 the texts.
    QTableWidget* edTracks;
    QPushButton* btnInsert;
    QPushButton* btnDelete;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnInsertClick();
    void btnDeleteClick();
    void edTracksRowMoved(int Logical, int OldVisual, int NewVisual);

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void ShowTracks(const TStringGridData& Tracks);
    void HighlightHeadings();
    void CommitEdit();

    int FTrackCount = 0;
    TTrackCellDelegate* FDelegate;
};
