// The command-line programs' output when it goes to a terminal: no control character of a stored text
// reaches it. A stream buffer in front of standard output and standard error lets line feeds and tabs
// through and shows every other control character as TerminalText does ("^[" for ESC), so that a disc's
// name cannot clear the screen or move the cursor. The programs' own cursor movements (the progress
// line of lookup --fill) go past it through WriteTerminalControl.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>
#include <string_view>

class TTerminalGuard {
public:
    // Puts the filter in front of std::cout and std::cerr, each when it is a terminal.
    TTerminalGuard();
    ~TTerminalGuard();
    TTerminalGuard(const TTerminalGuard&) = delete;
    TTerminalGuard& operator=(const TTerminalGuard&) = delete;

private:
    std::unique_ptr<std::streambuf> FOut, FErr;
    std::streambuf* FOldOut = nullptr;
    std::streambuf* FOldErr = nullptr;
};

// A stream buffer that passes text to Next with its control characters shown in caret notation.
std::unique_ptr<std::streambuf> MakeTerminalFilter(std::streambuf* Next);

// Writes Text to Out as it is, past a terminal filter in front of it.
void WriteTerminalControl(std::ostream& Out, std::string_view Text);
