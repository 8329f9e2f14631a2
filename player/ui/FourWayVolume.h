// The four-way volume control: up and down change both channels, left and right one channel each, the
// centre sets the right channel to the left one's level. Holding an arrow repeats its step.
#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

#include "app/base/Settings.h"
#include "player/ui/HandsetGeometry.h"

class TImageControl;

class TFourWayVolume : public QObject {
    Q_OBJECT
public:
    // The volumes live in Settings (VolumeLeft, VolumeRight).
    TFourWayVolume(TPlayerSettings& Settings, TImageControl* iFourWay);

    void iFourWayDraw();
    void IncreaseVolume(bool Left, bool Right);
    void DecreaseVolume(bool Left, bool Right);

    // After each change: show the bars and send the volume to the device.
    std::function<void()> OnVolumeChanged;
    // On release: keep the volume with the disc in the drive.
    std::function<void()> OnVolumeReleased;

    bool VolumeUpHeld = false;
    bool VolumeDownHeld = false;
    bool VolumeLeftHeld = false;
    bool VolumeRightHeld = false;
    bool VolumeCentreHeld = false;

    QTimer tmrVolume;

public slots:
    void iFourWayMouseDown(Qt::MouseButton Button, QPoint Position);
    void iFourWayMouseUp(Qt::MouseButton Button, QPoint Position);
    void tmrVolumeTimer();

private:
    void Changed();

    TPlayerSettings& FSettings;
    TImageControl* FImage;
};

// Draws one part of the control (1 up, 2 down, 3 left, 4 right, 5 centre) onto a 30 x 30 picture.
void DrawFourWayPart(QImage& Picture, int Part, bool Pressed);
