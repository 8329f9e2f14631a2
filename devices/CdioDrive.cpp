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
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "devices/NullSoundOutput.h"

namespace {

constexpr int LeadInFrames = 150;
constexpr int ChunkSectors = 8; // about 107 ms of audio per read
constexpr std::int64_t RefreshMicros = 250000;

std::int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// libcdio reports problems of damaged images on stderr; the player reports them itself.
void QuietLog(cdio_log_level_t, const char*) {}

driver_id_t ImageDriver(const std::string& Path) {
    std::string Ext = std::filesystem::path(Path).extension().string();
    std::transform(Ext.begin(), Ext.end(), Ext.begin(), [](unsigned char C) { return std::tolower(C); });
    if (Ext == ".cue" || Ext == ".bin") return DRIVER_BINCUE;
    if (Ext == ".toc") return DRIVER_CDRDAO;
    if (Ext == ".nrg") return DRIVER_NRG;
    return DRIVER_UNKNOWN;
}

// libcdio's cdrdao reader opens the data files a TOC sheet names relative to the working directory, not
// to the sheet's folder as cdrdao and libcdio's own cue reader do. Returns the sheet's text with every
// relative name after FILE, AUDIOFILE or DATAFILE made absolute, or "" when nothing needs changing.
std::string TocWithAbsoluteFiles(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    if (!In) return {};
    const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    const std::filesystem::path Folder = std::filesystem::absolute(Path).parent_path();
    std::string Out;
    bool Changed = false;
    std::size_t I = 0;
    auto Word = [&](std::size_t At) {
        std::size_t End = At;
        while (End < Text.size() && (std::isalnum(static_cast<unsigned char>(Text[End])) || Text[End] == '_'))
            ++End;
        return End;
    };
    auto StringEnd = [&](std::size_t Quote) { // index of the closing quote, or Text.size()
        std::size_t J = Quote + 1;
        while (J < Text.size() && Text[J] != '"')
            J += Text[J] == '\\' ? 2 : 1;
        return std::min(J, Text.size());
    };
    while (I < Text.size()) {
        const char C = Text[I];
        if (C == '/' && I + 1 < Text.size() && Text[I + 1] == '/') {
            const std::size_t End = std::min(Text.find('\n', I), Text.size());
            Out.append(Text, I, End - I);
            I = End;
        } else if (C == '"') {
            const std::size_t End = std::min(StringEnd(I) + 1, Text.size());
            Out.append(Text, I, End - I);
            I = End;
        } else if (std::isalpha(static_cast<unsigned char>(C)) || C == '_') {
            const std::size_t End = Word(I);
            const std::string Keyword = Text.substr(I, End - I);
            Out += Keyword;
            I = End;
            if (Keyword != "FILE" && Keyword != "AUDIOFILE" && Keyword != "DATAFILE") continue;
            std::size_t Quote = I;
            while (Quote < Text.size() && std::isspace(static_cast<unsigned char>(Text[Quote])))
                ++Quote;
            if (Quote >= Text.size() || Text[Quote] != '"') continue;
            const std::size_t Close = StringEnd(Quote);
            if (Close >= Text.size()) continue;
            std::string Name;
            for (std::size_t J = Quote + 1; J < Close; ++J) {
                if (Text[J] == '\\' && J + 1 < Close) ++J;
                Name += Text[J];
            }
            if (Name.empty() || Name == "-" || std::filesystem::path(Name).is_absolute()) continue;
            std::string Full = (Folder / Name).lexically_normal().string();
            std::string Quoted;
            for (char Ch : Full) {
                if (Ch == '"' || Ch == '\\') Quoted += '\\';
                Quoted += Ch;
            }
            Out.append(Text, I, Quote - I);
            Out += '"' + Quoted + '"';
            I = Close + 1;
            Changed = true;
        } else {
            Out += C;
            ++I;
        }
    }
    return Changed ? Out : std::string();
}

// Opens an image with libcdio; a TOC sheet through a copy that names its data files absolutely.
CdIo_t* OpenImage(const std::string& Path) {
    const driver_id_t Driver = ImageDriver(Path);
    if (Driver != DRIVER_CDRDAO) return cdio_open(Path.c_str(), Driver);
    const std::string Rewritten = TocWithAbsoluteFiles(Path);
    if (Rewritten.empty()) return cdio_open(Path.c_str(), Driver);
    std::string Temporary = (std::filesystem::temp_directory_path() / "orbelune-XXXXXX.toc").string();
    const int Fd = ::mkstemps(Temporary.data(), 4);
    if (Fd < 0) return cdio_open(Path.c_str(), Driver);
    bool Written = ::write(Fd, Rewritten.data(), Rewritten.size()) == static_cast<ssize_t>(Rewritten.size());
    Written = ::close(Fd) == 0 && Written;
    // libcdio reads the whole sheet while opening, so the copy can go at once.
    CdIo_t* Result = cdio_open(Written ? Temporary.c_str() : Path.c_str(), Driver);
    ::unlink(Temporary.c_str());
    return Result;
}

std::string TextField(cdtext_t* Text, cdtext_field_t Field, track_t Track) {
    const char* Value = cdtext_get_const(Text, Field, Track);
    return Value ? Value : "";
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

int TCdioDrive::OpenDisc() {
    CloseDisc();
    FCdio = FPhysical ? cdio_open(FPath.c_str(), DRIVER_DEVICE) : OpenImage(FPath);
    if (!FCdio) return FPhysical ? deDriveBusy : deBadImage;
    TDriveToc Toc;
    const track_t First = cdio_get_first_track_num(FCdio);
    const track_t Count = cdio_get_num_tracks(FCdio);
    if (First == CDIO_INVALID_TRACK || Count == CDIO_INVALID_TRACK || Count == 0 || Count > 99) {
        CloseDisc();
        return deBadToc;
    }
    for (track_t T = First; T < First + Count; ++T) {
        const lsn_t Lsn = cdio_get_track_lsn(FCdio, T);
        if (Lsn == CDIO_INVALID_LSN) {
            CloseDisc();
            return deBadToc;
        }
        Toc.Tracks.push_back({T, Lsn + LeadInFrames, cdio_get_track_format(FCdio, T) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t LeadOut = cdio_get_track_lsn(FCdio, CDIO_CDROM_LEADOUT_TRACK);
    Toc.LeadOutFrame = LeadOut == CDIO_INVALID_LSN ? 0 : LeadOut + LeadInFrames;
    if (int Error = ValidateToc(Toc)) {
        CloseDisc();
        return Error;
    }
    if (!FPhysical) {
        // An image whose data file is missing or cut short fails here rather than in the middle of a play.
        std::vector<std::uint8_t> Sector(SectorBytes);
        for (int T = 1; T <= Toc.TrackCount(); ++T) {
            const TTocTrack& Track = Toc.Tracks[static_cast<std::size_t>(T - 1)];
            if (!Track.Audio) continue;
            const int Last = (T < Toc.TrackCount() ? Toc.Tracks[static_cast<std::size_t>(T)].StartFrame
                                                   : Toc.LeadOutFrame) -
                             1;
            for (int Frame : {Track.StartFrame, Last})
                if (cdio_read_audio_sectors(FCdio, Sector.data(), Frame - LeadInFrames, 1) !=
                    DRIVER_OP_SUCCESS) {
                    CloseDisc();
                    return deBadImage;
                }
        }
    } else {
        FCdda = cdio_cddap_identify_cdio(FCdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (FCdda && cdio_cddap_open(FCdda) == 0) {
            FParanoia = cdio_paranoia_init(FCdda);
            cdio_paranoia_modeset(FParanoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
        }
        FParanoiaNext = -1;
    }
    TCdText Text;
    if (cdtext_t* Raw = cdio_get_cdtext(FCdio)) {
        Text.DiscTitle = TextField(Raw, CDTEXT_FIELD_TITLE, 0);
        Text.DiscPerformer = TextField(Raw, CDTEXT_FIELD_PERFORMER, 0);
        for (const TTocTrack& Track : Toc.Tracks) {
            Text.TrackTitles.push_back(
                TextField(Raw, CDTEXT_FIELD_TITLE, static_cast<track_t>(Track.Number)));
            Text.TrackPerformers.push_back(
                TextField(Raw, CDTEXT_FIELD_PERFORMER, static_cast<track_t>(Track.Number)));
        }
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
}

void TCdioDrive::SetPcmTap(TPcmTap Tap) {
    std::lock_guard Guard(FTapLock);
    FTap = std::move(Tap);
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

void TCdioDrive::WorkerLoop() {
    while (true) {
        bool Worked = WorkOnce();
        std::unique_lock Guard(FLock);
        if (FQuit) return;
        if (!Worked) FWake.wait_for(Guard, std::chrono::milliseconds(10));
    }
}

bool TCdioDrive::WorkOnce() {
    std::unique_lock Guard(FLock);
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
    const int GainLeft = FGainLeft, GainRight = FGainRight;
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
