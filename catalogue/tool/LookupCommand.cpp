#include "catalogue/tool/LookupCommand.h"

#include <QCoreApplication>
#include <QThread>
#include <iostream>
#include <unistd.h>

#include "app/base/Settings.h"
#include "app/base/TextEncoding.h"
#include "catalogue/CatalogueOrder.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/DiscLookup.h"
#include "catalogue/LookupCheck.h"
#include "catalogue/LookupStore.h"
#include "catalogue/tool/CatalogueShow.h"
#include "catalogue/tool/TerminalOutput.h"
#include "devices/MessageBoxes.h"

// LookupUsage is defined with the tool's other usage texts, in CatalogueShow.cpp.

namespace {

// Collects the catalogue's messages; questions are answered No.
class TLookupMessages : public TMessageSink {
public:
    TLookupMessages() : FPrevious(SetMessageSink(this)) {}
    ~TLookupMessages() override { SetMessageSink(FPrevious); }
    void Information(const std::string& Msg) override { Messages.push_back(Msg); }
    int Confirm(const std::string&) override { return idNo; }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
    std::string Taken() {
        std::string Line;
        for (const auto& m : Messages)
            Line += (Line.empty() ? "" : " ") + m;
        Messages.clear();
        return Line;
    }
    std::vector<std::string> Messages;

private:
    TMessageSink* FPrevious;
};

// " (N answers cannot be a disc's data)", or nothing.
std::string RefusedNote(const TLookupResult& Result) {
    if (!Result.Refused) return {};
    return " (" + std::to_string(Result.Refused) +
           (Result.Refused == 1 ? " answer cannot be a disc's data)" : " answers cannot be a disc's data)");
}

// The network classes need an application object; the tool has none of its own.
void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    static int Argc = 1;
    static char Name[] = "orbelune-cat";
    static char* Argv[] = {Name, nullptr};
    static QCoreApplication App(Argc, Argv);
}

class TLookupRun {
public:
    TLookupRun(const std::string& DataDir, std::ostream& Out, std::ostream& Err)
        : FDataDir(DataDir), FOut(Out), FErr(Err) {
        LoadSettingsFrom(DataDir + "ORBELUNE.INI", FSettings);
        FCatalogue = std::make_unique<TDiscCatalogue>(DataDir, FSettings);
        FLookup = std::make_unique<TDiscLookup>(LookupServersOf(FSettings));
    }

    // Loads the stored disc Code; false, told, when there is none.
    bool Load(const std::string& Code) {
        FCode = Code;
        FRecNo = 0;
        FCatalogue->LoadDisc(Code, FRec, FGrid, FMemo, FKeys, FRecNo);
        if (FRecNo == 0) {
            const std::string Why = FMessages.Taken();
            FErr << "orbelune-cat: " << (Why.empty() ? "there is no disc " + Code + " in the catalogue" : Why)
                 << "\n";
            return false;
        }
        return true;
    }

    // Looks the loaded disc up; a busy service is waited for as it asks, up to twice.
    TLookupResult LookUp() {
        TLookupResult Result;
        const TLookupToc Toc = LookupTocOf(FRec);
        for (int Try = 0; Try < 3; ++Try) {
            Result = FLookup->LookUp(Toc);
            if (Result.RetryAfter <= 0 || Result.RetryAfter > 60 || Try == 2) break;
            QThread::sleep(static_cast<unsigned long>(Result.RetryAfter));
        }
        return Result;
    }

    // Stores Match into the loaded disc, with the composers of its works and its front cover when it has
    // them, and its names in the reference lists when the settings ask for it.
    bool Store(const TLookupMatch& Match, std::string& Note) {
        const TLookupToc Toc = LookupTocOf(FRec);
        const TLookupDetails Details = FLookup->Details(Match, Toc);
        TDiscEdit Edit(*FCatalogue, FRec, FGrid, FMemo, FKeys, FRecNo, FCode);
        if (!StoreLookupMatch(Edit, Match, Details, FSettings, Note)) {
            FErr << "orbelune-cat: " << FCode << ": " << FMessages.Taken() << "\n";
            return false;
        }
        if (const std::string Told = FMessages.Taken(); !Told.empty()) Note += " (" + Told + ")";
        return true;
    }

    // gnudb's entries that could not be read, one line each.
    void TellUnread(const TLookupResult& Result) {
        for (const std::string& Line : Result.Unread)
            FErr << "orbelune-cat: gnudb's entry " << Line << "\n";
    }

    TPlayerSettings FSettings;
    std::unique_ptr<TDiscCatalogue> FCatalogue;
    std::unique_ptr<TDiscLookup> FLookup;
    TLookupMessages FMessages;
    std::string FDataDir, FCode, FMemo;
    TDiscRecord FRec;
    TStringGridData FGrid{0, 0};
    TDiscKeys FKeys;
    std::int32_t FRecNo = 0;
    std::ostream& FOut;
    std::ostream& FErr;
};

