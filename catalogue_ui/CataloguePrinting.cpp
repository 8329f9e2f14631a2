#include "catalogue_ui/CataloguePrinting.h"

#include <QInputDialog>

#include "catalogue/CatalogueReports.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue_ui/PrinterTarget.h"
#include "catalogue_ui/PrintingDlg.h"
#include "devices/MessageBoxes.h"

namespace {

const char* const msgSelectCD = "Please first select the CD to be printed.";
const char* const msgUserFields = "Do you wish to include the user defined fields for the track listing?";

bool ReadRecord(TDiscCatalogue& Cat, std::int32_t RecNo, TDiscRecord& Rec) {
    TDiscRecordBytes bytes;
    if (!Cat.DiscFile || !ReadDiscRecord(Cat.DiscFile, RecNo, bytes) || DiscRecordStatus(bytes) != 0)
        return false;
    Rec = DecodeDiscRecord(bytes);
    return true;
}

void Report(TPrintTarget& Target) {
    if (!Target.Error.empty()) ShowError(Target.Error);
}

} // namespace

void AskCollectorNameOnce(QWidget* Parent, TDiscCatalogue& Catalogue) {
    static bool asked = false;
    TPlayerSettings& settings = Catalogue.Settings();
    if (asked || !settings.CollectorName.empty()) return;
    asked = true;
    bool ok = false;
    const QString name =
        QInputDialog::getText(Parent, QStringLiteral("Collector name"),
                              QStringLiteral("Your name, printed on the reports as the collector:"),
                              QLineEdit::Normal, QString::fromStdString(AccountFullName()), &ok);
    if (!ok || name.trimmed().isEmpty()) return;
    settings.CollectorName = CutText255(name.trimmed().toStdString());
    SaveSettingsTo(Catalogue.DataDir() + "ORBELUNE.INI", settings);
}

void PrintCDClick(QWidget* Parent, TDiscCatalogue& Catalogue, std::int32_t SelectedRecNo) {
    if (SelectedRecNo <= 0) {
        ShowError(msgSelectCD);
        return;
    }
    TDiscListing disc;
    bool found = false;
    if (Catalogue.OpenDiscFiles()) {
        found = ReadRecord(Catalogue, SelectedRecNo, disc.Rec);
        Catalogue.CloseDiscFiles();
    }
    if (!found) {
        ShowError(msgSelectCD);
        return;
    }
    std::int32_t recNo = 0;
    Catalogue.LoadDisc(disc.Rec.DiscCode, disc.Rec, Catalogue.fvlf.catTracks, Catalogue.fvlf.catMemo,
                       Catalogue.CatalogueKeys, recNo);
    disc.Tracks = Catalogue.fvlf.catTracks;
    disc.Notes = Catalogue.fvlf.catMemo;
    const TPlayerSettings& settings = Catalogue.Settings();
    if (disc.Rec.PictureRef != 0 && settings.PrintBitmap && Catalogue.OpenDiscVlf()) {
        disc.Picture = ReadDiscPicture(Catalogue.fvlf.Vlf, disc.Rec.PictureRef);
        Catalogue.CloseDiscVlf();
    }
    const bool userFields = AskYesNo(msgUserFields) == idYes;
    AskCollectorNameOnce(Parent, Catalogue);

    TPrinterTarget target(Parent, Catalogue.Settings(), Catalogue.DataDir() + "ORBELUNE.INI");
    TPrintLayout layout(target, &PrintingDlg());
    if (!PrintDiscReport(layout, disc, userFields, settings)) Report(target);
}

void PrintCatClick(QWidget* Parent, TDiscCatalogue& Catalogue, int KeyNo, const TCatalogueFilter& Filter) {
    std::string error;
    std::vector<TCatalogueGroup> tree = CatalogueTreeOrder(Catalogue.DataDir(), KeyNo, error);
    if (error.empty()) tree = FilterCatalogueTree(Catalogue.DataDir(), std::move(tree), Filter, error);
    if (!error.empty()) {
        ShowError(error);
        return;
    }
    AskCollectorNameOnce(Parent, Catalogue);
    TPrinterTarget target(Parent, Catalogue.Settings(), Catalogue.DataDir() + "ORBELUNE.INI");
    TPrintLayout layout(target, &PrintingDlg());
    // The files are opened at the first disc, once the user has chosen the printer.
    bool tried = false, open = false;
    const auto read = [&](std::int32_t RecNo, TDiscRecord& Rec) {
        if (!tried) {
            tried = true;
            open = Catalogue.OpenDiscFiles();
        }
        return open && ReadRecord(Catalogue, RecNo, Rec);
    };
    const bool printed = PrintCatalogueReport(layout, KeyNo, tree, read, Catalogue.Settings());
    if (open) Catalogue.CloseDiscFiles();
    if (!printed) Report(target);
}
