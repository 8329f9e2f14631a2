#include "catalogue/store/RecordEngineIO.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "catalogue/store/RecordEngineErrors.h"

namespace {
int WritesBeforeFault = -1;
bool SyncFault = false;
bool FaultOnce = false;
void (*WriteObserver)() = nullptr;

// True when the fault hook says this write must fail.
bool InjectedFault() {
    if (WritesBeforeFault < 0) return false;
    if (WritesBeforeFault == 0) {
        if (FaultOnce) WritesBeforeFault = -1;
        return true;
    }
    --WritesBeforeFault;
    return false;
}
} // namespace

void SetRecordEngineWriteObserver(void (*Observer)()) {
    WriteObserver = Observer;
}

void SetRecordEngineWriteFault(int Count, bool FailSync, bool Once) {
    WritesBeforeFault = Count;
    SyncFault = FailSync;
    FaultOnce = Once;
}

namespace RecordEngineImpl {

std::int32_t OsErrorToEngine(int Errno, const std::string& Name) {
    switch (Errno) {
    case ENOENT: {
        // A missing folder is "path not found", a missing file in an existing folder "file not found".
        const auto slash = Name.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : Name.substr(0, slash + 1);
        struct stat st {};
        return ::stat(dir.c_str(), &st) == 0 ? eeFileNotFound : eePathNotFound;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
        return eePathNotFound;
    case EMFILE:
    case ENFILE:
        return eeTooManyOpenFiles;
    case EBADF:
        return eeInvalidHandle;
    case EACCES:
    case EPERM:
    case EROFS:
    case EWOULDBLOCK:
        return eeAccessDenied;
    default:
        return eeOsFailure;
    }
}

std::int32_t OpenEngineFile(TEngineFile& F, const std::string& Name, bool ReadOnly, bool Create) {
    int flags = O_CLOEXEC | (ReadOnly ? O_RDONLY : O_RDWR);
    if (Create) flags |= O_CREAT;
    const int fd = ::open(Name.c_str(), flags, 0644);
    if (fd < 0) return OsErrorToEngine(errno, Name);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return OsErrorToEngine(err, Name);
    }
    // Truncate only once the lock is ours, so a pair in use elsewhere is never emptied.
    if (Create && ::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        return OsErrorToEngine(err, Name);
    }
    F.Fd = fd;
    F.Name = Name;
    return 0;
}

void CloseEngineFile(TEngineFile& F) {
    if (F.Fd >= 0) ::close(F.Fd); // also releases the lock
    F.Fd = -1;
}

std::int32_t ReadAt(const TEngineFile& F, std::int64_t Offset, void* Buffer, std::size_t Count) {
    auto* p = static_cast<char*>(Buffer);
    while (Count > 0) {
        const ssize_t n = ::pread(F.Fd, p, Count, Offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return OsErrorToEngine(errno, F.Name);
        }
        if (n == 0) return eeShortRead;
        p += n;
        Offset += n;
        Count -= static_cast<std::size_t>(n);
    }
    return 0;
}

std::int32_t WriteAt(const TEngineFile& F, std::int64_t Offset, const void* Buffer, std::size_t Count) {
    if (WriteObserver) WriteObserver();
    if (InjectedFault()) return eeShortWrite;
    const auto* p = static_cast<const char*>(Buffer);
    while (Count > 0) {
        const ssize_t n = ::pwrite(F.Fd, p, Count, Offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == ENOSPC ? eeShortWrite : OsErrorToEngine(errno, F.Name);
        }
        if (n == 0) return eeShortWrite;
        p += n;
        Offset += n;
        Count -= static_cast<std::size_t>(n);
    }
    return 0;
}

void TruncateEngineFile(const TEngineFile& F, std::int64_t Size) {
    (void)::ftruncate(F.Fd, Size);
}

std::int32_t SyncEngineFile(const TEngineFile& F) {
    if (SyncFault) return eeCloseFailed;
    return ::fsync(F.Fd) == 0 ? 0 : eeCloseFailed;
}

std::int32_t EngineFileSize(const TEngineFile& F, std::int64_t& Size) {
    struct stat st {};
    if (::fstat(F.Fd, &st) != 0) return OsErrorToEngine(errno, F.Name);
    Size = st.st_size;
    return 0;
}

std::int32_t DeleteEngineFile(const std::string& Name) {
    const int fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : OsErrorToEngine(errno, Name);
    const bool inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    const int lockErr = errno;
    ::close(fd);
    if (inUse) return OsErrorToEngine(lockErr, Name);
    if (::unlink(Name.c_str()) != 0 && errno != ENOENT) return OsErrorToEngine(errno, Name);
    return 0;
}

} // namespace RecordEngineImpl
