#include "catalogue/RequestSpacing.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string StampName(const std::string& Folder, const std::string& Server) {
    std::string Name;
    for (const char c : Server)
        Name +=
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
                ? c
                : '_';
    return Folder + "/lookup-" + Name + ".stamp";
}

// The slot at Due, or now when that has passed. A stamp more than a minute and sixty intervals ahead was
// not reserved by a request waiting now: it is from before the system last started (the monotonic clock
// began again) and does not count.
long long NextSlot(long long Due, long long Now, int IntervalMs) {
    return Due > Now + std::max(60000LL, 60LL * IntervalMs) ? Now : std::max(Due, Now);
}

// Within this process, for when no stamp file can be used.
long long ReserveInProcess(const std::string& Server, int IntervalMs, long long Now) {
    static std::mutex Lock;
    static std::map<std::string, long long> Due;
    const std::lock_guard<std::mutex> Hold(Lock);
    const auto Found = Due.find(Server);
    const long long Slot = NextSlot(Found == Due.end() ? Now : Found->second, Now, IntervalMs);
    Due[Server] = Slot + IntervalMs;
    return Slot - Now;
}

} // namespace

std::string DefaultStampFolder() {
    struct stat St {};
    if (const char* Runtime = std::getenv("XDG_RUNTIME_DIR");
        Runtime && *Runtime == '/' && ::stat(Runtime, &St) == 0 && S_ISDIR(St.st_mode))
        return std::string(Runtime) + "/orbelune";
    const char* Cache = std::getenv("XDG_CACHE_HOME");
    if (Cache && *Cache == '/') return std::string(Cache) + "/orbelune";
    const char* Home = std::getenv("HOME");
    return std::string(Home && *Home ? Home : "/tmp") + "/.cache/orbelune";
}

long long ReserveRequestSlot(const std::string& Folder, const std::string& Server, int IntervalMs) {
    IntervalMs = std::max(0, IntervalMs);
    const long long Now = NowMs();
    const long long InProcess = ReserveInProcess(Server, IntervalMs, Now);
    if (IntervalMs == 0) return 0;
    const std::string Dir = Folder.empty() ? DefaultStampFolder() : Folder;
    if (::mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST) return InProcess;
    const int Fd = ::open(StampName(Dir, Server).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (Fd < 0) return InProcess;
    long long Slot = Now + InProcess;
    if (::flock(Fd, LOCK_EX) == 0) {
        char Text[32] = {};
        const ssize_t Got = ::pread(Fd, Text, sizeof Text - 1, 0);
        const long long Due = Got > 0 ? std::strtoll(Text, nullptr, 10) : 0;
        Slot = std::max(Slot, NextSlot(Due, Now, IntervalMs));
        const std::string Next = std::to_string(Slot + IntervalMs) + "\n";
        if (::pwrite(Fd, Next.data(), Next.size(), 0) == static_cast<ssize_t>(Next.size()))
            (void)::ftruncate(Fd, static_cast<off_t>(Next.size()));
        ::flock(Fd, LOCK_UN);
    }
    ::close(Fd);
    return Slot - Now;
}
