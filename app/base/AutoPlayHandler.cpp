#include "app/base/AutoPlayHandler.h"

#include <QSaveFile>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/base/TextEncoding.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* DefaultSection = "[Default Applications]";
// A mimeapps.list is a small text file; anything far larger is not one.
constexpr std::uintmax_t MaxFileSize = 4 * 1024 * 1024;

std::string XdgDir(const char* Variable, const char* Fallback) {
    const char* Value = std::getenv(Variable);
    if (Value && *Value == '/') return Value;
    const char* Home = std::getenv("HOME");
    return std::string(Home ? Home : "") + "/" + Fallback;
}

struct TLine {
    std::string Text;   // without its line ending
    std::string Ending; // "\n", "\r\n" or "" for a last line without one
};

std::vector<TLine> SplitLines(const std::string& Text) {
    std::vector<TLine> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        const std::size_t End = Text.find('\n', Start);
        TLine Line;
        if (End == std::string::npos) {
            Line.Text = Text.substr(Start);
            Start = Text.size();
        } else {
            Line.Text = Text.substr(Start, End - Start);
            Line.Ending = "\n";
            Start = End + 1;
        }
        if (!Line.Text.empty() && Line.Text.back() == '\r') {
            Line.Text.pop_back();
            Line.Ending = "\r" + Line.Ending;
        }
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(" \t");
    if (First == std::string::npos) return {};
    return Text.substr(First, Text.find_last_not_of(" \t") - First + 1);
}

bool IsSectionHeader(const std::string& Line) {
    const std::string Text = Trimmed(Line);
    return !Text.empty() && Text.front() == '[';
}

// The key of a "key=value" line, or empty.
std::string KeyOf(const std::string& Line) {
    const std::size_t Equals = Line.find('=');
    if (Equals == std::string::npos) return {};
    return Trimmed(Line.substr(0, Equals));
}

std::string ValueOf(const std::string& Line) {
    return Trimmed(Line.substr(Line.find('=') + 1));
}

// The first application of a ";"-separated list.
std::string FirstApplication(const std::string& Value) {
    return Trimmed(Value.substr(0, Value.find(';')));
}

// A text file holds no NUL bytes and only well-formed UTF-8.
bool LooksLikeText(const std::string& Text) {
    return Text.find('\0') == std::string::npos && IsValidUtf8(Text);
}

