#include "app/base/Settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

#include "app/base/IniFile.h"
#include "app/base/TextEncoding.h"

namespace fs = std::filesystem;

namespace {

// Held-button repeats (ms): faster than 10 ms would keep the event loop busy, slower than 5 s is no repeat.
constexpr int MinRepeatTime = 10;
constexpr int MaxRepeatTime = 5000;
// Window positions: the span of the display server's 16-bit coordinates; the windows are brought onto a
// screen when shown.
constexpr int MinWindowPos = -32768;
constexpr int MaxWindowPos = 32767;
// Skip, intro and fit times as stored (minutes.seconds x 100): 0.00 to 99.59, the longest time a disc and
// the time fields can hold.
constexpr int MinStoredTime = 0;
constexpr int MaxStoredTime = 9959;
// Drive numbers as the drive chooser lists them.
constexpr int MinDriveNumber = 0;
constexpr int MaxDriveNumber = 99;

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string ExecutableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

bool Fits32(long long Value) {
    return Value >= INT32_MIN && Value <= INT32_MAX;
}

// Both directions walk the same list, so load and save can never disagree on a key or its order.
class TExchange {
public:
    TExchange(TIniFile& Ini, bool Saving) : FIni(Ini), FSaving(Saving) {}

    void Text(const char* Section, const char* Key, std::string& Field) {
        if (FSaving)
            FIni.WriteString(Section, Key, Field);
        else
            Field = CutText255(FIni.ReadString(Section, Key, Field));
    }
    // A value beyond 32 bits is no value: it gives the default, never a wrapped number. One inside 32 bits
    // but outside the field's range is brought to its nearest end.
    void Integer(const char* Section, const char* Key, int& Field, int Min = INT32_MIN, int Max = INT32_MAX) {
        if (FSaving) {
            FIni.WriteInteger(Section, Key, Field);
            return;
        }
        const long long value = FIni.ReadInteger(Section, Key, Field);
        if (Fits32(value)) Field = static_cast<int>(std::clamp<long long>(value, Min, Max));
    }
    // Colours are 32-bit patterns: $8000000F and its signed form -2147483633 are the same system colour.
    void Colour(const char* Section, const char* Key, TColor& Field) {
        if (FSaving) {
            FIni.WriteInteger(Section, Key, Field);
            return;
        }
        const long long value = FIni.ReadInteger(Section, Key, Field);
        if (value >= INT32_MIN && value <= static_cast<long long>(UINT32_MAX))
            Field = static_cast<TColor>(static_cast<std::uint32_t>(value));
    }
    void Boolean(const char* Section, const char* Key, bool& Field) {
        if (FSaving) {
            FIni.WriteBool(Section, Key, Field);
            return;
        }
        const long long value = FIni.ReadInteger(Section, Key, Field ? 1 : 0);
        if (Fits32(value)) Field = value != 0;
    }
    // Times are stored as minutes.seconds x 100: 30 is 0.30, thirty seconds.
    void Time(const char* Section, const char* Key, TMinSec& Field) {
        const auto stored = static_cast<long long>(TimeRound(Field * 100.0L));
        if (FSaving) {
            FIni.WriteInteger(Section, Key, stored);
            return;
        }
        const long long value = FIni.ReadInteger(Section, Key, stored);
        if (Fits32(value))
            Field = static_cast<TMinSec>(std::clamp<long long>(value, MinStoredTime, MaxStoredTime) * 0.01L);
    }

