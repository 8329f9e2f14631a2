#include "app/base/StartupOptions.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>

bool IsAutoPlaySwitch(const std::string& Argument) {
    return Argument == "/P" || Argument == "/p";
}

bool IsDiscAddress(const std::string& Argument, std::string& Device) {
    Device.clear();
    const std::string Scheme = "cdda://";
    if (Argument.size() < Scheme.size()) return false;
    for (std::size_t I = 0; I < Scheme.size(); ++I)
        if (std::tolower(static_cast<unsigned char>(Argument[I])) != Scheme[I]) return false;
    std::string Rest = Argument.substr(Scheme.size());
    while (!Rest.empty() && Rest.back() == '/')
        Rest.pop_back();
    // "sr0" is the host of "cdda://sr0/"; "/dev/sr0" the path of "cdda:///dev/sr0".
    std::string Name = Rest.rfind("/dev/", 0) == 0 ? Rest.substr(5) : Rest;
    const bool Plain = !Name.empty() &&
                       Name.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") == std::string::npos;
    if (Plain) Device = "/dev/" + Name;
    return true;
}

namespace {

// The options every Qt program takes (before QApplication has taken them out of the command line),
// with one or two leading dashes and a value given apart or after "=".
bool IsQtOption(const std::string& Argument, bool& TakesValue) {
    static const std::set<std::string> WithValue = {"platform",
                                                    "platformpluginpath",
                                                    "platformtheme",
                                                    "plugin",
                                                    "qwindowgeometry",
                                                    "geometry",
                                                    "qwindowicon",
                                                    "qwindowtitle",
                                                    "session",
                                                    "display",
                                                    "name",
                                                    "title",
                                                    "visual",
                                                    "style",
                                                    "stylesheet"};
    static const std::set<std::string> Flags = {"reverse", "widgetcount", "nograb",       "dograb",
                                                "sync",    "testability", "qmljsdebugger"};
    if (Argument.size() < 2 || Argument[0] != '-') return false;
    std::string Name = Argument.substr(Argument[1] == '-' ? 2 : 1);
    const std::size_t Equals = Name.find('=');
    const bool ValueGiven = Equals != std::string::npos;
    if (ValueGiven) Name.resize(Equals);
    if (Flags.count(Name)) {
        TakesValue = false;
        return true;
    }
    if (!WithValue.count(Name)) return false;
    TakesValue = !ValueGiven;
    return true;
}

} // namespace

TStartupOptions ParseStartupOptions(const std::vector<std::string>& Args) {
    TStartupOptions Options;
    // The program's own options come out first, wherever they stand; the first of what is left may be
    // the switch.
    std::vector<std::string> Rest;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& Arg = Args[I];
        if (Arg == "--drive") {
            if (I + 1 >= Args.size() || Args[I + 1].empty()) {
                Options.Error = "--drive needs the path of a CD device or disc image";
                return Options;
            }
            Options.DrivePath = Args[++I];
        } else if (Arg.rfind("--drive=", 0) == 0) {
            Options.DrivePath = Arg.substr(8);
            if (Options.DrivePath.empty()) {
                Options.Error = "--drive needs the path of a CD device or disc image";
                return Options;
            }
        } else if (Arg == "--toc") {
            Options.TocReport = true;
            if (I + 1 < Args.size() && Args[I + 1].rfind("--", 0) != 0 && !IsAutoPlaySwitch(Args[I + 1]))
                Options.TocPath = Args[++I];
        } else if (Arg == "--help" || Arg == "-h") {
            Options.Help = true;
        } else if (Arg == "--version") {
            Options.Version = true;
        } else if (bool TakesValue = false; IsQtOption(Arg, TakesValue)) {
            if (TakesValue) ++I;
        } else {
            Rest.push_back(Arg);
        }
    }
    Options.AutoPlaySwitch = !Rest.empty() && IsAutoPlaySwitch(Rest.front());
    std::string Device;
    if (!Rest.empty() && IsDiscAddress(Rest.front(), Device)) {
        Options.AutoPlaySwitch = true;
        if (Options.DrivePath.empty()) Options.DrivePath = Device;
    }
    // What is left is the switch or an address in front, or a file or file address (the desktop may
    // hand one, and the player has always let them pass); anything else is a typing error the user should
    // hear of rather than a window that silently ignores it.
    for (std::size_t I = Options.AutoPlaySwitch ? 1 : 0; I < Rest.size() && Options.Error.empty(); ++I) {
        const std::string& Arg = Rest[I];
        if (Arg.size() > 1 && Arg[0] == '-')
            Options.Error = "unknown option " + Arg;
        else if (std::error_code Ec; Arg.rfind("file:", 0) != 0 && !std::filesystem::is_regular_file(Arg, Ec))
            Options.Error = "unexpected argument " + Arg;
    }
    // "--drive X --toc" reports on X.
    if (Options.TocReport && Options.TocPath.empty()) Options.TocPath = Options.DrivePath;
    return Options;
}

std::string DisplayProblem(const std::vector<std::string>& Args) {
    const auto Set = [](const char* Name) {
        const char* Value = std::getenv(Name);
        return Value && *Value;
    };
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM")) return {};
    for (const std::string& Arg : Args)
        if (Arg == "-platform" || Arg == "--platform" || Arg.rfind("-platform=", 0) == 0 ||
            Arg.rfind("--platform=", 0) == 0)
            return {};
    return "no display to show the player on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}

std::string StartupUsage() {
    return "Usage: orbelune [/P | cdda://DEVICE] [--drive PATH] [--toc [PATH]]\n"
           "Plays audio CDs and keeps a catalogue of your discs.\n\n"
           "  /P, /p         play every disc as soon as it is detected\n"
           "  cdda://DEVICE  as /P, on that drive (how the desktop starts the player for a new CD)\n"
           "  --drive PATH   use this CD device (/dev/sr0) or disc image (CUE/BIN, TOC, NRG)\n"
           "  --toc [PATH]   print the table of contents, CD-TEXT, disc code and the MusicBrainz\n"
           "                 and FreeDB disc IDs, then end\n"
           "  -h, --help     print this help and end\n"
           "  --version      print the version and end\n";
}

std::vector<std::string> ArgumentsOf(int argc, char* argv[]) {
    std::vector<std::string> Args;
    for (int I = 1; I < argc; ++I)
        Args.emplace_back(argv[I]);
    return Args;
}
