#include "catalogue/CatalogueTool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

#include <QString>

#include "app/Settings.h"
#include "catalogue/CatalogueShow.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/LookupCommand.h"
#include "catalogue/PrintArguments.h"
#include "catalogue/RecordEngine.h"
#include "catalogue/RecordEngineErrors.h"
#include "catalogue/ReferenceList.h"
#include "catalogue/TextEncoding.h"
#include "catalogue/TransferCommands.h"
#include "devices/MessageBoxes.h"

namespace {

// Collects the catalogue's messages; questions are answered No, so nothing is created or repaired
// unless the command asks for it.
class TToolMessages : public TMessageSink {
public:
    TToolMessages() : FPrevious(SetMessageSink(this)) {}
    ~TToolMessages() override { SetMessageSink(FPrevious); }
    void Information(const std::string& Msg) override { Messages.push_back(Msg); }
    int Confirm(const std::string&) override { return idNo; }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
    std::string Joined() const {
        std::string line;
        for (const auto& m : Messages)
            line += (line.empty() ? "" : " ") + m;
        return line;
    }
    std::vector<std::string> Messages;

private:
    TMessageSink* FPrevious;
};

constexpr int ToolPageBuffers = 1024;

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

// The list in the browser's order (CatalogueTreeOrder's, line for line), made with less than the tree
// takes: of each live record only the code, the name and the field of the order, decoded into one buffer
// as the records are read in file order; the index of the order then gives the groups, and the sort
// moves record numbers. The index's own order is byte order, not the order ignoring case that the list
// keeps, so the walk gives the groups and the sort the order.
int ListCatalogue(const std::string& DataDir, const std::string& Order, std::ostream& Out,
                  std::ostream& Err) {
    const int keyNo = CatalogueOrderKey(Order);
    if (keyNo == 0) {
        Err << "orbelune-cat: unknown order '" << Order << "' (name, composer, artist, label or type)\n";
        return 2;
    }
    std::string error;
    TReadOnlyCatalogue cat;
    if (!cat.Open(DataDir, error)) {
        Err << "orbelune-cat: " << error << "\n";
        return 1;
    }
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
                Err << "orbelune-cat: index " << keyNo << ": error " << EngineError << "\n";
                return 1;
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
        Out << "The catalogue holds no discs.\n";
        return 0;
    }
    std::vector<TTextKey> groupKeys(runs.size());
    for (std::size_t g = 0; g < runs.size(); ++g)
        groupKeys[g] = TTextKey(text(runs[g].Text));
    // One write for the whole list.
    std::string out;
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
    Out.write(out.data(), static_cast<std::streamsize>(out.size()));
    return 0;
}

int Check(const std::string& DataDir, std::ostream& Out, std::ostream& Err) {
    if (CatalogueInUse(DataDir)) {
        Err << "orbelune-cat: " << msgCatalogueInUse << "\n";
        return 1;
    }
    const TCatalogueCheck check = CheckDiscCatalogue(DataDir);
    // A catalogue that could not be opened at all has one problem, told on one line.
    if (!check.Ok && check.Slots == 0 && check.Problems.size() == 1) {
        Err << "orbelune-cat: " << check.Problems.front() << "\n";
        return 1;
    }
    if (!check.Ok) {
        Err << "orbelune-cat: the catalogue in " << DataDir << " has problems:\n";
        for (const auto& p : check.Problems)
            Err << "  " << p << "\n";
        return 1;
    }
    const auto Counted = [](long long N, const char* Word) {
        return std::to_string(N) + " " + Word + (N == 1 ? "" : "s");
    };
    Out << "The catalogue is sound: " << Counted(check.Records, "disc") << " in "
        << Counted(check.Slots - 1, "record slot") << ".\n";
    return 0;
}

