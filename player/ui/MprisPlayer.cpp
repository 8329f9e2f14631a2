#include "player/ui/MprisPlayer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "app/ui/ProgramPictures.h"
#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "player/ui/FourWayVolume.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/MprisPlayerAdaptor.h"
#include "player/ui/MprisRootAdaptor.h"

namespace {

const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString NoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
// A jump on the handset (a skip, start of track) moves the position further than a tick's lateness.
constexpr qlonglong JumpTolerance = 2000000;

QString Text(const std::string& Value) {
    return QString::fromStdString(Value);
}

// A session bus is there when its address is given or the runtime folder holds its socket; without one
// no connection is tried, so nothing is started and nothing is said.
bool SessionBusAvailable() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString Runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !Runtime.isEmpty() && QFileInfo::exists(Runtime + QStringLiteral("/bus"));
}

} // namespace

TMprisPlayer::TMprisPlayer(TORB& Handset, TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd,
                           TDiscCatalogue& Catalogue, QObject* Parent)
    : QObject(Parent), FHandset(Handset), FSettings(Settings), FState(State), FCd(Cd), FCatalogue(Catalogue),
      FBus(QStringLiteral("orbelune-no-bus")) {}

TMprisPlayer::~TMprisPlayer() {
    if (!FRegistered) return;
    FBus.unregisterObject(QString::fromLatin1(ObjectPath));
    FBus.unregisterService(FServiceName);
    if (!FArtFile.isEmpty()) QFile::remove(FArtFile);
}

bool TMprisPlayer::Register() {
    if (FRegistered || !SessionBusAvailable()) return FRegistered;
    FBus = QDBusConnection::sessionBus();
    if (!FBus.isConnected()) return false;
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this);
    if (!FBus.registerObject(QString::fromLatin1(ObjectPath), this)) return false;
    // A second player on the same bus (another runtime folder) takes a name of its own.
    FServiceName = QString::fromLatin1(ServiceName);
    if (!FBus.registerService(FServiceName)) {
        FServiceName += QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!FBus.registerService(FServiceName)) {
            FBus.unregisterObject(QString::fromLatin1(ObjectPath));
            return false;
        }
    }
    FRegistered = true;
    // Every change the handset makes comes with a tick of its clock or one of its controls.
    connect(&FHandset.Timer, &QTimer::timeout, this, &TMprisPlayer::Refresh);
    for (QToolButton* B : FHandset.findChildren<QToolButton*>())
        connect(B, &QToolButton::clicked, this, &TMprisPlayer::Refresh, Qt::QueuedConnection);
    for (QAction* A : FHandset.findChildren<QAction*>())
        connect(A, &QAction::triggered, this, &TMprisPlayer::Refresh, Qt::QueuedConnection);
    FLast = Take();
    return true;
}

// --- state --------------------------------------------------------------------------------------------

QToolButton* TMprisPlayer::Button(const char* Name) const {
    return FHandset.findChild<QToolButton*>(QString::fromLatin1(Name));
}

bool TMprisPlayer::Enabled(const char* Name) const {
    const QToolButton* B = Button(Name);
    return B && B->isEnabled();
}

QString TMprisPlayer::PlaybackStatus() const {
    const bool Loaded = FCd.CDOpen && FState.DiscLoaded && !FCatalogue.CurrentDiscCode.empty();
    return Text(MprisPlaybackStatus(Loaded, FCd.Playing, FCd.Paused));
}

QString TMprisPlayer::LoopStatus() const {
    return Text(MprisLoopStatus(FState.RepeatOn, FState.PlayMode));
}

bool TMprisPlayer::Shuffle() const {
    return FState.PlayMode == pmShuffle;
}

double TMprisPlayer::Volume() const {
    return std::clamp(std::max(FSettings.VolumeLeft, FSettings.VolumeRight), MinVolume, MaxVolume) /
           static_cast<double>(MaxVolume);
}

