// libcdio drive with digital playback.
#include "devices/CdioDrive.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/base/TextEncoding.h"
#include "devices/ChildProcess.h"
#include "devices/NullSoundOutput.h"

namespace {

constexpr int LeadInFrames = 150;
constexpr int ChunkSectors = 8; // about 107 ms of audio per read
constexpr std::int64_t RefreshMicros = 250000;
// How often the worker tops the output up while a play runs: well inside the output's buffer.
constexpr int PlayingWakeMillis = 60;

std::int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// libcdio reports problems of damaged images on stderr; the player reports them itself.
void QuietLog(cdio_log_level_t, const char*) {}

std::string TextField(cdtext_t* Text, cdtext_field_t Field, track_t Track) {
    const char* Value = cdtext_get_const(Text, Field, Track);
    // The disc's own text: a control character in it would reach the screen and the catalogue.
    return Value ? CleanText(Value) : "";
}

} // namespace

TCdioDrive::TCdioDrive(std::string Path, bool Physical, TSoundOutputFactory Output)
    : FPath(std::move(Path)), FPhysical(Physical), FOutputFactory(std::move(Output)) {}

std::unique_ptr<TCdioDrive> TCdioDrive::Open(const std::string& Path, bool Physical,
                                             TSoundOutputFactory Output, int& Error) {
    static const bool Quiet = (cdio_log_set_handler(QuietLog), true);
    (void)Quiet;
    std::error_code Ec;
    if (Path.empty() || !std::filesystem::exists(Path, Ec)) {
        Error = deNoDrive;
        return nullptr;
    }
    std::unique_ptr<TCdioDrive> Drive(new TCdioDrive(Path, Physical, std::move(Output)));
    if (Physical) {
        Drive->FFd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (Drive->FFd < 0) {
            Error = errno == ENOENT || errno == ENXIO || errno == ENODEV ? deNoDrive : deDriveBusy;
            return nullptr;
        }
        Drive->RefreshPhysical();
    } else {
        std::lock_guard Io(Drive->FIoLock);
        if (int Failed = Drive->OpenDisc()) {
            Error = Failed;
            return nullptr;
        }
    }
    if (!Drive->FOutputFactory) Drive->FOutputFactory = [] { return std::make_unique<TNullSoundOutput>(); };
    Drive->FOutput = Drive->FOutputFactory();
    Drive->FWorker = std::thread([D = Drive.get()] { D->WorkerLoop(); });
    Error = deOK;
    return Drive;
}

TCdioDrive::~TCdioDrive() {
    if (FDoorThread.joinable()) FDoorThread.join();
    {
        std::lock_guard Guard(FLock);
        FQuit = true;
        HaltPlay();
    }
    FWake.notify_all();
    if (FWorker.joinable()) FWorker.join();
    {
        std::lock_guard Io(FIoLock);
        CloseDisc();
    }
    if (FFd >= 0) ::close(FFd);
}

