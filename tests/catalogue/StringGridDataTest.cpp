// The window-less string grid: resizing keeps cells and widths, out-of-range cells are inert.
#include <gtest/gtest.h>

#include "catalogue/StringGridData.h"

TEST(StringGridDataTest, ResizingKeepsWhatRemainsInside) {
    TStringGridData Grid(3, 4);
    Grid.SetCells(0, 0, "code");
    Grid.SetCells(2, 3, "corner");
    Grid.SetColWidths(2, 120);
    Grid.SetRowCount(100);
    EXPECT_EQ(Grid.Cells(0, 0), "code");
    EXPECT_EQ(Grid.Cells(2, 3), "corner");
    EXPECT_EQ(Grid.Cells(2, 99), "");
    Grid.SetColCount(2);
    EXPECT_EQ(Grid.Cells(2, 3), "");
    Grid.SetColCount(3);
    EXPECT_EQ(Grid.Cells(2, 3), ""); // a column dropped and added again starts empty
    EXPECT_EQ(Grid.ColWidths(2), Grid.DefaultColWidth);
    Grid.Resize(0, 0);
    EXPECT_EQ(Grid.ColCount(), 0);
    EXPECT_EQ(Grid.RowCount(), 0);
    Grid.Resize(-3, -1);
    EXPECT_EQ(Grid.ColCount(), 0);
}

TEST(StringGridDataTest, CellsOutsideTheGridAreIgnored) {
    TStringGridData Grid(2, 2);
    Grid.SetCells(5, 0, "lost");
    Grid.SetCells(0, -1, "lost");
    EXPECT_EQ(Grid.Cells(5, 0), "");
    EXPECT_EQ(Grid.Cells(-1, -1), "");
    Grid.SetCells(1, 1, "x");
    Grid.ClearCells();
    EXPECT_EQ(Grid.Cells(1, 1), "");
    EXPECT_EQ(Grid.RowCount(), 2);
}
