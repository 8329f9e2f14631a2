#include "catalogue/DiscRecord.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "app/base/TextEncoding.h"
#include "devices/Real48.h"

namespace {

struct TStringField {
    int Offset;
    int Max;
};

constexpr TStringField fDiscCode{4, DiscCodeMax};
constexpr TStringField fDiscName{21, DiscNameMax};
constexpr TStringField fArtist{122, ArtistMax};
constexpr TStringField fComposer{223, ComposerMax};
constexpr TStringField fReference{324, ReferenceMax};
constexpr TStringField fMusicType{355, MusicTypeMax};
constexpr TStringField fRecordLabel{406, RecordLabelMax};
constexpr TStringField fUserField1{457, UserFieldMax};
constexpr TStringField fUserField2{558, UserFieldMax};

constexpr int oYear = 660;
constexpr int oProgramme = 662;
constexpr int oTrackCount = 764;
constexpr int oTrackLengths = 768;
constexpr int oTotalTime = 1164;
constexpr int oVolumeLeft = 1172;
constexpr int oVolumeRight = 1176;
constexpr int oPlayMode = 1180;
constexpr int oPictureRef = 1184;
constexpr int oSampleRef = 1188;
constexpr int oTracksRef = 1192;
constexpr int oNotesRef = 1196;
constexpr int oTocPending = 1200;

static_assert(fUserField2.Offset + 1 + fUserField2.Max == 659);
static_assert(oTrackLengths + 4 * MaxDiscTracks == oTotalTime);

// The field of each key, in key order.
constexpr TStringField KeyFields[DiscKeyCount] = {fDiscCode, fComposer,    fArtist,
                                                  fDiscName, fRecordLabel, fMusicType};

void PutU32(std::uint8_t* P, std::uint32_t V) {
    for (int i = 0; i < 4; ++i)
        P[i] = static_cast<std::uint8_t>(V >> (8 * i));
}
void PutU16(std::uint8_t* P, std::uint16_t V) {
    P[0] = static_cast<std::uint8_t>(V);
    P[1] = static_cast<std::uint8_t>(V >> 8);
}
std::uint32_t GetU32(const std::uint8_t* P) {
    return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
           (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}
std::uint16_t GetU16(const std::uint8_t* P) {
    return static_cast<std::uint16_t>(P[0] | (P[1] << 8));
}

void PutString(std::uint8_t* Record, TStringField Field, const std::string& Text) {
    const std::size_t length = CutLength(Text, static_cast<std::size_t>(Field.Max));
    Record[Field.Offset] = static_cast<std::uint8_t>(length);
    std::memcpy(Record + Field.Offset + 1, Text.data(), length);
}

// The field's stored bytes, as many as its length byte says (no more than the field holds).
std::string_view RawString(const std::uint8_t* Record, TStringField Field) {
    const std::size_t length =
        std::min<std::size_t>(Record[Field.Offset], static_cast<std::size_t>(Field.Max));
    return {reinterpret_cast<const char*>(Record + Field.Offset + 1), length};
}

std::string GetString(const std::uint8_t* Record, TStringField Field) {
    return DecodeStoredText(RawString(Record, Field));
}

} // namespace

bool TDiscRecord::operator==(const TDiscRecord& O) const {
    return RecordStatus == O.RecordStatus && DiscCode == O.DiscCode && DiscName == O.DiscName &&
           Artist == O.Artist && Composer == O.Composer && Reference == O.Reference &&
           MusicType == O.MusicType && RecordLabel == O.RecordLabel && UserField1 == O.UserField1 &&
           UserField2 == O.UserField2 && Year == O.Year && Programme.Count == O.Programme.Count &&
           Programme.Entries == O.Programme.Entries && TrackCount == O.TrackCount &&
           TrackLengths == O.TrackLengths && TotalTime == O.TotalTime && VolumeLeft == O.VolumeLeft &&
           VolumeRight == O.VolumeRight && PlayMode == O.PlayMode && PictureRef == O.PictureRef &&
           SampleRef == O.SampleRef && TracksRef == O.TracksRef && NotesRef == O.NotesRef &&
           TocPending == O.TocPending;
}

TDiscRecordBytes EncodeDiscRecord(const TDiscRecord& Rec) {
    TDiscRecordBytes bytes{};
    std::uint8_t* r = bytes.data();
    PutU32(r, static_cast<std::uint32_t>(Rec.RecordStatus));
    PutString(r, fDiscCode, Rec.DiscCode);
    // The catalogue holds no control character in a text, whoever stores it: a disc's texts are written
    // to terminals, exports and other programs.
    PutString(r, fDiscName, CleanText(Rec.DiscName));
    PutString(r, fArtist, CleanText(Rec.Artist));
    PutString(r, fComposer, CleanText(Rec.Composer));
    PutString(r, fReference, CleanText(Rec.Reference));
    PutString(r, fMusicType, CleanText(Rec.MusicType));
    PutString(r, fRecordLabel, CleanText(Rec.RecordLabel));
    PutString(r, fUserField1, CleanText(Rec.UserField1));
    PutString(r, fUserField2, CleanText(Rec.UserField2));
    PutU16(r + oYear, static_cast<std::uint16_t>(Rec.Year));
    r[oProgramme] = std::min<std::uint8_t>(Rec.Programme.Count, TPlayProgramme::MaxEntries);
    std::memcpy(r + oProgramme + 1, Rec.Programme.Entries.data(), TPlayProgramme::MaxEntries);
    PutU16(r + oTrackCount, static_cast<std::uint16_t>(Rec.TrackCount));
    for (int t = 0; t < MaxDiscTracks; ++t)
        PutU32(r + oTrackLengths + 4 * t, Rec.TrackLengths[t] & 0xFFFFFF);
    const TReal48 total = DoubleToReal48(Rec.TotalTime);
    std::memcpy(r + oTotalTime, total.data(), total.size());
    PutU32(r + oVolumeLeft, static_cast<std::uint32_t>(Rec.VolumeLeft));
    PutU32(r + oVolumeRight, static_cast<std::uint32_t>(Rec.VolumeRight));
    PutU16(r + oPlayMode, Rec.PlayMode);
    PutU32(r + oPictureRef, static_cast<std::uint32_t>(Rec.PictureRef));
    PutU32(r + oSampleRef, static_cast<std::uint32_t>(Rec.SampleRef));
    PutU32(r + oTracksRef, static_cast<std::uint32_t>(Rec.TracksRef));
    PutU32(r + oNotesRef, static_cast<std::uint32_t>(Rec.NotesRef));
    r[oTocPending] = Rec.TocPending ? 1 : 0;
    return bytes;
}

TDiscRecord DecodeDiscRecord(const void* Bytes) {
    const auto* r = static_cast<const std::uint8_t*>(Bytes);
    TDiscRecord rec;
    rec.RecordStatus = static_cast<std::int32_t>(GetU32(r));
    rec.DiscCode = GetString(r, fDiscCode);
    rec.DiscName = GetString(r, fDiscName);
    rec.Artist = GetString(r, fArtist);
    rec.Composer = GetString(r, fComposer);
    rec.Reference = GetString(r, fReference);
    rec.MusicType = GetString(r, fMusicType);
    rec.RecordLabel = GetString(r, fRecordLabel);
    rec.UserField1 = GetString(r, fUserField1);
    rec.UserField2 = GetString(r, fUserField2);
    rec.Year = static_cast<std::int16_t>(GetU16(r + oYear));
    rec.Programme.Count = std::min<std::uint8_t>(r[oProgramme], TPlayProgramme::MaxEntries);
    std::memcpy(rec.Programme.Entries.data(), r + oProgramme + 1, TPlayProgramme::MaxEntries);
    rec.TrackCount = static_cast<std::int16_t>(
        std::clamp<int>(static_cast<std::int16_t>(GetU16(r + oTrackCount)), 0, MaxDiscTracks));
    for (int t = 0; t < MaxDiscTracks; ++t)
        rec.TrackLengths[t] = GetU32(r + oTrackLengths + 4 * t);
    TReal48 total;
    std::memcpy(total.data(), r + oTotalTime, total.size());
    rec.TotalTime = Real48ToDouble(total);
    rec.VolumeLeft = static_cast<std::int32_t>(GetU32(r + oVolumeLeft));
    rec.VolumeRight = static_cast<std::int32_t>(GetU32(r + oVolumeRight));
    rec.PlayMode = GetU16(r + oPlayMode);
    rec.PictureRef = static_cast<std::int32_t>(GetU32(r + oPictureRef));
    rec.SampleRef = static_cast<std::int32_t>(GetU32(r + oSampleRef));
    rec.TracksRef = static_cast<std::int32_t>(GetU32(r + oTracksRef));
    rec.NotesRef = static_cast<std::int32_t>(GetU32(r + oNotesRef));
    rec.TocPending = r[oTocPending] != 0;
    return rec;
}

TDiscRecord DecodeDiscRecord(const TDiscRecordBytes& Bytes) {
    return DecodeDiscRecord(Bytes.data());
}

std::string DiscKeyFieldText(const void* Bytes, int KeyNo) {
    assert(KeyNo >= 1 && KeyNo <= DiscKeyCount);
    return GetString(static_cast<const std::uint8_t*>(Bytes), KeyFields[KeyNo - 1]);
}

std::string_view DiscKeyFieldBytes(const void* Bytes, int KeyNo) {
    assert(KeyNo >= 1 && KeyNo <= DiscKeyCount);
    return RawString(static_cast<const std::uint8_t*>(Bytes), KeyFields[KeyNo - 1]);
}

bool DiscHasSample(const void* Bytes) {
    return GetU32(static_cast<const std::uint8_t*>(Bytes) + oSampleRef) != 0;
}

bool DiscTocPending(const void* Bytes) {
    return static_cast<const std::uint8_t*>(Bytes)[oTocPending] != 0;
}

std::string CutKey(const std::string& Value, int KeyNo) {
    return CutToBytes(Value, KeyNo == kDiscCode ? DiscCodeKeyLength : DiscKeyLength);
}

std::string DiscKeyValue(const TDiscRecordBytes& Bytes, int KeyNo) {
    assert(KeyNo >= 1 && KeyNo <= DiscKeyCount);
    return CutKey(std::string(RawString(Bytes.data(), KeyFields[KeyNo - 1])), KeyNo);
}

TDiscKeys DiscSecondaryKeys(const TDiscRecordBytes& Bytes) {
    TDiscKeys keys;
    for (int k = kComposer; k <= kMusicType; ++k)
        keys[k - kComposer] = DiscKeyValue(Bytes, k);
    return keys;
}

std::string DiscKeyValue(const TDiscRecord& Rec, int KeyNo) {
    return DiscKeyValue(EncodeDiscRecord(Rec), KeyNo);
}

TDiscKeys DiscSecondaryKeys(const TDiscRecord& Rec) {
    return DiscSecondaryKeys(EncodeDiscRecord(Rec));
}

TDiscBlobRefs DiscBlobRefs(const TDiscRecordBytes& Bytes) {
    const std::uint8_t* r = Bytes.data();
    return {
        static_cast<std::int32_t>(GetU32(r + oPictureRef)), static_cast<std::int32_t>(GetU32(r + oSampleRef)),
        static_cast<std::int32_t>(GetU32(r + oTracksRef)), static_cast<std::int32_t>(GetU32(r + oNotesRef))};
}

void SetDiscBlobRefs(TDiscRecordBytes& Bytes, const TDiscBlobRefs& Refs) {
    std::uint8_t* r = Bytes.data();
    PutU32(r + oPictureRef, static_cast<std::uint32_t>(Refs.Picture));
    PutU32(r + oSampleRef, static_cast<std::uint32_t>(Refs.Sample));
    PutU32(r + oTracksRef, static_cast<std::uint32_t>(Refs.Tracks));
    PutU32(r + oNotesRef, static_cast<std::uint32_t>(Refs.Notes));
}

std::int32_t DiscRecordStatus(const TDiscRecordBytes& Bytes) {
    return static_cast<std::int32_t>(GetU32(Bytes.data()));
}

TDiscRecord NewDiscRecord(const std::string& Code, int VolumeLeft, int VolumeRight) {
    TDiscRecord rec;
    rec.DiscCode = CutToBytes(Code, DiscCodeMax);
    rec.DiscName = rec.Artist = rec.Composer = rec.MusicType = rec.RecordLabel = "Unknown";
    rec.VolumeLeft = VolumeLeft;
    rec.VolumeRight = VolumeRight;
    return rec;
}

std::string NotesForEditing(const std::string& Stored) {
    const std::size_t FirstEnd = Stored.find('\n');
    if (FirstEnd == std::string::npos) return {};
    std::string Notes;
    Notes.reserve(Stored.size() - FirstEnd);
    for (std::size_t i = FirstEnd + 1; i < Stored.size(); ++i)
        if (Stored[i] != '\r' || i + 1 >= Stored.size() || Stored[i + 1] != '\n') Notes += Stored[i];
    return Notes;
}

std::string StoredNotes(const std::string& Code, const std::string& Notes) {
    std::string Stored = Code;
    if (Notes.empty()) return Stored;
    Stored += "\r\n";
    for (char C : Notes) {
        if (C == '\n')
            Stored += "\r\n";
        else
            Stored += C;
    }
    return Stored;
}
