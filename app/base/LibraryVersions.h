// The versions of the libraries the program runs with, as the libraries themselves report them.
#pragma once

#include <string>
#include <vector>

#include "app/base/ProgramVersion.h"

struct TLibraryVersion {
    std::string Name;
    std::string Version;
};

// Qt, libcdio, libsndfile and libsoxr, in that order.
std::vector<TLibraryVersion> LibraryVersions();
