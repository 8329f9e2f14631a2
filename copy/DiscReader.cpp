// Reading a disc's audio for a copy with libcdio-paranoia.
#include "copy/DiscReader.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "devices/CdErrors.h"
#include "devices/CdioDrive.h"
#include "devices/NullSoundOutput.h"

namespace {

constexpr int LeadInFrames = 150;
constexpr int PairsPerSector = 588;
// Lead-out of session 1, lead-in and pregap of session 2 on an enhanced CD.
constexpr int SessionGapFrames = 11400;
// Tries paranoia gives a sector before it takes what it has.
constexpr int ReadRetries = 20;

// Paranoia's callback takes no user data; a copy runs on one thread, so the counts are per thread.
thread_local int ThreadReReads = 0;
thread_local int ThreadCorrections = 0;

void CountEvent(long, paranoia_cb_mode_t Mode) {
    switch (Mode) {
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_SKIP:
    case PARANOIA_CB_DRIFT:
        ++ThreadReReads;
        break;
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
    case PARANOIA_CB_REPAIR:
        ++ThreadCorrections;
        break;
    default:
        break;
    }
}

std::string TakeString(char* Text) {
    std::string Out = Text ? Text : "";
    std::free(Text);
    return Out;
}

} // namespace

TDiscReader::~TDiscReader() {
    if (FParanoia) cdio_paranoia_free(FParanoia);
    if (FCdda) cdio_cddap_close_no_free_cdio(FCdda);
    if (FCdio) cdio_destroy(FCdio);
}

std::string TDiscReader::Open(const std::string& Path, bool Physical) {
    // The drive class reads and checks the table of contents (an image first in a child process, as
    // damaged images can crash libcdio's readers); this reader then opens the disc for itself.
    int Error = deOK;
    auto Drive = TCdioDrive::Open(
        Path, Physical, [] { return std::make_unique<TNullSoundOutput>(); }, Error);
    if (!Drive) return Path + ": " + DeviceErrorText(Error);
    if ((Error = Drive->ReadToc(FLayout.Toc)) != deOK) return Path + ": " + DeviceErrorText(Error);
    FLayout.Text = Drive->ReadCdText();
    Drive.reset();

    if (!Physical) {
        if ((Error = PrepareDiscImage(Path, FImage)) != deOK) return Path + ": " + DeviceErrorText(Error);
        FCdio = cdio_open(FImage.OpenPath.c_str(), static_cast<driver_id_t>(FImage.Driver));
    } else {
        FCdio = cdio_open(Path.c_str(), DRIVER_DEVICE);
    }
    if (!FCdio) return Path + ": " + DeviceErrorText(Physical ? deDriveBusy : deBadImage);
    FCdda = cdio_cddap_identify_cdio(FCdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!FCdda || cdio_cddap_open(FCdda) != 0) return Path + ": the disc's audio cannot be read";
    FParanoia = cdio_paranoia_init(FCdda);
    if (!FParanoia) return Path + ": the disc's audio cannot be read";
    cdio_paranoia_modeset(FParanoia, PARANOIA_MODE_FULL);

    const track_t First = cdio_get_first_track_num(FCdio);
    const TDriveToc& Toc = FLayout.Toc;
    for (int I = 0; I < Toc.TrackCount(); ++I) {
        const TTocTrack& T = Toc.Tracks[static_cast<std::size_t>(I)];
        const auto Cd = static_cast<track_t>(First + I);
        TDiscTrackInfo Info;
        Info.Number = T.Number;
        Info.Audio = T.Audio;
        Info.Start = T.StartFrame - LeadInFrames;
        Info.End = (I + 1 < Toc.TrackCount() ? Toc.Tracks[static_cast<std::size_t>(I + 1)].StartFrame
                                             : Toc.LeadOutFrame) -
                   LeadInFrames;
        // The last audio track before a data session ends where the gap between the sessions begins;
        // an image too short for that gap has none.
        if (T.Audio && I + 1 < Toc.TrackCount() && !Toc.Tracks[static_cast<std::size_t>(I + 1)].Audio &&
            Info.End - SessionGapFrames > Info.Start)
            Info.End -= SessionGapFrames;
        const lsn_t Pregap = cdio_get_track_pregap_lsn(FCdio, Cd);
        const int PreviousStart = FLayout.Tracks.empty() ? 0 : FLayout.Tracks.back().Start;
        Info.PregapStart = Pregap != CDIO_INVALID_LSN && Pregap < Info.Start && Pregap >= PreviousStart
                               ? Pregap
                               : Info.Start;
        if (I == 0) Info.PregapStart = 0;
        Info.PreEmphasis = cdio_get_track_preemphasis(FCdio, Cd) == CDIO_TRACK_FLAG_TRUE;
        if (T.Audio) Info.Isrc = TakeString(cdio_get_track_isrc(FCdio, Cd));
        if (T.Audio) FLayout.AudioEnd = Info.End;
        FLayout.Tracks.push_back(std::move(Info));
    }
    FLayout.Catalogue = TakeString(cdio_get_mcn(FCdio));
    // A catalogue number of zeros is a drive's way of saying there is none.
    if (FLayout.Catalogue.find_first_not_of('0') == std::string::npos) FLayout.Catalogue.clear();
    FSector.assign(PairsPerSector * 2, 0);
    ThreadReReads = ThreadCorrections = 0;
    return {};
}

int TDiscReader::ReReads() const {
    return ThreadReReads;
}

int TDiscReader::Corrections() const {
    return ThreadCorrections;
}

std::string TDiscReader::LoadSector(int Sector) {
    if (FLoaded == Sector) return {};
    if (FNext != Sector) cdio_paranoia_seek(FParanoia, Sector, SEEK_SET);
    const std::int16_t* Block = cdio_paranoia_read_limited(FParanoia, CountEvent, ReadRetries);
    if (!Block) {
        FNext = FLoaded = -1;
        return "sector " + std::to_string(Sector) + " cannot be read";
    }
    std::memcpy(FSector.data(), Block, FSector.size() * sizeof(std::int16_t));
    FLoaded = Sector;
    FNext = Sector + 1;
    return {};
}

std::string TDiscReader::Read(std::int64_t From, std::size_t Pairs, std::int16_t* Out) {
    if (!FParanoia) return "the disc is not open";
    const std::int64_t Readable = static_cast<std::int64_t>(FLayout.AudioEnd) * PairsPerSector;
    std::int64_t Position = From + FOffset;
    std::size_t Done = 0;
    while (Done < Pairs) {
        if (Position < 0 || Position >= Readable) {
            // Outside what the drive can give: zeros up to where it can again.
            const std::int64_t Stop =
                Position < 0 ? std::min<std::int64_t>(0, Position + static_cast<std::int64_t>(Pairs - Done))
                             : Position + static_cast<std::int64_t>(Pairs - Done);
            const auto Count = static_cast<std::size_t>(Stop - Position);
            std::fill(Out + 2 * Done, Out + 2 * (Done + Count), std::int16_t(0));
            Done += Count;
            Position += static_cast<std::int64_t>(Count);
            continue;
        }
        const auto Sector = static_cast<int>(Position / PairsPerSector);
        if (std::string Error = LoadSector(Sector); !Error.empty()) return Error;
        const auto Within = static_cast<std::size_t>(Position % PairsPerSector);
        const std::size_t Count = std::min<std::size_t>(PairsPerSector - Within, Pairs - Done);
        std::memcpy(Out + 2 * Done, FSector.data() + 2 * Within, Count * 2 * sizeof(std::int16_t));
        Done += Count;
        Position += static_cast<std::int64_t>(Count);
    }
    return {};
}
