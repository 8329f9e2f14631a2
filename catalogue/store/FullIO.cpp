#include "catalogue/store/FullIO.h"

#include <cerrno>

#include <unistd.h>

bool FullRead(int Fd, std::int64_t Pos, void* Buffer, std::int64_t Count) {
    auto* P = static_cast<char*>(Buffer);
    while (Count > 0) {
        ssize_t N = ::pread(Fd, P, static_cast<std::size_t>(Count), Pos);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return false;
        P += N;
        Pos += N;
        Count -= N;
    }
    return true;
}

bool FullWrite(int Fd, std::int64_t Pos, const void* Buffer, std::int64_t Count) {
    const auto* P = static_cast<const char*>(Buffer);
    while (Count > 0) {
        ssize_t N = ::pwrite(Fd, P, static_cast<std::size_t>(Count), Pos);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return false;
        P += N;
        Pos += N;
        Count -= N;
    }
    return true;
}
