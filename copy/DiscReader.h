// Reads a disc's audio for a copy: its table of contents, pregaps, pre-emphasis flags, ISRCs and
// catalogue number, and its samples through libcdio-paranoia in full mode, shifted by the drive's read
// offset. Samples the offset would take from before the disc's first sector or after the end of its
// audio are zeros. Disc images are read through the same path as a drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/CdDrive.h"
#include "devices/DiscImageCheck.h"

struct _CdIo;
struct cdrom_drive_s;
struct cdrom_paranoia_s;

struct TDiscTrackInfo {
    int Number = 0;
    bool Audio = true;
    int Start = 0;       // sector of index 1 (LSN: 0 is 00:02:00)
    int End = 0;         // first sector after the track's audio
    int PregapStart = 0; // sector of index 0; Start when the track has no pregap
    bool PreEmphasis = false;
    std::string Isrc;
};

struct TDiscLayout {
    TDriveToc Toc;
    TCdText Text;
    std::vector<TDiscTrackInfo> Tracks;
    std::string Catalogue; // the media catalogue number, empty when the drive gives none
    int AudioEnd = 0;      // first sector after the last audio track's audio
};

class TDiscReader {
public:
    TDiscReader() = default;
    TDiscReader(const TDiscReader&) = delete;
    TDiscReader& operator=(const TDiscReader&) = delete;
    ~TDiscReader();

    // Opens a drive (Physical) or a disc image and reads its layout. Returns "" or why it cannot.
    std::string Open(const std::string& Path, bool Physical);
    const TDiscLayout& Layout() const { return FLayout; }

    // The read offset in samples: the sample read for disc position P is the drive's sample P + Offset.
    void SetReadOffset(int Offset) { FOffset = Offset; }

    // Reads Pairs stereo samples starting at disc sample position From (0 is the first sample of sector
    // 0) into Out. Returns "" or why the read failed.
    std::string Read(std::int64_t From, std::size_t Pairs, std::int16_t* Out);

    // Paranoia's re-reads and corrections since the disc was opened.
    int ReReads() const;
    int Corrections() const;

private:
    // Brings sector Sector (drive's position) into FSector; "" or the failure.
    std::string LoadSector(int Sector);

    TPreparedImage FImage;
    TDiscLayout FLayout;
    _CdIo* FCdio = nullptr;
    cdrom_drive_s* FCdda = nullptr;
    cdrom_paranoia_s* FParanoia = nullptr;
    int FOffset = 0;
    int FLoaded = -1; // the sector in FSector
    int FNext = -1;   // the sector paranoia reads next
    std::vector<std::int16_t> FSector;
};
