// A drive without hardware for tests of timing logic: any table of contents, the same transport state
// machine as the disc drive, and a virtual clock that the test advances. It keeps a log of the commands
// it accepted and can be told to refuse resumes or lose its disc.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "devices/CdDrive.h"
#include "devices/VirtualClock.h"

class TSimulatedDrive : public TCdDrive {
public:
    TSimulatedDrive(TVirtualClock& Clock, TDriveToc Toc);

    std::string Name() const override { return "simulated"; }
    TDriveStatus Status() override;
    int ReadToc(TDriveToc& Toc) override;
    TCdText ReadCdText() override;
    int Play(int FromFrame, int ToFrame) override;
    int Stop() override;
    int Pause() override;
    int Resume() override;
    int Seek(int Frame) override;
    int OpenDoor() override;
    int CloseDoor() override;
    void SetVolume(int Left, int Right) override;
    void SetPcmTap(TPcmTap) override {}
    bool SoundLost() override;
    bool TakeVolumeChange(int& Left, int& Right) override;

    // Test controls.
    void SetCdText(TCdText Text);
    void SetRefuseResume(bool Refuse);
    // The disc disappears as if the drive were unplugged: a play ends, the media is absent.
    void Vanish();
    // The sound server is away for good (SoundLost while playing) or back.
    void SetSoundLost(bool Lost);
    // The desktop's mixer sets the stream's volume.
    void SetVolumeOutside(int Left, int Right);
    // Commands accepted, e.g. "Play 150 3000", "Stop", "Seek 900".
    std::vector<std::string> Log();
    int VolumeLeft();
    int VolumeRight();
    // The end frame of the running or last play.
    int PlayEnd();

private:
    void Update(); // ends a play that reached its end; FLock held
    int PositionNow() const;

    TVirtualClock& FClock;
    TDriveToc FToc;
    TCdText FText;
    std::mutex FLock;
    TCDMode FMode = cmStopped;
    bool FMedia = true;
    int FPosition = 0;
    int FPlayFrom = 0;
    int FPlayEnd = 0;
    std::int64_t FPlayMicros = 0;
    bool FRefuseResume = false;
    bool FSoundLost = false;
    bool FVolumeOutside = false;
    unsigned FSerial = 1;
    int FLeft = 65535, FRight = 65535;
    std::vector<std::string> FLog;
};
