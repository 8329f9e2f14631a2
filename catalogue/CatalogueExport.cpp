#include "catalogue/CatalogueExport.h"

#include <QSaveFile>
#include <algorithm>
#include <filesystem>

#include "app/base/TextEncoding.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"

const char* const ExportLineBreak = "\r\n";
const char* const msgExportFileExists = "File exists - do you wish to overwrite it?";
const char* const msgCannotCreateExport = "Cannot create file requested.";

namespace {

constexpr std::size_t WriteChunk = 1 << 20;

void AppendText(std::string& Out, const TExportLayout& Layout, const std::string& Text) {
    const std::string& quote = Layout.TextQuote;
    Out += quote;
    // A text stored before the catalogue kept control characters out is written as a store of it today
    // would keep it, so that no line break splits a value: the import of the file gives back what the
    // catalogue holds.
    for (const char c : CleanText(DecodeStoredText(Text))) {
        Out += c;
        if (!quote.empty() && c == quote[0]) Out += c;
    }
    Out += quote;
    Out += Layout.FieldSeparator;
}

void AppendPlain(std::string& Out, const TExportLayout& Layout, const std::string& Text) {
    Out += Text;
    Out += Layout.FieldSeparator;
}

void EndRecord(std::string& Out, const TExportLayout& Layout) {
    if (Layout.FieldSeparator != ExportLineBreak) Out += ExportLineBreak;
}

} // namespace

TExportLayout Version4Layout() {
    TExportLayout layout;
    layout.FieldSeparator = ExportLineBreak;
    layout.TextQuote.clear();
    layout.FixedTracks = false;
    layout.Header = false;
    layout.Times = layout.Names = layout.User1 = layout.User2 = true;
    return layout;
}

TExportLayout CsvLayout() {
    TExportLayout layout;
    layout.FixedTracks = false;
    return layout;
}

void WriteExportHeader(std::string& Out, const TExportLayout& Layout) {
    for (const char* name : {"CD Code", "CD Name", "CD Artist", "CD Composer", "CD Reference",
                             "CD Music type", "CD Record label", "CD User field 1", "CD User field 2",
                             "CD Year", "CD Playing time", "CD Number of tracks"})
        AppendText(Out, Layout, name);
    if (Layout.AnyTrackColumn()) {
        const int groups =
            Layout.FixedTracks ? std::clamp(Layout.TrackFields, 0, MaxDiscTracks) : MaxDiscTracks;
        for (int n = 1; n <= groups; ++n) {
            const std::string track = "Tr " + std::to_string(n);
            if (Layout.Times) AppendText(Out, Layout, track + " Time");
            if (Layout.Names) AppendText(Out, Layout, track + " Name");
            if (Layout.User1) AppendText(Out, Layout, track + " User field 1");
            if (Layout.User2) AppendText(Out, Layout, track + " User field 2");
        }
    }
    EndRecord(Out, Layout);
}

void WriteExportRecord(std::string& Out, const TExportLayout& Layout, const TDiscRecord& Rec,
                       const TStringGridData& Tracks) {
    AppendText(Out, Layout, "[" + Rec.DiscCode + "]");
    for (const std::string* field : {&Rec.DiscName, &Rec.Artist, &Rec.Composer, &Rec.Reference,
                                     &Rec.MusicType, &Rec.RecordLabel, &Rec.UserField1, &Rec.UserField2})
        AppendText(Out, Layout, *field);
    AppendPlain(Out, Layout, std::to_string(Rec.Year));
    AppendPlain(Out, Layout, FormatMinSec(Rec.TotalTime));
    AppendPlain(Out, Layout, std::to_string(Rec.TrackCount));
    const int trackCount = std::clamp<int>(Rec.TrackCount, 0, MaxDiscTracks);
    const int groups = !Layout.AnyTrackColumn() ? 0
                       : Layout.FixedTracks     ? std::clamp(Layout.TrackFields, 0, MaxDiscTracks)
                                                : trackCount;
    static const std::string none;
    for (int t = 1; t <= groups; ++t) {
        const bool held = t <= trackCount;
        if (Layout.Times)
            AppendPlain(Out, Layout, FormatMinSec(held ? MSFToMinSec(Rec.TrackLengths[t - 1]) : 0.0));
        if (Layout.Names) AppendText(Out, Layout, held ? Tracks.Cells(0, t) : none);
        if (Layout.User1) AppendText(Out, Layout, held ? Tracks.Cells(1, t) : none);
        if (Layout.User2) AppendText(Out, Layout, held ? Tracks.Cells(2, t) : none);
    }
    EndRecord(Out, Layout);
}

