#include "catalogue/tool/PrintCommand.h"

#include <filesystem>
#include <map>
#include <memory>

#include <QGuiApplication>

#include "app/base/TextEncoding.h"
#include "catalogue/CatalogueFilter.h"
#include "catalogue/CatalogueReports.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/PdfPrintTarget.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/tool/CatalogueShow.h"
#include "catalogue/tool/CatalogueTool.h"
#include "catalogue/tool/PrintArguments.h"

namespace {

// The stored record RecNo, when it is a live one.
bool ReadLiveDisc(TRecordFile* File, std::int32_t RecNo, TDiscRecord& Rec) {
    TDiscRecordBytes bytes;
    if (!ReadDiscRecord(File, RecNo, bytes) || DiscRecordStatus(bytes) != 0) return false;
    Rec = DecodeDiscRecord(bytes);
    return true;
}

// The disc's record, tracks, notes and picture; what the store cannot give is left empty and named in
// Unreadable ("track names", "notes", "picture").
bool LoadListing(const std::string& DataDir, const std::string& Code, bool Picture, TDiscListing& Disc,
                 std::vector<std::string>& Unreadable, std::string& Error) {
    TReadOnlyCatalogue file;
    if (!file.Open(DataDir, Error)) return false;
    std::int32_t recNo = 0;
    FindKey(file.File, kDiscCode, recNo, CutKey(Code, kDiscCode));
    if (!EngineOK || !ReadLiveDisc(file.File, recNo, Disc.Rec) ||
        Disc.Rec.DiscCode != CutKey(Code, kDiscCode)) {
        Error = "no disc with the code " + Code + " in the catalogue";
        return false;
    }
    const TDiscRecord& rec = Disc.Rec;
    ResetDiscGrid(Disc.Tracks, rec.DiscCode);
    Disc.Notes = rec.DiscCode;
    TVlf store;
    ConfigureDiscStore(store);
    store.FileOpenMode = OpenRead;
    std::error_code ec;
    if (std::filesystem::exists(DataDir + "disc.VLF", ec)) store.OpenStore(DataDir + "disc.VLF");
    if (rec.TracksRef) {
        TStringGridData grid(0, 0);
        if (store.IsOpen() && LoadGrid(store, rec.TracksRef, grid)) {
            DecodeGridTexts(grid);
            Disc.Tracks = std::move(grid);
            Disc.Tracks.Resize(std::max(Disc.Tracks.ColCount(), DiscGridCols), DiscGridRows);
        } else {
            Unreadable.push_back("track names");
        }
    }
    std::string notes;
    if (rec.NotesRef && store.IsOpen() && store.LoadText(rec.NotesRef, notes)) {
        while (!notes.empty() && notes.back() == '\0')
            notes.pop_back();
        Disc.Notes = DecodeStoredText(notes);
    } else if (rec.NotesRef) {
        Unreadable.push_back("notes");
    }
    if (store.IsOpen()) Disc.Picture = ReadDiscPicture(store, rec.PictureRef);
    if (Picture && rec.PictureRef && Disc.Picture.isNull()) Unreadable.push_back("picture");
    store.CloseStore();
    return true;
}

} // namespace

int RunPrintCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                    std::ostream& Err) {
    TPrintArguments args;
    if (const std::string error = ParsePrintArguments(Args, args); !error.empty()) {
        Err << "orbelune-cat: " << error << "\n";
        return 2;
    }
    // Fonts need a GUI application; the offscreen platform gives one without a display.
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "orbelune-cat";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        Err << "orbelune-cat: printing needs a GUI application object\n";
        return 1;
    }

    TPlayerSettings settings;
    LoadSettingsFrom(DataDir + "ORBELUNE.INI", settings);
    TPdfPrintTarget target(args.Pdf,
                           args.PageSize == TPrintPageSize::Letter ? QPageSize::Letter : QPageSize::A4);
    TPrintLayout layout(target);
    std::string error;
    bool printed = false;
    // Discs printed without some of their data, and what was missing.
    std::vector<std::string> unreadable;
    if (!args.Disc.empty()) {
        TDiscListing disc;
        std::vector<std::string> missing;
        if (!LoadListing(DataDir, args.Disc, settings.PrintBitmap, disc, missing, error)) {
            Err << "orbelune-cat: " << error << "\n";
            return 1;
        }
        std::string what;
        for (std::size_t i = 0; i < missing.size(); ++i)
            what += (i == 0 ? "" : i + 1 == missing.size() ? " and " : ", ") + missing[i];
        if (!what.empty())
            unreadable.push_back(disc.Rec.DiscCode + " (" + DecodeStoredText(disc.Rec.DiscName) + "): its " +
                                 what + " cannot be read; printed without them");
        printed = PrintDiscReport(layout, disc, args.UserFields, settings);
    } else {
        const int keyNo = CatalogueOrderKey(args.Order);
        std::vector<TCatalogueGroup> tree = CatalogueTreeOrder(DataDir, keyNo, error);
        if (error.empty()) tree = FilterCatalogueTree(DataDir, std::move(tree), args.Filter, error);
        TReadOnlyCatalogue file;
        if (!error.empty() || !file.Open(DataDir, error)) {
            Err << "orbelune-cat: " << error << "\n";
            return 1;
        }
        std::map<std::int32_t, const TCatalogueEntry*> entries;
        for (const TCatalogueGroup& group : tree)
            for (const TCatalogueEntry& entry : group.Discs)
                entries.emplace(entry.RecNo, &entry);
        printed = PrintCatalogueReport(
            layout, keyNo, tree,
            [&](std::int32_t RecNo, TDiscRecord& Rec) {
                if (ReadLiveDisc(file.File, RecNo, Rec)) return true;
                const TCatalogueEntry& entry = *entries.at(RecNo);
                unreadable.push_back(entry.Code + " (" + DecodeStoredText(entry.Name) +
                                     "): its record cannot be read; left out");
                return false;
            },
            settings);
    }
    if (!printed) {
        Err << "orbelune-cat: " << (target.Error.empty() ? "the report was not printed" : target.Error)
            << "\n";
        return 1;
    }
    Out << "Printed " << layout.Page.PageNumber << (layout.Page.PageNumber == 1 ? " page" : " pages")
        << " to " << args.Pdf << "\n";
    for (const std::string& disc : unreadable)
        Err << "orbelune-cat: " << disc << "\n";
    return unreadable.empty() ? 0 : UnreadableDataStatus;
}
