// The program's command line: the auto-play switch "/P" or "/p" as the first argument, and the options
// "--drive PATH" (play that device or disc image), "--toc [PATH]" (print the table of contents and end),
// "--help" and "--version".
#pragma once

#include <string>
#include <vector>

struct TStartupOptions {
    bool AutoPlaySwitch = false;
    std::string DrivePath;
    bool TocReport = false;
    std::string TocPath;
    bool Help = false;
    bool Version = false;
    // Set when the command line cannot be used; the program says so and ends.
    std::string Error;
};

// Only the whole argument "/P" or "/p" is the switch.
bool IsAutoPlaySwitch(const std::string& Argument);
// Args without the program name. The options may stand anywhere; once they are taken out, the switch
// counts only as the first argument of what is left.
TStartupOptions ParseStartupOptions(const std::vector<std::string>& Args);
// The text --help prints.
std::string StartupUsage();
std::vector<std::string> ArgumentsOf(int argc, char* argv[]);
