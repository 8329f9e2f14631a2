#include "catalogue/PrintCommand.h"

#include <filesystem>
#include <memory>

#include <QGuiApplication>

#include "catalogue/CatalogueFilter.h"
#include "catalogue/CatalogueReports.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/PdfPrintTarget.h"
#include "catalogue/RecordEngine.h"
#include "catalogue/RecordEngineErrors.h"
#include "catalogue/TextEncoding.h"

const char* const PrintUsage =
    "       orbelune-cat [--dir FOLDER] print --pdf FILE [--by name|composer|artist|label|type]\n"
    "                    [--name TEXT] [--ref TEXT] [--track TEXT] [--page-size A4|Letter]\n"
    "       orbelune-cat [--dir FOLDER] print --pdf FILE --disc CODE [--user-fields] [--page-size "
    "A4|Letter]\n";

namespace {

struct TPrintArguments {
    std::string Pdf;
    std::string Order = "name";
    std::string Disc;
    bool UserFields = false;
    bool HasOrder = false;
    QPageSize::PageSizeId PageSize = QPageSize::A4;
    TCatalogueFilter Filter;
};

std::string Parse(const std::vector<std::string>& Args, TPrintArguments& A) {
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& arg = Args[i];
        const bool takesValue = arg == "--pdf" || arg == "--by" || arg == "--disc" || arg == "--page-size" ||
                                arg == "--name" || arg == "--ref" || arg == "--track";
        if (takesValue && i + 1 >= Args.size()) return "print: " + arg + " needs a value";
        if (arg == "--pdf") {
            A.Pdf = Args[++i];
        } else if (arg == "--by") {
            A.Order = Args[++i];
            A.HasOrder = true;
            if (CatalogueOrderKey(A.Order) == 0)
                return "unknown order '" + A.Order + "' (name, composer, artist, label or type)";
        } else if (arg == "--disc") {
            A.Disc = Args[++i];
        } else if (arg == "--name" || arg == "--ref" || arg == "--track") {
            std::string& text = arg == "--name"  ? A.Filter.Name
                                : arg == "--ref" ? A.Filter.Reference
                                                 : A.Filter.Track;
            text = FilterUpper(Args[++i]);
            A.Filter.Apply = true;
        } else if (arg == "--user-fields") {
            A.UserFields = true;
        } else if (arg == "--page-size") {
            const std::string size = Args[++i];
            if (size == "A4" || size == "a4")
                A.PageSize = QPageSize::A4;
            else if (size == "Letter" || size == "letter")
                A.PageSize = QPageSize::Letter;
            else
                return "print: unknown page size '" + size + "' (A4 or Letter)";
        } else {
            return "print: unknown argument '" + arg + "'";
        }
    }
    if (A.Pdf.empty()) return "print needs --pdf FILE";
    if (!A.Disc.empty() && (A.HasOrder || A.Filter.Apply))
        return "print: --by and the filter are for the catalogue listing, not with --disc";
    if (A.Disc.empty() && A.UserFields) return "print: --user-fields goes with --disc";
    return {};
}

// disc.DAT and disc.IX opened for reading only, so printing never changes the catalogue.
class TReadOnlyDiscFile {
public:
    ~TReadOnlyDiscFile() {
        if (File) CloseRecordFile(File);
    }
    bool Open(const std::string& DataDir, std::string& Error) {
        std::error_code ec;
        if (!std::filesystem::exists(DataDir + "disc.DAT", ec)) {
            Error = "there is no catalogue (disc.DAT) in " + DataDir;
            return false;
        }
        if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
        OpenRecordFile(File, DataDir + "disc", true);
        if (!EngineOK) {
            File = nullptr;
            Error = EngineError == eeModified
                        ? "the catalogue was not closed properly (error 10010); run 'orbelune-cat repair'"
                        : "Cannot open disc record file - " + std::to_string(EngineError);
            return false;
        }
        if (RecordLength(File) != DiscRecordSize) {
            Error = "disc.DAT is not a disc catalogue";
            return false;
        }
        return true;
    }
    bool Read(std::int32_t RecNo, TDiscRecord& Rec) {
        TDiscRecordBytes bytes;
        if (!ReadDiscRecord(File, RecNo, bytes) || DiscRecordStatus(bytes) != 0) return false;
        Rec = DecodeDiscRecord(bytes);
        return true;
    }
    TRecordFile* File = nullptr;
};

// The disc's record, tracks, notes and picture; a store that cannot be read leaves them empty.
bool LoadListing(const std::string& DataDir, const std::string& Code, TDiscListing& Disc,
                 std::string& Error) {
    TReadOnlyDiscFile file;
    if (!file.Open(DataDir, Error)) return false;
    std::int32_t recNo = 0;
    FindKey(file.File, kDiscCode, recNo, CutKey(Code, kDiscCode));
    if (!EngineOK || !file.Read(recNo, Disc.Rec) || Disc.Rec.DiscCode != CutKey(Code, kDiscCode)) {
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
    if (!std::filesystem::exists(DataDir + "disc.VLF", ec) || !store.OpenStore(DataDir + "disc.VLF"))
        return true;
    if (rec.TracksRef) {
        TStringGridData grid(0, 0);
        if (store.LoadGrid(rec.TracksRef, grid)) {
            Disc.Tracks = std::move(grid);
            Disc.Tracks.Resize(std::max(Disc.Tracks.ColCount(), DiscGridCols), DiscGridRows);
        }
    }
    std::string notes;
    if (rec.NotesRef && store.LoadText(rec.NotesRef, notes)) {
        while (!notes.empty() && notes.back() == '\0')
            notes.pop_back();
        Disc.Notes = DecodeStoredText(notes);
    }
    Disc.Picture = ReadDiscPicture(store, rec.PictureRef);
    store.CloseStore();
    return true;
}

} // namespace

std::string PrintArgumentsError(const std::vector<std::string>& Args) {
    TPrintArguments a;
    return Parse(Args, a);
}

int RunPrintCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                    std::ostream& Err) {
    TPrintArguments args;
    if (const std::string error = Parse(Args, args); !error.empty()) {
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
    TPdfPrintTarget target(args.Pdf, args.PageSize);
    TPrintLayout layout(target);
    std::string error;
    bool printed = false;
    if (!args.Disc.empty()) {
        TDiscListing disc;
        if (!LoadListing(DataDir, args.Disc, disc, error)) {
            Err << "orbelune-cat: " << error << "\n";
            return 1;
        }
        printed = PrintDiscReport(layout, disc, args.UserFields, settings);
    } else {
        const int keyNo = CatalogueOrderKey(args.Order);
        std::vector<TCatalogueGroup> tree = CatalogueTreeOrder(DataDir, keyNo, error);
        if (error.empty()) tree = FilterCatalogueTree(DataDir, std::move(tree), args.Filter, error);
        TReadOnlyDiscFile file;
        if (!error.empty() || !file.Open(DataDir, error)) {
            Err << "orbelune-cat: " << error << "\n";
            return 1;
        }
        printed = PrintCatalogueReport(
            layout, keyNo, tree, [&](std::int32_t RecNo, TDiscRecord& Rec) { return file.Read(RecNo, Rec); },
            settings);
    }
    if (!printed) {
        Err << "orbelune-cat: " << (target.Error.empty() ? "the report was not printed" : target.Error)
            << "\n";
        return 1;
    }
    Out << "Printed " << layout.Page.PageNumber << (layout.Page.PageNumber == 1 ? " page" : " pages")
        << " to " << args.Pdf << "\n";
    return 0;
}
