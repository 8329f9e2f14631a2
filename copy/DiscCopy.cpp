// The copy of a disc: reading, checksums, FLAC files, the AccurateRip check, the CUE sheet and the log.
#include "copy/DiscCopy.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "copy/ArFetch.h"
#include "copy/CopyFileNames.h"
#include "copy/CopyReport.h"

namespace fs = std::filesystem;

namespace {

constexpr int PairsPerSector = 588;
constexpr std::size_t BlockSectors = 64;
const char* const HiddenTitle = "Hidden track";

// A text file written under a temporary name and renamed when complete.
std::string WriteTextFile(const std::string& Path, const std::string& Text) {
    const std::string Temporary = TFlacTrackWriter::TemporaryName(Path);
    {
        std::ofstream Out(Temporary, std::ios::binary | std::ios::trunc);
        Out << Text;
        Out.close();
        if (!Out) {
            std::remove(Temporary.c_str());
            return Path + " cannot be written";
        }
    }
    std::error_code Error;
    fs::rename(Temporary, Path, Error);
    if (Error) {
        std::remove(Temporary.c_str());
        return Path + " cannot be written: " + Error.message();
    }
    return {};
}

const TCopyTrackTags* TrackTagsOf(const TCopyTags& Tags, int Number) {
    if (Number < 1 || Number > static_cast<int>(Tags.Tracks.size())) return nullptr;
    return &Tags.Tracks[static_cast<std::size_t>(Number - 1)];
}

std::string TrackTitle(const TCopyTags& Tags, int Number) {
    if (Number == 0) return HiddenTitle;
    const TCopyTrackTags* Track = TrackTagsOf(Tags, Number);
    return Track && !Track->Title.empty() ? Track->Title : "Track " + std::to_string(Number);
}

class TCopyRun {
public:
    TCopyRun(const TCopySettings& Settings, const TCopyTags& Tags, const TCopyProgressFn& Progress,
             const std::atomic<bool>& Cancel, TDiscCopyResult& Result)
        : FSettings(Settings), FTags(Tags), FProgress(Progress), FCancel(Cancel), FResult(Result) {}

    void Run(const std::string& Drive, bool Physical);

private:
    // Reads Track's sectors into its file; false when the copy stops (Result says why).
    bool CopyTrack(TTrackCopy& Track, int Index, int Total);
    void Report(const TTrackCopy& Track, int Index, int Total, double Fraction, const std::string& Stage);
    void CheckAccurateRip();
    void WriteSheets();

