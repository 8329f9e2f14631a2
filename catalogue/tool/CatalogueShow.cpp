#include "catalogue/tool/CatalogueShow.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "app/base/ProgramVersion.h"
#include "app/base/Settings.h"
#include "app/base/TextEncoding.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/Vlf.h"
#include "catalogue/tool/LookupCommand.h"
#include "catalogue/tool/PrintArguments.h"
#include "catalogue/tool/TransferCommands.h"

// The usage texts of print and of export and import live here with the others, so that the usage can
// be told without the code of those commands.
const char* const PrintUsage =
    "       orbelune-cat [--dir FOLDER] print --pdf FILE [--by name|composer|artist|label|type]\n"
    "                    [--name TEXT] [--ref TEXT] [--track TEXT] [--page-size A4|Letter]\n"
    "       orbelune-cat [--dir FOLDER] print --pdf FILE --disc CODE [--user-fields] [--page-size "
    "A4|Letter]\n";
const char* const TransferUsage =
    "       orbelune-cat [--dir FOLDER] export [--csv] [--force] FILE\n"
    "       orbelune-cat [--dir FOLDER] import [--v3 | --windows] [--merge] FILE\n";
const char* const LookupUsage = "       orbelune-cat [--dir FOLDER] lookup CODE [--pick N]\n"
                                "       orbelune-cat [--dir FOLDER] lookup --fill\n";

namespace {

const char* const Usage = "usage: orbelune-cat --help | --version\n"
                          "       orbelune-cat [--dir FOLDER] list [--by name|composer|artist|label|type]\n"
                          "       orbelune-cat [--dir FOLDER] show CODE\n"
                          "       orbelune-cat [--dir FOLDER] check | rebuild | repair\n";

std::string TrackLineText(int Track, MSF Length, const std::string& Name) {
    return FormatWidth(2, Track) + " " + FormatMinSec(MSFToMinSec(Length)) + " " + Name;
}

// The width and height a bitmap's or PNG's header gives; false for other or damaged data.
bool PictureDimensions(const std::string& Bytes, long& Width, long& Height) {
    const auto* b = reinterpret_cast<const unsigned char*>(Bytes.data());
    const auto le = [&](std::size_t At, int Size) {
        std::uint32_t v = 0;
        for (int i = Size - 1; i >= 0; --i)
            v = v << 8 | b[At + static_cast<std::size_t>(i)];
        return v;
    };
    const auto be32 = [&](std::size_t At) {
        return std::uint32_t(b[At]) << 24 | std::uint32_t(b[At + 1]) << 16 | std::uint32_t(b[At + 2]) << 8 |
               b[At + 3];
    };
    if (Bytes.size() >= 26 && Bytes.compare(0, 2, "BM") == 0) {
        const std::uint32_t header = le(14, 4);
        if (header == 12) {
            Width = le(18, 2);
            Height = le(20, 2);
        } else if (header >= 16 && header <= 124) {
            Width = static_cast<std::int32_t>(le(18, 4));
            // A negative height marks rows stored top to bottom.
            const std::int32_t h = static_cast<std::int32_t>(le(22, 4));
            Height = h == INT32_MIN ? 0 : std::abs(h);
        } else {
            return false;
        }
        return Width > 0 && Height > 0;
    }
    if (Bytes.size() >= 24 && Bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
        Bytes.compare(12, 4, "IHDR") == 0) {
        Width = be32(16);
        Height = be32(20);
        return Width > 0 && Height > 0;
    }
    return false;
}

// ", N bytes, W x H pixels" of a stored picture.
std::string PictureSize(TVlf& Store, std::int32_t Pos) {
    std::string bytes;
    if (!Store.ReadItem(Pos, bytes)) return {};
    std::string text = ", " + std::to_string(bytes.size()) + " bytes";
    long width = 0, height = 0;
    if (PictureDimensions(bytes, width, height))
        text += ", " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return text;
}

} // namespace

