// Disc image checks and preparation for libcdio.
#include "devices/DiscImageCheck.h"

#include <cdio/cdio.h>
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "devices/CdErrors.h"

namespace fs = std::filesystem;

namespace {

constexpr int MaxTracks = 99;
constexpr std::int64_t MaxFrames = 100 * 60 * 75; // a CD's addresses end before 100 minutes
constexpr std::uintmax_t MaxSheetBytes = 1 << 20; // far more than any real sheet
// libcdio reads sheets a line at a time into fixed buffers and takes a longer line as several.
constexpr std::size_t CueLineLimit = 4096 - 1;
constexpr std::size_t TocLineLimit = 512 - 1;

std::uint32_t Be32(const unsigned char* P) {
    return std::uint32_t(P[0]) << 24 | std::uint32_t(P[1]) << 16 | std::uint32_t(P[2]) << 8 | P[3];
}

std::uint64_t Be64(const unsigned char* P) {
    return std::uint64_t(Be32(P)) << 32 | Be32(P + 4);
}

constexpr std::uint32_t Id(const char (&Text)[5]) {
    return std::uint32_t(std::uint8_t(Text[0])) << 24 | std::uint32_t(std::uint8_t(Text[1])) << 16 |
           std::uint32_t(std::uint8_t(Text[2])) << 8 | std::uint8_t(Text[3]);
}

std::string Lower(std::string S) {
    std::transform(S.begin(), S.end(), S.begin(), [](unsigned char C) { return std::tolower(C); });
    return S;
}

bool ReadWhole(const fs::path& Path, std::string& Text) {
    std::error_code Ec;
    const std::uintmax_t Size = fs::file_size(Path, Ec);
    if (Ec || Size > MaxSheetBytes || !fs::is_regular_file(Path, Ec)) return false;
    std::ifstream In(Path, std::ios::binary);
    if (!In) return false;
    Text.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
    return !In.bad();
}

// The lines of a sheet as libcdio's reader sees them; false when one is too long for it or the text
// holds a zero byte, which its reader would take as the end of a line.
bool SplitLines(std::string_view Text, std::size_t Limit, std::vector<std::string_view>& Lines) {
    if (Text.find('\0') != std::string_view::npos) return false;
    std::size_t At = 0;
    while (At < Text.size()) {
        std::size_t End = Text.find('\n', At);
        End = End == std::string_view::npos ? Text.size() : End + 1;
        if (End - At > Limit) return false;
        Lines.push_back(Text.substr(At, End - At));
        At = End;
    }
    return true;
}

bool IsBlank(char C) {
    return C == ' ' || C == '\t' || C == '\n' || C == '\r';
}

// Takes the next blank-separated word off Line.
std::string_view NextWord(std::string_view& Line) {
    std::size_t Start = 0;
    while (Start < Line.size() && IsBlank(Line[Start]))
        ++Start;
    std::size_t End = Start;
    while (End < Line.size() && !IsBlank(Line[End]))
        ++End;
    const std::string_view Word = Line.substr(Start, End - Start);
    Line.remove_prefix(End);
    return Word;
}

// Takes a file name off Line: a quoted name (which may hold blanks) or a single word.
std::string_view NextName(std::string_view& Line) {
    std::size_t Start = 0;
    while (Start < Line.size() && IsBlank(Line[Start]))
        ++Start;
    if (Start < Line.size() && Line[Start] == '"') {
        const std::size_t Close = Line.find('"', Start + 1);
        if (Close == std::string_view::npos) {
            Line = {};
            return {};
        }
        const std::string_view Name = Line.substr(Start + 1, Close - Start - 1);
        Line.remove_prefix(Close + 1);
        return Name;
    }
    Line.remove_prefix(Start);
    return NextWord(Line);
}

bool AllDigits(std::string_view S) {
    return !S.empty() && S.size() <= 3 &&
           std::all_of(S.begin(), S.end(), [](unsigned char C) { return std::isdigit(C); });
}

constexpr std::string_view Bom = "\xEF\xBB\xBF";

std::string_view WithoutBom(std::string_view Text) {
    return Text.substr(0, Bom.size()) == Bom ? Text.substr(Bom.size()) : Text;
}

// The data file a sheet names: the name as written, beside the sheet; failing that its last part (sheets
// made on another system often carry a whole path); either matched without regard to case when the
// exact name is not there.
std::optional<fs::path> FindBeside(const fs::path& Folder, std::string Name) {
    if (Name.empty()) return std::nullopt;
    std::replace(Name.begin(), Name.end(), '\\', '/');
    std::vector<fs::path> Candidates;
    const fs::path Written(Name);
    Candidates.push_back(Written.is_absolute() ? Written : Folder / Written);
    if (Written.has_filename()) Candidates.push_back(Folder / Written.filename());
    std::error_code Ec;
    for (const fs::path& Candidate : Candidates)
        if (fs::is_regular_file(Candidate, Ec)) return Candidate;
    for (const fs::path& Candidate : Candidates) {
        const std::string Wanted = Lower(Candidate.filename().string());
        for (fs::directory_iterator It(Candidate.parent_path(), Ec), End; !Ec && It != End; It.increment(Ec))
            if (Lower(It->path().filename().string()) == Wanted && fs::is_regular_file(It->path(), Ec))
                return It->path();
    }
    return std::nullopt;
}

// A wave file that libcdio can read as it reads a raw data file: 16-bit stereo PCM at 44.1 kHz.
bool IsCdWave(const fs::path& Path) {
    SF_INFO Info{};
    SNDFILE* File = sf_open(Path.c_str(), SFM_READ, &Info);
    if (!File) return false;
    sf_close(File);
    return (Info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
           (Info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && Info.channels == 2 &&
           Info.samplerate == 44100;
}

// Binary CD-TEXT as libcdio's pack reader takes it: it gathers a text in a buffer of 256 bytes without
// checking its length, and a failure of the reader on a Nero image frees its text twice. Returns true
// when the reader would overrun its buffer, or (with MustParse) when it would fail.
bool CdTextUnsafe(const unsigned char* Data, std::size_t Length, bool MustParse) {
    constexpr std::size_t Pack = 18;
    if (MustParse && (Length < Pack || Length % Pack != 0)) return true;
    int Block = -1, Seq = 0;
    std::size_t Buffered = 0;
    for (std::size_t At = 0; At + Pack <= Length; At += Pack, ++Seq) {
        const unsigned char* P = Data + At;
        const int PackBlock = (P[3] >> 4) & 7;
        const bool Wide = P[3] & 0x80;
        if (MustParse && (PackBlock != Block || P[2] != Seq)) {
            // A new block needs its three size packs somewhere in what is left.
            Block = PackBlock;
            Seq = 0;
            int SizePacks = -1;
            for (std::size_t I = At; I + Pack <= Length; I += Pack)
                if (Data[I] == 0x8f && Data[I + 1] == 1) SizePacks = Data[I + 4 + 7];
            if (SizePacks != 3) return true;
        }
        if (MustParse && Wide) return true;
        const int Type = P[0];
        if (!((Type >= 0x80 && Type <= 0x87) || Type == 0x8e)) continue;
        const unsigned char* Text = P + 4;
        for (int J = Type == 0x87 && Text[0] <= 31 ? 2 : 0; J < 12; J += Wide ? 2 : 1) {
            if (Text[J] != 0 || (Wide && J + 1 < 12 && Text[J + 1] != 0)) {
                Buffered += Wide ? 2 : 1;
                if (Buffered > 256) return true;
            } else if (Buffered > 1) {
                if (Buffered + (Wide ? 2 : 1) > 256) return true;
                Buffered = 0;
            }
        }
    }
    return false;
}

bool MakeFolder(TPreparedImage& Out) {
    std::error_code Ec;
    const fs::path Temporary = fs::temp_directory_path(Ec);
    if (Ec) return false;
    std::string Pattern = (Temporary / "orbelune-image-XXXXXX").string();
    if (!::mkdtemp(Pattern.data())) return false;
    Out.Folder = Pattern;
    return true;
}

bool WriteText(const fs::path& Path, const std::string& Text) {
    std::ofstream Out(Path, std::ios::binary);
    Out << Text;
    Out.close();
    return !Out.fail();
}

// A cue sheet: every FILE line must name the same data file (libcdio reads one data file per sheet), of
// a type read as raw sectors. libcdio is given a copy of the sheet in a private folder, beside links to
// the data file and any CD-TEXT file under the names it looks for.
int PrepareCue(const fs::path& Sheet, TPreparedImage& Out) {
    std::string Text;
    if (!ReadWhole(Sheet, Text)) return deBadImage;
    if (int Error = CheckCueSheet(Text)) return Error;
    std::vector<std::string_view> Lines;
    SplitLines(WithoutBom(Text), CueLineLimit, Lines);
    const fs::path Folder = fs::absolute(Sheet).parent_path();
    std::optional<fs::path> Data, CdText;
    bool CdTextLeftOut = false;
    std::string Copy;
    for (std::string_view Line : Lines) {
        std::string_view Rest = Line;
        const std::string_view Keyword = NextWord(Rest);
        if (Keyword == "FILE") {
            const std::string_view Name = NextName(Rest);
            const std::string Type = Lower(std::string(NextWord(Rest)));
            std::optional<fs::path> Found = FindBeside(Folder, std::string(Name));
            if (!Found) return deBadImage;
            if (Type == "wave") {
                if (!IsCdWave(*Found)) return deBadImage;
            } else if (Type != "binary") {
                return deBadImage;
            }
            std::error_code Ec;
            if (Data && !fs::equivalent(*Data, *Found, Ec)) return deBadImage;
            Data = Found;
            Copy += "FILE \"image.bin\" BINARY\n";
        } else if (Keyword == "TRACK") {
            // libcdio indexes its track table with the track number less the first one's, which runs
            // before the table for a first track above 1: the copy numbers the tracks from 1.
            const int Number = std::stoi(std::string(NextWord(Rest)));
            if (Out.FirstTrack == 0) Out.FirstTrack = Number;
            Copy += "TRACK " + std::to_string(Number - Out.FirstTrack + 1) + std::string(Rest);
            if (Copy.back() != '\n') Copy += '\n';
        } else if (Keyword == "CDTEXTFILE") {
            CdText = FindBeside(Folder, std::string(NextName(Rest)));
            std::string Packs;
            if (!CdText || !ReadWhole(*CdText, Packs)) return deBadImage;
            // Damaged CD-TEXT (with or without the 4-byte header of a .cdt file) is left out: the disc
            // still plays, without its texts.
            const auto* Bytes = reinterpret_cast<const unsigned char*>(Packs.data());
            if (CdTextUnsafe(Bytes, Packs.size(), false) ||
                (Packs.size() > 4 && CdTextUnsafe(Bytes + 4, Packs.size() - 4, false))) {
                CdText.reset();
                CdTextLeftOut = true;
            } else
                Copy += "CDTEXTFILE \"image.cdt\"\n";
        } else {
            Copy += Line;
            if (Copy.back() != '\n') Copy += '\n';
        }
    }
    if (!Data) return deBadImage;
    if (!MakeFolder(Out)) {
        // Without a private folder (no writable temporary folder) libcdio can still take the sheet as it
        // stands when it would read the same as the copy: the data file named like the sheet, tracks
        // numbered from 1, no CD-TEXT left out.
        fs::path Twin = Sheet;
        std::error_code Ec;
        if (std::string_view(Text).substr(0, Bom.size()) == Bom || Out.FirstTrack != 1 || CdTextLeftOut ||
            !fs::equivalent(*Data, Twin.replace_extension(".bin"), Ec))
            return deBadImage;
        Out.OpenPath = Sheet.string();
        Out.Driver = DRIVER_BINCUE;
        return deOK;
    }
    const fs::path Private(Out.Folder);
    std::error_code Ec;
    fs::create_symlink(fs::absolute(*Data), Private / "image.bin", Ec);
    if (!Ec && CdText) fs::create_symlink(fs::absolute(*CdText), Private / "image.cdt", Ec);
    if (Ec || !WriteText(Private / "image.cue", Copy)) return deBadImage;
    Out.OpenPath = (Private / "image.cue").string();
    Out.Driver = DRIVER_BINCUE;
    return deOK;
}

// libcdio's cdrdao reader opens the data files a TOC sheet names relative to the working directory, not
// to the sheet's folder as cdrdao and libcdio's own cue reader do. Returns the sheet's text with every
// relative name after FILE, AUDIOFILE or DATAFILE made absolute.
std::string TocWithAbsoluteFiles(const std::string& Text, const fs::path& Folder) {
    std::string Out;
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
            if (Name.empty() || Name == "-" || fs::path(Name).is_absolute()) continue;
            std::string Full = (Folder / Name).lexically_normal().string();
            std::string Quoted;
            for (char Ch : Full) {
                if (Ch == '"' || Ch == '\\') Quoted += '\\';
                Quoted += Ch;
            }
            Out.append(Text, I, Quote - I);
            Out += '"' + Quoted + '"';
            I = Close + 1;
        } else {
            Out += C;
            ++I;
        }
    }
    return Out;
}

int PrepareToc(const fs::path& Sheet, TPreparedImage& Out) {
    std::string Text;
    if (!ReadWhole(Sheet, Text)) return deBadImage;
    if (int Error = CheckTocSheet(Text)) return Error;
    const std::string Absolute = TocWithAbsoluteFiles(Text, fs::absolute(Sheet).parent_path());
    if (Absolute == Text) {
        Out.OpenPath = Sheet.string();
    } else {
        // The longer names must still suit libcdio's line reader.
        if (int Error = CheckTocSheet(Absolute)) return Error;
        // Without a private folder libcdio gets the sheet as it stands, and finds its data files only
        // when they lie in the working folder.
        if (!MakeFolder(Out)) {
            Out.OpenPath = Sheet.string();
        } else {
            if (!WriteText(fs::path(Out.Folder) / "image.toc", Absolute)) return deBadImage;
            Out.OpenPath = (fs::path(Out.Folder) / "image.toc").string();
        }
    }
    Out.Driver = DRIVER_CDRDAO;
    return deOK;
}

// Whether the file ends in a Nero footer's signature: a file without one is some other kind of file.
bool HasNrgFooter(std::string_view Tail) {
    const auto* End = reinterpret_cast<const unsigned char*>(Tail.data()) + Tail.size();
    return (Tail.size() >= 8 && Be32(End - 8) == Id("NERO")) ||
           (Tail.size() >= 12 && Be32(End - 12) == Id("NER5"));
}

bool ReadNrgTail(const fs::path& Path, std::uint64_t& Size, std::string& Tail) {
    std::error_code Ec;
    if (!fs::is_regular_file(Path, Ec)) return false;
    Size = fs::file_size(Path, Ec);
    if (Ec) return false;
    std::ifstream In(Path, std::ios::binary);
    const std::uint64_t Length = std::min<std::uint64_t>(Size, NrgTailBytes);
    In.seekg(static_cast<std::streamoff>(Size - Length));
    Tail.resize(Length);
    In.read(Tail.data(), static_cast<std::streamsize>(Length));
    return In.gcount() == static_cast<std::streamsize>(Length);
}

// PrepareDiscImage without its guard against filesystem exceptions.
int PrepareImage(const std::string& Path, TPreparedImage& Out) {
    const fs::path Image(Path);
    const std::string Ext = Lower(Image.extension().string());
    int Error = deBadImage;
    if (Ext == ".cue") {
        Error = PrepareCue(Image, Out);
    } else if (Ext == ".bin") {
        // A data file stands for the sheet of the same name beside it; alone it is raw samples, no image.
        std::error_code Ec;
        if (fs::is_regular_file(Image, Ec)) Error = deNotDiscImage;
        for (const char* SheetExt : {".cue", ".CUE"}) {
            fs::path Sheet = Image;
            std::error_code Ec;
            if (fs::exists(Sheet.replace_extension(SheetExt), Ec)) {
                Error = PrepareCue(Sheet, Out);
                break;
            }
        }
    } else if (Ext == ".toc") {
        Error = PrepareToc(Image, Out);
    } else {
        // Nero images, also under another extension, are known by their footer.
        std::uint64_t Size = 0;
        std::string Tail;
        if (ReadNrgTail(Image, Size, Tail))
            Error = HasNrgFooter(Tail) ? CheckNrgImage(Size, Tail) : deNotDiscImage;
        if (Error == deOK) {
            Out.OpenPath = Path;
            Out.Driver = DRIVER_NRG;
        }
    }
    if (Error != deOK) Out.Clear();
    if (Out.FirstTrack == 0) Out.FirstTrack = 1;
    return Error;
}

} // namespace

