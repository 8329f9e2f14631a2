#include "catalogue/CatalogueOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include <QString>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/ReadOnlyCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"

namespace {

// A text's comparison key, ignoring case. Plain ASCII text compares as its lower-case bytes, which order
// as Qt's case-insensitive comparison orders them: the first 24 of them are packed here with a bit for
// each that was upper case, so that most comparisons, ties of short texts included, touch no text.
// Other text is compared by Qt.
struct TTextKey {
    static constexpr std::size_t HeadBytes = 24;
    TTextKey() = default;
    explicit TTextKey(std::string_view Text) {
        Length = static_cast<std::uint8_t>(std::min<std::size_t>(Text.size(), HeadBytes + 1));
        for (std::size_t i = 0; i < Text.size(); ++i) {
            std::uint64_t c = static_cast<unsigned char>(Text[i]);
            if (c >= 0x80) {
                *this = {};
                Ascii = false;
                return;
            }
            if (i >= HeadBytes) continue;
            const bool upper = c >= 'A' && c <= 'Z';
            Head[i / 8] |= (upper ? c - 'A' + 'a' : c) << (56 - 8 * (i % 8));
            if (upper) Upper |= 1u << (HeadBytes - 1 - i);
        }
    }
    std::array<std::uint64_t, 3> Head{};
    std::uint32_t Upper = 0; // bit 23 - i: byte i is upper case
    std::uint8_t Length = 0; // at most HeadBytes + 1
    bool Ascii = true;
};

int CompareAsciiIgnoringCase(std::string_view A, std::string_view B) {
    const auto lower = [](char C) {
        return static_cast<unsigned char>(C >= 'A' && C <= 'Z' ? C - 'A' + 'a' : C);
    };
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i)
        if (lower(A[i]) != lower(B[i])) return lower(A[i]) < lower(B[i]) ? -1 : 1;
    return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

// A lower-case ASCII text against a folded one, unit by unit: the ASCII text's folded form is its
// lower-case bytes.
int CompareLoweredWithFolded(std::string_view Ascii, const std::u16string& Folded) {
    const std::size_t n = std::min(Ascii.size(), Folded.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Ascii[i];
        const auto a = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (a != Folded[i]) return a < Folded[i] ? -1 : 1;
    }
    return Ascii.size() < Folded.size() ? -1 : Ascii.size() > Folded.size() ? 1 : 0;
}

// The order of texts 0 .. Keys.size() - 1 by their text ignoring case, then by byte order (as the
// reference lists compare names); equal texts keep their order. Keys holds the texts' keys, made where
// the texts were at hand; Text(i) gives text i. A text that is not plain ASCII is case-folded once, as
// Qt's case-insensitive comparison folds it; a plain ASCII one folds to its lower-case bytes.
template <class TText> std::vector<std::uint32_t> TextOrder(const std::vector<TTextKey>& Keys, TText Text) {
    struct TSortItem {
        TTextKey Key;
        std::uint32_t Index;
        std::uint32_t Folded; // into folded, for a text that is not plain ASCII
    };
    std::vector<TSortItem> order(Keys.size());
    std::vector<std::u16string> folded;
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = {Keys[i], static_cast<std::uint32_t>(i), 0};
        if (!Keys[i].Ascii) {
            order[i].Folded = static_cast<std::uint32_t>(folded.size());
            folded.push_back(CaseFoldedText(std::string(Text(i))));
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](const TSortItem& A, const TSortItem& B) {
        const TTextKey &a = A.Key, &b = B.Key;
        int c;
        if (a.Ascii && b.Ascii) {
            if (a.Head != b.Head) return a.Head < b.Head;
            // Texts of the same length within the head are equal but for case: the one whose first
            // differing byte is upper case comes first in byte order.
            if (a.Length == b.Length && a.Length <= TTextKey::HeadBytes) return a.Upper > b.Upper;
            c = CompareAsciiIgnoringCase(Text(A.Index), Text(B.Index));
        } else if (a.Ascii) {
            c = CompareLoweredWithFolded(Text(A.Index), folded[B.Folded]);
        } else if (b.Ascii) {
            c = -CompareLoweredWithFolded(Text(B.Index), folded[A.Folded]);
        } else {
            c = folded[A.Folded].compare(folded[B.Folded]);
        }
        if (c != 0) return c < 0;
        return std::string_view(Text(A.Index)) < std::string_view(Text(B.Index));
    });
    std::vector<std::uint32_t> indexes(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        indexes[i] = order[i].Index;
    return indexes;
}

// Sorts Items by their text as TextOrder orders it, moving each item once.
template <class T, class TText>
void SortByText(std::vector<T>& Items, const std::vector<TTextKey>& Keys, TText Text) {
    const std::vector<std::uint32_t> order =
        TextOrder(Keys, [&](std::uint32_t I) -> const std::string& { return Text(Items[I]); });
    std::vector<T> sorted;
    sorted.reserve(Items.size());
    for (const std::uint32_t i : order)
        sorted.push_back(std::move(Items[i]));
    Items = std::move(sorted);
}

} // namespace

