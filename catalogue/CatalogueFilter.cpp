#include "catalogue/CatalogueFilter.h"

#include <filesystem>

#include <QString>

#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/RecordEngine.h"

namespace {

std::string Trimmed(const std::string& S) {
    const auto first = S.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return S.substr(first, S.find_last_not_of(' ') - first + 1);
}

bool Occurs(const std::string& Text, const std::string& Field) {
    return FilterUpper(Field).find(Text) != std::string::npos;
}

} // namespace

std::string FilterUpper(const std::string& Text) {
    return QString::fromStdString(Text).toUpper().toStdString();
}

bool DiscPassesFilter(const TDiscRecord& Rec, const TStringGridData& Tracks, const TCatalogueFilter& Filter) {
    if (!Filter.Apply) return true;
    const std::string name = Trimmed(Filter.Name), ref = Trimmed(Filter.Reference),
                      track = Trimmed(Filter.Track);
    if (!name.empty() &&
        (Occurs(name, Rec.DiscName) || Occurs(name, Rec.UserField1) || Occurs(name, Rec.UserField2)))
        return true;
    if (!ref.empty() && Occurs(ref, Rec.Reference)) return true;
    if (!track.empty())
        for (int t = 1; t <= Rec.TrackCount; ++t)
            for (int c = 0; c < DiscGridCols; ++c)
                if (Occurs(track, Tracks.Cells(c, t))) return true;
    return false;
}

std::vector<TCatalogueGroup> FilterCatalogueTree(const std::string& DataDir,
                                                 std::vector<TCatalogueGroup> Tree,
                                                 const TCatalogueFilter& Filter, std::string& Error,
                                                 int* Unreadable) {
    if (Unreadable) *Unreadable = 0;
    if (!Filter.Apply) return Tree;
    TRecordFile* file = nullptr;
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
    OpenRecordFile(file, DataDir + "disc", true);
    if (!EngineOK) {
        Error = "Cannot open disc record file - " + std::to_string(EngineError);
        return {};
    }
    TVlf store;
    ConfigureDiscStore(store);
    store.FileOpenMode = OpenRead;
    std::error_code ec;
    const bool haveStore =
        std::filesystem::exists(DataDir + "disc.VLF", ec) && store.OpenStore(DataDir + "disc.VLF");
    std::vector<TCatalogueGroup> kept;
    for (TCatalogueGroup& group : Tree) {
        TCatalogueGroup passing{group.Text, {}};
        for (TCatalogueEntry& entry : group.Discs) {
            TDiscRecordBytes bytes;
            if (!ReadDiscRecord(file, entry.RecNo, bytes)) {
                if (Unreadable) ++*Unreadable;
                continue;
            }
            const TDiscRecord rec = DecodeDiscRecord(bytes);
            TStringGridData tracks(DiscGridCols, DiscGridRows);
            if (!Trimmed(Filter.Track).empty() && haveStore && rec.TracksRef != 0) {
                TStringGridData loaded(0, 0);
                if (store.LoadGrid(rec.TracksRef, loaded)) {
                    DecodeGridTexts(loaded);
                    tracks = std::move(loaded);
                } else if (Unreadable) {
                    ++*Unreadable; // its tracks are taken as empty
                }
            }
            if (DiscPassesFilter(rec, tracks, Filter)) passing.Discs.push_back(std::move(entry));
        }
        if (!passing.Discs.empty()) kept.push_back(std::move(passing));
    }
    if (haveStore) store.CloseStore();
    CloseRecordFile(file);
    return kept;
}
