#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/DiscRecord.h"
#include "devices/Real48.h"

namespace {

std::uint32_t U32(const TDiscRecordBytes& B, int Off) {
    return B[Off] | (B[Off + 1] << 8) | (B[Off + 2] << 16) | (static_cast<std::uint32_t>(B[Off + 3]) << 24);
}
std::uint16_t U16(const TDiscRecordBytes& B, int Off) {
    return static_cast<std::uint16_t>(B[Off] | (B[Off + 1] << 8));
}
std::string Str(const TDiscRecordBytes& B, int Off) {
    return std::string(reinterpret_cast<const char*>(&B[Off + 1]), B[Off]);
}

// Every field filled to its limit with two-byte characters (and one single byte where the limit is odd).
TDiscRecord FullRecord() {
    const auto fill = [](int Bytes) {
        std::string s;
        while (static_cast<int>(s.size()) + 2 <= Bytes)
            s += "\xC3\xA9";
        if (static_cast<int>(s.size()) < Bytes) s += "x";
        return s;
    };
    TDiscRecord r;
    r.DiscCode = "0123456789ABCDEF";
    r.DiscName = fill(100);
    r.Artist = fill(100);
    r.Composer = fill(100);
    r.Reference = fill(30);
    r.MusicType = fill(50);
    r.RecordLabel = fill(50);
    r.UserField1 = fill(100);
    r.UserField2 = fill(100);
    r.Year = -1999;
    for (int i = 1; i <= 100; ++i)
        r.Programme.Append(i % 99 + 1);
    r.TrackCount = 99;
    for (int t = 0; t < 99; ++t)
        r.TrackLengths[t] = MakeMSF(t % 80, t % 60, t % 75);
    r.TotalTime = Real48ToDouble(DoubleToReal48(79.59));
    r.VolumeLeft = 65535;
    r.VolumeRight = 123;
    r.PlayMode = pmCustom;
    r.PictureRef = 1024;
    r.SampleRef = 0x7FFFFFF0;
    r.TracksRef = 5000;
    r.NotesRef = 6000;
    r.TocPending = true;
    return r;
}

} // namespace

TEST(DiscRecord, FieldsLieAtTheirStoredOffsets) {
    TDiscRecord r = FullRecord();
    r.DiscName = "Name";
    r.Artist = "Artist";
    r.Composer = "Composer";
    r.Reference = "Ref";
    r.MusicType = "Type";
    r.RecordLabel = "Label";
    r.UserField1 = "U1";
    r.UserField2 = "U2";
    r.Year = 1985;
    r.Programme.Clear();
    r.Programme.Append(7);
    r.Programme.Append(3);
    r.TrackCount = 12;
    r.TotalTime = 47.05;
    const TDiscRecordBytes b = EncodeDiscRecord(r);
    ASSERT_EQ(b.size(), 1204u);
    EXPECT_EQ(U32(b, 0), 0u);
    EXPECT_EQ(Str(b, 4), "0123456789ABCDEF");
    EXPECT_EQ(Str(b, 21), "Name");
    EXPECT_EQ(Str(b, 122), "Artist");
    EXPECT_EQ(Str(b, 223), "Composer");
    EXPECT_EQ(Str(b, 324), "Ref");
    EXPECT_EQ(Str(b, 355), "Type");
    EXPECT_EQ(Str(b, 406), "Label");
    EXPECT_EQ(Str(b, 457), "U1");
    EXPECT_EQ(Str(b, 558), "U2");
    EXPECT_EQ(U16(b, 660), 1985);
    EXPECT_EQ(b[662], 2);
    EXPECT_EQ(b[663], 7);
    EXPECT_EQ(b[664], 3);
    EXPECT_EQ(U16(b, 764), 12);
    EXPECT_EQ(U32(b, 768), MakeMSF(0, 0, 0));
    EXPECT_EQ(U32(b, 768 + 4 * 5), MakeMSF(5, 5, 5));
    EXPECT_EQ(b[768 + 4 * 5 + 3], 0);
    TReal48 total;
    std::memcpy(total.data(), &b[1164], 6);
    EXPECT_EQ(total, DoubleToReal48(47.05));
    EXPECT_EQ(U32(b, 1172), 65535u);
    EXPECT_EQ(U32(b, 1176), 123u);
    EXPECT_EQ(U16(b, 1180), pmCustom);
    EXPECT_EQ(U32(b, 1184), 1024u);
    EXPECT_EQ(U32(b, 1188), 0x7FFFFFF0u);
    EXPECT_EQ(U32(b, 1192), 5000u);
    EXPECT_EQ(U32(b, 1196), 6000u);
    EXPECT_EQ(b[1200], 1);
}

TEST(DiscRecord, FullRecordRoundTripsAndOverlongTextIsCutOnACharacter) {
    const TDiscRecord full = FullRecord();
    EXPECT_EQ(DecodeDiscRecord(EncodeDiscRecord(full)), full);

    TDiscRecord longer = full;
    longer.Reference = std::string(29, 'r') + "\xC3\xA9"; // 31 bytes: the accent does not fit
    longer.DiscCode = "0123456789ABCDEF0123";
    const TDiscRecord back = DecodeDiscRecord(EncodeDiscRecord(longer));
    EXPECT_EQ(back.Reference, std::string(29, 'r'));
    EXPECT_EQ(back.DiscCode, "0123456789ABCDEF");
}

TEST(DiscRecord, DamagedCountsAreHeldToTheirRangeAndLegacyTextIsRead) {
    TDiscRecordBytes b = EncodeDiscRecord(FullRecord());
    b[21] = 255;   // name length beyond its 100 bytes
    b[662] = 200;  // programme count beyond 100
    b[764] = 0xFF; // track count -1
    b[765] = 0xFF;
    b[324] = 4; // reference in Windows-1252
    std::memcpy(&b[325], "caf\xE9", 4);
    const TDiscRecord r = DecodeDiscRecord(b);
    EXPECT_EQ(r.DiscName.size(), FullRecord().DiscName.size());
    EXPECT_EQ(r.Programme.Count, 100);
    EXPECT_EQ(r.TrackCount, 0);
    EXPECT_EQ(r.Reference, "caf\xC3\xA9");
    // The key of legacy text is its stored bytes, so that the keys of older files can be removed.
    std::memcpy(&b[224], "\xC9tude \xE9tude \xE9tude \xE9tude", 24);
    b[223] = 24;
    EXPECT_EQ(DiscKeyValue(b, kComposer), std::string("\xC9tude \xE9tude \xE9tude \xE9t"));
}

TEST(DiscRecord, KeysAreCutPrefixesWithCaseKept) {
    TDiscRecord r = NewDiscRecord("0123456789abcdefXYZ", 1, 2);
    EXPECT_EQ(r.DiscCode, "0123456789abcdef");
    EXPECT_EQ(r.DiscName, "Unknown");
    r.Composer = "Johann Sebastian Bach (1685-1750)";
    r.Artist = std::string(19, 'a') + "\xC3\xA9" + "b"; // the accent would straddle byte 20
    r.DiscName = "abba";
    r.RecordLabel = "ABBA";
    EXPECT_EQ(DiscKeyValue(r, kDiscCode), "0123456789abcdef");
    EXPECT_EQ(DiscKeyValue(r, kComposer), "Johann Sebastian Bac");
    EXPECT_EQ(DiscKeyValue(r, kArtist), std::string(19, 'a'));
    const TDiscKeys keys = DiscSecondaryKeys(r);
    EXPECT_EQ(keys[2], "abba");
    EXPECT_EQ(keys[3], "ABBA");
    EXPECT_EQ(keys[4], "Unknown");
}
