#include <gtest/gtest.h>

#include <random>

#include "PlayerTestSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "player/ProgrammeEdit.h"
#include "player/TrackLists.h"
#include "player/base/TrackLine.h"

namespace {

// Track lines for tracks of the given lengths (minutes.seconds), named "T1", "T2", ...
std::function<std::string(int)> LinesOf(std::vector<TMinSec> Lengths) {
    return [Lengths](int t) {
        const MSF Length = t <= static_cast<int>(Lengths.size()) ? MinSecToMSF(Lengths[t - 1]) : 0;
        return TrackLine(t, Length, "T" + std::to_string(t));
    };
}

std::vector<int> Numbers(const std::vector<TTrackRow>& Rows) {
    std::vector<int> Result;
    for (const TTrackRow& Row : Rows)
        Result.push_back(TrackLineNumber(Row.Text));
    return Result;
}

void Select(std::vector<TTrackRow>& Rows, std::initializer_list<int> Positions) {
    for (TTrackRow& Row : Rows)
        Row.Selected = false;
    for (int p : Positions)
        Rows[static_cast<std::size_t>(p)].Selected = true;
}

TTrackLists FitOf(const std::vector<TMinSec>& Lengths) {
    return FitLists(static_cast<int>(Lengths.size()), LinesOf(Lengths), {});
}

} // namespace

TEST(TrackLine, BuildsAndReadsBack) {
    const std::string line = TrackLine(7, MakeMSF(3, 45, 10), "Allegro");
    EXPECT_EQ(line, " 703.45Allegro");
    EXPECT_EQ(TrackLineNumber(line), 7);
    TMinSec length = 0;
    ASSERT_TRUE(TrackLineLength(line, length));
    EXPECT_DOUBLE_EQ(length, 3.45);
    EXPECT_EQ(TrackLine(1, 0, std::string(300, 'x')).size(), 255u);
    for (const std::string bad : {"", "x", "ab03.45", " 1--.--n", " 1", " 1 . .1"}) {
        TMinSec l = -1;
        EXPECT_FALSE(TrackLineLength(bad, l) && TrackLineNumber(bad) > 0) << bad;
    }
}

TEST(ProgrammeEditor, DuplicatesTotalsAndRemoval) {
    TTrackLists lists = ProgrammeLists(3, LinesOf({1.40, 1.40, 2.00}), {});
    Select(lists.Src, {0, 1});
    lists.Include();
    Select(lists.Src, {0});
    lists.Include();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(lists.Src.size(), 3u) << "adding copies";
    EXPECT_EQ(FormatMinSec(lists.Total()), "05.00");
    Select(lists.Dst, {2});
    lists.Exclude();
    EXPECT_EQ(FormatMinSec(lists.Total()), "03.20");
    while (!lists.Dst.empty()) {
        Select(lists.Dst, {0});
        lists.Exclude();
    }
    EXPECT_EQ(FormatMinSec(lists.Total()), "00.00");
    // A record without tracks offers nothing; a programme entry beyond the tracks still shows.
    TPlayProgramme p;
    p.Append(4);
    p.Append(0);
    TTrackLists empty = ProgrammeLists(0, LinesOf({}), p);
    EXPECT_TRUE(empty.Src.empty());
    EXPECT_EQ(Numbers(empty.Dst), (std::vector<int>{4}));
}

TEST(ProgrammeEditor, UpAndDownMoveOneRowAndStopAtTheEnds) {
    TTrackLists lists = ProgrammeLists(3, LinesOf({1, 2, 3}), {});
    for (int t : {0, 1, 2}) {
        Select(lists.Src, {t});
        lists.Include();
    }
    Select(lists.Dst, {0});
    lists.MoveUp();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 2, 3}));
    Select(lists.Dst, {2});
    lists.MoveDown();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 2, 3}));
    Select(lists.Dst, {1, 2});
    lists.MoveUp();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{2, 1, 3}));
    EXPECT_TRUE(lists.Dst[0].Selected && !lists.Dst[1].Selected && lists.Dst[2].Selected);
    Select(lists.Dst, {0});
    lists.MoveDown();
    lists.MoveDown();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 3, 2}));
}

