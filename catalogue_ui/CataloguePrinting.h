// The catalogue browser's two print buttons: the listing of the selected disc ("CD") and of the whole
// catalogue in the order and filter the browser shows ("Catalogue"), on a printer chosen with the print
// dialog, with the progress window up while they print.
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/CatalogueFilter.h"

class QWidget;
class TDiscCatalogue;

// What btnPrintCDClick does with the selected disc node's record number (0 when no disc is selected).
void PrintCDClick(QWidget* Parent, TDiscCatalogue& Catalogue, std::int32_t SelectedRecNo);

// What btnPrintCatClick does: the catalogue in the browser's order KeyNo with its filter applied.
void PrintCatClick(QWidget* Parent, TDiscCatalogue& Catalogue, int KeyNo, const TCatalogueFilter& Filter);

// Asks once per run for the collector's name when the settings hold none, and stores the answer.
void AskCollectorNameOnce(QWidget* Parent, TDiscCatalogue& Catalogue);
