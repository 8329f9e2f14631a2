// The recording window: what to record (the intro of every track or the bookmark) and in which format,
// the bookmark's adjustment and preview, and the recording control program. Created once at start and
// shown modally by the handset's sample button; the recording goes on after it has closed.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "devices/SampleRecorder.h"

class QPushButton;
class QRadioButton;
class TDiscCatalogue;
class TPlayerCore;
struct TPlayerSettings;

class TfrmRecord : public QDialog {
    Q_OBJECT
public:
    TfrmRecord(TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd, TWaveAudio& Wave,
               TDiscCatalogue& Catalogue, TPlayerCore& Core, QWidget* Parent = nullptr);
    ~TfrmRecord() override;

    QRadioButton *rbTracks, *rbBook;
    QRadioButton *rb40, *rb55, *rb8, *rb11, *rb22, *rb44;
    QRadioButton *rb8bit, *rb16bit, *rbMono, *rbStereo;
    QPushButton *btnRecord, *btnStart, *btnCancel, *btnAdjust, *btnPrev;

    void FormShow();
    void btnRecordClick();
    void btnStartClick();
    void btnPrevClick();
    void btnAdjustClick();
    // Run by the status poll when the recorded play has ended.
    void EndRecording();
    // The format the checked buttons give.
    TRecordFormat ChosenFormat() const;
    TSampleRecorder& Recorder() { return *FRecorder; }

protected:
    void showEvent(QShowEvent* Event) override;

private:
    TPlayerSettings& FSettings;
    TPlayerState& FState;
    TCdAudio& FCd;
    TWaveAudio& FWave;
    std::unique_ptr<TSampleRecorder> FRecorder;
};
