// Text fields whose limit counts bytes of UTF-8, as the catalogue stores the text: what the user sees is
// exactly what will be stored. Typed or pasted text that does not fit is cut where it was inserted, and
// never inside a character.
#pragma once

class QLineEdit;
class QPlainTextEdit;

void LimitBytes(QLineEdit* Edit, int MaxBytes);
// Notes: each line break counts two bytes, as the notes are stored with CR LF line ends.
void LimitBytes(QPlainTextEdit* Edit, int MaxBytes);
