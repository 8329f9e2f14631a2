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
#include <optional>
#include <string>

#include "app/base/Settings.h"
#include "player/MprisValues.h"
#include "player/base/PlayerState.h"

class QToolButton;
class TCdAudio;
class TMprisBusObject;
class TDiscCatalogue;
class TORB;

// Why a command from the bus was refused: an address of the wrong kind, or one that cannot be opened.
struct TMprisRefusal {
    enum TKind { None, BadArgument, Failed };
    TKind Kind = None;
    QString Text;
    explicit operator bool() const { return Kind != None; }
};

class TMprisPlayer : public QObject {
    Q_OBJECT
public:
    TMprisPlayer(TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd, TDiscCatalogue& Catalogue,
                 QObject* Parent = nullptr);
    ~TMprisPlayer() override;

    // Takes the bus name and the object; false, quietly, when there is no session bus. Run before the
    // handset is made, so the player is on the bus while a start-up question waits for its answer:
    // until the handset is attached the player reports no disc and its commands do nothing.
    bool Register();
    // The handset the commands go to; its clock and controls trigger Refresh from now on.
    void Attach(TORB& Handset);
    // Looks at the handset again and tells the bus of every property that changed; run after each tick
    // of the handset's clock and each command.
    void Refresh();

    // The root interface.
    void Raise();
    void Quit();
    // Disc images and drives by address, opened as the command line opens them.
    QStringList UriSchemes() const;
    QStringList MimeTypes() const;

    // The player interface: the commands go to the handset's buttons, which do nothing while disabled.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    // The drive or image is taken at once and plays after the call; else why not.
    TMprisRefusal OpenUri(const QString& Uri);

    QString PlaybackStatus() const;
    QString LoopStatus() const;
    // Empty when the value is taken, else why not.
    QString SetLoopStatus(const QString& Loop);
    QString SetRate(double Rate);
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
    // The track the drive stands in now (not the one the handset showed at its last tick), so a skip
    // is told at once.
    int CurrentTrack() const;
    TMprisTrack CurrentMprisTrack() const;
    // A disc with an audio track is in an open drive.
    bool AudioDiscIn() const;
    // Whether a track follows (Step +1) or comes before (-1) the current one in the play's order, or
    // repeat goes round to one.
    bool HasStep(int Step) const;
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
    // Steps to the next or previous track as the handset's buttons do; with none in that direction the
    // play stops, or with repeat on goes round to the other end.
    void Step(int Direction);
    void JumpTo(int Track, qlonglong Position);
    qlonglong PositionIn(int Track) const;
    void NoteJumps(const TSnapshot& Now);
    void SendSeeked(qlonglong Position);

    TORB* FHandset = nullptr;
    TPlayerSettings& FSettings;
    TPlayerState& FState;
    TCdAudio& FCd;
    TDiscCatalogue& FCatalogue;
    QDBusConnection FBus;
    TMprisBusObject* FObject = nullptr;
    bool FRegistered = false;
    QString FServiceName;
    TSnapshot FLast;
    // The picture written for the disc: its code and picture reference, and the file.
    std::string FArtKey;
    QString FArtFile;
    // Where the track stood at the last look, to see a jump made on the handset.
    qlonglong FLastPosition = -1;
    QElapsedTimer FSinceLast;
    // The play mode a loop status of Track switched away from, to go back to on None or Playlist.
    std::optional<TPlayMode> FModeBeforeTrack;
};
