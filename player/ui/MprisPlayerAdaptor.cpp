#include "player/ui/MprisPlayerAdaptor.h"

#include "player/ui/MprisPlayer.h"

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisPlayer* Player)
    : QDBusAbstractAdaptor(Player), FPlayer(Player) {
    connect(Player, &TMprisPlayer::Seeked, this, &TMprisPlayerAdaptor::Seeked);
}

QString TMprisPlayerAdaptor::PlaybackStatus() const {
    return FPlayer->PlaybackStatus();
}

QString TMprisPlayerAdaptor::LoopStatus() const {
    return FPlayer->LoopStatus();
}

void TMprisPlayerAdaptor::SetLoopStatus(const QString& Loop) {
    FPlayer->SetLoopStatus(Loop);
}

bool TMprisPlayerAdaptor::Shuffle() const {
    return FPlayer->Shuffle();
}

void TMprisPlayerAdaptor::SetShuffle(bool On) {
    FPlayer->SetShuffle(On);
}

QVariantMap TMprisPlayerAdaptor::Metadata() const {
    return FPlayer->Metadata();
}

double TMprisPlayerAdaptor::Volume() const {
    return FPlayer->Volume();
}

void TMprisPlayerAdaptor::SetVolume(double Volume) {
    FPlayer->SetVolume(Volume);
}

qlonglong TMprisPlayerAdaptor::Position() const {
    return FPlayer->Position();
}

bool TMprisPlayerAdaptor::CanGoNext() const {
    return FPlayer->CanGoNext();
}

bool TMprisPlayerAdaptor::CanGoPrevious() const {
    return FPlayer->CanGoPrevious();
}

bool TMprisPlayerAdaptor::CanPlay() const {
    return FPlayer->CanPlay();
}

bool TMprisPlayerAdaptor::CanPause() const {
    return FPlayer->CanPause();
}

bool TMprisPlayerAdaptor::CanSeek() const {
    return FPlayer->CanSeek();
}

void TMprisPlayerAdaptor::Next() {
    FPlayer->Next();
}

void TMprisPlayerAdaptor::Previous() {
    FPlayer->Previous();
}

void TMprisPlayerAdaptor::Pause() {
    FPlayer->Pause();
}

void TMprisPlayerAdaptor::PlayPause() {
    FPlayer->PlayPause();
}

void TMprisPlayerAdaptor::Stop() {
    FPlayer->Stop();
}

void TMprisPlayerAdaptor::Play() {
    FPlayer->Play();
}

void TMprisPlayerAdaptor::Seek(qlonglong Offset) {
    FPlayer->Seek(Offset);
}

void TMprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    FPlayer->SetPosition(TrackId, Position);
}
