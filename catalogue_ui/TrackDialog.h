// The details of one track: its name and two user fields, with its number and playing time.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
struct TPlayerSettings;

// Bytes of one track text, as the track grid stores a cell.
constexpr int TrackTextMax = 255;

class TfrmSTrack : public QDialog {
    Q_OBJECT
public:
    TfrmSTrack(const TPlayerSettings& Settings, QWidget* Parent = nullptr);

    QLabel* labNumber;
    QLabel* labTime;
    QLineEdit* edName;
    QLabel* labUser1;
    QLineEdit* edUser1;
    QLabel* labUser2;
    QLineEdit* edUser2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};
