// Helpers the benchmark programs share: a message sink that answers Yes, a stopwatch and the disc
// codes the generated catalogues use.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

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

inline double Seconds(Clock::time_point From) {
    return std::chrono::duration<double>(Clock::now() - From).count();
}

// A well-spread 16-digit disc code for the N-th generated disc.
inline std::string Code(int N) {
    char code[17];
    std::snprintf(code, sizeof code, "%016X", static_cast<unsigned>(N) * 2654435761u);
    return code;
}

} // namespace BenchSupport
