// The sample playback of the catalogue windows: the stop button, the position bar in seconds with the
// sample's length under it, and the 100 ms timer that moves the bar with the playback. Moving the bar
// plays from there. The windows own the controls through this object and lay them out with Layout().
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QLayout;
class QSlider;
class QTimer;
class QToolButton;
class QWidget;
class TDiscCatalogue;
class TDiscSamplePlay;
class TWaveAudio;

class TSampleDisplay : public QObject {
    Q_OBJECT
public:
    // Without Wave nothing is played.
    TSampleDisplay(TWaveAudio* Wave, TDiscCatalogue& Catalogue, QWidget* Owner);
    ~TSampleDisplay() override;

    // "Playing:", the stop button and the bar, with the start and end labels under the bar.
    QLayout* Layout();
    // Plays the catalogue's sample at SampleRef, or a wave file, from the start (stopping what plays).
    // False, with the user told, when it cannot be played.
    bool PlaySample(std::int32_t SampleRef);
    bool PlayFile(const std::string& FileName);
    void StopSample();
    bool Playing() const;

    QLabel* Label2;
    QToolButton* btnStop;
    QSlider* trBar;
    QLabel* labStart;
    QLabel* labEnd;
    QTimer* Timer;

public slots:
    void TimerTimer();
    void trBarChange(int Position);

private:
    bool Play(bool Opened);
    void StartSampleDisplay();

    std::unique_ptr<TDiscSamplePlay> FPlay;
    int WaveLength = 0;
    int WavePosition = 0;
};