    // A list is its count and one numbered key per item ("Image 1", "Image 2", ...); a path is kept whole.
    void List(const char* Section, const char* Key, std::vector<std::string>& Field) {
        const std::string count = std::string(Key) + " count";
        if (FSaving) {
            FIni.WriteInteger(Section, count, static_cast<long long>(Field.size()));
            for (std::size_t i = 0; i < Field.size(); ++i)
                FIni.WriteString(Section, std::string(Key) + " " + std::to_string(i + 1), Field[i]);
            return;
        }
        const long long n = FIni.ReadInteger(Section, count, 0);
        Field.clear();
        for (long long i = 1; i <= std::min<long long>(n, MaxListItems); ++i)
            if (std::string item = FIni.ReadString(Section, std::string(Key) + " " + std::to_string(i), "");
                !item.empty())
                Field.push_back(std::move(item));
    }
    static constexpr long long MaxListItems = 1000;

private:
    TIniFile& FIni;
    bool FSaving;
};

void ExchangeAll(TExchange& x, TPlayerSettings& s) {
    x.Text("Fonts", "Track window name", s.TrackWindowFontName);
    x.Integer("Fonts", "Track window size", s.TrackWindowFontSize, MinFontSize, MaxFontSize);
    x.Colour("Color", "Track window font", s.TrackWindowFontColor);
    x.Colour("Color", "Track window selected", s.TrackWindowSelectedColor);
    x.Colour("Color", "Track window background", s.TrackWindowBackground);
    x.Text("Fonts", "Disc data name", s.DiscDataFontName);
    x.Integer("Fonts", "Disc data size", s.DiscDataFontSize, MinFontSize, MaxFontSize);
    x.Colour("Color", "Disc data color", s.DiscDataFontColor);
    x.Colour("Color", "Disc data back", s.DiscDataBackground);
    x.Text("Fonts", "Report name", s.ReportFontName);
    x.Integer("Fonts", "Report size", s.ReportFontSize, MinFontSize, MaxFontSize);
    x.Colour("Color", "Report", s.ReportFontColor);
    x.Text("Fonts", "Small Name", s.SmallFontName);
    x.Integer("Fonts", "Small Size", s.SmallFontSize, MinFontSize, MaxFontSize);
    x.Colour("Color", "Small Font", s.SmallFontColor);
    x.Boolean("Fonts", "Display window bold", s.DisplayBold);
    x.Colour("Color", "Display window font", s.DisplayFontColor);
    x.Colour("Color", "Display window background", s.DisplayBackground);
    x.Text("Fonts", "Display window name", s.DisplayFontName);
    x.Integer("Fonts", "Display window size", s.DisplayFontSize, MinFontSize, MaxFontSize);
    x.Colour("Color", "Volume display background", s.VolumeDisplayBackground);
    x.Colour("Color", "Volume bar background", s.VolumeBarBackground);
    x.Colour("Color", "Volume bar foreground", s.VolumeBarForeground);
    x.Integer("Repeat buttons", "Volume delay", s.VolumeDelay, MinRepeatTime, MaxRepeatTime);
    x.Integer("Repeat buttons", "Volume interval", s.VolumeInterval, MinRepeatTime, MaxRepeatTime);
    x.Integer("Repeat buttons", "Skip interval", s.SkipInterval, MinRepeatTime, MaxRepeatTime);
    x.Integer("Volume", "Left", s.VolumeLeft, MinVolume, MaxVolume);
    x.Integer("Volume", "Right", s.VolumeRight, MinVolume, MaxVolume);
    x.Boolean("General", "Show hints", s.ShowHints);
    x.Integer("General", "Main top", s.MainTop, MinWindowPos, MaxWindowPos);
    x.Integer("General", "Main left", s.MainLeft, MinWindowPos, MaxWindowPos);
    x.Integer("General", "Small top", s.SmallTop, MinWindowPos, MaxWindowPos);
    x.Integer("General", "Small left", s.SmallLeft, MinWindowPos, MaxWindowPos);
    x.Time("General", "Skip time", s.SkipTime);
    x.Time("General", "Intro time", s.IntroTime);
    x.Time("General", "Fit tracks time", s.FitTracksTime);
    x.Boolean("General", "Use background bitmap", s.UseBackgroundBitmap);
    x.Text("General", "Background bitmap", s.BackgroundBitmap);
    x.Colour("Color", "Handset background", s.HandsetBackground);
    x.Boolean("General", "Auto play on startup", s.AutoPlayOnStartup);
    x.Boolean("General", "Auto stop on close down", s.AutoStopOnCloseDown);
    x.Boolean("General", "Keep on top", s.KeepOnTop);
    x.Boolean("General", "Save new entries", s.SaveNewEntries);
    x.Boolean("General", "Show disc data", s.ShowDiscData);
    x.Boolean("General", "Show extended handset", s.ShowExtendedHandset);
    x.Boolean("General", "Show tiny handset", s.ShowTinyHandset);
    x.Boolean("General", "Start with small handset", s.StartWithSmallHandset);
    x.Boolean("General", "Use color buttons", s.UseColorButtons);
    x.Boolean("General", "Print bitmap", s.PrintBitmap);
    x.Boolean("General", "Use Orbelune to auto play", s.AutoPlayHandler);
    x.Text("General", "Previous command line", s.PreviousCommandLine);
    x.Text("General", "Recording control", s.RecordingControl);
    x.Text("General", "Mixer control", s.MixerControl);
    x.Integer("General", "CDROM in use", s.CDROMInUse, MinDriveNumber, MaxDriveNumber);
    x.Text("General", "CDROM drive", s.CDROMDrive);
    x.List("Disc images", "Image", s.DiscImages);
    x.Text("General", "Print file", s.PrintFile);
    x.Boolean("General", "Print to file", s.PrintToFile);
    x.Boolean("General", "Deleted records present", s.DeletedRecordsPresent);
    x.Text("General", "Collector name", s.CollectorName);
    x.Text("User config", "Disc user 1", s.DiscUser1Caption);
    x.Text("User config", "Disc user 2", s.DiscUser2Caption);
    x.Text("User config", "Tracks user 1", s.TracksUser1Caption);
    x.Text("User config", "Tracks user 2", s.TracksUser2Caption);
    x.Text("Lookup", "MusicBrainz server", s.LookupMusicBrainzServer);
    x.Text("Lookup", "gnudb server", s.LookupGnudbServer);
    x.Text("Lookup", "Cover art server", s.LookupCoverArtServer);
    x.Boolean("Lookup", "Look up new discs", s.LookupNewDiscs);
    x.Boolean("Lookup", "Store looked-up discs", s.StoreLookedUpDiscs);
    x.Text("Lookup", "Contact", s.LookupContact);
    x.Integer("Lookup", "Request interval", s.LookupInterval, 0, 60000);
    x.Text("Lookup", "AccurateRip server", s.LookupAccurateRipServer);
    x.Text("Copy", "Folder", s.CopyFolder);
    x.Text("Copy", "Pattern", s.CopyPattern);
    x.Integer("Copy", "FLAC level", s.CopyFlacLevel, 0, 8);
    x.Boolean("Copy", "Check against AccurateRip", s.CopyCheckAccurateRip);
    x.List("Copy", "Read offset", s.CopyReadOffsets);
}

} // namespace

