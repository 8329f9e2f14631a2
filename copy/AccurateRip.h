// AccurateRip: the disc's identifier in the database of track checksums, the address of its dBAR file, the
// two checksums of a track, the dBAR file's entries and what they say about a copied track.
//
// The disc identifier counts the audio tracks only. Its two sums run over the audio tracks' start sectors
// (counted from 00:02:00) and the disc's lead-out, which on an enhanced CD is the real lead-out after the
// data track; the FreeDB id at its end counts every track.
//
// dBAR file layout: one block per pressing of the disc, each
//
//   Offset      Size  Field
//        0         1  track count
//        1         4  identifier sum 1 (little-endian)
//        5         4  identifier sum 2
//        9         4  FreeDB id
//       13  9 x count  per track: confidence (1 byte), checksum (4), checksum of sector 450 (4)
//
// A track's checksum in a block is either kind (v1 or v2): a copy matches when either of its own equals it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/CdDrive.h"

struct TArDiscId {
    int AudioTracks = 0;
    std::uint32_t Id1 = 0, Id2 = 0, FreeDb = 0;
    std::string Error; // why the disc has none (no audio track); empty when set

    bool Valid() const { return Error.empty(); }
    // "nnn-xxxxxxxx-xxxxxxxx-xxxxxxxx".
    std::string Text() const;
};

TArDiscId ComputeArDiscId(const TDriveToc& Toc);

// The dBAR file's address under Server ("http://host"): Server/accuraterip/a/b/c/dBAR-<Text>.bin, where a,
// b and c are the last three hexadecimal digits of identifier sum 1, last first.
std::string DbarUrl(const std::string& Server, const TArDiscId& Id);

struct TArChecksums {
    std::uint32_t V1 = 0, V2 = 0;
};

// The checksums of one track, computed as its samples go by. Each sample is the stereo pair as one 32-bit
// little-endian word (left in the low half) and is weighted by its 1-based position in the track. The
// disc's first track leaves out its first five sectors but one sample, the last track its last five
// sectors: drives cannot reach those when their read offset is not zero.
class TArChecksumRun {
public:
    TArChecksumRun(std::uint64_t TrackSamples, bool FirstTrack, bool LastTrack);
    // Stereo samples, interleaved left and right.
    void Add(const std::int16_t* Samples, std::size_t Pairs);
    TArChecksums Result() const { return {FV1, FV2}; }

private:
    std::uint64_t FFrom, FTo; // positions counted, both included
    std::uint64_t FPosition = 1;
    std::uint32_t FV1 = 0, FV2 = 0;
};

struct TDbarTrack {
    int Confidence = 0;
    std::uint32_t Checksum = 0;
    std::uint32_t Sector450Checksum = 0;
};

struct TDbarPressing {
    int TrackCount = 0;
    std::uint32_t Id1 = 0, Id2 = 0, FreeDb = 0;
    std::vector<TDbarTrack> Tracks;
};

struct TDbarFile {
    std::vector<TDbarPressing> Pressings;
    std::string Error; // the file is damaged or of another disc; empty when read
};

// Reads a dBAR file; a block that is cut short or names another disc than Id makes it an error.
TDbarFile ParseDbar(const std::string& Bytes, const TArDiscId& Id);
// The dBAR file of the given pressings, as the database serves it (for tests and the benchmark).
std::string MakeDbar(const std::vector<TDbarPressing>& Pressings);

enum class TArOutcome { NotChecked, NotInDatabase, Accurate, Differs };

struct TArVerdict {
    TArOutcome Outcome = TArOutcome::NotChecked;
    int Confidence = 0; // Accurate: the copies that agree; Differs: the copies found
    // "accurately copied, confidence N", "not in the database", "differs from N copies", "not checked".
    std::string Text() const;
};

// What the database says of track Track (0-based among the audio tracks) with the checksums Sums. Db is
// null when the database has no file for the disc.
TArVerdict VerifyTrack(const TDbarFile* Db, int Track, const TArChecksums& Sums);
