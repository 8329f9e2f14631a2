// A program killed in the middle of a catalogue operation: a child process stops dead before its n-th
// write (or rename) for n = 1, 2, ... until the operation runs through. Every time, the catalogue the
// parent finds must open (after the offered repair) and serve every disc stored before the operation.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "DiscTestSupport.h"
#include "catalogue/store/RecordEngineIO.h"

namespace fs = std::filesystem;

namespace {

constexpr int DiscCount = 6;
int WritesLeft = -1;
const std::string ChangedNotes(300, 'c');

// Counts one write or rename; the process ends before the one that uses up the count.
void CountStep() {
    if (WritesLeft >= 0 && WritesLeft-- == 0) ::_exit(9);
}

std::string NameOf(int I) {
    return "Disc " + std::to_string(I);
}
std::string NotesOf(int I) {
    return "Notes " + std::to_string(I) + std::string(static_cast<std::size_t>(30 * I), 'n');
}

void Fill(TCatalogueFolder& F) {
    for (int i = 1; i <= DiscCount; ++i)
        F.Save(MakeDisc(CodeOf(i), NameOf(i)), 4 + i, NotesOf(i));
    ASSERT_TRUE(F.Cat().DeleteDisc(3));
}

// Runs Operation in a child that dies before its Steps-th write; true when it ran through.
bool RunKilled(TCatalogueFolder& F, int Steps, const std::function<void(TCatalogueFolder&)>& Operation) {
    const pid_t child = ::fork();
    if (child == 0) {
        TRecordingAnswerer quiet;
        quiet.Answers = {idYes, idYes, idYes};
        WritesLeft = Steps;
        SetRecordEngineWriteObserver(CountStep);
        F.Cat().fvlf.Vlf.WriteFault = [](std::int64_t, std::int64_t) { return CountStep(), true; };
        F.Cat().fvlf.Vlf2.WriteFault = F.Cat().fvlf.Vlf.WriteFault;
        F.Cat().RenameFile = [](const char* From, const char* To) {
            return CountStep(), std::rename(From, To);
        };
        Operation(F);
        ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Every disc of Fill but 3 loads as it was, or (disc 1) as the operation changed it.
void ExpectDiscsServed(TCatalogueFolder& F, const std::string& Step) {
    F.Reopen();
    F.Answers.Answers = {idYes, idYes};
    for (int i = 1; i <= DiscCount; ++i) {
        if (i == 3) continue;
        const auto [rec, grid, memo, keys, recNo] = LoadEntry(F.Cat(), CodeOf(i));
        ASSERT_GT(recNo, 0) << Step << ": disc " << i << " lost; messages: "
                            << (F.Answers.Errors.empty() ? "" : F.Answers.Errors.back());
        // Disc 1 may have been changed: its fields, notes and grid each hold the old or the new value.
        if (i != 1 || rec.DiscName != "Changed") {
            EXPECT_EQ(rec.DiscName, NameOf(i)) << Step;
        }
        if (i != 1 || memo != NotesOf(1) + ChangedNotes) {
            EXPECT_EQ(memo, NotesOf(i)) << Step << ": disc " << i;
        }
        EXPECT_EQ(grid.Cells(0, 4 + i), "Track " + std::to_string(4 + i)) << Step << ": disc " << i;
    }
    const TCatalogueCheck check = F.Check();
    EXPECT_TRUE(check.Ok) << Step << ":\n" << Problems(check);
}

void KillAtEveryStep(const char* What, const std::function<void(TCatalogueFolder&)>& Prepare,
                     const std::function<void(TCatalogueFolder&)>& Operation) {
    for (int steps = 0; steps < 1000; ++steps) {
        const std::string step = std::string(What) + " killed before step " + std::to_string(steps + 1);
        TCatalogueFolder f;
        Fill(f);
        if (Prepare) Prepare(f);
        f.Reopen();
        const bool finished = RunKilled(f, steps, Operation);
        ExpectDiscsServed(f, step);
        if (finished || ::testing::Test::HasFailure()) return;
    }
    ADD_FAILURE() << What << " never ran through";
}

void ChangeDiscOne(TCatalogueFolder& F) {
    auto [rec, grid, memo, keys, recNo] = LoadEntry(F.Cat(), CodeOf(1));
    rec.DiscName = "Changed";
    rec.Composer = "Someone else";
    // Longer notes and grid move to new blocks.
    grid.SetCells(1, 1, "A longer grid");
    F.Cat().SaveDisc(rec, grid, memo + ChangedNotes, recNo, keys);
}

} // namespace

TEST(DiscCatalogueCrash, KilledDuringSaveDisc) {
    KillAtEveryStep("changing a disc", nullptr, ChangeDiscOne);
    KillAtEveryStep("adding a disc", nullptr, [](TCatalogueFolder& F) {
        TStringGridData grid;
        ResetDiscGrid(grid, CodeOf(20));
        TDiscRecord rec = MakeDisc(CodeOf(20), "New");
        std::int32_t recNo = 0;
        TDiscKeys keys;
        F.Cat().SaveDisc(rec, grid, "new notes", recNo, keys);
    });
}

TEST(DiscCatalogueCrash, KilledDuringRebuildOrRepair) {
    KillAtEveryStep("rebuilding", nullptr, [](TCatalogueFolder& F) { F.Cat().PackCatalogue(); });
    // A catalogue left open by a killed program, then a repair that is killed in turn.
    const auto leaveOpen = [](TCatalogueFolder& F) {
        F.Reopen();
        ASSERT_TRUE(RunKilled(F, -1, [](TCatalogueFolder& G) {
            if (G.Cat().HoldDiscFiles()) ChangeDiscOne(G);
            ::_exit(0);
        }));
    };
    KillAtEveryStep("repairing", leaveOpen, [](TCatalogueFolder& F) { F.Cat().RepairDatabase(); });
}
