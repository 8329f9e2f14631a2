// The CUE sheet and the log of a copy.
#include "copy/CopyReport.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "app/base/ProgramVersion.h"

namespace fs = std::filesystem;

namespace {

std::string Msf(int Sectors) {
    char Text[16];
    std::snprintf(Text, sizeof Text, "%02d:%02d:%02d", Sectors / 4500, Sectors / 75 % 60, Sectors % 75);
    return Text;
}

// A CUE sheet has no escapes: a double quote inside a value becomes a single one.
std::string Quoted(std::string Text) {
    for (char& C : Text)
        if (C == '"') C = '\'';
    return "\"" + Text + "\"";
}

std::string Hex(std::uint32_t Value) {
    char Text[12];
    std::snprintf(Text, sizeof Text, "%08X", Value);
    return Text;
}

const TDiscTrackInfo* InfoOf(const TDiscCopyResult& Copy, int Number) {
    for (const TDiscTrackInfo& Info : Copy.Layout.Tracks)
        if (Info.Number == Number) return &Info;
    return nullptr;
}

} // namespace

std::string CueSheetText(const TDiscCopyResult& Copy, const TCopyTags& Tags, const std::string& CueFolder) {
    std::ostringstream Out;
    if (!Tags.Genre.empty()) Out << "REM GENRE " << Quoted(Tags.Genre) << "\n";
    if (Tags.Year > 0) Out << "REM DATE " << Tags.Year << "\n";
    if (Copy.ArId.Valid())
        Out << "REM DISCID " << Copy.ArId.Text().substr(Copy.ArId.Text().size() - 8) << "\n";
    Out << "REM COMMENT " << Quoted(std::string("Orbelune ") + ProgramVersion()) << "\n";
    if (!Copy.Layout.Catalogue.empty()) Out << "CATALOG " << Copy.Layout.Catalogue << "\n";
    Out << "PERFORMER " << Quoted(Tags.Artist) << "\n";
    Out << "TITLE " << Quoted(Tags.Album) << "\n";
    const auto FileLine = [&](const std::string& Path) {
        Out << "FILE " << Quoted(fs::path(Path).lexically_relative(CueFolder).generic_string()) << " WAVE\n";
    };
    const TTrackCopy* Previous = nullptr; // the file written last
    for (const TTrackCopy& Track : Copy.Tracks) {
        if (Track.Data || Track.Path.empty()) continue;
        if (Track.Hidden) {
            FileLine(Track.Path);
            Previous = &Track;
            continue;
        }
        const TDiscTrackInfo* Info = InfoOf(Copy, Track.Number);
        const TCopyTrackTags* Own = Track.Number >= 1 && Track.Number <= static_cast<int>(Tags.Tracks.size())
                                        ? &Tags.Tracks[static_cast<std::size_t>(Track.Number - 1)]
                                        : nullptr;
        // The track's header lies in the previous file when its pregap does (or the hidden audio is it).
        const bool GapInPrevious =
            Previous && Info && Info->PregapStart < Info->Start && Previous->EndSector == Track.FirstSector;
        if (!GapInPrevious) FileLine(Track.Path);
        char Header[32];
        std::snprintf(Header, sizeof Header, "  TRACK %02d AUDIO\n", Track.Number);
        Out << Header;
        if (Own && !Own->Title.empty()) Out << "    TITLE " << Quoted(Own->Title) << "\n";
        if (Own && !Own->Artist.empty()) Out << "    PERFORMER " << Quoted(Own->Artist) << "\n";
        if (Info && !Info->Isrc.empty()) Out << "    ISRC " << Info->Isrc << "\n";
        if (Info && Info->PreEmphasis) Out << "    FLAGS PRE\n";
        if (GapInPrevious) {
            Out << "    INDEX 00 " << Msf(Info->PregapStart - Previous->FirstSector) << "\n";
            FileLine(Track.Path);
        } else if (!Previous && Info && Info->Start > 0) {
            // Silence before the first track, which the player makes up.
            Out << "    PREGAP " << Msf(Info->Start) << "\n";
        }
        Out << "    INDEX 01 00:00:00\n";
        Previous = &Track;
    }
    return Out.str();
}

std::string CopyLogText(const TDiscCopyResult& Copy, const TCopyTags& Tags) {
    std::ostringstream Out;
    char When[40] = "";
    const std::time_t Now = std::time(nullptr);
    std::tm Utc{};
    gmtime_r(&Now, &Utc);
    std::strftime(When, sizeof When, "%Y-%m-%d %H:%M UTC", &Utc);
    Out << "Orbelune " << ProgramVersion() << " disc copy log, " << When << "\n\n";
    Out << "Disc: " << Tags.Artist << " - " << Tags.Album << "\n";
    if (!Tags.DiscCode.empty()) Out << "Disc code: " << Tags.DiscCode << "\n";
    Out << "Drive: " << Copy.Drive << "\n";
    Out << "Read offset: " << (Copy.Settings.ReadOffset > 0 ? "+" : "") << Copy.Settings.ReadOffset
        << " samples\n";
    Out << "Read mode: libcdio-paranoia, full (overlapped reads, verification, never skip)\n";
    Out << "FLAC compression level: " << Copy.Settings.FlacLevel << "\n";
    if (Copy.ArId.Valid()) Out << "AccurateRip disc ID: " << Copy.ArId.Text() << "\n";
    Out << "AccurateRip: " << Copy.ArStatus << "\n";
    for (const TTrackCopy& Track : Copy.Tracks) {
        Out << "\n";
        if (Track.Data) {
            Out << "Track " << Track.Number << ": data track, not copied\n";
            continue;
        }
        if (Track.Hidden)
            Out << "Audio before track 1 (sectors 0 to " << Track.EndSector - 1 << ")\n";
        else
            Out << "Track " << Track.Number << "\n";
        Out << "  File: " << fs::path(Track.Path).filename().string() << "\n";
        Out << "  CRC32: " << Hex(Track.Crc32) << "\n";
        if (!Track.Hidden)
            Out << "  AccurateRip v1: " << Hex(Track.Ar.V1) << ", v2: " << Hex(Track.Ar.V2) << "\n";
        Out << "  Re-reads: " << Track.ReReads << ", corrections: " << Track.Corrections << "\n";
        char Peak[16];
        std::snprintf(Peak, sizeof Peak, "%.1f %%", Track.Peak * 100);
        Out << "  Peak level: " << Peak << "\n";
        if (!Track.Hidden) Out << "  AccurateRip: " << Track.Verdict.Text() << "\n";
    }
    Out << "\n";
    if (Copy.Verified())
        Out << "The copy is verified: every audio track was accurately copied.\n";
    else
        Out << "The copy is not verified: "
            << (Copy.Settings.CheckAccurateRip ? "not every track was found accurately copied"
                                               : "AccurateRip was not asked")
            << ".\n";
    return Out.str();
}