int LookUpOne(TLookupRun& Run, const TLookupArgs& A) {
    if (!Run.Load(A.Code)) return 1;
    const TLookupResult Result = Run.LookUp();
    Run.TellUnread(Result);
    if (!Result.Answered()) {
        Run.FErr << "orbelune-cat: " << Result.Error << "\n";
        return 1;
    }
    if (Result.Matches.empty()) {
        Run.FOut << "No match for " << A.Code << " at MusicBrainz or gnudb" << RefusedNote(Result) << ".\n"
                 << "Add the disc to MusicBrainz: " << MusicBrainzAttachUrl(LookupTocOf(Run.FRec)) << "\n";
        return A.Pick ? 1 : 0;
    }
    if (!A.Pick) {
        for (std::size_t i = 0; i < Result.Matches.size(); ++i)
            Run.FOut << i + 1 << "\t" << Result.Matches[i].Line() << "\n";
        if (Result.LeftOut)
            Run.FOut << Result.LeftOut << " more " << (Result.LeftOut == 1 ? "match was" : "matches were")
                     << " left out: at most " << LookupLimits::Matches << " of one answer are kept.\n";
        if (Result.Refused)
            Run.FOut << "Left out: " << Result.Refused
                     << (Result.Refused == 1 ? " answer that cannot" : " answers that cannot")
                     << " be a disc's data.\n";
        return 0;
    }
    if (A.Pick > static_cast<int>(Result.Matches.size())) {
        Run.FErr << "orbelune-cat: there "
                 << (Result.Matches.size() == 1 ? "is 1 match"
                                                : "are " + std::to_string(Result.Matches.size()) + " matches")
                 << ", not " << A.Pick << "\n";
        return 1;
    }
    const TLookupMatch& Match = Result.Matches[static_cast<std::size_t>(A.Pick - 1)];
    std::string Note;
    if (!Run.Store(Match, Note)) return 1;
    Run.FOut << "Stored " << A.Code << ": " << Match.Line() << Note << ".\n";
    return 0;
}

int Fill(TLookupRun& Run) {
    std::string Error;
    const auto Groups = CatalogueTreeOrder(Run.FDataDir, kDiscName, Error);
    if (!Error.empty()) {
        Run.FErr << "orbelune-cat: " << Error << "\n";
        return 1;
    }
    std::vector<std::string> Codes;
    const std::string Unknown = NewDiscRecord({}, 0, 0).DiscName;
    for (const auto& Group : Groups)
        for (const auto& Disc : Group.Discs)
            if (Disc.Name == Unknown) Codes.push_back(Disc.Code);
    const bool Terminal = ::isatty(STDERR_FILENO) == 1 && &Run.FErr == &std::cerr;
    int Filled = 0, Several = 0, None = 0, Failed = 0;
    for (std::size_t i = 0; i < Codes.size(); ++i) {
        const std::string& Code = Codes[i];
        if (Terminal)
            WriteTerminalControl(Run.FErr, "\r" + std::to_string(i + 1) + "/" + std::to_string(Codes.size()) +
                                               " " + TerminalText(Code) + "\x1b[K");
        std::string Line;
        if (!Run.Load(Code)) {
            ++Failed;
            continue;
        }
        const TLookupResult Result = Run.LookUp();
        if (!Result.Answered()) {
            ++Failed;
            Line = "failed: " + Result.Error;
        } else if (Result.Matches.empty()) {
            ++None;
            Line = "not found" + RefusedNote(Result);
        } else if (Result.Matches.size() > 1) {
            ++Several;
            Line = std::to_string(Result.Matches.size()) + " matches, left as it was";
        } else {
            std::string Note;
            if (!Run.Store(Result.Matches.front(), Note)) {
                ++Failed;
                continue;
            }
            ++Filled;
            Line = "filled: " + Result.Matches.front().Line() + Note;
        }
        if (!Result.Unread.empty())
            Line += "; " + std::to_string(Result.Unread.size()) + " of gnudb's entries could not be read";
        if (Terminal) WriteTerminalControl(Run.FErr, "\r\x1b[K");
        Run.FOut << Code << "\t" << Line << "\n" << std::flush;
    }
    Run.FOut << "Filled " << Filled << " of " << Codes.size() << (Codes.size() == 1 ? " disc" : " discs")
             << " named Unknown; " << Several << " with several matches, " << None << " not found, " << Failed
             << " failed.\n";
    return Failed ? 1 : 0;
}

} // namespace

int RunLookupCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                     std::ostream& Err) {
    TLookupArgs Parsed;
    ParseLookupArgs(Args, Parsed);
    if ((Parsed.Fill || Parsed.Pick) && CatalogueInUse(DataDir)) {
        Err << "orbelune-cat: " << msgCatalogueInUse << "\n";
        return 1;
    }
    EnsureApplication();
    TLookupRun Run(DataDir, Out, Err);
    return Parsed.Fill ? Fill(Run) : LookUpOne(Run, Parsed);
}
