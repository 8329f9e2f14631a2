// The drive behind the CD audio device: one interface over a real drive or disc image (libcdio) and a
// simulated drive for tests. A drive keeps the transport state itself (mode, position, end point of a
// play) so the device layer only sends commands and reads status.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/CdErrors.h"
#include "devices/base/CDMode.h"
#include "devices/base/TimeValues.h"

// One entry of a disc's table of contents. Positions are absolute frame counts (the 150-frame lead-in
// included, so a normal track 1 starts at frame 150 = MSF 00:02:00).
struct TTocTrack {
    int Number = 0; // number as written on the disc (a disc may start at 4)
    int StartFrame = 0;
    bool Audio = true; // data tracks are listed but never played
};

struct TDriveToc {
    std::vector<TTocTrack> Tracks;
    int LeadOutFrame = 0;

    int TrackCount() const { return static_cast<int>(Tracks.size()); }
    // Start of track T (1-based position in the table) as MSF.
    MSF TrackStart(int T) const;
    // The next track's start minus this one's; the last track ends one frame before the lead-out.
    MSF TrackLength(int T) const;
    // 1-based table position of the track holding Frame; 1 before the first track, the last track at
    // or after the lead-out.
    int TrackAt(int Frame) const;
    // First frame after the audio run that starts in track T: the next data track's start or the lead-out.
    int AudioEndFrom(int T) const;
};

// The stretch a play of [FromFrame, ToFrame) really covers: it may not start outside the disc or in a data
// track, and it ends at ToFrame, at the lead-out or at the next data track, whichever comes first
// (ToFrame < 0: no end given). Returns 0 and sets EndFrame, or an error code.
int PlanPlay(const TDriveToc& Toc, int FromFrame, int ToFrame, int& EndFrame);
// A seek target must lie on the disc.
int CheckSeek(const TDriveToc& Toc, int Frame);

// Checks that a table of contents is one a player can use: 1 to 99 tracks, starts ascending, lead-out
// after the last start. Returns 0 or an error code.
int ValidateToc(const TDriveToc& Toc);

// Text stored on the disc (CD-TEXT, or the TITLE/PERFORMER lines of a cue sheet).
struct TCdText {
    std::string DiscTitle;
    std::string DiscPerformer;
    std::vector<std::string> TrackTitles;     // index 0 is track 1
    std::vector<std::string> TrackPerformers; // index 0 is track 1
    std::string DiscComposer = {}; // brace lists that end before it leave it empty
    bool Empty() const;
};

// A consistent snapshot of what the drive reports.
struct TDriveStatus {
    TCDMode Mode = cmNotReady;
    bool MediaPresent = false;
    bool DoorOpen = false;
    int PositionFrame = 0;   // absolute frames
    int CurrentTrack = 0;    // 1-based table position; 0 without a disc
    unsigned DiscSerial = 0; // changes whenever a disc is inserted, so a cached table can be dropped
};

// Receives the PCM (44.1 kHz, 16-bit, stereo interleaved) that a play sends to the sound output, after the
// volume gain. Called on the drive's worker thread.
using TPcmTap = std::function<void(const std::int16_t* Samples, std::size_t Frames)>;

class TCdDrive {
public:
    virtual ~TCdDrive() = default;

    // What the drive is: a device path or an image file name, for messages and reports.
    virtual std::string Name() const = 0;

    virtual TDriveStatus Status() = 0;
    // The table of contents of the disc in the drive; 0 or an error code (no disc, unreadable).
    virtual int ReadToc(TDriveToc& Toc) = 0;
    virtual TCdText ReadCdText() = 0;

    // Plays frames [FromFrame, ToFrame) and stops by itself there; ToFrame < 0 plays to the end of the
    // audio (the lead-out or a data track). Returns 0 or an error code; a refused command changes nothing.
    virtual int Play(int FromFrame, int ToFrame) = 0;
    virtual int Stop() = 0;
    virtual int Pause() = 0;
    // Continues a paused play to its end point; refused when the drive is not paused.
    virtual int Resume() = 0;
    virtual int Seek(int Frame) = 0;
    virtual int OpenDoor() = 0;
    virtual int CloseDoor() = 0;

    // Gain per channel, 0..65535 linear (silence..unity).
    virtual void SetVolume(int Left, int Right) = 0;
    // Installs or (with an empty function) removes the recording tap.
    virtual void SetPcmTap(TPcmTap Tap) = 0;
    // True while a play cannot be heard because the sound server has been away for a while.
    virtual bool SoundLost() { return false; }
    // A volume set from outside the player (the desktop's mixer moving the stream's volume) since the
    // last call: true with it in Left/Right, on SetVolume's scale.
    virtual bool TakeVolumeChange(int& Left, int& Right) {
        (void)Left, (void)Right;
        return false;
    }
};

// Opens drive number Drive of the drive list; on failure returns null and sets Error.
using TCdDriveFactory = std::function<std::unique_ptr<TCdDrive>(int Drive, int& Error)>;
