#include "catalogue/CatalogueImport.h"

#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <vector>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/RecordEngine.h"

const char* const msgImportFileNotFound = "File not found";
const char* const msgCannotOpenImport = "Cannot open requested file.";

namespace {

// Bytes kept of a line; the rest is read past. Every value is cut far shorter when it is stored.
constexpr std::size_t KeptLineBytes = 64 * 1024;
// The largest UTF-16 file read; it is converted in memory.
constexpr long long MaxUtf16File = 64LL << 20;
// Bytes a track grid cell holds.
constexpr std::size_t TrackTextMax = 255;
// Track names of the version 3 layout.
constexpr int Version3Tracks = 30;

std::string_view Trim(std::string_view S) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!S.empty() && blank(S.front()))
        S.remove_prefix(1);
    while (!S.empty() && blank(S.back()))
        S.remove_suffix(1);
    return S;
}

bool ParseInt(std::string_view Text, long long& Value) {
    Text = Trim(Text);
    if (!Text.empty() && Text.front() == '+') Text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    return ec == std::errc() && end == Text.data() + Text.size() && !Text.empty();
}

// A minutes.seconds value from 0 up to below High; 0 for any other text.
double ParseMinSec(std::string_view Text, double High) {
    Text = Trim(Text);
    double value = 0;
    const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (ec != std::errc() || end != Text.data() + Text.size() || !std::isfinite(value) || value < 0 ||
        value >= High)
        return 0;
    return value;
}

// Lines of a file, with their numbers: the end of line (LF or CR LF) removed, a byte order mark at the
// start of the file dropped, and only the first KeptLineBytes bytes of a longer line kept.
class TLineReader {
public:
    ~TLineReader() {
        if (FFile) std::fclose(FFile);
    }
    bool Open(const std::string& FileName) {
        FFile = std::fopen(FileName.c_str(), "rb");
        if (!FFile) return false;
        struct stat st {};
        if (::fstat(::fileno(FFile), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        FSize = st.st_size;
        FBuffer.resize(1 << 16);
        return OpenUtf16();
    }
    // False at the end of the file. HeldNul tells whether the line held a NUL byte.
    bool Read(std::string& Line) {
        Line.clear();
        HeldNul = false;
        bool any = false;
        for (;;) {
            if (FPos == FLength && !Fill()) {
                if (!any) return false;
                break;
            }
            any = true;
            const char* start = FBuffer.data() + FPos;
            const std::size_t available = FLength - FPos;
            const char* newline = static_cast<const char*>(std::memchr(start, '\n', available));
            const std::size_t segment = newline ? static_cast<std::size_t>(newline - start) : available;
            if (std::memchr(start, '\0', segment)) HeldNul = true;
            if (Line.size() < KeptLineBytes)
                Line.append(start, std::min(segment, KeptLineBytes - Line.size()));
            FPos += segment;
            if (newline) {
                ++FPos;
                break;
            }
        }
        ++FLineNo;
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (FLineNo == 1 && Line.starts_with("\xEF\xBB\xBF")) Line.erase(0, 3);
        return true;
    }
    int LineNo() const { return FLineNo; }
    int Percent() const {
        if (FSize <= 0) return 100;
        const long long read = FConsumed - static_cast<long long>(FLength - FPos);
        return static_cast<int>(std::clamp(read * 100 / FSize, 0LL, 100LL));
    }
    bool HeldNul = false;

private:
    // A file saved as UTF-16 (as Windows editors offer for ini files) is read through its UTF-8 form.
    bool OpenUtf16() {
        unsigned char mark[2] = {0, 0};
        const std::size_t got = std::fread(mark, 1, 2, FFile);
        const bool little = got == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
        const bool big = got == 2 && mark[0] == 0xFE && mark[1] == 0xFF;
        if (!little && !big) return std::fseek(FFile, 0, SEEK_SET) == 0;
        if (FSize > MaxUtf16File) return false;
        std::string raw(static_cast<std::size_t>(FSize), '\0');
        raw.resize(std::fread(raw.data(), 1, raw.size(), FFile));
        QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        FMemory =
            QString(decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())))).toStdString();
        std::fclose(FFile);
        FSize = static_cast<long long>(FMemory.size());
        FFile = FMemory.empty() ? std::fopen("/dev/null", "rb")
                                : ::fmemopen(FMemory.data(), FMemory.size(), "rb");
        return FFile != nullptr;
    }
    bool Fill() {
        FLength = std::fread(FBuffer.data(), 1, FBuffer.size(), FFile);
        FPos = 0;
        FConsumed += static_cast<long long>(FLength);
        return FLength > 0;
    }
    std::FILE* FFile = nullptr;
    std::string FMemory;
    std::vector<char> FBuffer;
    std::size_t FPos = 0;
    std::size_t FLength = 0;
    long long FSize = 0;
    long long FConsumed = 0;
    int FLineNo = 0;
};

