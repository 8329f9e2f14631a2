#include "catalogue/tool/TransferCommands.h"

#include <filesystem>

#include "app/base/Settings.h"
#include "catalogue/CatalogueExport.h"
#include "catalogue/CatalogueImport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/tool/CatalogueTool.h"
#include "devices/MessageBoxes.h"

// TransferUsage is defined with the tool's other usage texts, in CatalogueShow.cpp.

namespace {

// Collects the catalogue's messages. The only question answered Yes is whether to create a catalogue,
// which an import into an empty folder needs.
class TTransferMessages : public TMessageSink {
public:
    explicit TTransferMessages(bool MayCreate) : FMayCreate(MayCreate), FPrevious(SetMessageSink(this)) {}
    ~TTransferMessages() override { SetMessageSink(FPrevious); }
    void Information(const std::string& Msg) override { Messages.push_back(Msg); }
    int Confirm(const std::string& Msg) override {
        return FMayCreate && Msg == msgCreateFiles ? idYes : idNo;
    }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
    void Report(std::ostream& Err) const {
        for (const auto& m : Messages)
            Err << "orbelune-cat: " << m << "\n";
    }
    std::vector<std::string> Messages;

private:
    bool FMayCreate;
    TMessageSink* FPrevious;
};

int Export(const std::string& DataDir, const TTransferArgs& A, std::ostream& Out, std::ostream& Err) {
    std::error_code ec;
    if (!std::filesystem::exists(DataDir + "disc.DAT", ec) &&
        !std::filesystem::exists(DataDir + "disc2.SWP", ec)) {
        Err << "orbelune-cat: there is no catalogue (disc.DAT) in " << DataDir << "\n";
        return 1;
    }
    if (std::filesystem::exists(A.File, ec) && !A.Force) {
        Err << "orbelune-cat: " << A.File << " exists; --force overwrites it\n";
        return 1;
    }
    TTransferMessages messages(false);
    TPlayerSettings settings;
    LoadSettingsFrom(DataDir + "ORBELUNE.INI", settings);
    TDiscCatalogue catalogue(DataDir, settings);
    const TExportResult r = ExportCatalogue(catalogue, A.File, A.Csv ? CsvLayout() : Version4Layout());
    messages.Report(Err);
    if (!r.Ok) {
        if (!r.Error.empty()) Err << "orbelune-cat: " << A.File << ": " << r.Error << "\n";
        return 1;
    }
    Out << "Exported " << r.Discs << (r.Discs == 1 ? " disc" : " discs") << " to " << A.File << ".\n";
    for (const std::string& disc : r.Unreadable)
        Err << "orbelune-cat: " << disc << ": the track names cannot be read; exported without them\n";
    if (!r.Unreadable.empty()) {
        Err << "orbelune-cat: the track names of " << r.Unreadable.size()
            << (r.Unreadable.size() == 1 ? " disc" : " discs")
            << " could not be read ('orbelune-cat check' tells why)\n";
        return UnreadableDataStatus;
    }
    return 0;
}

int Import(const std::string& DataDir, const TTransferArgs& A, std::ostream& Out, std::ostream& Err) {
    TTransferMessages messages(true);
    TPlayerSettings settings;
    LoadSettingsFrom(DataDir + "ORBELUNE.INI", settings);
    TDiscCatalogue catalogue(DataDir, settings);
    const TImportFormat format = A.V3 ? ifVersion3 : A.Windows ? ifWindows : ifVersion4;
    const TImportResult r = ImportCatalogue(catalogue, A.File, format, A.Merge);
    messages.Report(Err);
    if (!r.Opened) {
        Err << "orbelune-cat: " << A.File << ": " << r.Error << "\n";
        return 1;
    }
    if (r.Refused) return 1; // the catalogue's message says why; nothing was read
    Out << ImportSummary(r, A.File) << "\n";
    if (r.Stopped) Err << "orbelune-cat: " << r.Error << "\n";
    return r.Stopped || r.StoreFailed || r.CloseFailed ? 1 : 0;
}

} // namespace

int RunTransferCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                       std::ostream& Err) {
    TTransferArgs parsed;
    ParseTransferArgs(Args, parsed);
    return Args[0] == "export" ? Export(DataDir, parsed, Out, Err) : Import(DataDir, parsed, Out, Err);
}
