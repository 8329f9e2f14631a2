// Runs a piece of work in a short-lived child process, so that a crash or a hang inside it (for example
// in a library reading a damaged file) cannot take the program down.
#pragma once

#include <functional>

// Forks, runs Work in the child and ends the child with Work's result (0..255). Returns that result, or -1
// when the child crashed, was still running after TimeoutMs (it is then killed) or could not be started.
int RunInChildProcess(const std::function<int()>& Work, int TimeoutMs);
