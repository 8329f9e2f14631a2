#include "catalogue/ReferenceCompletion.h"

#include "app/base/TextEncoding.h"

TCompletion CompleteFromList(const QStringList& Entries, const QString& Typed, int MaxBytes) {
    TCompletion Result{Typed};
    if (Entries.isEmpty() || Typed.isEmpty()) return Result;
    const int TypedLength = static_cast<int>(Typed.size());
    for (const QString& Entry : Entries) {
        const int Order = QString::compare(Typed, Entry.left(TypedLength), Qt::CaseInsensitive);
        if (Order == 0) {
            Result.Text = QString::fromStdString(
                CutToBytes(Entry.toStdString(), static_cast<std::size_t>(std::max(MaxBytes, 0))));
            break;
        }
        if (Order < 0) break;
    }
    if (TypedLength < Result.Text.size()) {
        Result.SelStart = TypedLength;
        Result.SelLength = static_cast<int>(Result.Text.size()) - TypedLength;
    }
    return Result;
}
