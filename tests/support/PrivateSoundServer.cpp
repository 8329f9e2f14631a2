#include "PrivateSoundServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Starts Program with Arguments; standard output goes to Output when one is given. Returns the pid, or -1.
// The child dies with the test program, so a test that is killed leaves no server or capture behind.
int Spawn(const std::vector<std::string>& Arguments, const fs::path& Output = {}) {
    std::vector<char*> Argv;
    for (const std::string& A : Arguments)
        Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    const pid_t Parent = ::getpid();
    const pid_t Pid = ::fork();
    if (Pid != 0) return Pid > 0 ? Pid : -1;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != Parent) ::_exit(127);
    if (!Output.empty()) {
        const int Fd = ::open(Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (Fd < 0 || ::dup2(Fd, 1) < 0) ::_exit(127);
        ::close(Fd);
    }
    ::execvp(Argv[0], Argv.data());
    ::_exit(127);
}

// Waits up to Limit for Pid to end; kills it when it does not.
void Reap(int Pid, std::chrono::milliseconds Limit) {
    const auto Until = std::chrono::steady_clock::now() + Limit;
    while (::waitpid(Pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > Until) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

template <class F> bool WaitFor(F Done, std::chrono::milliseconds Limit) {
    const auto Until = std::chrono::steady_clock::now() + Limit;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > Until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

TPrivateSoundServer& TPrivateSoundServer::Shared() {
    static TPrivateSoundServer Server;
    return Server;
}

TPrivateSoundServer::TPrivateSoundServer() {
    std::string Pattern = (fs::temp_directory_path() / "orbelune-sound-XXXXXX").string();
    if (!::mkdtemp(Pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    FFolder = Pattern;
    const std::string Socket = (FFolder / "pulse" / "native").string();
    ::setenv("PULSE_SERVER", ("unix:" + Socket).c_str(), 1);
    Launch();
}

TPrivateSoundServer::~TPrivateSoundServer() {
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        Reap(FPid, std::chrono::seconds(2));
    }
    std::error_code Ec;
    fs::remove_all(FFolder, Ec);
}

bool TPrivateSoundServer::Launch() {
    const fs::path Socket = FFolder / "pulse" / "native";
    std::error_code Ec;
    fs::remove(Socket, Ec);
    // The server keeps its runtime files in XDG_RUNTIME_DIR; only its own start sees this one.
    const char* Old = std::getenv("XDG_RUNTIME_DIR");
    const std::string Saved = Old ? Old : "";
    ::setenv("XDG_RUNTIME_DIR", FFolder.c_str(), 1);
    FPid = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr",
                  "--log-level=error", "--load=module-native-protocol-unix",
                  "--load=module-null-sink sink_name=ci_null"});
    if (Old)
        ::setenv("XDG_RUNTIME_DIR", Saved.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    if (FPid <= 0) return false;
    // A server that cannot start (not installed, refused) ends at once.
    bool Ended = false;
    WaitFor([&] { return fs::exists(Socket) || (Ended = ::waitpid(FPid, nullptr, WNOHANG) == FPid); },
            std::chrono::seconds(5));
    if (Ended || !fs::exists(Socket)) {
        if (!Ended) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
        FPid = -1;
        return false;
    }
    return true;
}

void TPrivateSoundServer::Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
}

bool TPrivateSoundServer::Restart() {
    Kill();
    return Launch();
}

std::string TPrivateSoundServer::Pactl(const std::string& Arguments) const {
    std::string Out;
    if (FILE* Pipe = ::popen(("pactl " + Arguments + " 2>&1").c_str(), "r")) {
        std::array<char, 4096> Buffer;
        std::size_t Got;
        while ((Got = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0)
            Out.append(Buffer.data(), Got);
        ::pclose(Pipe);
    }
    return Out;
}

TMonitorCapture::TMonitorCapture(const TPrivateSoundServer& Server)
    : FFile(Server.Folder() / ("capture-" + std::to_string(::getpid()) + ".raw")) {
    FPid = Spawn({"parec", "--device=ci_null.monitor", "--raw", "--format=s16le", "--rate=44100",
                  "--channels=1", "--latency-msec=20"},
                 FFile);
    // The null sink renders nothing until the block it was sleeping through when the capture connected
    // has passed (up to two seconds); from then on it renders in small blocks and the capture gets data.
    if (FPid > 0)
        WaitFor(
            [&] {
                std::error_code Ec;
                return fs::file_size(FFile, Ec) > 0 && !Ec;
            },
            std::chrono::seconds(5));
}

TMonitorCapture::~TMonitorCapture() {
    Finish();
}

std::vector<std::int16_t> TMonitorCapture::Samples() const {
    const std::string Bytes = ReadFileBytes(FFile);
    std::vector<std::int16_t> Result(Bytes.size() / 2);
    std::memcpy(Result.data(), Bytes.data(), Result.size() * 2);
    return Result;
}

std::vector<std::int16_t> TMonitorCapture::Finish() {
    if (FPid <= 0) return {};
    ::kill(FPid, SIGINT);
    Reap(FPid, std::chrono::seconds(2));
    FPid = -1;
    std::vector<std::int16_t> Result = Samples();
    std::error_code Ec;
    fs::remove(FFile, Ec);
    return Result;
}

TSoundSpan MeasureSound(const std::vector<std::int16_t>& Samples, std::size_t From, int Threshold) {
    constexpr std::size_t Window = TMonitorCapture::Rate / 200;
    constexpr double WindowMillis = 5.0;
    TSoundSpan Span;
    std::size_t First = 0, Last = 0, Quiet = 0;
    for (std::size_t W = From / Window; (W + 1) * Window <= Samples.size(); ++W) {
        const auto [Low, High] =
            std::minmax_element(Samples.begin() + static_cast<std::ptrdiff_t>(W * Window),
                                Samples.begin() + static_cast<std::ptrdiff_t>((W + 1) * Window));
        const bool Loud = std::max(-static_cast<int>(*Low), static_cast<int>(*High)) > Threshold;
        if (!Loud) {
            ++Quiet;
            continue;
        }
        if (!Span.Heard) {
            Span.Heard = true;
            First = W;
        } else {
            Span.LongestGapMillis =
                std::max(Span.LongestGapMillis, static_cast<double>(Quiet) * WindowMillis);
        }
        Quiet = 0;
        Last = W;
    }
    if (Span.Heard) {
        Span.StartMillis = static_cast<double>(First - From / Window) * WindowMillis;
        Span.LengthMillis = static_cast<double>(Last + 1 - First) * WindowMillis;
    }
    return Span;
}