int ShowDisc(const std::string& DataDir, const std::string& Code, std::ostream& Out, std::ostream& Err) {
    TReadOnlyCatalogue cat;
    std::string error;
    if (!cat.Open(DataDir, error)) {
        Err << "orbelune-cat: " << error << "\n";
        return 1;
    }
    // Codes are stored in upper-case hexadecimal; one typed in lower case names the same disc.
    std::string key = Code;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
    std::int32_t recNo = 0;
    FindKey(cat.File, kDiscCode, recNo, CutKey(key, kDiscCode));
    TDiscRecordBytes bytes;
    if (!EngineOK || !ReadDiscRecord(cat.File, recNo, bytes) || DiscRecordStatus(bytes) != 0) {
        Err << "orbelune-cat: no disc with the code " << Code << " in the catalogue\n";
        return 1;
    }
    const TDiscRecord rec = DecodeDiscRecord(bytes);
    TPlayerSettings settings;
    LoadSettingsFrom(DataDir + "ORBELUNE.INI", settings);

    TStringGridData grid(DiscGridCols, DiscGridRows);
    std::string notes;
    bool picture = false, sample = false;
    std::string pictureSize, sampleSize;
    // What of the disc's blobs cannot be read, and why: shown in their place rather than empty fields.
    std::string storeFault, tracksFault, notesFault;
    if (rec.TracksRef || rec.NotesRef || rec.PictureRef || rec.SampleRef) {
        TVlf store;
        ConfigureDiscStore(store);
        store.FileOpenMode = OpenRead;
        std::error_code ec;
        if (!std::filesystem::exists(DataDir + "disc.VLF", ec)) {
            storeFault = "disc.VLF is missing";
        } else if (!store.OpenStore(DataDir + "disc.VLF")) {
            storeFault = "disc.VLF cannot be read: " + store.LastError();
        } else {
            TStringGridData loaded(0, 0);
            if (rec.TracksRef && LoadGrid(store, rec.TracksRef, loaded) &&
                TrackGridFits(loaded, rec.DiscCode)) {
                DecodeGridTexts(loaded);
                grid = std::move(loaded);
                if (grid.ColCount() < DiscGridCols) grid.SetColCount(DiscGridCols);
                if (grid.RowCount() < DiscGridRows) grid.SetRowCount(DiscGridRows);
            } else if (rec.TracksRef) {
                tracksFault = "its block in disc.VLF is damaged";
            }
            if (rec.NotesRef && store.LoadText(rec.NotesRef, notes)) {
                while (!notes.empty() && notes.back() == '\0')
                    notes.pop_back();
                // The first line holds the disc's code, which the editor does not show either.
                notes = NotesForEditing(DecodeStoredText(notes));
            } else if (rec.NotesRef) {
                notesFault = "its block in disc.VLF is damaged";
            }
            picture = rec.PictureRef && store.ItemKind(rec.PictureRef) == VlfKindPicture;
            if (picture) pictureSize = PictureSize(store, rec.PictureRef);
            sample = rec.SampleRef && store.ItemKind(rec.SampleRef) == VlfKindSample;
            if (sample) sampleSize = ", " + std::to_string(store.ItemLength(rec.SampleRef)) + " bytes";
            store.CloseStore();
        }
    }
    if (!storeFault.empty()) {
        if (rec.TracksRef) tracksFault = storeFault;
        if (rec.NotesRef) notesFault = storeFault;
    }

    Out << "Disc ID: " << rec.DiscCode << "\n"
        << "Name: " << rec.DiscName << "\n"
        << "Artist: " << rec.Artist << "\n"
        << "Composer: " << rec.Composer << "\n"
        << "Reference: " << rec.Reference << "\n"
        << "Music type: " << rec.MusicType << "\n"
        << "Record label: " << rec.RecordLabel << "\n"
        << settings.DiscUser1Caption << ": " << rec.UserField1 << "\n"
        << settings.DiscUser2Caption << ": " << rec.UserField2 << "\n"
        << "Year: " << rec.Year << "\n"
        << "Tracks: " << rec.TrackCount << "\n"
        << "Total time: " << FormatMinSec(rec.TotalTime) << "\n"
        << "Volume: " << rec.VolumeLeft << " " << rec.VolumeRight << "\n"
        << "Play mode: " << PlayModeName(static_cast<TPlayMode>(rec.PlayMode & 0xFF)) << "\n"
        << "Programme:";
    for (int i = 1; i <= rec.Programme.Count; ++i)
        Out << " " << int(rec.Programme[i]);
    Out << "\n"
        << "Picture: " << (picture ? "yes" + pictureSize : "no") << "\n"
        << "Sample: " << (sample ? "yes" + sampleSize : "no") << "\n"
        << "Waiting for its disc: " << (rec.TocPending ? "yes" : "no") << "\n"
        << "Track list (" << settings.TracksUser1Caption << ", " << settings.TracksUser2Caption << "):";
    if (!tracksFault.empty()) Out << " the track names cannot be read (" << tracksFault << ")";
    Out << "\n";
    for (int t = 1; t <= rec.TrackCount; ++t) {
        Out << TrackLineText(t, rec.TrackLengths[t - 1], grid.Cells(0, t));
        if (!grid.Cells(1, t).empty() || !grid.Cells(2, t).empty())
            Out << " | " << grid.Cells(1, t) << " | " << grid.Cells(2, t);
        Out << "\n";
    }
    Out << "Notes:";
    if (!notesFault.empty()) Out << " the notes cannot be read (" << notesFault << ")";
    Out << "\n" << notes;
    if (!notes.empty() && notes.back() != '\n') Out << "\n";
    if (tracksFault.empty() && notesFault.empty()) return 0;
    Err << "orbelune-cat: "
        << (storeFault.empty() ? "part of this disc's data in disc.VLF is damaged" : storeFault)
        << "; run 'orbelune-cat repair' to recover what it still holds\n";
    return 1;
}

std::string CatalogueToolUsage() {
    return std::string(Usage) + PrintUsage + TransferUsage + LookupUsage +
           "Exit status: 0 done, 1 failed, 2 usage error, 3 export or print written without data of some "
           "discs\n"
           "that could not be read (each disc is named).\n";
}

int UseCatalogueToolFolder(std::string& Dir, std::ostream& Err) {
    if (Dir.empty()) {
        Dir = ProgramDir();
    } else {
        std::error_code ec;
        if (!std::filesystem::is_directory(Dir, ec)) {
            Err << "orbelune-cat: no such folder: " << Dir << "\n";
            return 1;
        }
        if (Dir.back() != '/') Dir += '/';
    }
    if (::access(Dir.c_str(), R_OK | X_OK) != 0) {
        Err << "orbelune-cat: cannot read the folder " << Dir << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    return 0;
}

int RunQuickCatalogueCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
    std::string dir;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        if (Args[i] == "--dir") {
            if (i + 1 >= Args.size()) return -1;
            dir = Args[++i];
        } else if (Args[i] == "--help" || Args[i] == "-h") {
            Out << CatalogueToolUsage();
            return 0;
        } else if (Args[i] == "--version") {
            Out << "orbelune-cat " << ProgramVersion() << "\n";
            return 0;
        } else {
            rest.push_back(Args[i]);
        }
    }
    // A longer code is a usage error, which the full tool tells.
    if (rest.size() != 2 || rest[0] != "show" || rest[1].size() > 16) return -1;
    if (const int status = UseCatalogueToolFolder(dir, Err)) return status;
    return ShowDisc(dir, rest[1], Out, Err);
}