qlonglong TMprisPlayer::PositionIn(int Track) const {
    if (!FCd.CDOpen || !FState.DiscLoaded || Track < 1 || Track > 99) return 0;
    try {
        const int Frames = MSFToFrames(FCd.GetDiscPosition()) - MSFToFrames(FCd.TrackStart[Track]);
        return std::clamp<qlonglong>(FramesToMicroseconds(Frames), 0,
                                     FramesToMicroseconds(MSFToFrames(FCd.TrackLength[Track])));
    } catch (const std::exception&) {
        return 0;
    }
}

qlonglong TMprisPlayer::Position() const {
    return PositionIn(FState.CurrentTrack);
}

QVariantMap TMprisPlayer::MetadataOf(const TMprisTrack& Track, const QString& ArtUrl) const {
    QVariantMap Map;
    if (Track.Track == 0) {
        Map[QStringLiteral("mpris:trackid")] = QVariant::fromValue(QDBusObjectPath(NoTrack));
        return Map;
    }
    Map[QStringLiteral("mpris:trackid")] = QVariant::fromValue(QDBusObjectPath(Text(Track.TrackId)));
    Map[QStringLiteral("mpris:length")] = QVariant::fromValue(static_cast<qlonglong>(Track.Length));
    Map[QStringLiteral("xesam:title")] = Text(Track.Title);
    Map[QStringLiteral("xesam:trackNumber")] = Track.Track;
    if (!Track.Album.empty()) Map[QStringLiteral("xesam:album")] = Text(Track.Album);
    if (!Track.Artist.empty()) Map[QStringLiteral("xesam:artist")] = QStringList{Text(Track.Artist)};
    if (!Track.Composer.empty()) Map[QStringLiteral("xesam:composer")] = QStringList{Text(Track.Composer)};
    if (!ArtUrl.isEmpty()) Map[QStringLiteral("mpris:artUrl")] = ArtUrl;
    return Map;
}

QVariantMap TMprisPlayer::Metadata() const {
    const bool Loaded = FCd.CDOpen && FState.DiscLoaded;
    const TMprisTrack Track = Loaded ? MprisTrackOf(FCatalogue, FCd, FState.CurrentTrack) : TMprisTrack{};
    const bool ArtCurrent = !FArtFile.isEmpty() && ArtKey() == FArtKey;
    return MetadataOf(Track, ArtCurrent ? QUrl::fromLocalFile(FArtFile).toString() : QString());
}

bool TMprisPlayer::CanGoNext() const {
    return Enabled("btnForward");
}

bool TMprisPlayer::CanGoPrevious() const {
    return Enabled("btnBack");
}

// Play is possible while the disc plays or pauses too: it then leaves the play as it is or resumes it.
bool TMprisPlayer::CanPlay() const {
    return Enabled("btnPlay") || Enabled("btnPause");
}

bool TMprisPlayer::CanPause() const {
    return Enabled("btnPause");
}

bool TMprisPlayer::CanSeek() const {
    return Enabled("btnStart");
}

std::string TMprisPlayer::ArtKey() const {
    if (FCatalogue.CurrentDiscCode.empty() || FCatalogue.CurrentDisc.PictureRef == 0) return {};
    return FCatalogue.CurrentDiscCode + "-" + std::to_string(FCatalogue.CurrentDisc.PictureRef);
}

QString TMprisPlayer::ArtUrl() {
    const std::string Key = FState.DiscLoaded ? ArtKey() : std::string();
    if (Key != FArtKey) {
        // Desktops keep pictures by their address: a new picture gets a new file name.
        if (!FArtFile.isEmpty()) QFile::remove(FArtFile);
        FArtFile.clear();
        FArtKey = Key;
        const QString Folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                               QStringLiteral("/orbelune");
        if (!Key.empty() && QDir().mkpath(Folder)) {
            const QString Extracted = Folder + QStringLiteral("/picture.tmp");
            QImage Picture;
            if (FCatalogue.OpenDiscVlf()) {
                if (FCatalogue.fvlf.Vlf.ExtractFile(FCatalogue.CurrentDisc.PictureRef,
                                                    Extracted.toStdString(), false))
                    Picture = LoadPictureFile(Extracted.toStdString());
                FCatalogue.CloseDiscVlf();
            }
            QFile::remove(Extracted);
            const QString Png = Folder + QLatin1Char('/') + Text(Key) + QStringLiteral(".png");
            if (!Picture.isNull() && Picture.save(Png, "PNG")) FArtFile = Png;
        }
    }
    return FArtFile.isEmpty() ? QString() : QUrl::fromLocalFile(FArtFile).toString();
}