TPreparedImage& TPreparedImage::operator=(TPreparedImage&& Other) noexcept {
    if (this != &Other) {
        Clear();
        OpenPath = std::move(Other.OpenPath);
        Driver = Other.Driver;
        FirstTrack = Other.FirstTrack;
        Folder = std::exchange(Other.Folder, std::string());
    }
    return *this;
}

void TPreparedImage::Clear() {
    if (!Folder.empty()) {
        std::error_code Ec;
        fs::remove_all(Folder, Ec);
    }
    Folder.clear();
    OpenPath.clear();
    Driver = 0;
    FirstTrack = 0;
}

int CheckNrgImage(std::uint64_t Size, std::string_view Tail) {
    if (Size < 12 || Tail.size() > Size || Tail.size() < std::min<std::uint64_t>(Size, NrgTailBytes))
        return deBadImage;
    const auto* End = reinterpret_cast<const unsigned char*>(Tail.data()) + Tail.size();
    std::uint64_t FooterStart;
    if (Be32(End - 8) == Id("NERO"))
        FooterStart = Be32(End - 4);
    else if (Be32(End - 12) == Id("NER5"))
        FooterStart = Be64(End - 8);
    else
        return deBadImage;
    if (FooterStart >= Size || Size - FooterStart > 4096) return deBadImage;
    const std::size_t Length = static_cast<std::size_t>(Size - FooterStart);
    const auto* Footer = End - Length;

    int Tracks = 0;
    bool Mapped = false; // a chunk that lists the tracks was seen
    std::size_t Pos = 0;
    while (true) {
        if (Length - Pos < 8) return deBadImage; // no end chunk
        const std::uint32_t Chunk = Be32(Footer + Pos);
        const std::uint32_t Len = Be32(Footer + Pos + 4);
        if (Len > Length - Pos - 8) return deBadImage;
        const unsigned char* Data = Footer + Pos + 8;
        if (Chunk == Id("END!")) break;
        switch (Chunk) {
        case Id("CUES"):
        case Id("CUEX"): {
            if (Mapped || Len % 8 != 0) return deBadImage;
            Mapped = true;
            const std::size_t Entries = Len / 8;
            auto Track = [&](std::size_t E) { return Data[8 * E + 1]; };
            auto Control = [&](std::size_t E) { return Data[8 * E + 2]; };
            auto Lsn = [&](std::size_t E) { return std::int64_t(std::int32_t(Be32(Data + 8 * E + 4))); };
            if (Chunk == Id("CUES")) {
                if (Entries < 3) return deBadImage;
                for (std::size_t E = 1; E < Entries - 1; E += 2, ++Tracks) {
                    if (Control(E) / 16 != 0 || Track(E) != Track(E + 1)) return deBadImage;
                    const std::int64_t Count = std::int64_t(Be32(Data + 8 * (E + 1) + 4)) * 2;
                    if (Lsn(E) < 0 || Lsn(E) >= MaxFrames || Count <= 0 || Count > MaxFrames)
                        return deBadImage;
                }
            } else {
                if (Entries < 4 || Entries % 2 != 0 || Lsn(0) != -150) return deBadImage;
                for (std::size_t E = 2; E < Entries; E += 2, ++Tracks) {
                    if (Control(E) >> 4 > 1 || Track(E) == Track(E + 1)) return deBadImage;
                    if (Lsn(E) < -150 || Lsn(E) >= Lsn(E + 1) || Lsn(E + 1) > MaxFrames) return deBadImage;
                }
            }
            break;
        }
        case Id("DAOX"):
        case Id("DAOI"): {
            const std::size_t Entry = Chunk == Id("DAOX") ? 42 : 30;
            if (Len < 22 + Entry * static_cast<std::size_t>(std::max(Tracks, 1))) return deBadImage;
            break;
        }
        case Id("ETNF"):
        case Id("ETN2"): {
            const bool Wide = Chunk == Id("ETN2");
            const std::size_t Entry = Wide ? 32 : 20;
            if (Mapped || Len % Entry != 0) return deBadImage;
            Mapped = true;
            for (std::size_t E = 0; E < Len / Entry; ++E, ++Tracks) {
                const unsigned char* P = Data + E * Entry;
                const std::uint32_t Start = Wide ? std::uint32_t(Be64(P)) : Be32(P);
                const std::uint32_t Bytes = Wide ? std::uint32_t(Be64(P + 8)) : Be32(P + 4);
                const std::uint32_t Mode = Be32(P + (Wide ? 16 : 8));
                const std::uint32_t StartLsn = Be32(P + (Wide ? 20 : 12));
                std::uint32_t Block;
                switch (Mode) {
                case 0:
                case 2:
                    Block = 2048;
                    break;
                case 3:
                case 6:
                case 0x20:
                    if (Wide && Mode != 3) return deBadImage;
                    Block = 2336;
                    break;
                case 7:
                    Block = 2352;
                    break;
                default:
                    return deBadImage;
                }
                if (Bytes % Block != 0 || std::uint64_t(StartLsn) * Block != Start ||
                    StartLsn + Bytes / Block + 150 * (E + 1) > MaxFrames)
                    return deBadImage;
            }
            break;
        }
        case Id("SINF"):
        case Id("MTYP"):
            if (Len != 4) return deBadImage;
            break;
        case Id("CDTX"):
            if (CdTextUnsafe(Data, Len, true)) return deBadImage;
            break;
        case Id("NERO"):
        case Id("NER5"):
            return deBadImage;
        default:
            break;
        }
        if (Tracks > MaxTracks) return deBadToc;
        Pos += 8 + Len;
    }
    return Tracks == 0 ? deBadImage : deOK;
}

