// The CD audio device as the player sees it: opening a drive, reading its status and table of contents,
// and the transport commands. Commands return at once; the status poll sees their effect.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/base/Settings.h"
#include "devices/CdDrive.h"
#include "devices/base/CDMode.h"
#include "devices/base/TimeValues.h"
#include "player/base/PlayerState.h"

// The one exception the device layer raises: a device that is not open or cannot be opened.
class EMCIDeviceError : public std::runtime_error {
public:
    explicit EMCIDeviceError(const std::string& Msg) : std::runtime_error(Msg) {}
};

class TCdAudio {
public:
    // Settings supplies IntroTime, SkipTime and the volumes; State the play mode and the bookmark.
    // Factory opens drive n of the drive list (DriveList.h gives the program's one, tests pass a
    // simulated drive).
    TCdAudio(TPlayerSettings& Settings, TPlayerState& State, TCdDriveFactory Factory);
    ~TCdAudio();
    TCdAudio(const TCdAudio&) = delete;
    TCdAudio& operator=(const TCdAudio&) = delete;

    // Run by OpenCD after the time format switch; the player core sets it to its status poll.
    std::function<void()> OnStatusPoll;
    // Run after the drive has accepted a play command.
    std::function<void()> OnPlayStarted;
    // Counts the drives for CountCDDevices; defaults to the size of the drive list.
    std::function<int()> OnCountDrives;

    // Opening and status.
    void OpenCD(int Drive); // raises EMCIDeviceError when the drive cannot be opened
    void CloseCD();
    void SetCDTimeFormat();
    std::uint8_t CountCDDevices();
    TCDMode GetCDMode();
    bool IsMediaPresent();
    bool IsDoorOpen();
    int GetTrackCount();
    MSF GetTrackStart(int Track);
    MSF GetTrackLength(int Track);
    MSF GetDiscPosition();
    int GetCurrentTrack();
    // The disc code: the identity as 16 upper-case hexadecimal digits; empty without a disc.
    std::string GetDiscIdentity();
    // CD-TEXT of the disc in the drive (empty fields when it has none).
    TCdText GetCdText();
    // The table of contents of the disc in the drive; false (and Toc left alone) without a disc.
    bool GetToc(TDriveToc& Toc);
    // Whether track Track of the disc in the drive holds audio; data tracks are never played.
    bool IsAudioTrack(int Track);
    // The first audio track after After (0: from the first track), or 0 when there is none; the last
    // audio track before Before, or 0.
    int NextAudioTrack(int After);
    int PreviousAudioTrack(int Before);

    // Transport.
    void PlayFrom(MSF Position, int Track);
    void PlayBookmark();
    void StopCD();
    void PauseCD();
    void ResumeCD();
    void TogglePause();
    // True while the play cannot be heard because the sound server has been away for a while.
    bool SoundLost() { return FDrive && FDrive->SoundLost(); }
    // A volume the desktop's mixer set on the drive's sound stream since the last call.
    bool TakeVolumeChange(int& Left, int& Right) { return FDrive && FDrive->TakeVolumeChange(Left, Right); }
    void SeekCD(MSF Position);
    void GoToTrack(int Track);
    void NextTrack();
    void PreviousTrack();
    void SkipForward();
    void SkipBack();
    // Moves to Position on the disc: a play goes on from there within track Track's play, a drive that
    // is not playing only moves its head.
    void SeekTo(MSF Position, int Track);
    void OpenDoor();
    void CloseDoor();
    void ApplyVolume();

    void CheckCDOpen();
    std::string MCIErrorText();

    // The recording tap of the wave device: the PCM the play sends to the sound output.
    void SetPcmTap(TPcmTap Tap);
    // Name of the open drive (device path or image file); empty when closed.
    std::string DriveName() const;

    // Device state, zero at start.
    bool CDOpen = false;
    bool Playing = false;
    bool Paused = false;
    bool Positioned = false;
    MSF SeekTarget = 0;
    MSF IntroEnd = 0;
    int LastMCIError = 0;
    int TrackCount = 0;
    MSF TrackStart[100] = {};  // index 1..99
    MSF TrackLength[100] = {}; // index 1..99

private:
    // Frame position from an MSF value, for the drive.
    static int Frames(MSF Position) { return MSFToFrames(Position); }
    // The drive's table of contents, read once per disc and forgotten when the media goes.
    const TDriveToc* CurrentToc();
    void SendPlay(MSF From, int ToFrame);
    void JumpToTrack(int Target);
    void Skip(bool Forward);

    TPlayerSettings& FSettings;
    TPlayerState& FState;
    TCdDriveFactory FFactory;
    std::unique_ptr<TCdDrive> FDrive;
    TPcmTap FTap;
    TDriveToc FToc;
    bool FTocValid = false;
    unsigned FTocSerial = 0;
};