TEST(ProgrammeEditor, KeepsTheFirstHundredEntries) {
    TTrackLists lists = ProgrammeLists(2, LinesOf({1, 2}), {});
    Select(lists.Src, {0, 1});
    for (int i = 0; i < 51; ++i)
        lists.Include();
    ASSERT_EQ(lists.Dst.size(), 102u);
    const TPlayProgramme p = lists.Programme();
    EXPECT_EQ(p.Count, 100);
    EXPECT_EQ(p[99], 1);
    EXPECT_EQ(p[100], 2);
}

TEST(FitTracks, InOrderAndBestFitExamples) {
    TTrackLists lists = FitOf({4.00, 7.00, 3.00});
    ASSERT_EQ(lists.InOrder(10.00), crDone);
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1}));
    int passes = -1;
    ASSERT_EQ(lists.BestFit(10.00, &passes), crDone);
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{2}));
    EXPECT_EQ(Numbers(lists.Src), (std::vector<int>{1, 3}));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(FormatMinSec(lists.Total()), "07.00");

    // A first track longer than the target stops In order at once.
    TTrackLists longFirst = FitOf({12.00, 1.00});
    EXPECT_EQ(longFirst.InOrder(10.00), crDone);
    EXPECT_TRUE(longFirst.Dst.empty());

    struct {
        TMinSec Target;
        bool Valid;
    } const targets[] = {{45.59, true}, {45.60, false}, {100.00, false},
                         {99.59, true}, {0, true},      {-1, false}};
    for (const auto& c : targets)
        EXPECT_EQ(TTrackLists::TargetValid(c.Target), c.Valid) << c.Target;
    // A refused target leaves the play list moved back.
    ASSERT_EQ(lists.InOrder(45.60), crTargetRefused);
    EXPECT_TRUE(lists.Dst.empty());
    EXPECT_EQ(lists.Src.size(), 3u);
    EXPECT_EQ(lists.BestFit(100.00), crTargetRefused);
}

TEST(FitTracks, HandMovesAndExchangeKeepEachTrackOnce) {
    TPlayProgramme p;
    for (int t : {3, 1})
        p.Append(t);
    TTrackLists lists = FitLists(4, LinesOf({1, 2, 3, 4}), p);
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{3, 1}));
    EXPECT_EQ(Numbers(lists.Src), (std::vector<int>{2, 4}));
    Select(lists.Src, {1});
    lists.Include();
    Select(lists.Dst, {0});
    lists.Exclude();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 4}));
    EXPECT_EQ(Numbers(lists.Src), (std::vector<int>{2, 3}));
    EXPECT_EQ(FormatMinSec(lists.Total()), "05.00");
    lists.Exchange();
    lists.Exchange();
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 4}));
    EXPECT_EQ(Numbers(lists.Src), (std::vector<int>{2, 3}));
    EXPECT_EQ(FormatMinSec(lists.Total()), "05.00");
    lists.ExcludeAll();
    EXPECT_EQ(lists.Src.size(), 4u);
    EXPECT_EQ(lists.Programme().Count, 0);
}

TEST(FitTracks, UnreadableLengthsCountAsNothingAndAreNeverExchanged) {
    TTrackLists lists(false);
    lists.AddSource(" 1--.--Damaged");
    lists.AddSource(TrackLine(2, MakeMSF(4, 0, 0), "B"));
    lists.AddSource(TrackLine(3, MakeMSF(5, 0, 0), "C"));
    lists.AddSource(TrackLine(4, MakeMSF(6, 0, 0), "D"));
    ASSERT_EQ(lists.BestFit(5.00), crDone);
    // In order takes the unreadable track and track 2; the exchange swaps 2 for 3 but keeps track 1.
    EXPECT_EQ(Numbers(lists.Dst), (std::vector<int>{1, 3}));
    EXPECT_EQ(FormatMinSec(lists.Total()), "05.00");
}

