#include "catalogue/tool/CatalogueTool.h"

#include <cstdint>
#include <filesystem>

#include "app/base/Settings.h"
#include "catalogue/CatalogueOrder.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/ReadOnlyCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/tool/CatalogueShow.h"
#include "catalogue/tool/LookupArguments.h"
#include "catalogue/tool/PrintArguments.h"
#include "catalogue/tool/TransferArguments.h"
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

int ListCatalogue(const std::string& DataDir, const std::string& Order, std::ostream& Out,
                  std::ostream& Err) {
    const int keyNo = CatalogueOrderKey(Order);
    if (keyNo == 0) {
        Err << "orbelune-cat: unknown order '" << Order << "' (name, composer, artist, label or type)\n";
        return 2;
    }
    std::string text, error;
    if (!CatalogueListText(DataDir, keyNo, text, error)) {
        Err << "orbelune-cat: " << error << "\n";
        return 1;
    }
    // One write for the whole list.
    Out.write(text.data(), static_cast<std::streamsize>(text.size()));
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
    if (!r.SwapNote.empty()) Err << "orbelune-cat: " << r.SwapNote << "\n";
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

int RunCatalogueTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                     TCommandRunner Heavy) {
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
    if (command == "list" || command == "show" || command == "print")
        if (const std::string notice = UnfinishedSwapNotice(dir); !notice.empty())
            Err << "orbelune-cat: " << notice << "\n";
    if (command == "list") return ListCatalogue(dir, order, Out, Err);
    if (command == "show") return ShowDisc(dir, rest[1], Out, Err);
    if (command == "check") return Check(dir, Out, Err);
    if (command == "print" || IsTransferCommand(command) || IsLookupCommand(command))
        return Heavy(dir, rest, Out, Err);
    return Pack(dir, command == "repair", Out, Err);
}
