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
    // Set when the command line cannot be used (also for an unknown option or an argument that is
    // neither the switch, a disc's address nor a file); the program says so and ends.
    std::string Error;
};

// Only the whole argument "/P" or "/p" is the switch.
bool IsAutoPlaySwitch(const std::string& Argument);
// The desktop starts its handler for an inserted audio CD with the disc's address, "cdda://sr0/" (or
// "cdda:///dev/sr0"): that asks for automatic play, as "/p" does. Returns whether Argument is such an
// address, with the drive's device in Device when the address names one that can be trusted.
bool IsDiscAddress(const std::string& Argument, std::string& Device);
// Args without the program name. The options may stand anywhere; once they are taken out, the switch
// or a disc's address counts only as the first argument of what is left. An address plays the drive it
// names unless --drive names another.
TStartupOptions ParseStartupOptions(const std::vector<std::string>& Args);
// Why the window could not be shown: no X or Wayland display is named and no Qt platform is chosen
// (QT_QPA_PLATFORM, -platform). Empty when one is; the windowing library would end the program with a
// crash otherwise.
std::string DisplayProblem(const std::vector<std::string>& Args);
// The text --help prints.
std::string StartupUsage();
std::vector<std::string> ArgumentsOf(int argc, char* argv[]);
