#include "catalogue/CatalogueFilter.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include <QString>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"

namespace {

std::string Trimmed(const std::string& S) {
    const auto first = S.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return S.substr(first, S.find_last_not_of(' ') - first + 1);
}

// Whether Text (upper case) occurs in Field upper-cased; plain ASCII fields are searched without making
// their upper-case copy.
bool Occurs(const std::string& Text, std::string_view Field) {
    if (Field.empty()) return false;
    if (!std::all_of(Field.begin(), Field.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; }))
        return FilterUpper(std::string(Field)).find(Text) != std::string::npos;
    const auto upper = [](char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; };
    return std::search(Field.begin(), Field.end(), Text.begin(), Text.end(),
                       [&](char A, char B) { return upper(A) == B; }) != Field.end();
}

// The filter's texts, trimmed once.
struct TTrimmedFilter {
    explicit TTrimmedFilter(const TCatalogueFilter& Filter)
        : Name(Trimmed(Filter.Name)), Reference(Trimmed(Filter.Reference)), Track(Trimmed(Filter.Track)) {}
    std::string Name, Reference, Track;
};

bool FieldsPass(const TDiscRecord& Rec, const TTrimmedFilter& F) {
    if (!F.Name.empty() &&
        (Occurs(F.Name, Rec.DiscName) || Occurs(F.Name, Rec.UserField1) || Occurs(F.Name, Rec.UserField2)))
        return true;
    return !F.Reference.empty() && Occurs(F.Reference, Rec.Reference);
}

bool TracksPass(const TDiscRecord& Rec, const TStringGridData& Tracks, const TTrimmedFilter& F) {
    if (F.Track.empty()) return false;
    for (int t = 1; t <= Rec.TrackCount; ++t)
        for (int c = 0; c < DiscGridCols; ++c)
            if (Occurs(F.Track, Tracks.Cells(c, t))) return true;
    return false;
}

} // namespace

std::string FilterUpper(const std::string& Text) {
    // Plain ASCII needs no Unicode tables.
    std::string upper = Text;
    for (char& c : upper) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return QString::fromStdString(Text).toUpper().toStdString();
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool DiscPassesFilter(const TDiscRecord& Rec, const TStringGridData& Tracks, const TCatalogueFilter& Filter) {
    if (!Filter.Apply) return true;
    const TTrimmedFilter f(Filter);
    return FieldsPass(Rec, f) || TracksPass(Rec, Tracks, f);
}

std::vector<TCatalogueGroup> FilterCatalogueTree(const std::string& DataDir,
                                                 std::vector<TCatalogueGroup> Tree,
                                                 const TCatalogueFilter& Filter, std::string& Error,
                                                 int* Unreadable) {
    if (Unreadable) *Unreadable = 0;
    if (!Filter.Apply) return Tree;
    const TTrimmedFilter f(Filter);
    TRecordFile* file = nullptr;
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
    OpenRecordFile(file, DataDir + "disc", true);
    if (!EngineOK) {
        Error = "Cannot open disc record file - " + std::to_string(EngineError);
        return {};
    }
    // Each disc's state, by record number: 0 not in the tree, then whether it was read and passes.
    constexpr std::uint8_t sAbsent = 0, sWanted = 1, sUnreadable = 2, sFails = 3, sPasses = 4;
    std::vector<std::uint8_t> state(static_cast<std::size_t>(std::max(RecordSlotCount(file), 1)), sAbsent);
    for (const TCatalogueGroup& group : Tree)
        for (const TCatalogueEntry& entry : group.Discs)
            if (entry.RecNo > 0 && static_cast<std::size_t>(entry.RecNo) < state.size())
                state[static_cast<std::size_t>(entry.RecNo)] = sWanted;
    // The records, read in file order in large batches; the track lists still needed are then searched
    // in the order they lie in disc.VLF, cell by cell as they are read.
    struct TTracksToRead {
        std::int32_t Ref;
        std::int32_t RecNo;
        int TrackCount;
    };
    std::vector<TTracksToRead> tracksToRead;
    ForEachDiscRecord(file, [&](std::int32_t RecNo, const TDiscRecordBytes* Bytes) {
        std::uint8_t& s = state[static_cast<std::size_t>(RecNo)];
        if (s != sWanted) return true;
        if (!Bytes) {
            s = sUnreadable;
            return true;
        }
        const TDiscRecord rec = DecodeDiscRecord(*Bytes);
        s = FieldsPass(rec, f) ? sPasses : sFails;
        // A track list is read even for a disc that passes already, so that one that cannot be read is
        // counted.
        if (!f.Track.empty() && rec.TracksRef != 0)
            tracksToRead.push_back({rec.TracksRef, RecNo, rec.TrackCount});
        return true;
    });
    CloseRecordFile(file);
    int unreadable = 0;
    if (!tracksToRead.empty()) {
        TVlf store;
        ConfigureDiscStore(store);
        store.FileOpenMode = OpenRead;
        std::error_code ec;
        const bool haveStore =
            std::filesystem::exists(DataDir + "disc.VLF", ec) && store.OpenStore(DataDir + "disc.VLF");
        if (haveStore) {
            store.ReadAhead = true;
            std::sort(tracksToRead.begin(), tracksToRead.end(),
                      [](const TTracksToRead& A, const TTracksToRead& B) { return A.Ref < B.Ref; });
            for (const TTracksToRead& disc : tracksToRead) {
                bool found = false;
                const bool read =
                    store.VisitGridCells(disc.Ref, [&](int Col, int Row, std::string_view Cell) {
                        if (found || Row < 1 || Row > disc.TrackCount || Col >= DiscGridCols || Cell.empty())
                            return;
                        found = Occurs(f.Track, IsValidUtf8(Cell) ? Cell : Windows1252ToUtf8(Cell));
                    });
                if (!read)
                    ++unreadable; // its tracks are taken as empty
                else if (found)
                    state[static_cast<std::size_t>(disc.RecNo)] = sPasses;
            }
            store.CloseStore();
        }
    }
    std::vector<TCatalogueGroup> kept;
    for (TCatalogueGroup& group : Tree) {
        TCatalogueGroup passing{group.Text, {}};
        for (TCatalogueEntry& entry : group.Discs) {
            const std::uint8_t s = entry.RecNo > 0 && static_cast<std::size_t>(entry.RecNo) < state.size()
                                       ? state[static_cast<std::size_t>(entry.RecNo)]
                                       : sUnreadable;
            if (s == sUnreadable) ++unreadable;
            if (s == sPasses) passing.Discs.push_back(std::move(entry));
        }
        if (!passing.Discs.empty()) kept.push_back(std::move(passing));
    }
    if (Unreadable) *Unreadable = unreadable;
    return kept;
}