namespace {

// Reads the table, the CD-TEXT and (for an image) the first and last sector of every audio track.
int ReadDisc(CdIo_t* Cdio, bool Physical, int FirstTrack, TDriveToc& Toc, TCdText& Text) {
    const track_t First = cdio_get_first_track_num(Cdio);
    const track_t Count = cdio_get_num_tracks(Cdio);
    if (First == CDIO_INVALID_TRACK || Count == CDIO_INVALID_TRACK || Count == 0 || Count > 99)
        return deBadToc;
    for (track_t T = First; T < First + Count; ++T) {
        const lsn_t Lsn = cdio_get_track_lsn(Cdio, T);
        if (Lsn == CDIO_INVALID_LSN) return deBadToc;
        const int Number = FirstTrack > 0 ? T - First + FirstTrack : T;
        Toc.Tracks.push_back(
            {Number, Lsn + LeadInFrames, cdio_get_track_format(Cdio, T) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t LeadOut = cdio_get_track_lsn(Cdio, CDIO_CDROM_LEADOUT_TRACK);
    Toc.LeadOutFrame = LeadOut == CDIO_INVALID_LSN ? 0 : LeadOut + LeadInFrames;
    if (int Error = ValidateToc(Toc)) return Error;
    if (!Physical) {
        // An image whose data file is missing or cut short fails here rather than in the middle of a play.
        std::vector<std::uint8_t> Sector(TCdioDrive::SectorBytes);
        for (int T = 1; T <= Toc.TrackCount(); ++T) {
            const TTocTrack& Track = Toc.Tracks[static_cast<std::size_t>(T - 1)];
            if (!Track.Audio) continue;
            const int Last = (T < Toc.TrackCount() ? Toc.Tracks[static_cast<std::size_t>(T)].StartFrame
                                                   : Toc.LeadOutFrame) -
                             1;
            for (int Frame : {Track.StartFrame, Last})
                if (cdio_read_audio_sectors(Cdio, Sector.data(), Frame - LeadInFrames, 1) !=
                    DRIVER_OP_SUCCESS)
                    return deBadImage;
        }
    }
    if (cdtext_t* Raw = cdio_get_cdtext(Cdio)) {
        Text.DiscTitle = TextField(Raw, CDTEXT_FIELD_TITLE, 0);
        Text.DiscPerformer = TextField(Raw, CDTEXT_FIELD_PERFORMER, 0);
        Text.DiscComposer = TextField(Raw, CDTEXT_FIELD_COMPOSER, 0);
        for (track_t T = First; T < First + Count; ++T) {
            Text.TrackTitles.push_back(TextField(Raw, CDTEXT_FIELD_TITLE, T));
            Text.TrackPerformers.push_back(TextField(Raw, CDTEXT_FIELD_PERFORMER, T));
        }
    }
    return deOK;
}

std::atomic<bool> ProbeImages{true};

} // namespace

void TCdioDrive::SetImageProbe(bool On) {
    ProbeImages = On;
}

int TCdioDrive::OpenDisc() {
    CloseDisc();
    if (!FPhysical) {
        if (int Error = PrepareDiscImage(FPath, FImage)) return Error;
        // libcdio's image readers do not survive every damaged image; a first reading in a child process
        // turns a crash or a hang there into an error here.
        if (ProbeImages) {
            const int Probe = RunInChildProcess(
                [this] {
                    CdIo_t* Cdio =
                        cdio_open(FImage.OpenPath.c_str(), static_cast<driver_id_t>(FImage.Driver));
                    if (!Cdio) return int(deBadImage);
                    TDriveToc Toc;
                    TCdText Text;
                    return ReadDisc(Cdio, false, FImage.FirstTrack, Toc, Text);
                },
                15000);
            if (Probe != deOK) {
                CloseDisc();
                return Probe < 0 ? deBadImage : Probe;
            }
        }
    }
    FCdio = FPhysical ? cdio_open(FPath.c_str(), DRIVER_DEVICE)
                      : cdio_open(FImage.OpenPath.c_str(), static_cast<driver_id_t>(FImage.Driver));
    if (!FCdio) {
        CloseDisc();
        return FPhysical ? deDriveBusy : deBadImage;
    }
    TDriveToc Toc;
    TCdText Text;
    if (int Error = ReadDisc(FCdio, FPhysical, FImage.FirstTrack, Toc, Text)) {
        CloseDisc();
        return Error;
    }
    if (FPhysical) {
        FCdda = cdio_cddap_identify_cdio(FCdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (FCdda && cdio_cddap_open(FCdda) == 0) {
            FParanoia = cdio_paranoia_init(FCdda);
            cdio_paranoia_modeset(FParanoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
        }
        FParanoiaNext = -1;
    }
    std::lock_guard Guard(FLock);
    FToc = std::move(Toc);
    FText = std::move(Text);
    FMedia = true;
    FTrayOpen = false;
    ++FSerial;
    FMode = cmStopped;
    FPosition = FToc.Tracks.front().StartFrame;
    return deOK;
}

void TCdioDrive::CloseDisc() {
    if (FParanoia) cdio_paranoia_free(FParanoia);
    FParanoia = nullptr;
    if (FCdda) cdio_cddap_close_no_free_cdio(FCdda);
    FCdda = nullptr;
    if (FCdio) cdio_destroy(FCdio);
    FCdio = nullptr;
    FImage.Clear();
}

// Media and tray of a physical drive come from the drive status ioctl; a newly seen disc is opened and
// its table read, a disc that went away ends any play.
void TCdioDrive::RefreshPhysical() {
    const std::int64_t Now = NowMicros();
    {
        std::lock_guard Guard(FLock);
        // While the door thread moves the tray it owns the disc state.
        if (FDoorBusy) return;
        if (FLastRefresh != 0 && Now - FLastRefresh < RefreshMicros) return;
        FLastRefresh = Now;
    }
    const int DriveStatus = ::ioctl(FFd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    const bool DiscOk = DriveStatus == CDS_DISC_OK;
    bool HaveDisc;
    {
        std::lock_guard Guard(FLock);
        HaveDisc = FMedia;
        FTrayOpen = DriveStatus == CDS_TRAY_OPEN;
        // An empty drive shows its tray: open, or closed and not ready.
        if (!HaveDisc && !DiscOk) FMode = FTrayOpen ? cmOpen : cmNotReady;
    }
    if (DiscOk == HaveDisc) return;
    // The worker may be in the middle of a slow read; try again at the next refresh rather than wait.
    std::unique_lock Io(FIoLock, std::try_to_lock);
    if (!Io.owns_lock()) {
        std::lock_guard Guard(FLock);
        FLastRefresh = 0;
        return;
    }
    if (DiscOk) {
        if (OpenDisc() != deOK) {
            std::lock_guard Guard(FLock);
            FMode = cmNotReady;
        }
    } else {
        CloseDisc();
        std::lock_guard Guard(FLock);
        HaltPlay();
        FMedia = false;
        FToc = {};
        FText = {};
        FMode = FTrayOpen ? cmOpen : cmNotReady;
    }
}

TDriveStatus TCdioDrive::Status() {
    if (FPhysical) RefreshPhysical();
    std::lock_guard Guard(FLock);
    TDriveStatus S;
    S.Mode = FMode;
    S.MediaPresent = FMedia;
    S.DoorOpen = FTrayOpen || FMode == cmOpen;
    S.PositionFrame = FMedia ? UpdatePosition() : 0;
    S.CurrentTrack = FMedia ? FToc.TrackAt(S.PositionFrame) : 0;
    S.DiscSerial = FSerial;
    return S;
}

int TCdioDrive::UpdatePosition() {
    if (FMode == cmPlaying || FMode == cmPaused) {
        const std::uint64_t Played = FOutput->PlayedFrames() / SamplesPerFrame;
        FPosition = std::min(FPlayEnd - 1, FPlayFrom + static_cast<int>(Played));
    }
    return FPosition;
}

int TCdioDrive::ReadToc(TDriveToc& Toc) {
    if (FPhysical) RefreshPhysical();
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    Toc = FToc;
    return deOK;
}

TCdText TCdioDrive::ReadCdText() {
    std::lock_guard Guard(FLock);
    return FMedia ? FText : TCdText{};
}

void TCdioDrive::HaltPlay() {
    if (FMode == cmPlaying || FMode == cmPaused) {
        UpdatePosition();
        FMode = cmStopped;
    }
    if (FOutput) FOutput->Stop();
    FPending.clear();
    FPendingOffset = 0;
    ++FGeneration;
}

int TCdioDrive::Play(int FromFrame, int ToFrame) {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    int End = 0;
    if (int Error = PlanPlay(FToc, FromFrame, ToFrame, End)) return Error;
    HaltPlay();
    if (FOutput->Start(44100, 2) != deOK) {
        // A sound server that refuses the stream must not stop the player: play on the clocked output.
        FOutput = std::make_unique<TNullSoundOutput>();
        FOutput->Start(44100, 2);
        FStreamVolume = false;
    }
    FPlayFrom = FNextRead = FPosition = FromFrame;
    FPlayEnd = End;
    FPlayError = 0;
    FMode = cmPlaying;
    FWake.notify_all();
    return deOK;
}

int TCdioDrive::Stop() {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    HaltPlay();
    return deOK;
}

int TCdioDrive::Pause() {
    std::lock_guard Guard(FLock);
    if (FMode == cmPaused) return deOK;
    if (FMode != cmPlaying) return deNotPlaying;
    UpdatePosition();
    FOutput->SetPaused(true);
    FMode = cmPaused;
    return deOK;
}

int TCdioDrive::Resume() {
    std::lock_guard Guard(FLock);
    if (FMode != cmPaused) return deNotPaused;
    FOutput->SetPaused(false);
    FMode = cmPlaying;
    FWake.notify_all();
    return deOK;
}

int TCdioDrive::Seek(int Frame) {
    std::lock_guard Guard(FLock);
    if (!FMedia) return deNoMedia;
    if (int Error = CheckSeek(FToc, Frame)) return Error;
    HaltPlay();
    FMode = cmStopped;
    FPosition = Frame;
    return deOK;
}

void TCdioDrive::DoorCommand(bool Open) {
    // Moving a tray takes seconds; the caller goes on while it moves.
    if (FDoorThread.joinable()) FDoorThread.join();
    {
        std::lock_guard Guard(FLock);
        FDoorBusy = true;
    }
    FDoorThread = std::thread([this, Open] {
        if (Open) {
            {
                std::lock_guard Io(FIoLock);
                CloseDisc();
                std::lock_guard Guard(FLock);
                HaltPlay();
                FMedia = false;
                FMode = cmOpen;
            }
            cdio_eject_media_drive(FPath.c_str());
        } else {
            cdio_close_tray(FPath.c_str(), nullptr);
        }
        std::lock_guard Guard(FLock);
        FDoorBusy = false;
        FLastRefresh = 0;
    });
}

int TCdioDrive::OpenDoor() {
    if (FPhysical) {
        DoorCommand(true);
        return deOK;
    }
    std::lock_guard Guard(FLock);
    HaltPlay();
    FMedia = false;
    FMode = cmOpen;
    return deOK;
}

int TCdioDrive::CloseDoor() {
    if (FPhysical) {
        DoorCommand(false);
        return deOK;
    }
    std::lock_guard Guard(FLock);
    if (FMode == cmOpen) {
        FMedia = true;
        ++FSerial;
        FMode = cmStopped;
        FPosition = FToc.Tracks.front().StartFrame;
    }
    return deOK;
}

void TCdioDrive::SetVolume(int Left, int Right) {
    std::lock_guard Guard(FLock);
    FGainLeft = std::clamp(Left, 0, 65535);
    FGainRight = std::clamp(Right, 0, 65535);
    FStreamVolume = FOutput && FOutput->SetVolume(FGainLeft, FGainRight);
}

void TCdioDrive::SetPcmTap(TPcmTap Tap) {
    std::lock_guard Guard(FTapLock);
    FTap = std::move(Tap);
}

bool TCdioDrive::TakeVolumeChange(int& Left, int& Right) {
    std::lock_guard Guard(FLock);
    if (!FOutput || !FOutput->TakeVolumeChange(Left, Right)) return false;
    FGainLeft = Left;
    FGainRight = Right;
    return true;
}

bool TCdioDrive::SoundLost() {
    std::lock_guard Guard(FLock);
    return FMode == cmPlaying && FOutput && FOutput->SoundLost();
}

int TCdioDrive::LastPlayError() {
    std::lock_guard Guard(FLock);
    return FPlayError;
}

bool TCdioDrive::ReadSectors(int Frame, int Count, std::vector<std::int16_t>& Out) {
    std::lock_guard Io(FIoLock);
    if (!FCdio) return false;
    Out.resize(static_cast<std::size_t>(Count) * SamplesPerFrame * 2);
    if (!FParanoia)
        return cdio_read_audio_sectors(FCdio, Out.data(), Frame - LeadInFrames,
                                       static_cast<std::uint32_t>(Count)) == DRIVER_OP_SUCCESS;
    if (FParanoiaNext != Frame) cdio_paranoia_seek(FParanoia, Frame - LeadInFrames, SEEK_SET);
    for (int I = 0; I < Count; ++I) {
        const std::int16_t* Block = cdio_paranoia_read_limited(FParanoia, nullptr, 3);
        if (!Block) {
            FParanoiaNext = -1;
            return false;
        }
        std::copy(Block, Block + SamplesPerFrame * 2,
                  Out.begin() + static_cast<std::ptrdiff_t>(I) * SamplesPerFrame * 2);
    }
    FParanoiaNext = Frame + Count;
    return true;
}

// The worker sleeps until there is work: without a play it waits for a command; while a play runs and
// the output is full it wakes when the output has room again, and at the end of the play when its last
// frame has been heard. The position itself is read from the output, so it does not depend on these
// wake-ups.
void TCdioDrive::WorkerLoop() {
    while (true) {
        const bool Worked = WorkOnce();
        std::unique_lock Guard(FLock);
        if (FQuit) return;
        if (Worked) continue;
        if (FMode != cmPlaying) {
            FWake.wait(Guard, [this] { return FQuit || FMode == cmPlaying; });
            continue;
        }
        // A command between the step and this wait changed the generation: go at once.
        if (FGeneration != FWorkerGeneration) continue;
        auto Wait = std::chrono::milliseconds(PlayingWakeMillis);
        if (FNextRead >= FPlayEnd) {
            // Everything is written: wake when the last frame should have been heard.
            const std::int64_t Left = static_cast<std::int64_t>(FPlayEnd - FPlayFrom) * SamplesPerFrame -
                                      static_cast<std::int64_t>(FOutput->PlayedFrames());
            Wait = std::clamp(std::chrono::milliseconds(Left * 1000 / 44100 + 1),
                              std::chrono::milliseconds(1), Wait);
        }
        const unsigned Generation = FWorkerGeneration;
        FWake.wait_for(Guard, Wait, [this, Generation] {
            return FQuit || FGeneration != Generation || FMode != cmPlaying;
        });
    }
}

bool TCdioDrive::WorkOnce() {
    std::unique_lock Guard(FLock);
    FWorkerGeneration = FGeneration;
    if (FQuit || FMode != cmPlaying) return false;
    if (FPendingOffset < FPending.size()) {
        const std::size_t Frames = (FPending.size() - FPendingOffset) / 2;
        const std::int16_t* Block = FPending.data() + FPendingOffset;
        const std::size_t Taken = FOutput->Write(Block, Frames);
        FPendingOffset += Taken * 2;
        if (Taken == 0) return false;
        // The recording tap gets exactly what the output took, in order (only this thread calls it); a
        // copy, because a command may drop the pending block as soon as the lock is released.
        FTapBlock.assign(Block, Block + Taken * 2);
        Guard.unlock();
        std::lock_guard Tap(FTapLock);
        if (FTap) FTap(FTapBlock.data(), Taken);
        return true;
    }
    if (FNextRead >= FPlayEnd) {
        if (FPlayFrom + static_cast<std::int64_t>(FOutput->PlayedFrames() / SamplesPerFrame) >= FPlayEnd) {
            FPosition = FPlayEnd - 1;
            FMode = cmStopped;
            FOutput->Stop();
        }
        return false;
    }
    const int Frame = FNextRead;
    const int Count = std::min(ChunkSectors, FPlayEnd - FNextRead);
    const unsigned Generation = FGeneration;
    const int GainLeft = FStreamVolume ? 65535 : FGainLeft, GainRight = FStreamVolume ? 65535 : FGainRight;
    Guard.unlock();

    std::vector<std::int16_t> Samples;
    const bool Ok = ReadSectors(Frame, Count, Samples);
    if (Ok) {
        // CD audio is little-endian, as is every machine this runs on.
        for (std::size_t I = 0; I + 1 < Samples.size(); I += 2) {
            Samples[I] = static_cast<std::int16_t>(Samples[I] * GainLeft / 65535);
            Samples[I + 1] = static_cast<std::int16_t>(Samples[I + 1] * GainRight / 65535);
        }
    }

    Guard.lock();
    if (Generation != FGeneration || FMode != cmPlaying) return true;
    if (!Ok) {
        // A disc that cannot be read (taken out, unplugged, damaged) ends the play where it stands.
        HaltPlay();
        FPlayError = deReadError;
        return true;
    }
    FPending = std::move(Samples);
    FPendingOffset = 0;
    FNextRead += Count;
    return true;
}
