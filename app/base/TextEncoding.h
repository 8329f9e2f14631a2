// Text as the catalogue files hold it: UTF-8, with Windows-1252 accepted when reading text that is not
// valid UTF-8, and byte limits that never cut a character in two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view Text);

// Each byte as its Windows-1252 character, in UTF-8. The five bytes that code page leaves undefined
// become the control characters of the same number, as the platform's own conversion does.
std::string Windows1252ToUtf8(std::string_view Bytes);

// Stored bytes as program text: valid UTF-8 is taken as it is, anything else is read as Windows-1252.
std::string DecodeStoredText(std::string_view Bytes);

// Number of bytes of the longest prefix of Text that has at most MaxBytes bytes and ends on a character
// boundary. Text that is not valid UTF-8 is single-byte text, so it is cut at MaxBytes exactly.
std::size_t CutLength(std::string_view Text, std::size_t MaxBytes);
std::string CutToBytes(std::string_view Text, std::size_t MaxBytes);

// Number of characters (code points) of UTF-8 text; bytes of invalid sequences count one each.
std::size_t CharacterCount(std::string_view Text);
// The first MaxChars characters of UTF-8 text.
std::string CutToCharacters(std::string_view Text, std::size_t MaxChars);

// True when Text, read as stored text (DecodeStoredText), holds a control character: C0, DEL or C1.
bool HasControlCharacters(std::string_view Text);
// Text that came from outside (a disc database, an imported file, a disc's CD-TEXT) as the catalogue keeps
// it: a tab or a line break becomes a space, every other control character (C0, DEL, C1) is left out.
// Text without control characters is returned byte for byte; other text comes back as UTF-8.
std::string CleanText(std::string_view Text);
// Stored text for a terminal: each control character shown in caret notation ("^[" for ESC, "^@" for NUL,
// "^?" for DEL) or, C1, as "?", so that no stored text can move the cursor or clear the screen.
std::string TerminalText(std::string_view Text);
