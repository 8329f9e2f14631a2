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

TEST(TextEncoding, ControlCharactersAreCleanedAndShownSafely) {
    struct TCase {
        std::string Text, Clean, Terminal;
    } const Cases[] = {
        {"Plain caf\xC3\xA9", "Plain caf\xC3\xA9", "Plain caf\xC3\xA9"},
        {"a\tb\r\nc\nd", "a b c d", "a^Ib^M^Jc^Jd"},
        {std::string("x\0y\x1b[2J\x7f", 8), "xy[2J", "x^@y^[[2J^?"},
        {"C1 \xC2\x9B"
         "1m",
         "C1 1m", "C1 ?1m"},                                        // CSI in UTF-8
        {"caf\xE9\x01\x81", "caf\xC3\xA9", "caf\xC3\xA9^A?"},       // Windows-1252 text
        {"\xC3\x01\xA9", "\xC3\x83\xC2\xA9", "\xC3\x83^A\xC2\xA9"}, // stays the same letters
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(CleanText(C.Text), C.Clean) << C.Text;
        EXPECT_EQ(TerminalText(C.Text), C.Terminal) << C.Text;
        EXPECT_FALSE(HasControlCharacters(CleanText(C.Text))) << C.Text;
    }
    EXPECT_FALSE(HasControlCharacters("caf\xE9"));
    EXPECT_EQ(CleanText("caf\xE9"), "caf\xE9"); // nothing to clean: the stored bytes stay
}