std::string CutText255(const std::string& Text) {
    return CutToCharacters(Text, 255);
}

std::string ProgramDir() {
    if (const char* home = std::getenv("ORBELUNE_HOME"); home && *home) {
        std::error_code ec;
        fs::create_directories(home, ec);
        return WithSlash(home);
    }
    const std::string exeDir = ExecutableDir();
    std::error_code ec;
    if (!exeDir.empty() && fs::exists(fs::path(exeDir) / "ORBELUNE.INI", ec)) return WithSlash(exeDir);
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* userHome = std::getenv("HOME"); userHome && *userHome)
        base = std::string(userHome) + "/.local/share";
    else
        base = "/tmp";
    const std::string dir = WithSlash(base) + "orbelune/";
    fs::create_directories(dir, ec);
    return dir;
}

std::string AccountFullName() {
    const passwd* account = ::getpwuid(::getuid());
    if (!account || !account->pw_gecos) return {};
    const std::string gecos = account->pw_gecos;
    return CutText255(gecos.substr(0, gecos.find(',')));
}

std::string WindowsDir() {
    return "/usr/bin";
}

std::string SettingsFileName() {
    return ProgramDir() + "ORBELUNE.INI";
}

void LoadSettingsFrom(const std::string& FileName, TPlayerSettings& Settings) {
    TPlayerSettings fresh;
    const std::string dir = fs::path(FileName).parent_path().string();
    fresh.BackgroundBitmap = WithSlash(dir) + "sandblst.bmp";
    fresh.RecordingControl = WindowsDir() + "/pavucontrol";
    fresh.MixerControl = WindowsDir() + "/pavucontrol";
    fresh.CollectorName = AccountFullName();
    TIniFile ini(FileName);
    TExchange exchange(ini, false);
    ExchangeAll(exchange, fresh);
    Settings = fresh;
}

bool SaveSettingsTo(const std::string& FileName, const TPlayerSettings& Settings) {
    TIniFile ini(FileName);
    TExchange exchange(ini, true);
    TPlayerSettings copy = Settings;
    ExchangeAll(exchange, copy);
    return ini.Save();
}

void LoadSettings(TPlayerSettings& Settings) {
    LoadSettingsFrom(SettingsFileName(), Settings);
}

bool SaveSettings(const TPlayerSettings& Settings) {
    return SaveSettingsTo(SettingsFileName(), Settings);
}
