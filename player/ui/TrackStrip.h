// The handset's track strip: a grid of track numbers with the current one highlighted, or the disc's
// picture in its place; a left click asks for a track, a right click switches between the two views.
#pragma once

#include <QFont>
#include <QObject>
#include <QPoint>
#include <functional>
#include <string>

#include "app/base/Settings.h"
#include "player/base/PlayerState.h"

class QWidget;
class TImageControl;

// The font of the track numbers. A family that is not installed (the default "Small fonts" exists only as
// a Windows raster font) falls back to the desktop's font at a size whose digits read clearly in a
// 12-pixel cell; numbers that small are drawn without smoothing, so each stroke shows in its full colour.
QFont TrackStripFont(const TPlayerSettings& Settings);

class TTrackStrip : public QObject {
    Q_OBJECT
public:
    TTrackStrip(const TPlayerSettings& Settings, THandsetFlags& Flags, QWidget* ImgPanel,
                TImageControl* imgTracks);

    // Clears the strip and, while it shows numbers, fills it with the track window's background.
    void imgTracksSetup();
    // Writes one track number in its cell, in the selected colour or the normal one.
    void imgTrackNumber(int Track, bool Selected);
    void DrawTrackNumbers(int TrackCount, int Current);
    // Shows the disc's picture ("disc.bmp"), else "general.bmp", scaled into the strip.
    void ShowBitmap();

    // The disc in the drive, for the right-click toggle and the picture.
    std::function<int()> TrackCount;
    std::function<int()> CurrentTrack;
    // Writes the disc's picture to "disc.bmp" when it has one and the file is missing.
    std::function<void()> ExtractDiscPicture;
    // The name shown for a track of the disc in the drive; a number held under the mouse shows it.
    std::function<std::string(int)> TrackName;

signals:
    // A left click asked for this track; it may lie beyond the disc's last track.
    void TrackClicked(int Track);

public slots:
    void imgTracksMouseDown(Qt::MouseButton Button, QPoint Position);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    const TPlayerSettings& FSettings;
    THandsetFlags& FFlags;
    QWidget* FPanel;
    TImageControl* FImage;
};
