// The player on the desktop's session bus as a media player (org.mpris.MediaPlayer2.orbelune): media
// keys, panel applets and other desktop players' controls drive the handset through its own buttons, so
// what the desktop shows and what the handset shows never differ. Without a session bus the player runs
// as before and nothing is said.
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <string>

#include "app/Settings.h"
#include "player/MprisValues.h"
#include "player/PlayerState.h"

class QToolButton;
class TCdAudio;
class TDiscCatalogue;
class TORB;

class TMprisPlayer : public QObject {
    Q_OBJECT
public:
    TMprisPlayer(TORB& Handset, TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd,
                 TDiscCatalogue& Catalogue, QObject* Parent = nullptr);
    ~TMprisPlayer() override;

    // Takes the bus name and the object; false, quietly, when there is no session bus.
    bool Register();
    // Looks at the handset again and tells the bus of every property that changed; run after each tick
    // of the handset's clock and each command.
    void Refresh();

    // The root interface.
    void Raise();
    void Quit();

    // The player interface: the commands go to the handset's buttons, which do nothing while disabled.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);

    QString PlaybackStatus() const;
    QString LoopStatus() const;
    void SetLoopStatus(const QString& Loop);
    bool Shuffle() const;
    void SetShuffle(bool On);
    double Volume() const;
    void SetVolume(double Volume);
    qlonglong Position() const;
    QVariantMap Metadata() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;

    static constexpr const char* ServiceName = "org.mpris.MediaPlayer2.orbelune";
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";

signals:
    // The position jumped (microseconds into the track).
    void Seeked(qlonglong Position);

private:
    // What the bus was last told.
    struct TSnapshot {
        QString Status;
        QString Loop;
        bool Shuffle = false;
        double Volume = 0;
        TMprisTrack Track;
        QString ArtUrl;
        bool CanGoNext = false;
        bool CanGoPrevious = false;
        bool CanPlay = false;
        bool CanPause = false;
        bool CanSeek = false;
    };
    TSnapshot Take() const;
    QVariantMap MetadataOf(const TMprisTrack& Track, const QString& ArtUrl) const;
    // The current track's picture as a PNG in the cache folder, written when the disc or its picture
    // changes; empty for a disc without one.
    QString ArtUrl();
    // The disc code and picture reference the picture file belongs to.
    std::string ArtKey() const;
    QToolButton* Button(const char* Name) const;
    bool Enabled(const char* Name) const;
    // Runs a command after the bus call has been answered: a command may show a message box.
    void Later(std::function<void()> Command);
    void Click(const char* Name);
    void JumpTo(int Track, qlonglong Position);
    qlonglong PositionIn(int Track) const;
    void NoteJumps(const TSnapshot& Now);

    TORB& FHandset;
    TPlayerSettings& FSettings;
    TPlayerState& FState;
    TCdAudio& FCd;
    TDiscCatalogue& FCatalogue;
    QDBusConnection FBus;
    bool FRegistered = false;
    QString FServiceName;
    TSnapshot FLast;
    // The picture written for the disc: its code and picture reference, and the file.
    std::string FArtKey;
    QString FArtFile;
    // Where the track stood at the last look, to see a jump made on the handset.
    qlonglong FLastPosition = -1;
    QElapsedTimer FSinceLast;
};