int Pack(const std::string& DataDir, bool Repair, std::ostream& Out, std::ostream& Err) {
    std::error_code ec;
    // With the swap marker, disc.DAT may be waiting in disc2.DAT: the rebuild finishes that swap first.
    if (!std::filesystem::exists(DataDir + "disc.DAT", ec) &&
        !std::filesystem::exists(DataDir + "disc2.SWP", ec)) {
        Err << "orbelune-cat: there is no catalogue (disc.DAT) in " << DataDir << "\n";
        return 1;
    }
    if (CatalogueInUse(DataDir)) {
        Err << "orbelune-cat: " << msgCatalogueInUse << "\n";
        return 1;
    }
    TToolMessages messages;
    TPlayerSettings settings;
    LoadSettingsFrom(DataDir + "ORBELUNE.INI", settings);
    TDiscCatalogue catalogue(DataDir, settings);
    const bool ok = Repair ? catalogue.RepairDatabase() : catalogue.PackCatalogue();
    if (!ok) {
        Err << "orbelune-cat: " << messages.Joined() << "\n";
        return 1;
    }
    const TPackResult& r = catalogue.LastPack;
    Out << (Repair ? "Repaired: " : "Rebuilt: ") << r.Records << " discs";
    if (r.SkippedDuplicates)
        Out << ", " << r.SkippedDuplicates << " records with a code already catalogued left out";
    if (r.DroppedBlobs) Out << ", " << r.DroppedBlobs << " missing blobs cleared";
    Out << ".\n";
    for (const auto& [count, what] :
         {std::pair{r.LostTracks, "track names"}, std::pair{r.LostNotes, "notes"},
          std::pair{r.LostPictures, "pictures"}, std::pair{r.LostSamples, "samples"}})
        if (count) Out << "Discs that lost their " << what << ": " << count << ".\n";
    for (const std::string& loss : r.Losses)
        Out << "Cleared: " << loss << "\n";
    if (r.FromStore)
        Out << "disc.DAT held no disc records: the discs were made again from the track lists and notes in "
               "disc.VLF (codes, track names and notes only).\n";
    if (Repair)
        Out << "The damaged files are kept as " << r.AsideName << ".DAT, " << r.AsideName << ".IX and "
            << r.AsideName << ".VLF.\n";
    return 0;
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

int RunCatalogueTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                     TPrintRunner Print) {
    std::string dir;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        if (Args[i] == "--dir") {
            if (i + 1 >= Args.size()) {
                Err << "orbelune-cat: --dir needs a folder\n";
                return 2;
            }
            dir = Args[++i];
        } else if (Args[i] == "--help" || Args[i] == "-h") {
            Out << CatalogueToolUsage();
            return 0;
        } else {
            rest.push_back(Args[i]);
        }
    }
    if (rest.empty()) {
        Err << CatalogueToolUsage();
        return 2;
    }
    // Usage errors are told before the data folder is looked at (or, without --dir, created).
    const std::string& command = rest[0];
    const auto usageError = [&](const std::string& Text) {
        Err << "orbelune-cat: " << Text << " (orbelune-cat --help shows the usage)\n";
        return 2;
    };
    std::string order = "name";
    if (command == "list") {
        if (rest.size() == 3 && rest[1] == "--by")
            order = rest[2];
        else if (rest.size() != 1)
            return usageError("list takes only --by and an order");
    } else if (command == "show") {
        if (rest.size() != 2) return usageError("show needs one disc code");
        // A longer code would be cut to its first 16 characters by the key and find another disc.
        if (rest[1].size() > 16) return usageError("a disc code has at most 16 characters");
    } else if (command == "print") {
        if (const std::string error = PrintArgumentsError(rest); !error.empty()) return usageError(error);
    } else if (command == "check" || command == "rebuild" || command == "repair") {
        if (rest.size() != 1) return usageError(command + " takes no arguments");
    } else if (IsTransferCommand(command)) {
        if (const std::string error = TransferUsageError(rest); !error.empty()) return usageError(error);
    } else if (IsLookupCommand(command)) {
        if (const std::string error = LookupUsageError(rest); !error.empty()) return usageError(error);
    } else {
        return usageError("unknown command '" + command + "'");
    }

    if (const int status = UseCatalogueToolFolder(dir, Err)) return status;
    // The tool walks whole indexes and rebuilds whole files: a bigger page cache than the player's saves
    // reading the same pages again. A show finds one key, where setting up the bigger cache would take
    // longer than the whole search.
    if (command != "show" && !RecordEngineInitialized()) InitRecordEngine(ToolPageBuffers);
    if (command == "list") return ListCatalogue(dir, order, Out, Err);
    if (command == "show") return ShowDisc(dir, rest[1], Out, Err);
    if (command == "check") return Check(dir, Out, Err);
    if (command == "print") return Print(dir, rest, Out, Err);
    if (IsTransferCommand(command)) return RunTransferCommand(dir, rest, Out, Err);
    if (IsLookupCommand(command)) return RunLookupCommand(dir, rest, Out, Err);
    return Pack(dir, command == "repair", Out, Err);
}
