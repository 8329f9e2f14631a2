// The drive chooser: the drives the player can use, as "CD ROM n <device>", and which one it is to use. A
// disc image can be named here too: it is opened once to check it, and listed after the drives.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

class TfrmCD : public QDialog {
    Q_OBJECT
public:
    // DeviceCount drives are listed; the item of drive Current is selected at first.
    TfrmCD(int DeviceCount, int Current, QWidget* Parent = nullptr);

    // The drive chosen, once the dialog has closed with OK.
    int CDROMInUse = 0;
    // The disc images named here, in the order named (they stay listed however the dialog closes).
    std::vector<std::string> AddedImages;

    QListWidget* lbDrives;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnImage;

public slots:
    void btnOKClick();
    void btnImageClick();

private:
    void FormShow(int DeviceCount, int Current);
};