int CheckCueSheet(std::string_view Text) {
    std::vector<std::string_view> Lines;
    if (!SplitLines(WithoutBom(Text), CueLineLimit, Lines)) return deBadImage;
    int Tracks = 0, Last = 0;
    bool Files = false;
    for (std::string_view Line : Lines) {
        const std::string_view Keyword = NextWord(Line);
        Files = Files || Keyword == "FILE";
        if (Keyword != "TRACK") continue;
        const std::string_view Number = NextWord(Line);
        if (!AllDigits(Number)) return deBadImage;
        const int N = std::stoi(std::string(Number));
        // Tracks are numbered from 1 to 99 without a gap; libcdio counts them rather than read the numbers.
        if (N < 1 || N > MaxTracks || (Tracks > 0 && N != Last + 1)) return deBadToc;
        Last = N;
        ++Tracks;
    }
    // Text without a single line of a sheet (a .cue that is something else) is no disc image.
    if (Tracks == 0) return Files ? deBadToc : deNotDiscImage;
    return deOK;
}

int CheckTocSheet(std::string_view Text) {
    std::vector<std::string_view> Lines;
    if (!SplitLines(Text, TocLineLimit, Lines)) return deBadImage;
    int Tracks = 0;
    bool Sheet = false; // a disc type or data file line was seen
    for (std::string_view Line : Lines) {
        // libcdio cuts a line at the first "//", even inside a string.
        Line = Line.substr(0, Line.find("//"));
        const std::string_view Keyword = NextWord(Line);
        Sheet = Sheet || Keyword == "CD_DA" || Keyword == "CD_ROM" || Keyword == "CD_ROM_XA" ||
                Keyword == "CD_I" || Keyword == "FILE" || Keyword == "AUDIOFILE" || Keyword == "DATAFILE";
        if (Keyword == "TRACK") {
            if (++Tracks > MaxTracks) return deBadToc;
            // libcdio leaves the sector size of the other MODE2 kinds at 0 and later divides by it.
            const std::string_view Mode = NextWord(Line);
            if (Mode != "AUDIO" && Mode != "MODE1" && Mode != "MODE1_RAW" && Mode != "MODE2_FORM_MIX" &&
                Mode != "MODE2_RAW")
                return deBadImage;
        } else if (Tracks == 0 && (Keyword == "ISRC" || Keyword == "SILENCE" || Keyword == "NO")) {
            // libcdio writes these into the track before the first one.
            return deBadImage;
        }
    }
    if (Tracks == 0) return Sheet ? deBadToc : deNotDiscImage;
    return deOK;
}

int PrepareDiscImage(const std::string& Path, TPreparedImage& Out) {
    Out.Clear();
    try {
        return PrepareImage(Path, Out);
    } catch (const std::exception&) { // a folder that cannot be read or a name the system refuses
        Out.Clear();
        return deBadImage;
    }
}
