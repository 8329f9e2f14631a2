// The sample player: every disc of the catalogue with a mark for those that have a recorded sample, and
// the playing of the sample of the disc in the drive, of a disc chosen in the list, or of any wave file.
#pragma once

#include <QDialog>
#include <string>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class TDiscCatalogue;
class TSampleDisplay;
class TWaveAudio;

// A list line, kept with each item of lbDisc under Qt::UserRole: the disc code padded to 16 characters,
// "Y" when the disc has a sample ("N" otherwise), then the disc name.
std::string SampleListItem(const std::string& DiscCode, bool HasSample, const std::string& DiscName);

class TfrmSelectPlay : public QDialog {
    Q_OBJECT
public:
    // Without Wave nothing is played.
    TfrmSelectPlay(TDiscCatalogue& Catalogue, TWaveAudio* Wave, QWidget* Parent = nullptr);
    ~TfrmSelectPlay() override;

    QListWidget* lbDisc;
    QPushButton* btnCurrent;
    QPushButton* btnSelected;
    QPushButton* btnWave;
    QPushButton* btnClose;
    TSampleDisplay* Sample;

public slots:
    void btnCurrentClick();
    void btnSelectedClick();
    void btnWaveClick();

protected:
    void showEvent(QShowEvent* Event) override;
    void done(int Result) override;

private:
    void FormShow();
    // Plays the catalogue's sample of a disc; nothing happens for a disc without one.
    void PlayStored(std::int32_t SampleRef);

    TDiscCatalogue& FCatalogue;
    bool FShown = false;
};
