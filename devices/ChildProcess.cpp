// Work in a child process.
#include "devices/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

int RunInChildProcess(const std::function<int()>& Work, int TimeoutMs) {
    // The result comes through a pipe: a crash handler (a sanitizer's, for one) may end the child with an
    // ordinary exit status that would pass for a result.
    int Pipe[2];
    if (::pipe2(Pipe, O_CLOEXEC) != 0) return -1;
    const pid_t Child = ::fork();
    if (Child < 0) {
        ::close(Pipe[0]);
        ::close(Pipe[1]);
        return -1;
    }
    if (Child == 0) {
        ::close(Pipe[0]);
        // A hang ends with the alarm even when the parent is gone; _exit skips the parent's exit handlers.
        ::alarm(static_cast<unsigned>(TimeoutMs / 1000 + 2));
        const unsigned char Result = static_cast<unsigned char>(Work());
        ssize_t Written;
        do
            Written = ::write(Pipe[1], &Result, 1);
        while (Written < 0 && errno == EINTR);
        ::_exit(0);
    }
    ::close(Pipe[1]);
    int Result = -1;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool TimedOut = false;
    while (true) {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now());
        if (Left.count() <= 0) {
            TimedOut = true;
            break;
        }
        pollfd Wait{Pipe[0], POLLIN, 0};
        const int Ready = ::poll(&Wait, 1, static_cast<int>(Left.count()));
        if (Ready < 0 && errno == EINTR) continue;
        if (Ready <= 0) {
            TimedOut = Ready == 0;
            break;
        }
        unsigned char Byte;
        const ssize_t Got = ::read(Pipe[0], &Byte, 1);
        if (Got < 0 && errno == EINTR) continue;
        if (Got == 1) Result = Byte;
        break; // a result, or the end of the pipe when the child died without one
    }
    ::close(Pipe[0]);
    if (TimedOut) ::kill(Child, SIGKILL);
    int Status = 0;
    while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0 ? Result : -1;
}
