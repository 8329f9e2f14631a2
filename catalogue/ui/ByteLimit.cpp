#include "catalogue/ui/ByteLimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QValidator>

namespace {

qsizetype Utf8Bytes(QStringView Text) {
    return Text.toUtf8().size();
}

// Characters to remove before Pos (at most Pos of them) so that Text fits MaxBytes; counts whole
// surrogate pairs.
qsizetype ExcessBefore(QStringView Text, qsizetype Pos, qsizetype MaxBytes) {
    qsizetype Excess = Utf8Bytes(Text) - MaxBytes;
    qsizetype Remove = 0;
    while (Excess > 0 && Remove < Pos) {
        qsizetype Width = 1;
        if (Pos - Remove >= 2 && Text[Pos - Remove - 1].isLowSurrogate() &&
            Text[Pos - Remove - 2].isHighSurrogate())
            Width = 2;
        Excess -= Utf8Bytes(Text.mid(Pos - Remove - Width, Width));
        Remove += Width;
    }
    return Remove;
}

QString CutTail(const QString& Text, qsizetype MaxBytes) {
    QString Cut = Text;
    while (Utf8Bytes(Cut) > MaxBytes) {
        Cut.chop(Cut.size() >= 2 && Cut.back().isLowSurrogate() ? 2 : 1);
    }
    return Cut;
}

class TByteValidator : public QValidator {
public:
    TByteValidator(int MaxBytes, QObject* Parent) : QValidator(Parent), FMax(MaxBytes) {}

    State validate(QString& Input, int& Pos) const override {
        if (Utf8Bytes(Input) <= FMax) return Acceptable;
        const qsizetype Remove = ExcessBefore(Input, Pos, FMax);
        Input.remove(Pos - Remove, Remove);
        Pos -= static_cast<int>(Remove);
        Input = CutTail(Input, FMax);
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

void LimitBytes(QPlainTextEdit* Edit, int MaxBytes) {
    QObject::connect(Edit, &QPlainTextEdit::textChanged, Edit, [Edit, MaxBytes] {
        const QString Text = Edit->toPlainText();
        if (Utf8Bytes(Text) <= MaxBytes) return;
        QTextCursor Cursor = Edit->textCursor();
        const qsizetype Remove = ExcessBefore(Text, Cursor.position(), MaxBytes);
        if (Remove > 0) {
            const int End = Cursor.position();
            Cursor.setPosition(End - static_cast<int>(Remove));
            Cursor.setPosition(End, QTextCursor::KeepAnchor);
            Cursor.removeSelectedText();
        }
        // Still too long (text put in without typing): cut the end.
        if (Utf8Bytes(Edit->toPlainText()) > MaxBytes)
            Edit->setPlainText(CutTail(Edit->toPlainText(), MaxBytes));
    });
}
