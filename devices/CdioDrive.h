// The disc drive through libcdio: a physical drive or a disc image (CUE/BIN, cdrdao TOC, NRG). Playback is
// digital: a worker thread reads audio sectors and feeds the sound output, and the drive's position is
// what the output has played. The play stops by itself at its end point.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/CdDrive.h"
#include "devices/DiscImageCheck.h"
#include "devices/SoundOutput.h"

struct _CdIo;
struct cdrom_drive_s;
struct cdrom_paranoia_s;

class TCdioDrive : public TCdDrive {
public:
    // Opens a device (Physical) or an image. Returns null and sets Error when it cannot be opened. A
    // physical drive opens without a disc in it; an image must be readable.
    static std::unique_ptr<TCdioDrive> Open(const std::string& Path, bool Physical,
                                            TSoundOutputFactory Output, int& Error);
    ~TCdioDrive() override;

    std::string Name() const override { return FPath; }
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
    void SetPcmTap(TPcmTap Tap) override;

    // Error of the last play that ended on its own for a reason other than its end point (0 when none).
    int LastPlayError();
    bool SoundLost() override;
    bool TakeVolumeChange(int& Left, int& Right) override;

    // Whether an image is first read in a child process (the default). The fuzz targets turn it off to see
    // what the checks let through.
    static void SetImageProbe(bool On);

    static constexpr int SamplesPerFrame = 588; // stereo sample frames in one 1/75 s sector
    static constexpr int SectorBytes = 2352;

private:
    TCdioDrive(std::string Path, bool Physical, TSoundOutputFactory Output);
    int OpenDisc();   // opens libcdio on the path and reads the table; FIoLock held
    void CloseDisc(); // FIoLock held
    void RefreshPhysical();
    void HaltPlay();      // FLock held
    int UpdatePosition(); // FLock held; returns the position
    bool ReadSectors(int Frame, int Count, std::vector<std::int16_t>& Out);
    void WorkerLoop();
    bool WorkOnce(); // one step of the worker; false when it found nothing to do
    void DoorCommand(bool Open);

    const std::string FPath;
    const bool FPhysical;
    TSoundOutputFactory FOutputFactory;
    std::unique_ptr<TSoundOutput> FOutput;

    std::mutex FIoLock;    // the libcdio handles
    TPreparedImage FImage; // what libcdio was given for an image
    _CdIo* FCdio = nullptr;
    cdrom_drive_s* FCdda = nullptr;
    cdrom_paranoia_s* FParanoia = nullptr;
    int FParanoiaNext = -1; // frame the paranoia reader stands at

    std::mutex FLock; // the state below
    std::condition_variable FWake;
    TDriveToc FToc;
    TCdText FText;
    bool FMedia = false;
    bool FTrayOpen = false;
    unsigned FSerial = 0;
    TCDMode FMode = cmNotReady;
    int FPosition = 0;
    int FPlayFrom = 0, FPlayEnd = 0, FNextRead = 0;
    unsigned FGeneration = 0;
    std::vector<std::int16_t> FPending;
    std::size_t FPendingOffset = 0; // samples of FPending already written
    int FGainLeft = 65535, FGainRight = 65535;
    bool FStreamVolume = false; // the output's stream carries the volume: the samples go out unscaled
    int FPlayError = 0;
    bool FQuit = false;
    unsigned FWorkerGeneration = 0; // the generation the worker's last step saw
    std::int64_t FLastRefresh = 0;
    bool FDoorBusy = false; // the door thread is moving the tray of a physical drive
    int FFd = -1;
    std::vector<std::int16_t> FTapBlock; // worker only: the block handed to the tap

    std::mutex FTapLock;
    TPcmTap FTap;

    std::thread FWorker;
    std::thread FDoorThread;
};
