// The CD audio device: commands go to the drive, which plays on its own; status is read back from it.
#include "devices/CdAudio.h"

#include <algorithm>

#include "devices/DiscIdentity.h"
#include "devices/DriveList.h"

namespace {

// A minutes.seconds time as the MSF position of its whole seconds; false when it lies before the disc.
bool MinSecToTarget(TMinSec Time, MSF& Target) {
    if (Time < 0) return false;
    int Minutes = static_cast<int>(TimeRound(TimeInt(Time)));
    int Seconds = static_cast<int>(TimeRound((static_cast<long double>(Time) - Minutes) * 100));
    Minutes += Seconds / 60;
    Seconds %= 60;
    if (Minutes > 99) return false;
    Target = MakeMSF(Minutes, Seconds, 0);
    return true;
}

} // namespace

TCdAudio::TCdAudio(TPlayerSettings& Settings, TPlayerState& State, TCdDriveFactory Factory)
    : FSettings(Settings), FState(State), FFactory(std::move(Factory)) {}

TCdAudio::~TCdAudio() = default;

void TCdAudio::OpenCD(int Drive) {
    CloseCD();
    int Error = deNoDrive;
    std::unique_ptr<TCdDrive> Opened = FFactory ? FFactory(Drive, Error) : nullptr;
    if (!Opened) {
        LastMCIError = Error ? Error : deNoDrive;
        throw EMCIDeviceError(MCIErrorText());
    }
    FDrive = std::move(Opened);
    FTocValid = false;
    if (FTap) FDrive->SetPcmTap(FTap);
    LastMCIError = deOK;
    CDOpen = true;
    SetCDTimeFormat();
    if (OnStatusPoll) OnStatusPoll();
    Paused = false;
}

void TCdAudio::CloseCD() {
    if (FDrive) {
        FDrive.reset();
        FTocValid = false;
        CDOpen = false;
    }
    Paused = false;
}

// Positions are always exchanged with the drive as MSF values, so there is nothing to switch; kept so
// the opening sequence reads as the player expects.
void TCdAudio::SetCDTimeFormat() {
    LastMCIError = deOK;
}

std::uint8_t TCdAudio::CountCDDevices() {
    const int Count = OnCountDrives ? OnCountDrives() : DriveCount();
    return static_cast<std::uint8_t>(std::clamp(Count, 0, 255));
}

// The status routines that the player calls without checking the device give the values of an empty,
// not-ready drive while it is closed, so a poll at the wrong moment shows "no disc" instead of failing.
TCDMode TCdAudio::GetCDMode() {
    return FDrive ? FDrive->Status().Mode : cmNotReady;
}

bool TCdAudio::IsMediaPresent() {
    if (!FDrive) return false;
    const bool Present = FDrive->Status().MediaPresent;
    if (!Present) FTocValid = false;
    return Present;
}

bool TCdAudio::IsDoorOpen() {
    return GetCDMode() == cmOpen;
}

const TDriveToc* TCdAudio::CurrentToc() {
    if (!FDrive) return nullptr;
    const TDriveStatus Status = FDrive->Status();
    if (!Status.MediaPresent) {
        FTocValid = false;
        return nullptr;
    }
    if (FTocValid && Status.DiscSerial == FTocSerial) return &FToc;
    TDriveToc Toc;
    const int Error = FDrive->ReadToc(Toc);
    if (Error) {
        LastMCIError = Error;
        FTocValid = false;
        return nullptr;
    }
    FToc = std::move(Toc);
    FTocSerial = Status.DiscSerial;
    FTocValid = true;
    return &FToc;
}

int TCdAudio::GetTrackCount() {
    CheckCDOpen();
    const TDriveToc* Toc = CurrentToc();
    if (!Toc) return 0;
    LastMCIError = deOK;
    return Toc->TrackCount();
}

MSF TCdAudio::GetTrackStart(int Track) {
    const TDriveToc* Toc = CurrentToc();
    return Toc ? Toc->TrackStart(Track) : 0;
}

