// The about box: the program's icon, name and version, the libraries it runs with, the data folder, and
// an OK button.
#pragma once

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* Parent = nullptr);
};
