#include "catalogue/ui/ByteLimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>
#include <algorithm>
#include <memory>

namespace {

// Bytes of UTF-8 of the character (or surrogate pair) of Width code units at Text[At]; with CrLf a line
// break counts two, as the notes store it.
qsizetype CharBytes(QStringView Text, qsizetype At, qsizetype Width, bool CrLf) {
    if (Width == 2) return 4;
    const char16_t C = Text[At].unicode();
    if (C < 0x80) return C == u'\n' && CrLf ? 2 : 1;
    return C < 0x800 ? 2 : 3;
}

qsizetype WidthAt(QStringView Text, qsizetype At) {
    return At + 1 < Text.size() && Text[At].isHighSurrogate() && Text[At + 1].isLowSurrogate() ? 2 : 1;
}

qsizetype WidthBefore(QStringView Text, qsizetype End) {
    return End >= 2 && Text[End - 1].isLowSurrogate() && Text[End - 2].isHighSurrogate() ? 2 : 1;
}

qsizetype StoredBytes(QStringView Text, bool CrLf) {
    qsizetype Bytes = 0;
    for (qsizetype i = 0; i < Text.size();) {
        const qsizetype Width = WidthAt(Text, i);
        Bytes += CharBytes(Text, i, Width, CrLf);
        i += Width;
    }
    return Bytes;
}

// Characters as the user sees them: a surrogate pair is one.
qsizetype Characters(QStringView Text) {
    qsizetype Count = 0;
    for (qsizetype i = 0; i < Text.size(); i += WidthAt(Text, i))
        ++Count;
    return Count;
}

// Code units to remove before Pos (at most Pos of them) so that Text fits MaxBytes.
qsizetype ExcessBefore(QStringView Text, qsizetype Pos, qsizetype MaxBytes, bool CrLf) {
    qsizetype Excess = StoredBytes(Text, CrLf) - MaxBytes;
    qsizetype Remove = 0;
    while (Excess > 0 && Remove < Pos) {
        const qsizetype Width = WidthBefore(Text, Pos - Remove);
        Excess -= CharBytes(Text, Pos - Remove - Width, Width, CrLf);
        Remove += Width;
    }
    return Remove;
}

// Length in code units of the longest start of Text that fits MaxBytes.
qsizetype FittingLength(QStringView Text, qsizetype MaxBytes, bool CrLf) {
    qsizetype Bytes = 0, i = 0;
    while (i < Text.size()) {
        const qsizetype Width = WidthAt(Text, i);
        Bytes += CharBytes(Text, i, Width, CrLf);
        if (Bytes > MaxBytes) break;
        i += Width;
    }
    return i;
}

class TByteValidator : public QValidator {
public:
    TByteValidator(int MaxBytes, QObject* Parent) : QValidator(Parent), FMax(MaxBytes) {}

    State validate(QString& Input, int& Pos) const override {
        if (StoredBytes(Input, false) <= FMax) return Acceptable;
        const qsizetype Remove = ExcessBefore(Input, Pos, FMax, false);
        Input.remove(Pos - Remove, Remove);
        Pos -= static_cast<int>(Remove);
        Input.truncate(FittingLength(Input, FMax, false));
        Pos = std::min(Pos, static_cast<int>(Input.size()));
        return Acceptable;
    }

private:
    int FMax;
};

} // namespace

void LimitBytes(QLineEdit* Edit, int MaxBytes) {
    Edit->setMaxLength(MaxBytes);
    Edit->setValidator(new TByteValidator(MaxBytes, Edit));
}

void LimitBytes(QPlainTextEdit* Edit, int MaxBytes, std::function<void(const TTextCut&)> OnCut) {
    // The span changed since the text was last checked; the document reports each change before the edit
    // tells that its text changed.
    struct TSpan {
        qsizetype Start = -1, End = -1;
    };
    auto Changed = std::make_shared<TSpan>();
    QObject::connect(
        Edit->document(), &QTextDocument::contentsChange, Edit, [Changed](int Position, int, int Added) {
            Changed->Start = Changed->Start < 0 ? Position : std::min<qsizetype>(Changed->Start, Position);
            Changed->End = std::max<qsizetype>(Changed->End, Position + Added);
        });
    QObject::connect(Edit, &QPlainTextEdit::textChanged, Edit, [Edit, MaxBytes, Changed, OnCut] {
        const TSpan Span = *Changed;
        *Changed = {};
        const QString Text = Edit->toPlainText();
        qsizetype Excess = StoredBytes(Text, true) - MaxBytes;
        if (Excess <= 0) return;
        const qsizetype Start = std::clamp<qsizetype>(Span.Start, 0, Text.size());
        const qsizetype End =
            Span.End < 0 ? Text.size() : std::clamp<qsizetype>(Span.End, Start, Text.size());
        // Cut from the end of what was put in, back to the last whole line that fits.
        qsizetype KeepEnd = End;
        while (Excess > 0 && KeepEnd > Start) {
            const qsizetype Width = WidthBefore(Text, KeepEnd);
            Excess -= CharBytes(Text, KeepEnd - Width, Width, true);
            KeepEnd -= Width;
        }
        if (KeepEnd < End && KeepEnd > Start) {
            const qsizetype Break = Text.lastIndexOf(u'\n', KeepEnd - 1);
            if (Break >= Start) KeepEnd = Break + 1;
        }
        if (KeepEnd < End) {
            QTextCursor Cut(Edit->document());
            Cut.setPosition(static_cast<int>(KeepEnd));
            Cut.setPosition(static_cast<int>(End), QTextCursor::KeepAnchor);
            Cut.removeSelectedText();
        }
        // Still too long (the text before the change did not fit either): cut the end.
        const QString Now = Edit->toPlainText();
        const qsizetype Fits = FittingLength(Now, MaxBytes, true);
        if (Fits < Now.size()) {
            QTextCursor Tail(Edit->document());
            Tail.setPosition(static_cast<int>(Fits));
            Tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            Tail.removeSelectedText();
        }
        *Changed = {};
        const QStringView Given = QStringView(Text).sliced(Start, End - Start);
        const qsizetype GivenChars = Characters(Given);
        if (OnCut && GivenChars > 1)
            OnCut({GivenChars, Characters(Given.first(KeepEnd - Start)),
                   KeepEnd > Start && Text[KeepEnd - 1] == u'\n'});
    });
}