std::u16string CaseFoldedText(const std::string& Text) {
    const QString Wide = QString::fromStdString(Text);
    std::u16string Out;
    Out.reserve(static_cast<std::size_t>(Wide.size()));
    char16_t last = 0;
    for (const QChar Unit : Wide) {
        const char16_t ch = Unit.unicode();
        char32_t ucs4 = ch;
        if (QChar::isLowSurrogate(ucs4) && QChar::isHighSurrogate(last))
            ucs4 = QChar::surrogateToUcs4(last, ch);
        last = ch;
        const char32_t folded = QChar::toCaseFolded(ucs4);
        Out.push_back(QChar::requiresSurrogates(folded) ? QChar::lowSurrogate(folded)
                                                        : static_cast<char16_t>(folded));
    }
    return Out;
}

int CatalogueOrderKey(const std::string& Name) {
    if (Name == "name") return kDiscName;
    if (Name == "composer") return kComposer;
    if (Name == "artist") return kArtist;
    if (Name == "label") return kRecordLabel;
    if (Name == "type") return kMusicType;
    return 0;
}

std::vector<TCatalogueGroup> CatalogueTreeOrder(const std::string& DataDir, int KeyNo, std::string& Error,
                                                int* Skipped) {
    std::vector<TCatalogueGroup> groups;
    if (Skipped) *Skipped = 0;
    TReadOnlyCatalogue cat;
    if (!cat.Open(DataDir, Error)) return groups;
    const bool grouped = KeyNo != kDiscName;
    if (!grouped) groups.emplace_back();
    // The shown fields of the live records and their sort keys, made straight from the record bytes in
    // file order, read in large batches; the index then gives their order. A record's fields move to its
    // entry; a damaged index that names a record twice gets a copy from the entry that took them.
    struct TFields {
        bool Live = false;
        TCatalogueEntry Entry;
        std::string Group;
        TTextKey NameKey, GroupKey;
        std::size_t TakenGroup = 0, TakenDisc = 0;
        bool Taken = false;
    };
    std::vector<TFields> records(static_cast<std::size_t>(std::max(RecordSlotCount(cat.File), 1)));
    ForEachDiscRecord(cat.File, [&](std::int32_t RecNo, const TDiscRecordBytes* Bytes) {
        if (Bytes && DiscRecordStatus(*Bytes) == 0) {
            TFields& f = records[static_cast<std::size_t>(RecNo)];
            f.Live = true;
            f.Entry = {RecNo, DiscKeyFieldText(Bytes->data(), kDiscCode),
                       DiscKeyFieldText(Bytes->data(), kDiscName), DiscHasSample(Bytes->data()),
                       DiscTocPending(Bytes->data())};
            f.NameKey = TTextKey(f.Entry.Name);
            if (grouped) {
                f.Group = DiscKeyFieldText(Bytes->data(), KeyNo);
                f.GroupKey = TTextKey(f.Group);
            }
        }
        return true;
    });
    // The keys of each group's discs, and of the groups.
    std::vector<std::vector<TTextKey>> discKeys(groups.size());
    std::vector<TTextKey> groupKeys(groups.size());
    const auto startGroup = [&](std::string Text, const TTextKey& Key) {
        groups.push_back({std::move(Text), {}});
        discKeys.emplace_back();
        groupKeys.push_back(Key);
    };
    ClearKey(cat.File, KeyNo);
    std::int32_t recNo = 0;
    std::string key;
    for (;;) {
        NextKey(cat.File, KeyNo, recNo, key);
        if (!EngineOK) {
            if (EngineError != eeNoNextKey)
                Error = "index " + std::to_string(KeyNo) + ": error " + std::to_string(EngineError);
            break;
        }
        if (recNo < 1 || static_cast<std::size_t>(recNo) >= records.size() ||
            !records[static_cast<std::size_t>(recNo)].Live) {
            if (Skipped) ++*Skipped;
            continue;
        }
        TFields& rec = records[static_cast<std::size_t>(recNo)];
        if (rec.Taken) {
            const TCatalogueGroup& first = groups[rec.TakenGroup];
            TCatalogueEntry entry = first.Discs[rec.TakenDisc];
            if (grouped && groups.back().Text != first.Text) startGroup(first.Text, rec.GroupKey);
            groups.back().Discs.push_back(std::move(entry));
            discKeys.back().push_back(rec.NameKey);
            continue;
        }
        if (grouped && (groups.empty() || groups.back().Text != rec.Group))
            startGroup(std::move(rec.Group), rec.GroupKey);
        rec.Taken = true;
        rec.TakenGroup = groups.size() - 1;
        rec.TakenDisc = groups.back().Discs.size();
        groups.back().Discs.push_back(std::move(rec.Entry));
        discKeys.back().push_back(rec.NameKey);
    }
    records = {};
    for (std::size_t g = 0; g < groups.size(); ++g)
        SortByText(groups[g].Discs, discKeys[g],
                   [](const TCatalogueEntry& E) -> const std::string& { return E.Name; });
    SortByText(groups, groupKeys, [](const TCatalogueGroup& G) -> const std::string& { return G.Text; });
    return groups;
}