bool ReadWholeFile(const std::string& FileName, std::string& Text, std::string& Error) {
    std::error_code Code;
    if (!fs::exists(FileName, Code)) {
        Text.clear();
        return true;
    }
    if (!fs::is_regular_file(FileName, Code) || fs::file_size(FileName, Code) > MaxFileSize) {
        Error = "The file " + FileName + " is not a list of default applications.";
        return false;
    }
    std::ifstream In(FileName, std::ios::binary);
    std::ostringstream Buffer;
    if (!In || !(Buffer << In.rdbuf())) {
        // An empty file gives no characters to copy, which is not a failure.
        if (In && In.peek() == std::ifstream::traits_type::eof()) {
            Text.clear();
            return true;
        }
        Error = "The file " + FileName + " cannot be read.";
        return false;
    }
    Text = Buffer.str();
    if (!LooksLikeText(Text)) {
        Error = "The file " + FileName + " is not a list of default applications.";
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& FileName, const std::string& Text, std::string& Error) {
    std::error_code Code;
    fs::create_directories(fs::path(FileName).parent_path(), Code);
    QSaveFile File(QString::fromStdString(FileName));
    if (!File.open(QIODevice::WriteOnly) ||
        File.write(Text.data(), static_cast<qint64>(Text.size())) != static_cast<qint64>(Text.size()) ||
        !File.commit()) {
        Error = "The file " + FileName + " cannot be written.";
        return false;
    }
    return true;
}

bool DesktopEntryInstalled() {
    std::vector<std::string> Dirs{XdgDir("XDG_DATA_HOME", ".local/share")};
    const char* DataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream List(DataDirs && *DataDirs ? DataDirs : "/usr/local/share:/usr/share");
    for (std::string Dir; std::getline(List, Dir, ':');)
        if (!Dir.empty()) Dirs.push_back(Dir);
    std::error_code Code;
    for (const std::string& Dir : Dirs)
        if (fs::is_regular_file(fs::path(Dir) / "applications" / OrbeluneDesktopEntry, Code)) return true;
    return false;
}

// An argument of an Exec line: quoted, with the characters the quotes do not protect escaped, and the
// field-code sign doubled.
std::string ExecArgument(const std::string& Text) {
    std::string Quoted = "\"";
    for (char c : Text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') Quoted += "\\\\";
        if (c == '%') Quoted += '%';
        Quoted += c;
    }
    return Quoted + "\"";
}

// The desktop entry this program writes when none is installed; empty when its own file is not found.
std::string OwnDesktopEntry() {
    std::error_code Code;
    const fs::path Executable = fs::read_symlink("/proc/self/exe", Code);
    if (Code) return {};
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orbelune\n"
           "Comment=Play audio CDs and keep a catalogue of them\n"
           "Exec=" +
           ExecArgument(Executable.string()) +
           " %U\n"
           "Icon=media-optical-audio\n"
           "Terminal=false\n"
           "Categories=AudioVideo;Audio;Player;\n"
           "MimeType=x-content/audio-cdda;\n";
}

bool WriteDesktopEntry(std::string& Error) {
    const std::string Entry = OwnDesktopEntry();
    if (Entry.empty()) {
        Error = "The program's own file cannot be found, so it cannot be made the player for audio CDs.";
        return false;
    }
    return WriteWholeFile(UserDesktopEntryFileName(), Entry, Error);
}

// Removes the entry WriteDesktopEntry wrote, which would otherwise still offer this program for audio CDs;
// an entry the user has changed, or one written by another copy of the program, stays.
void RemoveOwnDesktopEntry() {
    const fs::path Folder = fs::path(UserDesktopEntryFileName()).parent_path();
    for (const char* Name : {OrbeluneDesktopEntry, FormerDesktopEntry}) {
        const std::string FileName = (Folder / Name).string();
        std::string Text, Error;
        std::error_code Code;
        if (fs::is_regular_file(FileName, Code) && ReadWholeFile(FileName, Text, Error) &&
            Text == OwnDesktopEntry())
            fs::remove(FileName, Code);
    }
}

bool IsOwnEntry(const std::string& Application) {
    return Application == OrbeluneDesktopEntry || Application == FormerDesktopEntry;
}

// The lists of default applications in $XDG_CONFIG_HOME in the order the desktop reads them: one for each
// desktop of $XDG_CURRENT_DESKTOP ("gnome-mimeapps.list"), then mimeapps.list. The first that names a
// default for a type decides it.
std::vector<std::string> MimeAppsLookup() {
    const std::string Dir = XdgDir("XDG_CONFIG_HOME", ".config");
    std::vector<std::string> Files;
    const char* Desktops = std::getenv("XDG_CURRENT_DESKTOP");
    std::stringstream List(Desktops ? Desktops : "");
    for (std::string Desktop; std::getline(List, Desktop, ':');) {
        if (Desktop.empty() || Desktop.find('/') != std::string::npos) continue;
        for (char& c : Desktop)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        Files.push_back(Dir + "/" + Desktop + "-mimeapps.list");
    }
    Files.push_back(MimeAppsFileName());
    return Files;
}

} // namespace

std::string MimeAppsFileName() {
    return XdgDir("XDG_CONFIG_HOME", ".config") + "/mimeapps.list";
}

std::string UserDesktopEntryFileName() {
    return XdgDir("XDG_DATA_HOME", ".local/share") + "/applications/" + OrbeluneDesktopEntry;
}

std::string DefaultApplication(const std::string& Text, const std::string& ContentType) {
    bool InSection = false;
    for (const TLine& Line : SplitLines(Text)) {
        if (IsSectionHeader(Line.Text))
            InSection = Trimmed(Line.Text) == DefaultSection;
        else if (InSection && KeyOf(Line.Text) == ContentType)
            return FirstApplication(ValueOf(Line.Text));
    }
    return {};
}