class TImporter {
public:
    TImporter(TDiscCatalogue& Catalogue, TImportFormat Format, bool Merge, std::string FileName)
        : FCat(Catalogue), FFormat(Format), FMerge(Merge), FFileName(std::move(FileName)) {}

    bool Open() { return FReader.Open(FFileName); }
    TImportResult Run(const TTransferProgress& Progress);

private:
    // The next line as text (UTF-8, or Windows-1252 when not valid UTF-8); false at the end of the file
    // or, with FStopped set, at a line that no text file holds.
    bool NextLine(std::string& Line, bool Decode = true);
    bool Stop(const std::string& Why, int Line = 0);
    // The code of the next disc; false at the end of the file or at a malformed disc (FStopped).
    bool ReadImportCode(std::string& Code);
    // The values of the disc read onto Rec and the rows of Tracks; false at a malformed disc.
    bool ReadImportBody(TDiscRecord& Rec, TStringGridData& Tracks);
    bool ReadVersion4Body(TDiscRecord& Rec, TStringGridData& Tracks);
    bool ReadVersion3Body(TDiscRecord& Rec, TStringGridData& Tracks);
    void ReadWindowsBody(TDiscRecord& Rec, TStringGridData& Tracks);
    // A line of the body that the file must hold; a missing one ends the import.
    bool BodyLine(std::string& Line, bool Decode = true);

    TDiscCatalogue& FCat;
    TImportFormat FFormat;
    bool FMerge;
    std::string FFileName;
    TLineReader FReader;
    TImportResult FResult;
    bool FStopped = false;
    int FDiscLine = 0; // where the disc being read begins
    // Windows: the section header that ended the previous disc's lines.
    std::string FPending;
    bool FHavePending = false;
};

bool TImporter::NextLine(std::string& Line, bool Decode) {
    if (!FReader.Read(Line)) return false;
    // What comes from a file is text: control characters (a NUL among them) are taken out.
    if (Decode) Line = CleanText(DecodeStoredText(Line));
    return true;
}

bool TImporter::Stop(const std::string& Why, int Line) {
    if (FStopped) return false;
    FStopped = true;
    FResult.Stopped = true;
    FResult.StopLine = Line ? Line : FReader.LineNo();
    const int imported = FResult.Added + FResult.Merged;
    FResult.Error = "The import stopped at line " + std::to_string(FResult.StopLine) + " of " + FFileName +
                    ": " + Why + ". " + std::to_string(imported) +
                    (imported == 1 ? " disc was" : " discs were") + " imported before it.";
    return false;
}

bool TImporter::BodyLine(std::string& Line, bool Decode) {
    if (NextLine(Line, Decode)) return true;
    return Stop("the file ends before the disc that begins at line " + std::to_string(FDiscLine) +
                " is complete");
}

