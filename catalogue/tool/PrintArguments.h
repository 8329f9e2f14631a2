// The arguments of orbelune-cat print, read without any of the printing code, so that the catalogue
// tool can check them (and tell usage errors) before it starts the printing program.
#pragma once

#include <string>
#include <vector>

#include "catalogue/CatalogueFilter.h"

extern const char* const PrintUsage;

enum class TPrintPageSize { A4, Letter };

struct TPrintArguments {
    std::string Pdf;
    std::string Order = "name";
    std::string Disc;
    bool UserFields = false;
    bool HasOrder = false;
    TPrintPageSize PageSize = TPrintPageSize::A4;
    TCatalogueFilter Filter;
};

// Args start with "print". Fills A and returns empty when they are well formed, otherwise what is wrong
// with them.
std::string ParsePrintArguments(const std::vector<std::string>& Args, TPrintArguments& A);

// ParsePrintArguments' verdict alone.
std::string PrintArgumentsError(const std::vector<std::string>& Args);