MSF TCdAudio::GetTrackLength(int Track) {
    CheckCDOpen();
    const TDriveToc* Toc = CurrentToc();
    return Toc ? Toc->TrackLength(Track) : 0;
}

MSF TCdAudio::GetDiscPosition() {
    return FDrive ? FramesToMSF(FDrive->Status().PositionFrame) : 0;
}

int TCdAudio::GetCurrentTrack() {
    return FDrive ? FDrive->Status().CurrentTrack : 0;
}

std::string TCdAudio::GetDiscIdentity() {
    const TDriveToc* Toc = CurrentToc();
    if (!Toc) {
        if (FDrive && LastMCIError == deOK) LastMCIError = deNoMedia;
        return {};
    }
    LastMCIError = deOK;
    return DiscCodeText(DiscIdentity(*Toc));
}

TCdText TCdAudio::GetCdText() {
    return FDrive && CurrentToc() ? FDrive->ReadCdText() : TCdText{};
}

bool TCdAudio::GetToc(TDriveToc& Toc) {
    const TDriveToc* Current = CurrentToc();
    if (!Current) return false;
    Toc = *Current;
    return true;
}

bool TCdAudio::IsAudioTrack(int Track) {
    const TDriveToc* Toc = CurrentToc();
    return Toc && Track >= 1 && Track <= Toc->TrackCount() &&
           Toc->Tracks[static_cast<std::size_t>(Track - 1)].Audio;
}

int TCdAudio::NextAudioTrack(int After) {
    const TDriveToc* Toc = CurrentToc();
    if (!Toc) return 0;
    for (int T = std::max(After, 0) + 1; T <= Toc->TrackCount(); ++T)
        if (Toc->Tracks[static_cast<std::size_t>(T - 1)].Audio) return T;
    return 0;
}

int TCdAudio::PreviousAudioTrack(int Before) {
    const TDriveToc* Toc = CurrentToc();
    if (!Toc) return 0;
    for (int T = std::min(Before - 1, Toc->TrackCount()); T >= 1; --T)
        if (Toc->Tracks[static_cast<std::size_t>(T - 1)].Audio) return T;
    return 0;
}

void TCdAudio::SendPlay(MSF From, int ToFrame) {
    LastMCIError = FDrive->Play(Frames(From), ToFrame);
    Paused = false;
    Playing = true;
    if (LastMCIError == deOK && OnPlayStarted) OnPlayStarted();
}

void TCdAudio::PlayFrom(MSF Position, int Track) {
    CheckCDOpen();
    int ToFrame = -1;
    const TPlayMode Mode = FState.PlayMode;
    // Single-track modes stop at the next track's start; the last track plays to the end of the disc.
    if (Mode != pmDisc && Mode != pmIntro && Track != TrackCount && Track >= 1 && Track < 99)
        ToFrame = Frames(TrackStart[Track + 1]);
    if (Mode == pmIntro) {
        const TMinSec End = AddTimes(MSFToMinSec(Position), FSettings.IntroTime);
        const int Minutes = static_cast<int>(TimeRound(TimeInt(End)));
        const int Seconds = static_cast<int>(TimeRound((static_cast<long double>(End) - Minutes) * 100));
        IntroEnd = MakeMSF(Minutes, Seconds, 0);
        ToFrame = Frames(IntroEnd);
    }
    SendPlay(Position, ToFrame);
}

void TCdAudio::PlayBookmark() {
    FState.PlayMode = pmDisc;
    SeekCD(FState.BookmarkStart);
    SendPlay(FState.BookmarkStart, Frames(FState.BookmarkEnd));
}

void TCdAudio::StopCD() {
    CheckCDOpen();
    LastMCIError = FDrive->Stop();
    Paused = false;
    Playing = false;
}

void TCdAudio::PauseCD() {
    CheckCDOpen();
    LastMCIError = FDrive->Pause();
    if (LastMCIError == deOK) Paused = true;
}

