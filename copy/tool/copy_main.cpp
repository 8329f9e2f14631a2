// orbelune-copy: copies the disc in a drive, or a disc image, to FLAC files from the shell, with the
// settings and catalogue of the player; progress goes to stderr, the log's path to stdout.
#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "app/base/Settings.h"
#include "copy/CopySetup.h"
#include "copy/DiscCopy.h"
#include "copy/DiscReader.h"

namespace {

std::atomic<bool> Interrupted{false};

void Interrupt(int) {
    Interrupted = true;
}

const char* const Usage =
    "Usage: orbelune-copy [options] DRIVE-OR-IMAGE\n"
    "Copies an audio CD (a drive such as /dev/sr0, or a CUE/TOC/NRG disc image) to FLAC files tagged\n"
    "from the catalogue, with a CUE sheet and a log.\n\n"
    "  --folder DIR       where the files go (setting [Copy] Folder; default: the music folder)\n"
    "  --pattern TEXT     file names from {artist} {disc} {year} {number} {title}\n"
    "  --level N          FLAC compression level 0 to 8 (default 5)\n"
    "  --offset N         the drive's read offset in samples; remembered for the drive\n"
    "  --accuraterip      check the copy against AccurateRip (asks the server; off by default)\n"
    "  --help             this text\n\n"
    "Exit status: 0 copied (and verified when checked), 1 copied but not verified, 2 usage, 3 failed or\n"
    "cancelled.\n";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    TPlayerSettings Settings;
    LoadSettings(Settings);
    std::string Drive, Folder, Pattern;
    int Level = -1;
    bool OffsetGiven = false, Check = Settings.CopyCheckAccurateRip;
    int Offset = 0;
    for (int I = 1; I < argc; ++I) {
        const std::string Arg = argv[I];
        const auto Value = [&]() -> const char* { return I + 1 < argc ? argv[++I] : nullptr; };
        const char* V = nullptr;
        try {
            if (Arg == "--help") {
                std::fputs(Usage, stdout);
                return 0;
            } else if (Arg == "--folder" && (V = Value())) {
                Folder = V;
            } else if (Arg == "--pattern" && (V = Value())) {
                Pattern = V;
            } else if (Arg == "--level" && (V = Value())) {
                Level = std::stoi(V);
                if (Level < 0 || Level > 8) throw std::out_of_range("level");
            } else if (Arg == "--offset" && (V = Value())) {
                Offset = std::stoi(V);
                OffsetGiven = true;
            } else if (Arg == "--accuraterip") {
                Check = true;
            } else if (!Arg.empty() && Arg[0] != '-' && Drive.empty()) {
                Drive = Arg;
            } else {
                std::fprintf(stderr, "orbelune-copy: unknown or incomplete argument \"%s\" (see --help)\n",
                             Arg.c_str());
                return 2;
            }
        } catch (const std::exception&) {
            std::fprintf(stderr, "orbelune-copy: \"%s\" is not a valid value for %s\n", V ? V : "",
                         Arg.c_str());
            return 2;
        }
    }
    if (Drive.empty()) {
        std::fputs("orbelune-copy: name a drive or a disc image (see --help)\n", stderr);
        return 2;
    }
    const bool Physical = Drive.rfind("/dev/", 0) == 0;
    if (OffsetGiven) {
        RememberReadOffset(Settings, Drive, Offset);
        SaveSettings(Settings);
    }
    TCopySettings Copy = CopySettingsFor(Settings, Drive);
    if (!Folder.empty()) Copy.Folder = Folder;
    if (!Pattern.empty()) Copy.Pattern = Pattern;
    if (Level >= 0) Copy.FlacLevel = Level;
    Copy.CheckAccurateRip = Check;

    // The tags: the catalogue's entry for the disc, else its CD-TEXT.
    TCopyTags Tags;
    {
        TDiscReader Probe;
        if (std::string Error = Probe.Open(Drive, Physical); !Error.empty()) {
            std::fprintf(stderr, "orbelune-copy: %s\n", Error.c_str());
            return 3;
        }
        std::string Error;
        Tags = CatalogueCopyTags(ProgramDir(), Settings, Probe.Layout().Toc, Probe.Layout().Text, Error);
        if (!Error.empty()) std::fprintf(stderr, "orbelune-copy: the catalogue: %s\n", Error.c_str());
    }
    std::signal(SIGINT, Interrupt);
    std::signal(SIGTERM, Interrupt);
    const bool Terminal = isatty(fileno(stderr));
    const TDiscCopyResult Result = CopyDisc(
        Drive, Physical, Copy, Tags,
        [&](const TCopyProgress& P) {
            if (P.TrackTotal == 0) {
                std::fprintf(stderr, "%s%s\n", Terminal ? "\r\033[K" : "", P.Stage.c_str());
                return;
            }
            std::fprintf(stderr,
                         "%s%s (%d of %d): %3.0f %%, %.1fx, %.0f s left, %d re-reads, %d corrections%s",
                         Terminal ? "\r\033[K" : "", P.Stage.c_str(), P.TrackIndex, P.TrackTotal,
                         P.TrackFraction * 100, P.Speed, P.SecondsLeft, P.ReReads, P.Corrections,
                         Terminal ? "" : "\n");
        },
        Interrupted);
    if (Terminal) std::fputs("\n", stderr);
    if (Result.Cancelled) {
        std::fputs("orbelune-copy: cancelled; the unfinished track was removed\n", stderr);
        return 3;
    }
    if (!Result.Error.empty()) {
        std::fprintf(stderr, "orbelune-copy: %s\n", Result.Error.c_str());
        return 3;
    }
    for (const TTrackCopy& Track : Result.Tracks)
        if (Track.Data) std::fprintf(stderr, "Track %d is a data track: not copied\n", Track.Number);
    std::printf("%s\n", Result.LogPath.c_str());
    return Result.Verified() || !Copy.CheckAccurateRip ? 0 : 1;
}