// The list in the browser's order (CatalogueTreeOrder's, line for line), made with less than the tree
// takes: of each live record only the code, the name and the field of the order, decoded into one buffer
// as the records are read in file order; the index of the order then gives the groups, and the sort
// moves record numbers. The index's own order is byte order, not the order ignoring case that the list
// keeps, so the walk gives the groups and the sort the order.
bool CatalogueListText(const std::string& DataDir, int KeyNo, std::string& Text, std::string& Error) {
    const int keyNo = KeyNo;
    TReadOnlyCatalogue cat;
    if (!cat.Open(DataDir, Error)) return false;
    const bool grouped = keyNo != kDiscName;
    // A text in the buffer.
    struct TSpan {
        std::uint32_t At = 0, Length = 0;
    };
    struct TFields {
        TSpan Code, Name, Group;
        bool Live = false;
    };
    std::vector<TFields> records(static_cast<std::size_t>(std::max(RecordSlotCount(cat.File), 1)));
    std::vector<TTextKey> nameKeys(records.size());
    std::string texts;
    const auto keep = [&texts](std::string_view Stored) {
        TSpan span{static_cast<std::uint32_t>(texts.size()), 0};
        if (IsValidUtf8(Stored))
            texts.append(Stored);
        else
            texts.append(Windows1252ToUtf8(Stored));
        span.Length = static_cast<std::uint32_t>(texts.size() - span.At);
        return span;
    };
    const auto text = [&texts](TSpan Span) { return std::string_view(texts).substr(Span.At, Span.Length); };
    ForEachDiscRecord(cat.File, [&](std::int32_t RecNo, const TDiscRecordBytes* Bytes) {
        if (Bytes && DiscRecordStatus(*Bytes) == 0) {
            TFields& f = records[static_cast<std::size_t>(RecNo)];
            f.Live = true;
            f.Code = keep(DiscKeyFieldBytes(Bytes->data(), kDiscCode));
            f.Name = keep(DiscKeyFieldBytes(Bytes->data(), kDiscName));
            if (grouped) f.Group = keep(DiscKeyFieldBytes(Bytes->data(), keyNo));
            nameKeys[static_cast<std::size_t>(RecNo)] = TTextKey(text(f.Name));
        }
        return true;
    });
    // The records in index order, and the groups as runs of them: a new group whenever the field differs
    // from the previous disc's, compared case-sensitively.
    struct TRun {
        TSpan Text;
        std::size_t First = 0;
    };
    std::vector<std::int32_t> listed;
    listed.reserve(records.size());
    std::vector<TRun> runs;
    if (!grouped) runs.push_back({});
    ClearKey(cat.File, keyNo);
    std::int32_t recNo = 0;
    std::string key;
    for (;;) {
        NextKey(cat.File, keyNo, recNo, key);
        if (!EngineOK) {
            if (EngineError != eeNoNextKey) {
                Error = "index " + std::to_string(keyNo) + ": error " + std::to_string(EngineError);
                return false;
            }
            break;
        }
        if (recNo < 1 || static_cast<std::size_t>(recNo) >= records.size() ||
            !records[static_cast<std::size_t>(recNo)].Live)
            continue;
        const TSpan group = records[static_cast<std::size_t>(recNo)].Group;
        if (grouped && (runs.empty() || text(runs.back().Text) != text(group)))
            runs.push_back({group, listed.size()});
        listed.push_back(recNo);
    }
    if (listed.empty()) {
        Text = "The catalogue holds no discs.\n";
        return true;
    }
    std::vector<TTextKey> groupKeys(runs.size());
    for (std::size_t g = 0; g < runs.size(); ++g)
        groupKeys[g] = TTextKey(text(runs[g].Text));
    std::string& out = Text;
    out.clear();
    out.reserve(texts.size() + listed.size() * (grouped ? 4 : 2) + runs.size());
    std::vector<TTextKey> keys;
    for (const std::uint32_t g : TextOrder(groupKeys, [&](std::uint32_t I) { return text(runs[I].Text); })) {
        const std::size_t first = runs[g].First;
        const std::size_t end = g + 1 < runs.size() ? runs[g + 1].First : listed.size();
        if (grouped) out.append(text(runs[g].Text)).append("\n");
        keys.resize(end - first);
        for (std::size_t i = first; i < end; ++i)
            keys[i - first] = nameKeys[static_cast<std::size_t>(listed[i])];
        const auto name = [&](std::uint32_t I) {
            return text(records[static_cast<std::size_t>(listed[first + I])].Name);
        };
        for (const std::uint32_t i : TextOrder(keys, name)) {
            const TFields& f = records[static_cast<std::size_t>(listed[first + i])];
            out.append(grouped ? "  " : "")
                .append(text(f.Name))
                .append("\t")
                .append(text(f.Code))
                .append("\n");
        }
    }
    return true;
}
