#include "app/ui/ExitSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The pipe's two ends: the handler writes into [0], the event loop reads [1]. -1 while no instance lives.
int SignalPipe[2] = {-1, -1};

extern "C" void OnExitSignal(int Signal) {
    const int Saved = errno;
    const unsigned char Byte = static_cast<unsigned char>(Signal);
    if (SignalPipe[0] >= 0) (void)::write(SignalPipe[0], &Byte, 1);
    errno = Saved;
}

} // namespace

TExitSignals::TExitSignals(QObject* Parent) : QObject(Parent) {
    if (SignalPipe[0] >= 0) return; // another instance already listens
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, SignalPipe) != 0) {
        SignalPipe[0] = SignalPipe[1] = -1;
        return;
    }
    FNotifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TExitSignals::Drain);
    struct sigaction Action {};
    Action.sa_handler = OnExitSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &Action, &FOldTerm);
    ::sigaction(SIGINT, &Action, &FOldInt);
}

TExitSignals::~TExitSignals() {
    if (!FNotifier) return;
    ::sigaction(SIGTERM, &FOldTerm, nullptr);
    ::sigaction(SIGINT, &FOldInt, nullptr);
    delete FNotifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TExitSignals::Drain() {
    unsigned char Bytes[16];
    ssize_t Got;
    int Count = 0;
    while ((Got = ::read(SignalPipe[1], Bytes, sizeof Bytes)) > 0) {
        FLastSignal = Bytes[Got - 1];
        Count += static_cast<int>(Got);
    }
    if (Count > 0) emit ExitRequested();
}