TExportResult ExportCatalogue(TDiscCatalogue& Catalogue, const std::string& FileName,
                              const TExportLayout& Layout, const TTransferProgress& Progress) {
    TExportResult result;
    // Replacing a file of the catalogue with the export would destroy the catalogue.
    std::error_code ec;
    const auto target = std::filesystem::weakly_canonical(FileName, ec);
    for (const char* own : {"disc.DAT", "disc.IX", "disc.VLF", "ORBELUNE.INI"}) {
        std::error_code ownError;
        if (!ec && target == std::filesystem::weakly_canonical(Catalogue.DataDir() + own, ownError)) {
            result.Error = std::string("The export cannot be written over the catalogue file ") + own + ".";
            return result;
        }
    }
    if (!std::filesystem::exists(Catalogue.DataDir() + "disc.DAT", ec) &&
        !std::filesystem::exists(Catalogue.SwapMarkerName(), ec)) {
        result.Error = "There is no catalogue (disc.DAT) in " + Catalogue.DataDir() + ".";
        return result;
    }
    QSaveFile file(QString::fromStdString(FileName));
    if (!file.open(QIODevice::WriteOnly)) {
        result.Error = msgCannotCreateExport;
        return result;
    }
    if (Progress) Progress(0);
    std::string text;
    text.reserve(WriteChunk + 64 * 1024);
    const auto flush = [&] {
        const bool ok =
            file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
        text.clear();
        return ok;
    };
    if (Layout.Header) WriteExportHeader(text, Layout);

    // The records stay open for the whole walk; the catalogue reports its own open failures. The store
    // is only read: a missing one is not created, and the discs whose track lists it cannot give are
    // named.
    const bool wasOpen = Catalogue.DiscFile != nullptr;
    if (!Catalogue.OpenDiscFiles()) {
        file.cancelWriting();
        return result;
    }
    TRecordFile* discFile = Catalogue.DiscFile;
    TVlf ownStore;
    ConfigureDiscStore(ownStore);
    ownStore.FileOpenMode = OpenRead;
    TVlf& store = Catalogue.fvlf.Vlf.IsOpen() ? Catalogue.fvlf.Vlf : ownStore;
    if (!store.IsOpen() && std::filesystem::exists(Catalogue.VlfFileName(), ec))
        store.OpenStore(Catalogue.VlfFileName());
    const std::int32_t total = std::max(KeyCount(discFile, kDiscCode), 1);
    bool ok = true;
    ClearKey(discFile, kDiscCode);
    std::int32_t recNo = 0;
    std::string key;
    TStringGridData grid(DiscGridCols, DiscGridRows);
    for (int done = 1;; ++done) {
        NextKey(discFile, kDiscCode, recNo, key);
        if (!EngineOK) {
            if (EngineError != eeNoNextKey) {
                Catalogue.ReportDiscFileError(kDiscCode);
                ok = false;
            }
            break;
        }
        if (Progress) Progress(std::min(100, (done * 100 + total / 2) / total));
        TDiscRecordBytes bytes;
        if (!ReadDiscRecord(discFile, recNo, bytes)) {
            Catalogue.ReportDiscFileError(0);
            ok = false;
            break;
        }
        // A key that leads to a deleted slot belongs to a damaged index; there is no disc to write.
        if (DiscRecordStatus(bytes) != 0) continue;
        const TDiscRecord rec = DecodeDiscRecord(bytes);
        ResetDiscGrid(grid, rec.DiscCode);
        if (rec.TracksRef != 0) {
            TStringGridData loaded(0, 0);
            if (LoadGrid(store, rec.TracksRef, loaded)) {
                DecodeGridTexts(loaded);
                grid = std::move(loaded);
            } else {
                result.Unreadable.push_back(rec.DiscCode + " (" + DecodeStoredText(rec.DiscName) + ")");
            }
        }
        WriteExportRecord(text, Layout, rec, grid);
        ++result.Discs;
        if (text.size() >= WriteChunk && !flush()) break;
    }
    if (ownStore.IsOpen()) ownStore.CloseStore();
    if (!wasOpen) Catalogue.CloseDiscFiles();
    if (ok && flush() && file.commit()) {
        result.Ok = true;
        return result;
    }
    if (ok) result.Error = "The export file could not be written: " + file.errorString().toStdString();
    file.cancelWriting();
    return result;
}
