#include <gtest/gtest.h>

#include "DiscTestSupport.h"
#include "catalogue/CatalogueFilter.h"
#include "catalogue/store/VlfFormat.h"

namespace {

// Discs with the given track names (the record's track count is 2, so a third name lies beyond it).
class TFilterCatalogue : public TCatalogueFolder {
public:
    std::int32_t Add(int N, const std::string& Name, std::vector<std::string> Tracks) {
        TDiscRecord rec = MakeDisc(CodeOf(N), Name);
        TStringGridData grid;
        ResetDiscGrid(grid, rec.DiscCode);
        for (std::size_t t = 0; t < Tracks.size(); ++t)
            grid.SetCells(0, static_cast<int>(t) + 1, Tracks[t]);
        Answers.Answers.push_back(idYes);
        std::int32_t recNo = 0;
        TDiscKeys keys;
        EXPECT_TRUE(Cat().SaveDisc(rec, grid, "", recNo, keys));
        Answers.Answers.clear();
        return rec.TracksRef;
    }
};

} // namespace

// The filter over a stored catalogue: records read in batches, track lists searched as they are read.
TEST(CatalogueFilter, SearchesStoredTrackListsAndCountsWhatCannotBeRead) {
    TFilterCatalogue f;
    f.Add(1, "Goldberg Variations", {"Aria", "Variatio 1"});
    f.Add(2, "Slavonic dances", {"Furiant", "Dumka", "Hidden finale"});
    f.Add(3, "Mass", {"Kyrie", "Étude"});
    const std::int32_t damaged = f.Add(4, "Damaged disc", {"Furiant"});
    ASSERT_NE(damaged, 0);
    // The damaged disc's track list gets column counts that do not fit its block.
    std::string store = ReadFileBytes(f.Home.File("disc.VLF"));
    store.replace(static_cast<std::size_t>(damaged) + VlfFormat::BlockHeaderSize + VlfFormat::GridColCount, 4,
                  "\xff\xff\xff\x7f");
    WriteFileBytes(f.Home.File("disc.VLF"), store);
    std::string error;
    const auto tree = CatalogueTreeOrder(f.Home.Dir(), kDiscName, error);
    ASSERT_TRUE(error.empty()) << error;

    struct TCase {
        TCatalogueFilter Filter;
        std::vector<std::string> Passing;
        int Unreadable;
    };
    const TCase cases[] = {
        {{true, "", "", "FURIANT"}, {"Slavonic dances"}, 1},
        {{true, "", "", "HIDDEN"}, {}, 1}, // beyond the disc's track count
        {{true, "", "", "ÉTUDE"}, {"Mass"}, 1},
        {{true, "DAMAGED", "", "VARIATIO"}, {"Damaged disc", "Goldberg Variations"}, 1},
        {{true, "MASS", "", ""}, {"Mass"}, 0}, // no track list is read
        {{false, "", "", "NOTHING"}, {"Damaged disc", "Goldberg Variations", "Mass", "Slavonic dances"}, 0},
    };
    for (const TCase& c : cases) {
        int unreadable = -1;
        const auto kept = FilterCatalogueTree(f.Home.Dir(), tree, c.Filter, error, &unreadable);
        ASSERT_TRUE(error.empty()) << error;
        std::vector<std::string> names;
        for (const auto& group : kept)
            for (const auto& disc : group.Discs)
                names.push_back(disc.Name);
        EXPECT_EQ(names, c.Passing) << c.Filter.Name << "|" << c.Filter.Reference << "|" << c.Filter.Track;
        EXPECT_EQ(unreadable, c.Unreadable) << c.Filter.Track;
    }
}