void TCdAudio::ResumeCD() {
    CheckCDOpen();
    LastMCIError = FDrive->Resume();
    // A drive that cannot resume (a play that was never paused, or one lost meanwhile) starts again
    // where it stands.
    if (LastMCIError != deOK) PlayFrom(GetDiscPosition(), GetCurrentTrack());
    Paused = false;
}

void TCdAudio::TogglePause() {
    if (Playing && !Paused)
        PauseCD();
    else if (Paused)
        ResumeCD();
}

void TCdAudio::SeekCD(MSF Position) {
    CheckCDOpen();
    LastMCIError = FDrive->Seek(Frames(Position));
}

void TCdAudio::JumpToTrack(int Target) {
    SeekTarget = TrackStart[Target];
    if (GetCDMode() == cmPlaying)
        PlayFrom(SeekTarget, Target);
    else
        LastMCIError = FDrive->Seek(Frames(SeekTarget));
}

// Track jumps go to audio tracks only: a data track is passed over, and a jump that finds no audio
// track in its direction does nothing, as at the first or last track.
void TCdAudio::GoToTrack(int Track) {
    CheckCDOpen();
    Paused = false;
    Positioned = true;
    if (Track > TrackCount || Track < 1 || !IsAudioTrack(Track)) return;
    JumpToTrack(Track);
}

void TCdAudio::NextTrack() {
    CheckCDOpen();
    Paused = false;
    Positioned = true;
    const int Current = GetCurrentTrack();
    if (Current >= TrackCount) return;
    const int Target = NextAudioTrack(Current);
    if (Target >= 1 && Target <= TrackCount) JumpToTrack(Target);
}

void TCdAudio::PreviousTrack() {
    CheckCDOpen();
    Paused = false;
    Positioned = true;
    const int Current = GetCurrentTrack();
    if (Current <= 1 || Current > TrackCount) return;
    const int Target = PreviousAudioTrack(Current);
    if (Target >= 1) JumpToTrack(Target);
}

void TCdAudio::Skip(bool Forward) {
    const MSF Position = GetDiscPosition();
    const int Track = GetCurrentTrack();
    const TMinSec Here = MSFToMinSec(Position);
    const TMinSec Time = Forward ? AddTimes(Here, FSettings.SkipTime) : SubTimes(Here, FSettings.SkipTime);
    MSF Target = 0;
    // A target before the start of the disc would wrap round in the packed form; the device refuses it
    // like any other position off the disc.
    if (!MinSecToTarget(Time, Target)) {
        LastMCIError = deOutOfRange;
        return;
    }
    SeekTo(Target, Track);
}

void TCdAudio::SeekTo(MSF Position, int Track) {
    CheckCDOpen();
    SeekTarget = Position;
    if (GetCDMode() == cmPlaying)
        PlayFrom(SeekTarget, Track);
    else
        SeekCD(SeekTarget);
}

void TCdAudio::SkipForward() {
    CheckCDOpen();
    Skip(true);
}

// While stopped or paused a skip back moves the head as a skip forward does, so the two buttons behave
// alike.
void TCdAudio::SkipBack() {
    CheckCDOpen();
    Paused = false;
    Skip(false);
}

void TCdAudio::OpenDoor() {
    CheckCDOpen();
    LastMCIError = FDrive->OpenDoor();
    Paused = false;
}

void TCdAudio::CloseDoor() {
    CheckCDOpen();
    LastMCIError = FDrive->CloseDoor();
    Paused = false;
}

void TCdAudio::ApplyVolume() {
    CheckCDOpen();
    FDrive->SetVolume(FSettings.VolumeLeft & 0xFFFF, FSettings.VolumeRight & 0xFFFF);
}

void TCdAudio::CheckCDOpen() {
    if (!CDOpen || !FDrive) throw EMCIDeviceError("CD device not open");
}

std::string TCdAudio::MCIErrorText() {
    return DeviceErrorText(LastMCIError);
}

void TCdAudio::SetPcmTap(TPcmTap Tap) {
    FTap = std::move(Tap);
    if (FDrive) FDrive->SetPcmTap(FTap);
}

std::string TCdAudio::DriveName() const {
    return FDrive ? FDrive->Name() : std::string();
}