TEST(FitTracks, BestFitOnRandomDiscs) {
    std::mt19937 random(20261207);
    for (int disc = 0; disc < 2000; ++disc) {
        const int count = std::uniform_int_distribution<int>(1, 99)(random);
        std::vector<TMinSec> lengths;
        for (int t = 0; t < count; ++t) {
            const int seconds = std::uniform_int_distribution<int>(5, 12 * 60)(random);
            lengths.push_back(seconds / 60 + (seconds % 60) * 0.01);
        }
        const int targetSeconds = std::uniform_int_distribution<int>(0, 99 * 60 + 59)(random);
        const TMinSec target = targetSeconds / 60 + (targetSeconds % 60) * 0.01;
        TTrackLists inOrder = FitOf(lengths);
        ASSERT_EQ(inOrder.InOrder(target), crDone);
        TTrackLists best = FitOf(lengths);
        int passes = 0;
        ASSERT_EQ(best.BestFit(target, &passes), crDone);
        EXPECT_LE(passes, MaxBestFitPasses);
        EXPECT_LE(best.TotalSeconds(), targetSeconds);
        EXPECT_GE(best.TotalSeconds(), inOrder.TotalSeconds());
        std::vector<int> seen(static_cast<std::size_t>(count) + 1, 0);
        std::int64_t sum = 0;
        for (const TTrackRow& row : best.Dst) {
            const int t = TrackLineNumber(row.Text);
            ++seen[static_cast<std::size_t>(t)];
            sum += MSFToFrames(MinSecToMSF(lengths[static_cast<std::size_t>(t - 1)])) / FramesPerSecond;
        }
        for (const TTrackRow& row : best.Src)
            ++seen[static_cast<std::size_t>(TrackLineNumber(row.Text))];
        EXPECT_EQ(sum, best.TotalSeconds());
        for (int t = 1; t <= count; ++t)
            ASSERT_EQ(seen[static_cast<std::size_t>(t)], 1) << "track " << t << " of disc " << disc;
    }
}

TEST(ProgrammeEdit, OkStoresTheProgrammeAndCancelKeepsTheStoredOne) {
    TTestPlayer p;
    TDiscRecord rec = NewDiscRecord(p.Code(), 20000, 20000);
    rec.TrackCount = static_cast<std::int16_t>(p.Toc.TrackCount());
    for (int t = 1; t <= rec.TrackCount; ++t)
        rec.TrackLengths[t - 1] = p.Toc.TrackLength(t);
    rec.Programme.Append(2);
    p.StoreRecord(rec);
    p.Open();
    p.Tick();
    ASSERT_GT(p.Catalogue->CurrentDiscRecNo, 0);
    const auto stored = [&p] {
        TDiscRecord loaded;
        TStringGridData grid;
        std::string memo;
        TDiscKeys keys;
        std::int32_t recNo = 0;
        p.Catalogue->LoadDisc(p.Code(), loaded, grid, memo, keys, recNo);
        return std::vector<std::uint8_t>(loaded.Programme.Entries.begin(),
                                         loaded.Programme.Entries.begin() + loaded.Programme.Count);
    };
    EditCurrentProgramme(*p.Catalogue, false, [](TTrackLists& lists) {
        EXPECT_EQ(lists.Dst.front().Text, " 200.30Song 2");
        lists.ExcludeAll();
        return false;
    });
    EXPECT_EQ(stored(), (std::vector<std::uint8_t>{2}));
    EditCurrentProgramme(*p.Catalogue, true,
                         [](TTrackLists& lists) { return lists.BestFit(1.00) == crDone; });
    EXPECT_EQ(stored(), (std::vector<std::uint8_t>{1, 2}));
}