TMprisPlayer::TSnapshot TMprisPlayer::Take() const {
    TSnapshot S;
    S.Status = PlaybackStatus();
    S.Loop = LoopStatus();
    S.Shuffle = Shuffle();
    S.Volume = Volume();
    if (FCd.CDOpen && FState.DiscLoaded) S.Track = MprisTrackOf(FCatalogue, FCd, FState.CurrentTrack);
    S.CanGoNext = CanGoNext();
    S.CanGoPrevious = CanGoPrevious();
    S.CanPlay = CanPlay();
    S.CanPause = CanPause();
    S.CanSeek = CanSeek();
    return S;
}

void TMprisPlayer::NoteJumps(const TSnapshot& Now) {
    const qlonglong Here = PositionIn(Now.Track.Track);
    if (FLastPosition >= 0 && Now.Track.Track != 0 && Now.Track.TrackId == FLast.Track.TrackId &&
        Now.Status == FLast.Status && Now.Status != QLatin1String("Stopped")) {
        const qlonglong Expected =
            FLastPosition + (Now.Status == QLatin1String("Playing") ? FSinceLast.elapsed() * 1000 : 0);
        if (std::abs(Here - Expected) > JumpTolerance) emit Seeked(Here);
    }
    FLastPosition = Now.Track.Track != 0 ? Here : -1;
    FSinceLast.restart();
}

void TMprisPlayer::Refresh() {
    if (!FRegistered) return;
    TSnapshot Now = Take();
    Now.ArtUrl = ArtUrl();
    NoteJumps(Now);
    QVariantMap Changed;
    const auto Note = [&Changed](const char* Name, bool Differs, const QVariant& Value) {
        if (Differs) Changed[QString::fromLatin1(Name)] = Value;
    };
    Note("PlaybackStatus", Now.Status != FLast.Status, Now.Status);
    Note("LoopStatus", Now.Loop != FLast.Loop, Now.Loop);
    Note("Shuffle", Now.Shuffle != FLast.Shuffle, Now.Shuffle);
    Note("Volume", Now.Volume != FLast.Volume, Now.Volume);
    Note("Metadata", !(Now.Track == FLast.Track) || Now.ArtUrl != FLast.ArtUrl,
         MetadataOf(Now.Track, Now.ArtUrl));
    Note("CanGoNext", Now.CanGoNext != FLast.CanGoNext, Now.CanGoNext);
    Note("CanGoPrevious", Now.CanGoPrevious != FLast.CanGoPrevious, Now.CanGoPrevious);
    Note("CanPlay", Now.CanPlay != FLast.CanPlay, Now.CanPlay);
    Note("CanPause", Now.CanPause != FLast.CanPause, Now.CanPause);
    Note("CanSeek", Now.CanSeek != FLast.CanSeek, Now.CanSeek);
    FLast = Now;
    if (Changed.isEmpty()) return;
    QDBusMessage Signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    Signal << PlayerInterface << Changed << QStringList();
    FBus.send(Signal);
}

// --- commands -----------------------------------------------------------------------------------------

void TMprisPlayer::Later(std::function<void()> Command) {
    QTimer::singleShot(0, this, [this, Command = std::move(Command)] {
        Command();
        Refresh();
    });
}

void TMprisPlayer::Click(const char* Name) {
    if (QToolButton* B = Button(Name)) B->click();
}

