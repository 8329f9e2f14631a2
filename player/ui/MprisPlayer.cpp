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

#include "app/base/StartupOptions.h"
#include "app/ui/ProgramPictures.h"
#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "devices/CdErrors.h"
#include "devices/DiscImageCheck.h"
#include "player/ui/FourWayVolume.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/MprisBusObject.h"

namespace {

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

TMprisPlayer::TMprisPlayer(TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd,
                           TDiscCatalogue& Catalogue, QObject* Parent)
    : QObject(Parent), FSettings(Settings), FState(State), FCd(Cd), FCatalogue(Catalogue),
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
    FObject = new TMprisBusObject(*this, this);
    if (!FBus.registerVirtualObject(QString::fromLatin1(ObjectPath), FObject)) return false;
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
    FLast = Take();
    return true;
}

void TMprisPlayer::Attach(TORB& Handset) {
    FHandset = &Handset;
    connect(&Handset, &QObject::destroyed, this, [this] { FHandset = nullptr; });
    if (!FRegistered) return;
    // Every change the handset makes comes with a tick of its clock or one of its controls.
    connect(&Handset.Timer, &QTimer::timeout, this, &TMprisPlayer::Refresh);
    for (QToolButton* B : Handset.findChildren<QToolButton*>())
        connect(B, &QToolButton::clicked, this, &TMprisPlayer::Refresh, Qt::QueuedConnection);
    for (QAction* A : Handset.findChildren<QAction*>())
        connect(A, &QAction::triggered, this, &TMprisPlayer::Refresh, Qt::QueuedConnection);
    Refresh();
}

// --- state --------------------------------------------------------------------------------------------

QToolButton* TMprisPlayer::Button(const char* Name) const {
    return FHandset ? FHandset->findChild<QToolButton*>(QString::fromLatin1(Name)) : nullptr;
}

bool TMprisPlayer::Enabled(const char* Name) const {
    const QToolButton* B = Button(Name);
    return B && B->isEnabled();
}