bool TImporter::ReadImportCode(std::string& Code) {
    std::string line;
    if (FFormat != ifWindows) {
        do {
            if (!NextLine(line)) return false;
        } while (Trim(line).empty());
        FDiscLine = FReader.LineNo();
        // A file whose disc line holds a NUL is no text file (a program, a picture).
        if (FReader.HeldNul) return Stop("the line holds a NUL byte, which a text file does not");
        const std::string_view text = Trim(line);
        if (text.size() <= 2 || text.front() != '[' || text.back() != ']')
            return Stop("the line does not hold a disc code in square brackets");
        Code = std::string(text.substr(1, text.size() - 2));
        if (!IsDiscCode(Code))
            return Stop("the disc code \"" + CutToCharacters(Code, 40) + "\" is not 16 hexadecimal digits");
        Code = WindowsDiscCode(Code);
        return true;
    }
    for (;;) {
        // Lines before the first section belong to no disc.
        if (FHavePending) {
            line = FPending;
            FHavePending = false;
        } else {
            do {
                if (!NextLine(line)) return false;
            } while (!Trim(line).starts_with('['));
        }
        FDiscLine = FReader.LineNo();
        const std::string_view text = Trim(line);
        const std::string_view name = text.size() >= 2 && text.back() == ']'
                                          ? Trim(text.substr(1, text.size() - 2))
                                          : std::string_view();
        Code = WindowsDiscCode(std::string(name));
        if (IsDiscCode(Code)) return true;
        // A broken header, or a section of another kind: its lines are passed over up to the next
        // section.
        ++FResult.BrokenSections;
        TDiscRecord ignored;
        TStringGridData none(DiscGridCols, DiscGridRows);
        ReadWindowsBody(ignored, none);
        if (FStopped || !FHavePending) return false;
    }
}

bool TImporter::ReadImportBody(TDiscRecord& Rec, TStringGridData& Tracks) {
    switch (FFormat) {
    case ifVersion4:
        if (!ReadVersion4Body(Rec, Tracks)) return false;
        break;
    case ifVersion3:
        if (!ReadVersion3Body(Rec, Tracks)) return false;
        break;
    case ifWindows:
        ReadWindowsBody(Rec, Tracks);
        if (FStopped) return false;
        break;
    }
    Rec.TocPending = true;
    return true;
}

bool TImporter::ReadVersion4Body(TDiscRecord& Rec, TStringGridData& Tracks) {
    std::string line;
    for (const auto& [field, max] : {std::pair{&Rec.DiscName, DiscNameMax},
                                     {&Rec.Artist, ArtistMax},
                                     {&Rec.Composer, ComposerMax},
                                     {&Rec.Reference, ReferenceMax},
                                     {&Rec.MusicType, MusicTypeMax},
                                     {&Rec.RecordLabel, RecordLabelMax},
                                     {&Rec.UserField1, UserFieldMax},
                                     {&Rec.UserField2, UserFieldMax}}) {
        if (!BodyLine(line)) return false;
        *field = CutToBytes(line, static_cast<std::size_t>(max));
    }
    if (!BodyLine(line)) return false;
    long long number = 0;
    Rec.Year = ParseInt(line, number) && number >= INT16_MIN && number <= INT16_MAX
                   ? static_cast<std::int16_t>(number)
                   : 0;
    if (!BodyLine(line)) return false;
    Rec.TotalTime = ParseMinSec(line, 100000);
    if (!BodyLine(line)) return false;
    if (!ParseInt(line, number)) {
        Rec.TrackCount = 0;
        return Stop("the track count is not a number");
    }
    if (number < 0) return Stop("the track count is below 0");
    if (number > MaxDiscTracks) ++FResult.TracksCut;
    Rec.TrackCount = static_cast<std::int16_t>(std::min<long long>(number, MaxDiscTracks));
    for (long long t = 1; t <= number; ++t) {
        const bool kept = t <= MaxDiscTracks;
        const int row = static_cast<int>(t);
        if (!BodyLine(line)) return false;
        // A track is at most 255 minutes long: beyond that the time is not one.
        if (kept) Rec.TrackLengths[row - 1] = MinSecToMSF(ParseMinSec(line, 256));
        for (int col = 0; col < DiscGridCols; ++col) {
            if (!BodyLine(line)) return false;
            if (kept) Tracks.SetCells(col, row, CutToBytes(line, TrackTextMax));
        }
    }
    return true;
}

