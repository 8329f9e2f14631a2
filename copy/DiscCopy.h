// Copies a disc to FLAC files: one per audio track (and one for audio hidden before track 1), tagged from
// the catalogue's record, with a CUE sheet that plays the copy back as the disc was and a log of what was
// read, each track checked against AccurateRip when the user asked for it. Data tracks are not copied.
// Runs on the calling thread (a worker's in the program); Cancel is looked at between blocks, and a
// cancelled copy leaves no file under a final name that it had not finished.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "copy/AccurateRip.h"
#include "copy/DiscReader.h"
#include "copy/FlacTrackWriter.h"

// What the files are tagged with (from the catalogue's record).
struct TCopyTrackTags {
    std::string Title, Artist, Composer;
};

struct TCopyTags {
    std::string Album, Artist, Composer, Label, DiscCode, Genre;
    int Year = 0;
    std::string MusicBrainzDiscId, MusicBrainzReleaseId;
    std::vector<TCopyTrackTags> Tracks; // [n - 1] for track number n
    TFlacPicture Picture;
};

struct TCopySettings {
    std::string Folder;
    std::string Pattern; // empty: DefaultCopyPattern
    int FlacLevel = 5;
    int ReadOffset = 0; // samples
    bool CheckAccurateRip = false;
    std::string AccurateRipServer = "http://www.accuraterip.com";
    std::string UserAgent;
    int TimeoutMs = 15000;
    int IntervalMs = 1000; // the least time between two requests to the server
};

struct TCopyProgress {
    int Track = 0;            // number of the track being read
    int TrackIndex = 0;       // 1-based among the files being written
    int TrackTotal = 0;       // files to write
    double TrackFraction = 0; // 0..1
    double Speed = 0;         // times real time, since the copy began
    double SecondsLeft = 0;   // at that speed
    int ReReads = 0, Corrections = 0;
    std::string Stage; // "Reading track 3", "Asking AccurateRip"
};
using TCopyProgressFn = std::function<void(const TCopyProgress&)>;

struct TTrackCopy {
    int Number = 0;
    bool Data = false;   // a data track: not copied
    bool Hidden = false; // the audio before track 1
    std::string Path;    // the FLAC file
    int FirstSector = 0, EndSector = 0;
    std::uint32_t Crc32 = 0;
    TArChecksums Ar;
    int ReReads = 0, Corrections = 0;
    double Peak = 0; // 0..1 of full scale
    TArVerdict Verdict;
};

struct TDiscCopyResult {
    std::string Error; // why the copy stopped; empty when it completed
    bool Cancelled = false;
    std::string Drive;
    TCopySettings Settings;
    TDiscLayout Layout;
    TArDiscId ArId;
    std::string ArStatus; // what came of asking AccurateRip
    std::vector<TTrackCopy> Tracks;
    std::string CuePath, LogPath;
    double Seconds = 0; // the copy's running time
    bool Completed() const { return Error.empty() && !Cancelled; }
    // Every audio track was found accurately copied.
    bool Verified() const;
};

// Copies the disc in Drive (a device when Physical, else an image) to files under Settings.Folder.
TDiscCopyResult CopyDisc(const std::string& Drive, bool Physical, const TCopySettings& Settings,
                         const TCopyTags& Tags, const TCopyProgressFn& Progress,
                         const std::atomic<bool>& Cancel);

// The Vorbis comments of track Number (0: the hidden audio before track 1) of a disc of AudioTracks tracks.
std::vector<std::pair<std::string, std::string>> TrackComments(const TCopyTags& Tags, int Number,
                                                               int AudioTracks);
