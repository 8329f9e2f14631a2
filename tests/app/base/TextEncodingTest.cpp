#include <gtest/gtest.h>

#include "app/base/TextEncoding.h"

TEST(TextEncoding, Utf8IsValidatedStrictly) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("Dvo\xC5\x99\xC3\xA1k \xE2\x82\xAC \xF0\x9F\x8E\xB5"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));          // Windows-1252 e acute
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // beyond Unicode
}

TEST(TextEncoding, TextThatIsNotUtf8IsReadAsWindows1252) {
    EXPECT_EQ(DecodeStoredText("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeStoredText("\x80 \x9F \x81"), "\xE2\x82\xAC \xC5\xB8 \xC2\x81");
    EXPECT_EQ(DecodeStoredText("Dvo\xC5\x99\xC3\xA1k"), "Dvo\xC5\x99\xC3\xA1k");
}

TEST(TextEncoding, CutsNeverSplitACharacter) {
    const std::string text = "ab\xC3\xA9\xE2\x82\xAC"; // a b e-acute euro: 2 + 2 + 3 bytes
    EXPECT_EQ(CutToBytes(text, 7), text);
    EXPECT_EQ(CutToBytes(text, 6), "ab\xC3\xA9");
    EXPECT_EQ(CutToBytes(text, 5), "ab\xC3\xA9");
    EXPECT_EQ(CutToBytes(text, 3), "ab");
    // Single-byte text is cut at the limit exactly, as the keys of older files were.
    EXPECT_EQ(CutToBytes("\xE9\xE9\xE9\xE9", 3), "\xE9\xE9\xE9");
    EXPECT_EQ(CharacterCount(text), 4u);
    EXPECT_EQ(CutToCharacters(text, 3), "ab\xC3\xA9");
}