bool TImporter::ReadVersion3Body(TDiscRecord& Rec, TStringGridData& Tracks) {
    std::string line;
    for (const auto& [field, max] : {std::pair{&Rec.DiscName, DiscNameMax},
                                     {&Rec.Composer, ComposerMax},
                                     {&Rec.MusicType, MusicTypeMax}}) {
        if (!BodyLine(line)) return false;
        *field = CutToBytes(line, static_cast<std::size_t>(max));
    }
    // The stored programme, one byte per track number; bytes that name no track are left out.
    if (!BodyLine(line, false)) return false;
    Rec.Programme.Clear();
    for (const char c : line)
        if (const auto track = static_cast<std::uint8_t>(c); track >= 1 && track <= MaxDiscTracks)
            Rec.Programme.Append(track);
    if (!BodyLine(line)) return false;
    Rec.Reference = CutToBytes(line, ReferenceMax);
    Rec.TrackCount = Version3Tracks;
    for (int t = 1; t <= Version3Tracks; ++t) {
        if (!BodyLine(line)) return false;
        Rec.TrackLengths[t - 1] = 0;
        Tracks.SetCells(0, t, CutToBytes(line, TrackTextMax));
    }
    return true;
}

void TImporter::ReadWindowsBody(TDiscRecord& Rec, TStringGridData& Tracks) {
    std::string line;
    while (NextLine(line)) {
        if (Trim(line).starts_with('[')) {
            FPending = line;
            FHavePending = true;
            return;
        }
        const TIniLine entry = SplitIniLine(line);
        if (entry.Key == "ARTIST") {
            Rec.Artist = CutToBytes(entry.Value, ArtistMax);
        } else if (entry.Key == "TITLE") {
            Rec.DiscName = CutToBytes(entry.Value, DiscNameMax);
        } else if (entry.Key == "NUMTRACKS") {
            long long count = 0;
            if (!ParseInt(entry.Value, count) || count < 0) count = 0;
            if (count > MaxDiscTracks) ++FResult.TracksCut;
            Rec.TrackCount = static_cast<std::int16_t>(std::min<long long>(count, MaxDiscTracks));
        } else if (entry.TrackIndex >= 1 && entry.TrackIndex <= MaxDiscTracks) {
            Tracks.SetCells(0, entry.TrackIndex, CutToBytes(entry.Value, TrackTextMax));
        }
    }
}

TImportResult TImporter::Run(const TTransferProgress& Progress) {
    FResult.Opened = true;
    if (Progress) Progress(0);
    if (!FCat.HoldDiscFiles()) {
        FResult.StoreFailed = FResult.Refused = true;
        return FResult;
    }
    std::set<std::string> saved;
    TDiscRecord rec;
    TStringGridData& tracks = FCat.fvlf.catTracks;
    std::string& memo = FCat.fvlf.catMemo;
    TDiscKeys& keys = FCat.CatalogueKeys;
    std::string code;
    while (ReadImportCode(code)) {
        std::int32_t recNo = 0;
        FindKey(FCat.DiscFile, kDiscCode, recNo, code);
        const bool held = EngineOK;
        if (held && FMerge) {
            // What is held becomes the base of the merge.
            FCat.LoadDisc(code, rec, tracks, memo, keys, recNo);
        } else {
            recNo = 0;
            rec = NewDiscRecord(code, FCat.Settings().VolumeLeft, FCat.Settings().VolumeRight);
            rec.TrackCount = Version3Tracks;
            ResetDiscGrid(tracks, code);
            memo = code;
            keys = {};
        }
        rec.DiscCode = code;
        if (!ReadImportBody(rec, tracks)) break;
        if (held && !FMerge) {
            ++FResult.Skipped;
        } else if (FCat.SaveDisc(rec, tracks, memo, recNo, keys)) {
            ++(held ? FResult.Merged : FResult.Added);
            saved.insert(code);
        } else {
            FResult.StoreFailed = true;
            Stop("the disc " + code + " could not be stored", FDiscLine);
            break;
        }
        if (Progress) Progress(FReader.Percent());
    }
    FResult.CloseFailed = !FCat.ReleaseDiscFiles();
    // The disc in the drive is held in memory with its blob positions: after its record changed here it is
    // loaded again, so that its next save does not write over blocks that now belong to the import.
    if (!FCat.CurrentDiscCode.empty() && saved.count(FCat.CurrentDiscCode)) {
        FCat.DiscInserted(FCat.CurrentDiscCode, TocOf(FCat.CurrentDisc));
    }
    if (Progress) Progress(100);
    return FResult;
}

} // namespace