void TMprisPlayer::Raise() {
    Later([this] { FHandset.RaiseHandset(); });
}

void TMprisPlayer::Quit() {
    Later([this] { FHandset.Exit1Click(); });
}

void TMprisPlayer::Play() {
    Later([this] { Click(FCd.Paused ? "btnPause" : "btnPlay"); });
}

void TMprisPlayer::Pause() {
    Later([this] {
        if (FCd.Playing && !FCd.Paused) Click("btnPause");
    });
}

void TMprisPlayer::PlayPause() {
    Later([this] { Click(FCd.Playing || FCd.Paused ? "btnPause" : "btnPlay"); });
}

void TMprisPlayer::Stop() {
    Later([this] { Click("btnStop"); });
}

void TMprisPlayer::Next() {
    Later([this] { Click("btnForward"); });
}

void TMprisPlayer::Previous() {
    Later([this] { Click("btnBack"); });
}

void TMprisPlayer::JumpTo(int Track, qlonglong Position) {
    const int Frames = MSFToFrames(FCd.TrackStart[Track]) + MicrosecondsToFrames(Position);
    if (!GuardedCall([&] { FCd.SeekTo(FramesToMSF(Frames), Track); })) return;
    FLastPosition = Position;
    FSinceLast.restart();
    emit Seeked(Position);
}

void TMprisPlayer::Seek(qlonglong Offset) {
    Later([this, Offset] {
        const int Track = FState.CurrentTrack;
        const TMprisTrack Current = MprisTrackOf(FCatalogue, FCd, Track);
        if (!CanSeek() || Current.Track == 0) return;
        const qlonglong Target = std::max<qlonglong>(PositionIn(Track) + Offset, 0);
        // Past the end of the track is the next track.
        if (Target >= Current.Length)
            Click("btnForward");
        else
            JumpTo(Track, Target);
    });
}

void TMprisPlayer::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    Later([this, Id = TrackId.path(), Position] {
        const int Track = FState.CurrentTrack;
        const TMprisTrack Current = MprisTrackOf(FCatalogue, FCd, Track);
        if (!CanSeek() || Current.Track == 0 || Id != Text(Current.TrackId)) return;
        if (Position < 0 || Position > Current.Length) return;
        JumpTo(Track, Position);
    });
}

void TMprisPlayer::SetLoopStatus(const QString& Loop) {
    bool Valid = false;
    const bool Repeat = MprisLoopWantsRepeat(Loop.toStdString(), Valid);
    if (!Valid) return;
    Later([this, Repeat] {
        if (Repeat != FState.RepeatOn) Click("btnRepeat");
    });
}

void TMprisPlayer::SetShuffle(bool On) {
    Later([this, On] {
        // The mode changes only where the handset's mode button could change it.
        if (On == (FState.PlayMode == pmShuffle) || !Enabled("btnMode")) return;
        GuardedCall([&] { FHandset.Core().SetPlayMode(On ? pmShuffle : pmDisc); });
    });
}

void TMprisPlayer::SetVolume(double Volume) {
    Later([this, Volume] {
        const int Wanted = static_cast<int>(std::lround(std::clamp(Volume, 0.0, 1.0) * MaxVolume));
        const int Loudest = std::max(FSettings.VolumeLeft, FSettings.VolumeRight);
        // The balance between the channels stays as the four-way control left it.
        if (Loudest <= 0) {
            FSettings.VolumeLeft = FSettings.VolumeRight = Wanted;
        } else {
            FSettings.VolumeLeft =
                static_cast<int>(std::lround(1.0 * FSettings.VolumeLeft * Wanted / Loudest));
            FSettings.VolumeRight =
                static_cast<int>(std::lround(1.0 * FSettings.VolumeRight * Wanted / Loudest));
        }
        TFourWayVolume& Control = FHandset.FourWay();
        if (Control.OnVolumeChanged) Control.OnVolumeChanged();
        if (Control.OnVolumeReleased) Control.OnVolumeReleased();
    });
}
