// The track chooser: the disc's tracks as lines of number, length and name; OK goes to the chosen one.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

class TfrmTracks : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTracks(QWidget* Parent = nullptr);

    void SetLines(const std::vector<std::string>& Lines);
    // The chosen line, 0-based; -1 when none is selected.
    int SelectedIndex() const;

public slots:
    // Closes with OK only when a track is selected; otherwise says so and stays open.
    void btnOKClick();

private:
    QListWidget* lstTracks;
};