TIniLine SplitIniLine(const std::string& Line) {
    TIniLine entry;
    const std::size_t equals = Line.find('=');
    if (equals == std::string::npos) return entry;
    for (const char c : Trim(std::string_view(Line).substr(0, equals)))
        entry.Key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    entry.Value = std::string(Trim(std::string_view(Line).substr(equals + 1)));
    long long index = 0;
    if (!entry.Key.empty() && entry.Key.find_first_not_of("0123456789") == std::string::npos &&
        ParseInt(entry.Key, index) && index < MaxDiscTracks * 100) {
        entry.TrackIndex = static_cast<int>(index) + 1;
        entry.Key = "DATA";
    }
    return entry;
}

bool IsDiscCode(const std::string& Code) {
    return Code.size() == static_cast<std::size_t>(DiscCodeMax) &&
           Code.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

std::string WindowsDiscCode(const std::string& SectionName) {
    if (SectionName.empty() || SectionName.size() > static_cast<std::size_t>(DiscCodeMax) ||
        SectionName.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return SectionName;
    std::string code(static_cast<std::size_t>(DiscCodeMax) - SectionName.size(), '0');
    for (const char c : SectionName)
        code += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    return code;
}

TImportResult ImportCatalogue(TDiscCatalogue& Catalogue, const std::string& FileName, TImportFormat Format,
                              bool Merge, const TTransferProgress& Progress) {
    TImportResult result;
    struct stat st {};
    if (::stat(FileName.c_str(), &st) != 0) {
        result.Error = msgImportFileNotFound;
        return result;
    }
    // A pipe or a device could block the open or never end.
    if (!S_ISREG(st.st_mode)) {
        result.Error = msgCannotOpenImport;
        return result;
    }
    TImporter importer(Catalogue, Format, Merge, FileName);
    if (!importer.Open()) {
        result.Error = msgCannotOpenImport;
        return result;
    }
    return importer.Run(Progress);
}

std::string ImportSummary(const TImportResult& Result, const std::string& FileName) {
    const auto discs = [](int N) { return std::to_string(N) + (N == 1 ? " disc" : " discs"); };
    std::string line = "Imported from " + FileName + ": " + discs(Result.Added) + " added, " +
                       std::to_string(Result.Merged) + " merged, " + std::to_string(Result.Skipped) +
                       " skipped because they were held already.";
    if (Result.TracksCut)
        line += " " + discs(Result.TracksCut) + " had more than 99 tracks: the first 99 were kept.";
    if (Result.BrokenSections)
        line += " " + std::to_string(Result.BrokenSections) +
                (Result.BrokenSections == 1 ? " section was" : " sections were") +
                " passed over because its name was broken or no disc code.";
    if (Result.CloseFailed)
        line += " The catalogue files could not be written out, so these discs may not all be stored.";
    return line;
}
