// A string grid as the block store keeps it: a grid image item (laid out in VlfFormat.h) of its sizes,
// look and cells, each cell cut to 255 bytes at a character boundary.
#pragma once

#include <cstdint>

#include "catalogue/StringGridData.h"

class TVlf;

// Stores Grid as the grid image at OldPos (0: a new item), rewritten in place only at the same length;
// its position, 0 on failure (Store.LastError() says why).
std::int32_t SaveGrid(TVlf& Store, std::int32_t OldPos, const TStringGridData& Grid);
// Fills Grid from the grid image at Pos; a text item, a damaged image or a bad position leaves the grid
// untouched and gives false.
bool LoadGrid(TVlf& Store, std::int32_t Pos, TStringGridData& Grid);
