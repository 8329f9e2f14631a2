// Two programs on one catalogue: a lock held for a moment is waited for and one held longer is named,
// and the player's own changes go over what another program stored without undoing it.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "DiscTestSupport.h"

namespace {

// The lock as another process takes it: on a file description of its own.
int HoldLock(TCatalogueFolder& F) {
    const int Fd = ::open(F.Home.File("disc.DAT").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(Fd, LOCK_EX | LOCK_NB), 0);
    return Fd;
}

} // namespace

TEST(SharedFiles, ALockIsWaitedForAWhileThenNamed) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "First"));
    TDiscRecord rec = MakeDisc(CodeOf(1), "Second");
    TStringGridData grid;
    ResetDiscGrid(grid, rec.DiscCode);
    std::int32_t recNo = 0;
    TDiscKeys keys;

    f.Cat().LockWaitMs = 5000;
    const int Brief = HoldLock(f);
    std::thread release([Brief] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::close(Brief);
    });
    const TCatalogueResult waited = f.Cat().SaveDisc(rec, grid, "notes", recNo, keys);
    release.join();
    EXPECT_TRUE(waited) << waited.Message;

    f.Cat().LockWaitMs = 100;
    const int Long = HoldLock(f);
    rec.DiscName = "Third";
    const TCatalogueResult refused = f.Cat().SaveDisc(rec, grid, "notes", recNo, keys);
    ::close(Long);
    EXPECT_EQ(refused.Outcome, TCatalogueOutcome::Busy);
    EXPECT_NE(refused.Message.find(msgCatalogueBusy), std::string::npos) << refused.Message;
    EXPECT_EQ(LoadEntry(f.Cat(), CodeOf(1)).Rec.DiscName, "Second");
}

TEST(SharedFiles, ThePlayersOwnChangeKeepsWhatAnotherProgramStored) {
    TCatalogueFolder f;
    f.Save(MakeDisc(CodeOf(1), "Old"), 2);
    f.Cat().DiscInserted(CodeOf(1), {});
    ASSERT_GT(f.Cat().CurrentDiscRecNo, 0);
    EXPECT_FALSE(f.Cat().ChangedOnDisk());
    {
        // Another program's catalogue object on the same folder, as orbelune-cat would open it.
        TPlayerSettings settings;
        TDiscCatalogue other(f.Home.Dir(), settings);
        TLoadedDisc d = LoadEntry(other, CodeOf(1));
        d.Rec.DiscName = "New";
        d.Grid.SetCells(0, 1, "Shell");
        ASSERT_TRUE(other.SaveDisc(d.Rec, d.Grid, d.Memo, d.RecNo, d.Keys));
    }
    EXPECT_TRUE(f.Cat().ChangedOnDisk());
    f.Cat().CurrentDisc.VolumeLeft = 123;
    EXPECT_TRUE(f.Cat().SaveCurrentDisc());
    EXPECT_FALSE(f.Cat().ChangedOnDisk()) << "its own write is no change of another program";
    const TLoadedDisc stored = LoadEntry(f.Cat(), CodeOf(1));
    EXPECT_EQ(stored.Rec.DiscName, "New");
    EXPECT_EQ(stored.Grid.Cells(0, 1), "Shell");
    EXPECT_EQ(stored.Rec.VolumeLeft, 123);
    EXPECT_EQ(f.Cat().CurrentDisc.DiscName, "New");
}
