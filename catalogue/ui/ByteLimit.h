// Text fields whose limit counts bytes of UTF-8, as the catalogue stores the text: what the user sees is
// exactly what will be stored. Typed or pasted text that does not fit is cut where it was inserted, and
// never inside a character.
#pragma once

#include <QtGlobal>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

void LimitBytes(QLineEdit* Edit, int MaxBytes);

// What was kept of a text put in at once (a paste, a drop, a text set) that did not fit: characters
// counted as the user sees them.
struct TTextCut {
    qsizetype Given = 0;
    qsizetype Kept = 0;
    bool AtLineEnd = false; // the kept part ends with a whole line
};

// Notes: each line break counts two bytes, as the notes are stored with CR LF line ends. Text put in that
// does not fit keeps its whole lines that do, or as many whole characters when its first line is already
// too long; OnCut is then told (not for a single character typed at the limit).
void LimitBytes(QPlainTextEdit* Edit, int MaxBytes, std::function<void(const TTextCut&)> OnCut = {});
