// The disc data panel of the handset: the name, current track, composer and artist of the disc in the
// drive beside their captions, in the panel's own font and colours.
#pragma once

#include <QFrame>
#include <string>

#include "app/base/Settings.h"

class QLabel;

class TDiscDataPanel : public QFrame {
    Q_OBJECT
public:
    TDiscDataPanel(const TPlayerSettings& Settings, QWidget* Parent);

    // Applies the panel's font and colours and places the rows; returns the panel's new height.
    int LayoutRows();
    void SetWidth(int Width);
    void SetDisc(const std::string& Name, const std::string& Composer, const std::string& Artist);
    void SetTrack(const std::string& Track);
    // A mark at the end of the disc row, with Hint as its tooltip and the panel's; empty: none.
    void SetMark(const std::string& Mark, const std::string& Hint);
    void Clear();

    QLabel* labName;
    QLabel* labMark;
    QLabel* labTrack;
    QLabel* LabComp;
    QLabel* labArt;

private:
    void PlaceValues();

    const TPlayerSettings& FSettings;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
};
