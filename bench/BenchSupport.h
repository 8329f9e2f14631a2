// Helpers the benchmark programs share: a message sink that answers Yes, a stopwatch, the scratch folder a
// benchmark makes its catalogue in and the disc codes the generated catalogues use.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "devices/MessageBoxes.h"

namespace BenchSupport {

using Clock = std::chrono::steady_clock;

// Answers every question with Yes and prints every message, so a benchmark never waits for a user.
class TYes : public TMessageSink {
public:
    void Information(const std::string& Msg) override { std::fprintf(stderr, "message: %s\n", Msg.c_str()); }
    int Confirm(const std::string&) override { return idYes; }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
};

// A TYes installed as the message sink for as long as this lives.
class TYesSink {
public:
    TYesSink() { SetMessageSink(&FYes); }
    ~TYesSink() { SetMessageSink(nullptr); }
    TYesSink(const TYesSink&) = delete;
    TYesSink& operator=(const TYesSink&) = delete;

private:
    TYes FYes;
};

inline double Seconds(Clock::time_point From) {
    return std::chrono::duration<double>(Clock::now() - From).count();
}

// The wall-clock seconds Step takes.
template <typename F> double SecondsOf(F&& Step) {
    const auto start = Clock::now();
    Step();
    return Seconds(start);
}

// A folder of this process's own under the temporary folder, named after the benchmark; made anew, empty.
inline std::filesystem::path ScratchFolder(const std::string& Bench) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("orbelune-bench-" + Bench + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// A well-spread 16-digit disc code for the N-th generated disc.
inline std::string Code(int N) {
    char code[17];
    std::snprintf(code, sizeof code, "%016X", static_cast<unsigned>(N) * 2654435761u);
    return code;
}

} // namespace BenchSupport
