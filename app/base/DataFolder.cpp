#include "app/base/DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

bool DataFolderWritable(const std::string& Dir) {
    std::error_code ec;
    std::filesystem::create_directories(Dir, ec);
    std::string probe = (std::filesystem::path(Dir) / ".orbelune-write-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    // Space for the smallest file the program writes: a full disc takes nothing either.
    const bool written = ::write(fd, "ORBELUNE", 8) == 8;
    ::close(fd);
    ::unlink(probe.c_str());
    return written;
}

std::string DataFolderReadOnlyMessage(const std::string& Dir) {
    return "The data folder " + Dir +
           " cannot be written, so nothing can be saved while the program runs: changes to the settings and "
           "the catalogue will be lost when it closes. The player goes on with what it can read.";
}

std::string DataFolderNotWrittenMessage(const std::string& Dir) {
    return "The data folder " + Dir + " cannot be written.";
}
