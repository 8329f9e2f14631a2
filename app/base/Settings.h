// The user's settings: one record in memory, kept in "ORBELUNE.INI" in the data folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/base/ProgramVersion.h"
#include "devices/base/TimeValues.h"

// A colour as stored: $00BBGGRR for a fixed colour, $80000000 + index for a system colour.
using TColor = std::int32_t;

constexpr TColor clLime = 0x00FF00;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlack = 0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);

// Ranges of the settings file's values; a value outside is brought to the nearest end when loaded.
constexpr int MinVolume = 0;
constexpr int MaxVolume = 65535;
constexpr int MinFontSize = 6;
constexpr int MaxFontSize = 72;

struct TPlayerSettings {
    std::string TrackWindowFontName = "Small fonts";
    int TrackWindowFontSize = 6;
    TColor TrackWindowFontColor = clLime;
    TColor TrackWindowSelectedColor = clRed;
    TColor TrackWindowBackground = clBlack;
    std::string DiscDataFontName = "Arial";
    int DiscDataFontSize = 8;
    TColor DiscDataFontColor = clBlack;
    TColor DiscDataBackground = clWhite;
    std::string ReportFontName = "Arial";
    int ReportFontSize = 8;
    TColor ReportFontColor = clBlack;
    std::string SmallFontName = "Small fonts";
    int SmallFontSize = 7;
    TColor SmallFontColor = clBlack;
    bool DisplayBold = true;
    TColor DisplayFontColor = clLime;
    TColor DisplayBackground = clBlack;
    std::string DisplayFontName = "Arial";
    int DisplayFontSize = 8;
    TColor VolumeDisplayBackground = clBtnFace;
    TColor VolumeBarBackground = clBlack;
    TColor VolumeBarForeground = clLime;
    int VolumeDelay = 200;
    int VolumeInterval = 50;
    int SkipInterval = 200;
    int VolumeLeft = 30000;
    int VolumeRight = 30000;
    bool ShowHints = true;
    int MainTop = 10;
    int MainLeft = 10;
    int SmallTop = 10;
    int SmallLeft = 10;
    TMinSec SkipTime = 0.30;
    TMinSec IntroTime = 0.10;
    TMinSec FitTracksTime = 45.00;
    bool UseBackgroundBitmap = true;
    std::string BackgroundBitmap; // default: ProgramDir + "sandblst.bmp"
    TColor HandsetBackground = clBtnFace;
    bool AutoPlayOnStartup = false;
    bool AutoStopOnCloseDown = false;
    bool KeepOnTop = false;
    bool SaveNewEntries = true;
    bool ShowDiscData = true;
    bool ShowExtendedHandset = true;
    bool ShowTinyHandset = false;
    bool StartWithSmallHandset = false;
    bool UseColorButtons = true;
    bool PrintBitmap = true;
    bool AutoPlayHandler = false;
    std::string PreviousCommandLine;
    std::string RecordingControl; // default: WindowsDir + "/pavucontrol"
    std::string MixerControl;     // default: WindowsDir + "/pavucontrol"
    int CDROMInUse = 0;
    std::string CDROMDrive; // the device or disc image of CDROMInUse, which stays valid when numbers move
    std::vector<std::string> DiscImages; // the disc images named in the drive chooser, listed as drives
    std::string PrintFile;               // the file the print dialog last printed into
    bool PrintToFile = false;            // whether the last report went into PrintFile
    bool DeletedRecordsPresent = false;
    std::string DiscUser1Caption = "User field 1";
    std::string DiscUser2Caption = "User field 2";
    std::string TracksUser1Caption = "Artist";
    std::string TracksUser2Caption = "Composer";
    std::string CollectorName; // the catalogue's owner, printed on the reports; default AccountFullName()
    // Looking discs up in the public disc databases: the servers' base URLs, the contact a request
    // names, whether a new disc is looked up when it is inserted and stored at once, and the least time
    // between two requests to one server in milliseconds.
    std::string LookupMusicBrainzServer = "https://musicbrainz.org";
    std::string LookupGnudbServer = "https://gnudb.gnudb.org";
    std::string LookupCoverArtServer = "https://coverartarchive.org";
    std::string LookupContact = ProgramHomepage();
    bool LookupNewDiscs = false;
    bool StoreLookedUpDiscs = false;
    int LookupInterval = 1000;
    // The AccurateRip database a disc copy is checked against (only when CopyCheckAccurateRip is on).
    std::string LookupAccurateRipServer = "http://www.accuraterip.com";
    // Copying a disc to files: the folder (empty: the user's music folder), the file-name pattern (empty:
    // the default), the FLAC level, whether the copy is checked against AccurateRip, and each drive's read
    // offset in samples as "drive=offset".
    std::string CopyFolder;
    std::string CopyPattern;
    int CopyFlacLevel = 5;
    bool CopyCheckAccurateRip = false;
    std::vector<std::string> CopyReadOffsets;
};

// The data folder, ending in "/": $ORBELUNE_HOME when set; else the executable's folder when it holds
// "ORBELUNE.INI"; else $XDG_DATA_HOME/orbelune/ (default ~/.local/share/orbelune/), created when missing.
std::string ProgramDir();
// Where the default volume and recording control programs are looked for.
std::string WindowsDir();
std::string SettingsFileName();

// Loads every key from SettingsFileName(); a missing key or unreadable file gives the defaults.
void LoadSettings(TPlayerSettings& Settings);
// Writes every key; lines of the file that are not ours are kept. Returns false when the file could not
// be written (the old file is then left as it was).
bool SaveSettings(const TPlayerSettings& Settings);

// The same, on a named file.
void LoadSettingsFrom(const std::string& FileName, TPlayerSettings& Settings);
bool SaveSettingsTo(const std::string& FileName, const TPlayerSettings& Settings);

// The user's full name from the system account (the first field of its comment), or empty.
std::string AccountFullName();

// A text cut to at most 255 characters, never inside a UTF-8 sequence.
std::string CutText255(const std::string& Text);
