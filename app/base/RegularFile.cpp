#include "app/base/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadRegularFile(const std::string& Name, std::string& Bytes, std::size_t MaxBytes) {
    // Opening a FIFO without O_NONBLOCK waits for a writer; the check of its kind comes after the open, on
    // the file really opened.
    const int fd = ::open(Name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= MaxBytes;
    std::string data;
    if (ok) {
        data.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // a file that shrank while read gives what it still holds
            done += static_cast<std::size_t>(n);
        }
        data.resize(done);
    }
    ::close(fd);
    if (ok) Bytes = std::move(data);
    return ok;
}

void DeleteFileQuietly(const std::string& FileName) {
    ::unlink(FileName.c_str());
}
