// Simulated drive on a virtual clock.
#include "devices/SimulatedDrive.h"

TSimulatedDrive::TSimulatedDrive(TVirtualClock& Clock, TDriveToc Toc) : FClock(Clock), FToc(std::move(Toc)) {
    FPosition = FToc.Tracks.empty() ? 0 : FToc.Tracks.front().StartFrame;
}

int TSimulatedDrive::PositionNow() const {
    const std::int64_t Elapsed = FClock.NowMicros() - FPlayMicros;
    return FPlayFrom + static_cast<int>(Elapsed * FramesPerSecond / 1000000);
}

void TSimulatedDrive::Update() {
    if (FMode != cmPlaying) return;
    FPosition = PositionNow();
    if (FPosition >= FPlayEnd) {
        FMode = cmStopped;
        FPosition = FPlayEnd - 1;
    }
}

TDriveStatus TSimulatedDrive::Status() {
    std::lock_guard Guard(FLock);
    Update();
    TDriveStatus S;
    S.Mode = FMode;
    S.MediaPresent = FMedia;
    S.DoorOpen = FMode == cmOpen;
    S.PositionFrame = FMedia ? FPosition : 0;
    S.CurrentTrack = FMedia ? FToc.TrackAt(FPosition) : 0;
    S.DiscSerial = FSerial;
    return S;
}

int TSimulatedDrive::ReadToc(TDriveToc& Toc) {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    Toc = FToc;
    return deOK;
}

TCdText TSimulatedDrive::ReadCdText() {
    std::lock_guard Guard(FLock);
    return FMedia ? FText : TCdText{};
}

int TSimulatedDrive::Play(int FromFrame, int ToFrame) {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    int End = 0;
    if (int Error = PlanPlay(FToc, FromFrame, ToFrame, End)) return Error;
    FMode = cmPlaying;
    FPlayFrom = FPosition = FromFrame;
    FPlayEnd = End;
    FPlayMicros = FClock.NowMicros();
    FLog.push_back("Play " + std::to_string(FromFrame) + " " + std::to_string(ToFrame));
    return deOK;
}

int TSimulatedDrive::Stop() {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    Update();
    FMode = cmStopped;
    FLog.push_back("Stop");
    return deOK;
}

int TSimulatedDrive::Pause() {
    std::lock_guard Guard(FLock);
    Update();
    if (FMode == cmPaused) return deOK;
    if (FMode != cmPlaying) return deNotPlaying;
    FMode = cmPaused;
    FLog.push_back("Pause");
    return deOK;
}

int TSimulatedDrive::Resume() {
    std::lock_guard Guard(FLock);
    if (FMode != cmPaused || FRefuseResume) return deNotPaused;
    FMode = cmPlaying;
    FPlayFrom = FPosition;
    FPlayMicros = FClock.NowMicros();
    FLog.push_back("Resume");
    return deOK;
}

int TSimulatedDrive::Seek(int Frame) {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    if (int Error = CheckSeek(FToc, Frame)) return Error;
    FMode = cmStopped;
    FPosition = Frame;
    FLog.push_back("Seek " + std::to_string(Frame));
    return deOK;
}

int TSimulatedDrive::OpenDoor() {
    std::lock_guard Guard(FLock);
    FMode = cmOpen;
    FMedia = false;
    FLog.push_back("Open");
    return deOK;
}

int TSimulatedDrive::CloseDoor() {
    std::lock_guard Guard(FLock);
    if (FMode == cmOpen) {
        FMode = cmStopped;
        FMedia = !FToc.Tracks.empty();
        ++FSerial;
        FPosition = FMedia ? FToc.Tracks.front().StartFrame : 0;
    }
    FLog.push_back("Close");
    return deOK;
}

void TSimulatedDrive::SetVolume(int Left, int Right) {
    std::lock_guard Guard(FLock);
    FLeft = Left;
    FRight = Right;
}

void TSimulatedDrive::SetCdText(TCdText Text) {
    std::lock_guard Guard(FLock);
    FText = std::move(Text);
}

void TSimulatedDrive::SetRefuseResume(bool Refuse) {
    std::lock_guard Guard(FLock);
    FRefuseResume = Refuse;
}

void TSimulatedDrive::Vanish() {
    std::lock_guard Guard(FLock);
    Update();
    FMode = cmNotReady;
    FMedia = false;
}

std::vector<std::string> TSimulatedDrive::Log() {
    std::lock_guard Guard(FLock);
    return FLog;
}

int TSimulatedDrive::VolumeLeft() {
    std::lock_guard Guard(FLock);
    return FLeft;
}

int TSimulatedDrive::VolumeRight() {
    std::lock_guard Guard(FLock);
    return FRight;
}

int TSimulatedDrive::PlayEnd() {
    std::lock_guard Guard(FLock);
    return FPlayEnd;
}

bool TSimulatedDrive::SoundLost() {
    std::lock_guard Guard(FLock);
    Update();
    return FSoundLost && FMode == cmPlaying;
}

void TSimulatedDrive::SetSoundLost(bool Lost) {
    std::lock_guard Guard(FLock);
    FSoundLost = Lost;
}

bool TSimulatedDrive::TakeVolumeChange(int& Left, int& Right) {
    std::lock_guard Guard(FLock);
    if (!FVolumeOutside) return false;
    FVolumeOutside = false;
    Left = FLeft;
    Right = FRight;
    return true;
}

void TSimulatedDrive::SetVolumeOutside(int Left, int Right) {
    std::lock_guard Guard(FLock);
    FLeft = Left;
    FRight = Right;
    FVolumeOutside = true;
}