bool TMprisPlayer::AudioDiscIn() const {
    if (!FHandset || !FCd.CDOpen || !FState.DiscLoaded || FCatalogue.CurrentDiscCode.empty()) return false;
    try {
        return FCd.NextAudioTrack(0) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

int TMprisPlayer::CurrentTrack() const {
    if (!FCd.CDOpen || !FState.DiscLoaded) return 0;
    try {
        return FCd.GetCurrentTrack();
    } catch (const std::exception&) {
        return FState.CurrentTrack;
    }
}

TMprisTrack TMprisPlayer::CurrentMprisTrack() const {
    if (!FHandset || !FCd.CDOpen || !FState.DiscLoaded) return {};
    TCdText Text;
    if (FCatalogue.CurrentDiscRecNo <= 0) {
        try {
            Text = FCd.GetCdText();
        } catch (const std::exception&) {
        }
    }
    return MprisTrackOf(FCatalogue, FCd, CurrentTrack(), &Text);
}

QString TMprisPlayer::PlaybackStatus() const {
    const bool Loaded = FHandset && FCd.CDOpen && FState.DiscLoaded && !FCatalogue.CurrentDiscCode.empty();
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
    return FHandset ? PositionIn(CurrentTrack()) : 0;
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
    const bool ArtCurrent = !FArtFile.isEmpty() && ArtKey() == FArtKey;
    return MetadataOf(CurrentMprisTrack(), ArtCurrent ? QUrl::fromLocalFile(FArtFile).toString() : QString());
}

bool TMprisPlayer::HasStep(int Step) const {
    if (!AudioDiscIn()) return false;
    try {
        if (FState.PlayMode == pmCustom || FState.PlayMode == pmShuffle) {
            const TPlayProgramme& List =
                FState.PlayMode == pmCustom ? FCatalogue.CurrentDisc.Programme : FState.ShuffleOrder;
            for (int Pos = std::clamp(FState.ProgrammePos, 0, List.Count + 1) + Step;
                 Pos >= 1 && Pos <= List.Count; Pos += Step)
                if (List[Pos] <= FCd.TrackCount && FCd.IsAudioTrack(List[Pos])) return true;
            return false;
        }
        const int Track = CurrentTrack();
        return Step > 0 ? Track < FCd.TrackCount && FCd.NextAudioTrack(Track) != 0
                        : Track > 1 && FCd.PreviousAudioTrack(Track) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

// With repeat on the play goes round, so there is always a next and a previous track.
bool TMprisPlayer::CanGoNext() const {
    return Enabled("btnForward") && (FState.RepeatOn || HasStep(+1));
}

bool TMprisPlayer::CanGoPrevious() const {
    return Enabled("btnBack") && (FState.RepeatOn || HasStep(-1));
}

// Play is possible while the disc plays or pauses too: it then leaves the play as it is or resumes it.
bool TMprisPlayer::CanPlay() const {
    return Enabled("btnPlay") || Enabled("btnPause");
}

// Pause and Seek stay possible while a disc with audio is in: a pause while stopped does nothing, a
// seek while stopped moves the head.
bool TMprisPlayer::CanPause() const {
    return AudioDiscIn();
}

bool TMprisPlayer::CanSeek() const {
    return AudioDiscIn();
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
    S.Track = CurrentMprisTrack();
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
        if (std::abs(Here - Expected) > JumpTolerance) SendSeeked(Here);
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
    Signal << TMprisBusObject::PlayerInterface << Changed << QStringList();
    FBus.send(Signal);
}

void TMprisPlayer::SendSeeked(qlonglong Position) {
    QDBusMessage Signal = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), TMprisBusObject::PlayerInterface, QStringLiteral("Seeked"));
    Signal << Position;
    FBus.send(Signal);
}

// --- commands -----------------------------------------------------------------------------------------

void TMprisPlayer::Later(std::function<void()> Command) {
    QTimer::singleShot(0, this, [this, Command = std::move(Command)] {
        if (!FHandset) return;
        Command();
        Refresh();
    });
}

void TMprisPlayer::Click(const char* Name) {
    if (QToolButton* B = Button(Name)) B->click();
}

void TMprisPlayer::Raise() {
    Later([this] { FHandset->RaiseHandset(); });
}

void TMprisPlayer::Quit() {
    Later([this] { FHandset->Exit1Click(); });
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

void TMprisPlayer::Step(int Direction) {
    const char* Name = Direction > 0 ? "btnForward" : "btnBack";
    if (!Enabled(Name)) return;
    if (HasStep(Direction)) {
        Click(Name);
        return;
    }
    if (!FState.RepeatOn) {
        // Nothing further this way: the play ends, as a desktop expects of Next at the last track.
        if (FCd.Playing || FCd.Paused) Click("btnStop");
        return;
    }
    if (FState.PlayMode == pmCustom || FState.PlayMode == pmShuffle) {
        const TPlayProgramme& List =
            FState.PlayMode == pmCustom ? FCatalogue.CurrentDisc.Programme : FState.ShuffleOrder;
        FState.ProgrammePos = Direction > 0 ? 0 : List.Count + 1;
        Click(Name);
        return;
    }
    GuardedCall([&] {
        const int Track = Direction > 0 ? FCd.NextAudioTrack(0) : FCd.PreviousAudioTrack(FCd.TrackCount + 1);
        if (Track >= 1) FCd.GoToTrack(Track);
    });
}

void TMprisPlayer::Next() {
    Later([this] { Step(+1); });
}

void TMprisPlayer::Previous() {
    Later([this] { Step(-1); });
}

void TMprisPlayer::JumpTo(int Track, qlonglong Position) {
    const int Frames = MSFToFrames(FCd.TrackStart[Track]) + MicrosecondsToFrames(Position);
    if (!GuardedCall([&] {
            FCd.SeekTo(FramesToMSF(Frames), Track);
            // A stopped drive keeps the new place instead of going back to the disc's start.
            if (!FCd.Playing) FCd.Positioned = true;
        }))
        return;
    FLastPosition = Position;
    FSinceLast.restart();
    SendSeeked(Position);
}

void TMprisPlayer::Seek(qlonglong Offset) {
    Later([this, Offset] {
        const TMprisTrack Current = CurrentMprisTrack();
        if (!CanSeek() || Current.Track == 0) return;
        const qlonglong Target = std::max<qlonglong>(PositionIn(Current.Track) + Offset, 0);
        // Past the end of the track is the next track, as Next goes there.
        if (Target >= Current.Length)
            Step(+1);
        else
            JumpTo(Current.Track, Target);
    });
}

void TMprisPlayer::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    Later([this, Id = TrackId.path(), Position] {
        const TMprisTrack Current = CurrentMprisTrack();
        if (!CanSeek() || Current.Track == 0 || Id != Text(Current.TrackId)) return;
        if (Position < 0 || Position > Current.Length) return;
        JumpTo(Current.Track, Position);
    });
}

QString TMprisPlayer::SetLoopStatus(const QString& Loop) {
    bool Valid = false;
    const bool Repeat = MprisLoopWantsRepeat(Loop.toStdString(), Valid);
    if (!Valid) return QStringLiteral("LoopStatus is None, Track or Playlist, not \"%1\"").arg(Loop);
    Later([this, Repeat, Loop] {
        // Track repeats the track heard, which is the handset's track mode with repeat on; Playlist
        // repeats the play of every other mode, and None leaves the track mode Track had chosen.
        const TPlayMode Mode = MprisLoopMode(Loop.toStdString(), FState.PlayMode, FModeBeforeTrack);
        if (Mode != FState.PlayMode) GuardedCall([&] { FHandset->Core().SetPlayMode(Mode); });
        if (Repeat != FState.RepeatOn) GuardedCall([this] { FHandset->Core().btnRepeatClick(); });
    });
    return {};
}

QString TMprisPlayer::SetRate(double Rate) {
    // A disc plays at its own speed only; a rate of 0 is a pause, as the interface asks.
    if (Rate == 0.0) {
        Pause();
        return {};
    }
    if (Rate != 1.0) return QStringLiteral("Rate is 1.0 only, not %1").arg(Rate);
    return {};
}

void TMprisPlayer::SetShuffle(bool On) {
    Later([this, On] {
        if (On == (FState.PlayMode == pmShuffle) || !AudioDiscIn()) return;
        GuardedCall([&] { FHandset->Core().SetPlayMode(On ? pmShuffle : pmDisc); });
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
        TFourWayVolume& Control = FHandset->FourWay();
        if (Control.OnVolumeChanged) Control.OnVolumeChanged();
        if (Control.OnVolumeReleased) Control.OnVolumeReleased();
    });
}

QStringList TMprisPlayer::UriSchemes() const {
    return {QStringLiteral("cdda"), QStringLiteral("file")};
}

QStringList TMprisPlayer::MimeTypes() const {
    return {QStringLiteral("application/x-cue"), QStringLiteral("application/x-cdrdao-toc"),
            QStringLiteral("application/x-nrg"), QStringLiteral("x-content/audio-cdda")};
}

TMprisRefusal TMprisPlayer::OpenUri(const QString& Uri) {
    std::string Path;
    const QUrl Url(Uri);
    if (IsDiscAddress(Uri.toStdString(), Path)) {
        if (Path.empty()) Path = FSettings.CDROMDrive;
    } else if (Url.isLocalFile()) {
        Path = Url.toLocalFile().toStdString();
        TPreparedImage Image;
        if (!QFileInfo(Url.toLocalFile()).isFile() || PrepareDiscImage(Path, Image) != deOK)
            return {TMprisRefusal::Failed, QStringLiteral("No disc image at %1").arg(Uri)};
    } else {
        return {TMprisRefusal::BadArgument,
                QStringLiteral("Only cdda: and file: addresses are opened, not %1").arg(Uri)};
    }
    if (!FHandset) return {TMprisRefusal::Failed, QStringLiteral("The player is still starting")};
    // Taken now, so the caller hears why a drive cannot be opened; no message box answers a request from
    // the bus. Play follows once the call has been answered.
    const std::string Refused = FHandset->TakeDrive(Path);
    if (!Refused.empty()) return {TMprisRefusal::Failed, Text(Refused)};
    Later([this] { Click("btnPlay"); });
    return {};
}
