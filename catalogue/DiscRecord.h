// The disc record of disc.DAT: its fields in memory, its 1204-byte stored form and the six index keys
// that are built from it.
//
// Stored layout (little-endian; string[N] = one length byte and N character bytes, UTF-8):
//
//   Offset  Size  Field
//        0     4  RecordStatus (the engine's: 0 in a live record, the free-chain link in a deleted slot)
//        4    17  DiscCode      string[16]  key 1, unique
//       21   101  DiscName      string[100] key 4
//      122   101  Artist        string[100] key 3
//      223   101  Composer      string[100] key 2
//      324    31  Reference     string[30]
//      355    51  MusicType     string[50]  key 6
//      406    51  RecordLabel   string[50]  key 5
//      457   101  UserField1    string[100]
//      558   101  UserField2    string[100]
//      659     1  alignment
//      660     2  Year          signed
//      662   101  Programme     count byte + 100 track numbers
//      763     1  alignment
//      764     2  TrackCount    signed
//      766     2  alignment
//      768   396  TrackLengths  99 x packed MSF (minutes, seconds, frames, 0)
//     1164     6  TotalTime     6-byte real, minutes.seconds
//     1170     2  alignment
//     1172     4  VolumeLeft
//     1176     4  VolumeRight
//     1180     2  PlayMode
//     1182     2  alignment
//     1184     4  PictureRef    disc.VLF positions, 0 = none
//     1188     4  SampleRef
//     1192     4  TracksRef
//     1196     4  NotesRef
//     1200     1  TocPending
//     1201     3  alignment
//
// Keys are the stored field bytes cut to 20 bytes (the code: 16), case kept, never ending inside a
// UTF-8 character; they sort by plain byte comparison.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/base/TimeValues.h"
#include "player/base/PlayerState.h"

constexpr int DiscRecordSize = 1204;
constexpr int MaxDiscTracks = 99;
constexpr int DiscKeyCount = 6;
constexpr int DiscCodeKeyLength = 16;
constexpr int DiscKeyLength = 20;

// Key numbers of disc.IX.
constexpr int kDiscCode = 1;
constexpr int kComposer = 2;
constexpr int kArtist = 3;
constexpr int kDiscName = 4;
constexpr int kRecordLabel = 5;
constexpr int kMusicType = 6;

// Byte limits of the string fields.
constexpr int DiscCodeMax = 16;
constexpr int DiscNameMax = 100;
constexpr int ArtistMax = 100;
constexpr int ComposerMax = 100;
constexpr int ReferenceMax = 30;
constexpr int MusicTypeMax = 50;
constexpr int RecordLabelMax = 50;
constexpr int UserFieldMax = 100;

// Blob kinds in disc.VLF.
constexpr std::int16_t VlfKindNotes = 0;
constexpr std::int16_t VlfKindTracks = 3;
constexpr std::int16_t VlfKindPicture = 1025;
constexpr std::int16_t VlfKindSample = 1026;

using TDiscRecordBytes = std::array<std::uint8_t, DiscRecordSize>;

struct TDiscRecord {
    std::int32_t RecordStatus = 0;
    std::string DiscCode;
    std::string DiscName;
    std::string Artist;
    std::string Composer;
    std::string Reference;
    std::string MusicType;
    std::string RecordLabel;
    std::string UserField1;
    std::string UserField2;
    std::int16_t Year = 0;
    TPlayProgramme Programme;
    std::int16_t TrackCount = 0;
    // Track t's length is TrackLengths[t - 1].
    std::array<MSF, MaxDiscTracks> TrackLengths{};
    TMinSec TotalTime = 0;
    std::int32_t VolumeLeft = 0;
    std::int32_t VolumeRight = 0;
    std::uint16_t PlayMode = 0;
    std::int32_t PictureRef = 0;
    std::int32_t SampleRef = 0;
    std::int32_t TracksRef = 0;
    std::int32_t NotesRef = 0;
    bool TocPending = false;

    bool operator==(const TDiscRecord& Other) const;
};

// Values of keys 2 to 6 in the order composer, artist, name, record label, music type: what SaveDisc
// has to remove before it adds the record's current values.
using TDiscKeys = std::array<std::string, 5>;

// The stored form. Text longer than its field is cut at the field's byte limit on a character boundary;
// unused bytes are written as zeros. Control characters are taken out of the texts (CleanText).
TDiscRecordBytes EncodeDiscRecord(const TDiscRecord& Rec);
// Reads a stored record. Text that is not UTF-8 is read as Windows-1252; a length byte beyond its field,
// a programme count above 100 or a track count outside 0 to 99 (a damaged record) is held to its range.
TDiscRecord DecodeDiscRecord(const TDiscRecordBytes& Bytes);
TDiscRecord DecodeDiscRecord(const void* Bytes);

// The few fields a catalogue list shows, read straight from a stored record without decoding the rest
// (as DecodeDiscRecord reads them): the text of key KeyNo's field (1 to 6), whether the record names a
// sample, and whether it waits for its disc's track data.
std::string DiscKeyFieldText(const void* Bytes, int KeyNo);
// The same field's stored bytes, undecoded (DecodeStoredText makes them the text).
std::string_view DiscKeyFieldBytes(const void* Bytes, int KeyNo);
bool DiscHasSample(const void* Bytes);
bool DiscTocPending(const void* Bytes);

// Key KeyNo (1 to 6) of a stored record: the field's stored bytes, cut.
std::string DiscKeyValue(const TDiscRecordBytes& Bytes, int KeyNo);
// Keys 2 to 6 of a stored record.
TDiscKeys DiscSecondaryKeys(const TDiscRecordBytes& Bytes);
// Key KeyNo of a record as it will be stored.
std::string DiscKeyValue(const TDiscRecord& Rec, int KeyNo);
TDiscKeys DiscSecondaryKeys(const TDiscRecord& Rec);

// A key value cut to its index's length: 16 bytes for key 1, 20 for the others.
std::string CutKey(const std::string& Value, int KeyNo);

// The four disc.VLF positions of a stored record, read and replaced without touching its other bytes.
struct TDiscBlobRefs {
    std::int32_t Picture = 0;
    std::int32_t Sample = 0;
    std::int32_t Tracks = 0;
    std::int32_t Notes = 0;
};
TDiscBlobRefs DiscBlobRefs(const TDiscRecordBytes& Bytes);
void SetDiscBlobRefs(TDiscRecordBytes& Bytes, const TDiscBlobRefs& Refs);
// The engine's word at offset 0: 0 in a live record.
std::int32_t DiscRecordStatus(const TDiscRecordBytes& Bytes);

// The record of a disc that is not in the catalogue: "Unknown" in name, artist, composer, music type
// and record label, the code cut to 16 bytes, the given volumes, everything else empty or 0.
TDiscRecord NewDiscRecord(const std::string& Code, int VolumeLeft, int VolumeRight);

// The notes as the editor shows them: the stored text without its first line, lines ended by "\n".
std::string NotesForEditing(const std::string& Stored);
// The stored text: Code as the first line, then the notes, lines ended by CR LF.
std::string StoredNotes(const std::string& Code, const std::string& Notes);
