// The two catalogue reports on the print layout's character grid: the listing of one disc (its data,
// picture, notes and tracks) and the listing of the whole catalogue in the browser's order and filter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QDate>
#include <QImage>

#include "app/base/Settings.h"
#include "catalogue/CatalogueOrder.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/PrintLayout.h"

// Everything the single-disc listing prints.
struct TDiscListing {
    TDiscRecord Rec;
    TStringGridData Tracks{DiscGridCols, DiscGridRows};
    std::string Notes; // as the catalogue keeps them: the first line is the disc code
    QImage Picture;    // null when the disc has none or it cannot be read
};

// Columns of the single-disc listing with and without the tracks' user fields.
constexpr int DiscReportColumnsWithUserFields = 125;
constexpr int DiscReportColumns = 80;
constexpr int CatalogueReportColumns = 135;

// Reads record RecNo of the catalogue; false when it cannot be read (the disc is left out).
using TDiscRecordReader = std::function<bool(std::int32_t RecNo, TDiscRecord& Rec)>;

// Prints the disc's listing from PrintStart to PrintFinish with the report font, "Print bitmap", the
// captions and the collector's name of Settings. False when the user cancelled the print dialog or the
// output failed (the target's Error then says why).
bool PrintDiscReport(TPrintLayout& Layout, const TDiscListing& Disc, bool UserFields,
                     const TPlayerSettings& Settings);

// Prints the catalogue listing of Tree, the browser's groups and discs in display order for the order
// KeyNo (kDiscName, kComposer, kArtist, kMusicType, kRecordLabel), reading each disc through Read.
bool PrintCatalogueReport(TPrintLayout& Layout, int KeyNo, const std::vector<TCatalogueGroup>& Tree,
                          const TDiscRecordReader& Read, const TPlayerSettings& Settings,
                          const QDate& Today = QDate::currentDate());

// The picture stored at Ref in an open store; a null image when there is none or it cannot be read.
QImage ReadDiscPicture(TVlf& Store, std::int32_t Ref);

// "CD Catalogue" followed by " by composer" and so on; nothing for name order.
std::string CatalogueReportTitle(int KeyNo);