    const TCopySettings& FSettings;
    const TCopyTags& FTags;
    const TCopyProgressFn& FProgress;
    const std::atomic<bool>& FCancel;
    TDiscCopyResult& FResult;
    TDiscReader FReader;
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
    std::uint64_t FPairsDone = 0, FPairsTotal = 0;
    int FAudioTracks = 0;
};

void TCopyRun::Run(const std::string& Drive, bool Physical) {
    FResult.Drive = Drive;
    FResult.Settings = FSettings;
    if (std::string Error = FReader.Open(Drive, Physical); !Error.empty()) {
        FResult.Error = Error;
        return;
    }
    FReader.SetReadOffset(FSettings.ReadOffset);
    FResult.Layout = FReader.Layout();
    const TDiscLayout& Layout = FResult.Layout;
    FResult.ArId = ComputeArDiscId(Layout.Toc);

    // The files to write: the hidden audio (kept only when it is not silence), then each audio track.
    const TDiscTrackInfo& First = Layout.Tracks.front();
    if (First.Audio && First.Number == 1 && First.Start > 0) {
        TTrackCopy Hidden;
        Hidden.Hidden = true;
        Hidden.FirstSector = 0;
        Hidden.EndSector = First.Start;
        FResult.Tracks.push_back(Hidden);
    }
    for (const TDiscTrackInfo& Info : Layout.Tracks) {
        TTrackCopy Track;
        Track.Number = Info.Number;
        Track.Data = !Info.Audio;
        Track.FirstSector = Info.Start;
        Track.EndSector = Info.End;
        FAudioTracks += Info.Audio;
        FResult.Tracks.push_back(Track);
    }
    if (FAudioTracks == 0) {
        FResult.Error = "the disc has no audio track";
        return;
    }
    for (const TTrackCopy& Track : FResult.Tracks)
        if (!Track.Data)
            FPairsTotal += static_cast<std::uint64_t>(Track.EndSector - Track.FirstSector) * PairsPerSector;

    const int Total = static_cast<int>(std::count_if(FResult.Tracks.begin(), FResult.Tracks.end(),
                                                     [](const TTrackCopy& T) { return !T.Data; }));
    int Index = 0;
    for (TTrackCopy& Track : FResult.Tracks) {
        if (Track.Data) continue;
        if (!CopyTrack(Track, ++Index, Total)) return;
    }
    // Silent hidden audio is no track: the CUE sheet gives it as a pregap.
    if (!FResult.Tracks.empty() && FResult.Tracks.front().Hidden && FResult.Tracks.front().Path.empty())
        FResult.Tracks.erase(FResult.Tracks.begin());
    CheckAccurateRip();
    FResult.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    WriteSheets();
}

void TCopyRun::Report(const TTrackCopy& Track, int Index, int Total, double Fraction,
                      const std::string& Stage) {
    if (!FProgress) return;
    TCopyProgress P;
    P.Track = Track.Number;
    P.TrackIndex = Index;
    P.TrackTotal = Total;
    P.TrackFraction = Fraction;
    const double Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    const double Audio = static_cast<double>(FPairsDone) / 44100.0;
    P.Speed = Elapsed > 0 ? Audio / Elapsed : 0;
    P.SecondsLeft = P.Speed > 0 ? static_cast<double>(FPairsTotal - FPairsDone) / 44100.0 / P.Speed : 0;
    P.ReReads = FReader.ReReads();
    P.Corrections = FReader.Corrections();
    P.Stage = Stage;
    FProgress(P);
}

bool TCopyRun::CopyTrack(TTrackCopy& Track, int Index, int Total) {
    const std::uint64_t Pairs =
        static_cast<std::uint64_t>(Track.EndSector - Track.FirstSector) * PairsPerSector;
    const int Number = Track.Hidden ? 0 : Track.Number;
    TNameFields Fields;
    Fields.Artist = FTags.Artist;
    Fields.Disc = FTags.Album;
    Fields.Year = FTags.Year;
    Fields.Number = Number;
    Fields.Title = TrackTitle(FTags, Number);
    const std::string Path =
        PatternPath(FSettings.Folder, FSettings.Pattern.empty() ? DefaultCopyPattern : FSettings.Pattern,
                    Fields, ".flac");
    std::error_code DirError;
    fs::create_directories(fs::path(Path).parent_path(), DirError);
    if (DirError) {
        FResult.Error = fs::path(Path).parent_path().string() + " cannot be made: " + DirError.message();
        return false;
    }
    auto Comments = TrackComments(FTags, Number, FAudioTracks);
    for (const TDiscTrackInfo& Info : FResult.Layout.Tracks)
        if (!Track.Hidden && Info.Number == Track.Number && !Info.Isrc.empty())
            Comments.push_back({"ISRC", Info.Isrc});
    TFlacTrackWriter Writer;
    if (std::string Error = Writer.Open(Path, FSettings.FlacLevel, Pairs, Comments, FTags.Picture);
        !Error.empty()) {
        FResult.Error = Error;
        return false;
    }
    const int LastAudio = [&] {
        int Last = 0;
        for (const TDiscTrackInfo& Info : FResult.Layout.Tracks)
            if (Info.Audio) Last = Info.Number;
        return Last;
    }();
    const int FirstAudio = [&] {
        for (const TDiscTrackInfo& Info : FResult.Layout.Tracks)
            if (Info.Audio) return Info.Number;
        return 0;
    }();
    TArChecksumRun Sums(Pairs, !Track.Hidden && Track.Number == FirstAudio,
                        !Track.Hidden && Track.Number == LastAudio);
    uLong Crc = crc32(0, nullptr, 0);
    int Peak = 0;
    const int ReReadsBefore = FReader.ReReads(), CorrectionsBefore = FReader.Corrections();
    std::vector<std::int16_t> Block(BlockSectors * PairsPerSector * 2);
    const std::string Stage = Track.Hidden ? std::string("Reading the audio before track 1")
                                           : "Reading track " + std::to_string(Track.Number);
    for (std::uint64_t Done = 0; Done < Pairs;) {
        if (FCancel.load()) {
            FResult.Cancelled = true;
            return false; // the writer drops its temporary file
        }
        const std::size_t Count =
            static_cast<std::size_t>(std::min<std::uint64_t>(Pairs - Done, BlockSectors * PairsPerSector));
        const std::int64_t From =
            static_cast<std::int64_t>(Track.FirstSector) * PairsPerSector + static_cast<std::int64_t>(Done);
        if (std::string Error = FReader.Read(From, Count, Block.data()); !Error.empty()) {
            FResult.Error = "Track " + std::to_string(Number) + ": " + Error;
            return false;
        }
        Sums.Add(Block.data(), Count);
        Crc = crc32(Crc, reinterpret_cast<const Bytef*>(Block.data()), static_cast<uInt>(Count * 4));
        for (std::size_t I = 0; I < Count * 2; ++I)
            Peak = std::max(Peak, std::abs(static_cast<int>(Block[I])));
        if (std::string Error = Writer.Write(Block.data(), Count); !Error.empty()) {
            FResult.Error = Error;
            return false;
        }
        Done += Count;
        FPairsDone += Count;
        Report(Track, Index, Total, static_cast<double>(Done) / static_cast<double>(Pairs), Stage);
    }
    Track.Crc32 = static_cast<std::uint32_t>(Crc);
    Track.Ar = Sums.Result();
    Track.Peak = Peak / 32768.0;
    Track.ReReads = FReader.ReReads() - ReReadsBefore;
    Track.Corrections = FReader.Corrections() - CorrectionsBefore;
    if (Track.Hidden && Peak == 0) {
        Writer.Abandon();
        return true;
    }
    if (std::string Error = Writer.Finish(); !Error.empty()) {
        FResult.Error = Error;
        return false;
    }
    Track.Path = Path;
    return true;
}

void TCopyRun::CheckAccurateRip() {
    if (!FSettings.CheckAccurateRip) {
        FResult.ArStatus = "not asked (the check is turned off)";
        return;
    }
    if (!FResult.ArId.Valid()) {
        FResult.ArStatus = "not asked: " + FResult.ArId.Error;
        return;
    }
    if (FProgress) {
        TCopyProgress P;
        P.Stage = "Asking AccurateRip";
        FProgress(P);
    }
    const TArFetchResult Answer = FetchDbar(FSettings.AccurateRipServer, FResult.ArId, FSettings.UserAgent,
                                            FSettings.TimeoutMs, FSettings.IntervalMs);
    if (!Answer.Error.empty()) {
        FResult.ArStatus = Answer.Error;
        return;
    }
    FResult.ArStatus = Answer.Found ? "the database has " + std::to_string(Answer.File.Pressings.size()) +
                                          (Answer.File.Pressings.size() == 1 ? " pressing" : " pressings") +
                                          " of this disc"
                                    : "the database does not know this disc";
    int Position = 0;
    for (TTrackCopy& Track : FResult.Tracks) {
        if (Track.Data || Track.Hidden) continue;
        Track.Verdict = VerifyTrack(Answer.Found ? &Answer.File : nullptr, Position++, Track.Ar);
    }
}

void TCopyRun::WriteSheets() {
    std::string Folder;
    for (const TTrackCopy& Track : FResult.Tracks)
        if (!Track.Path.empty() && !Track.Hidden) {
            Folder = fs::path(Track.Path).parent_path().string();
            break;
        }
    const auto Known = [](const std::string& Text) { return Text.empty() ? std::string("Unknown") : Text; };
    const std::string Base = SafeNamePart(Known(FTags.Artist) + " - " + Known(FTags.Album));
    FResult.CuePath = (fs::path(Folder) / (Base + ".cue")).string();
    FResult.LogPath = (fs::path(Folder) / (Base + ".log")).string();
    if (std::string Error = WriteTextFile(FResult.CuePath, CueSheetText(FResult, FTags, Folder));
        !Error.empty()) {
        FResult.Error = Error;
        return;
    }
    if (std::string Error = WriteTextFile(FResult.LogPath, CopyLogText(FResult, FTags)); !Error.empty())
        FResult.Error = Error;
}

} // namespace