std::string WithDefaultApplication(const std::string& Text, const std::string& ContentType,
                                   const std::string& Application) {
    std::vector<TLine> Lines = SplitLines(Text);
    const std::string Setting = ContentType + "=" + Application;
    bool InSection = false;
    bool Done = false;
    std::size_t SectionEnd = std::string::npos; // index after the last line of the first section
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (IsSectionHeader(Lines[i].Text)) {
            InSection = !Done && Trimmed(Lines[i].Text) == DefaultSection;
            if (InSection) SectionEnd = i + 1;
            continue;
        }
        if (!InSection) continue;
        if (KeyOf(Lines[i].Text) == ContentType) {
            if (Application.empty()) {
                Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(i));
                --i;
            } else if (!Done) {
                Lines[i].Text = Setting;
            } else {
                Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(i));
                --i;
            }
            Done = true;
            continue;
        }
        if (!Trimmed(Lines[i].Text).empty()) SectionEnd = i + 1;
    }
    if (!Done && !Application.empty()) {
        const std::string Ending =
            Lines.empty() || Lines.front().Ending.empty() ? "\n" : Lines.front().Ending;
        if (!Lines.empty() && Lines.back().Ending.empty()) Lines.back().Ending = Ending;
        if (SectionEnd == std::string::npos) {
            Lines.push_back({DefaultSection, Ending});
            Lines.push_back({Setting, Ending});
        } else {
            Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd), TLine{Setting, Ending});
        }
    }
    // A section left without settings goes, so that adding and removing a default gives the file back.
    if (Application.empty() && Done) {
        for (std::size_t Header = 0; Header < Lines.size(); ++Header) {
            if (!IsSectionHeader(Lines[Header].Text) || Trimmed(Lines[Header].Text) != DefaultSection)
                continue;
            std::size_t Next = Header + 1;
            while (Next < Lines.size() && !IsSectionHeader(Lines[Next].Text) &&
                   Trimmed(Lines[Next].Text).empty())
                ++Next;
            if (Next == Lines.size() || IsSectionHeader(Lines[Next].Text))
                Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(Header));
            break;
        }
    }
    std::string Result;
    for (const TLine& Line : Lines)
        Result += Line.Text + Line.Ending;
    return Result;
}

bool SetAutoPlayHandler(TPlayerSettings& Settings, bool On, std::string& Error) {
    // The default is changed where the desktop reads it first: in the first list that names one, else in
    // mimeapps.list, which comes before every list outside $XDG_CONFIG_HOME.
    std::string FileName, Text;
    for (const std::string& Candidate : MimeAppsLookup()) {
        if (!ReadWholeFile(Candidate, Text, Error)) return false;
        FileName = Candidate;
        if (!DefaultApplication(Text, AudioCdContentType).empty()) break;
    }
    const std::string Current = DefaultApplication(Text, AudioCdContentType);
    std::string Previous = Settings.PreviousCommandLine;
    std::string Wanted;
    if (On) {
        if (!DesktopEntryInstalled() && !WriteDesktopEntry(Error)) return false;
        // Turning it on twice must not lose the default from before the first time.
        if (!IsOwnEntry(Current)) Previous = Current;
        Wanted = OrbeluneDesktopEntry;
    } else {
        // A default the user chose after ours is theirs to keep.
        Wanted = IsOwnEntry(Current) ? Settings.PreviousCommandLine : Current;
    }
    if (Wanted != Current) {
        const std::string NewText = WithDefaultApplication(Text, AudioCdContentType, Wanted);
        if (!WriteWholeFile(FileName, NewText, Error)) return false;
    }
    if (!On && !IsOwnEntry(Wanted)) RemoveOwnDesktopEntry();
    Settings.AutoPlayHandler = On;
    Settings.PreviousCommandLine = Previous;
    return true;
}
