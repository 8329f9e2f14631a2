#include "catalogue/ReadOnlyCatalogue.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"

const char* const msgCatalogueInUse =
    "the catalogue is in use by another program (error 9908); close it and try again";

bool CatalogueInUse(const std::string& DataDir) {
    return FileInUse(DataDir + "disc.DAT");
}

bool FileInUse(const std::string& Name) {
    const int fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

namespace {

// The rebuild that writes the swap marker holds its lock until the files are swapped.
bool SwapInProgress(const std::string& DataDir) {
    const int fd = ::open((DataDir + "disc2.SWP").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

} // namespace

std::string UnfinishedSwapNotice(const std::string& DataDir) {
    std::error_code ec;
    if (!std::filesystem::exists(DataDir + "disc2.SWP", ec) || !SwapFilesWaiting(DataDir) ||
        SwapInProgress(DataDir))
        return {};
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
    const TCatalogueCheck waiting = CheckSwapWaitingFiles(DataDir);
    if (waiting.Ok) return {};
    return UnfinishedSwapText(DataDir, waiting) + "; the catalogue's own files are read as they are, and "
                                                  "'orbelune-cat rebuild' sets those files aside";
}

TReadOnlyCatalogue::~TReadOnlyCatalogue() {
    if (File) CloseRecordFile(File);
}

bool TReadOnlyCatalogue::Open(const std::string& DataDir, std::string& Error) {
    std::error_code ec;
    if (std::filesystem::exists(DataDir + "disc2.SWP", ec)) {
        if (SwapInProgress(DataDir)) {
            Error = "another program is replacing the catalogue files after a rebuild; try again when it has "
                    "finished";
            return false;
        }
        if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
        const TCatalogueCheck waiting =
            SwapFilesWaiting(DataDir) ? CheckSwapWaitingFiles(DataDir) : TCatalogueCheck{};
        if (waiting.Ok) {
            Error = "a rebuild or repair was stopped while it replaced the files; run 'orbelune-cat rebuild' "
                    "to finish it";
            return false;
        }
        // Files that cannot finish a swap are not the catalogue: its own files are read as they are.
        if (!std::filesystem::exists(DataDir + "disc.DAT", ec)) {
            Error = UnfinishedSwapText(DataDir, waiting) + "; run 'orbelune-cat rebuild' to set them aside";
            return false;
        }
    }
    if (!std::filesystem::exists(DataDir + "disc.DAT", ec)) {
        Error = "there is no catalogue (disc.DAT) in " + DataDir;
        return false;
    }
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
    OpenRecordFile(File, DataDir + "disc", true);
    if (!EngineOK) {
        File = nullptr;
        Error = EngineError == eeModified
                    ? "the catalogue was not closed properly (error 10010); run 'orbelune-cat repair'"
                : EngineError == eeAccessDenied && CatalogueInUse(DataDir)
                    ? msgCatalogueInUse
                    : "Cannot open disc record file - " + std::to_string(EngineError) +
                          (EngineErrorIsDamage(EngineError)
                               ? ": the catalogue files are damaged; run 'orbelune-cat repair'"
                               : "");
        return false;
    }
    if (RecordLength(File) != DiscRecordSize) {
        Error = "disc.DAT is not a disc catalogue";
        return false;
    }
    return true;
}