bool TDiscCopyResult::Verified() const {
    if (!Completed()) return false;
    bool Any = false;
    for (const TTrackCopy& Track : Tracks) {
        if (Track.Data || Track.Hidden) continue;
        if (Track.Verdict.Outcome != TArOutcome::Accurate) return false;
        Any = true;
    }
    return Any;
}

std::vector<std::pair<std::string, std::string>> TrackComments(const TCopyTags& Tags, int Number,
                                                               int AudioTracks) {
    const TCopyTrackTags* Track = TrackTagsOf(Tags, Number);
    const auto Either = [](const std::string& Own, const std::string& Disc) {
        return Own.empty() ? Disc : Own;
    };
    std::vector<std::pair<std::string, std::string>> Comments{
        {"ALBUM", Tags.Album},
        {"ALBUMARTIST", Tags.Artist},
        {"ARTIST", Either(Track ? Track->Artist : std::string(), Tags.Artist)},
        {"COMPOSER", Either(Track ? Track->Composer : std::string(), Tags.Composer)},
        {"TITLE", TrackTitle(Tags, Number)},
        {"TRACKNUMBER", Number > 0 ? std::to_string(Number) : std::string()},
        {"TRACKTOTAL", std::to_string(AudioTracks)},
        {"DATE", Tags.Year > 0 ? std::to_string(Tags.Year) : std::string()},
        {"GENRE", Tags.Genre},
        {"LABEL", Tags.Label},
        {"DISCCODE", Tags.DiscCode},
        {"MUSICBRAINZ_DISCID", Tags.MusicBrainzDiscId},
        {"MUSICBRAINZ_ALBUMID", Tags.MusicBrainzReleaseId},
    };
    return Comments;
}

TDiscCopyResult CopyDisc(const std::string& Drive, bool Physical, const TCopySettings& Settings,
                         const TCopyTags& Tags, const TCopyProgressFn& Progress,
                         const std::atomic<bool>& Cancel) {
    TDiscCopyResult Result;
    TCopyRun(Settings, Tags, Progress, Cancel, Result).Run(Drive, Physical);
    return Result;
}
