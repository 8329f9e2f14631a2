#include "app/base/DesktopMixer.h"

#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

// The program's full path in the first folder of SearchPath that holds it as an executable, or empty.
std::string FindProgram(const std::string& SearchPath, const std::string& Name) {
    std::stringstream Folders(SearchPath);
    for (std::string Folder; std::getline(Folders, Folder, ':');) {
        if (Folder.empty()) continue;
        const std::string Path = Folder + "/" + Name;
        if (::access(Path.c_str(), X_OK) == 0) return Path;
    }
    return {};
}

struct TSoundSettings {
    const char* Desktop; // as $XDG_CURRENT_DESKTOP names it
    const char* Program;
    const char* Arguments;
};

// The page of each desktop's settings that sets the sound devices' volumes.
constexpr TSoundSettings DesktopSettings[] = {
    {"GNOME", "gnome-control-center", "sound"},   {"Unity", "gnome-control-center", "sound"},
    {"KDE", "systemsettings", "kcm_pulseaudio"},  {"KDE", "systemsettings5", "kcm_pulseaudio"},
    {"X-Cinnamon", "cinnamon-settings", "sound"}, {"MATE", "mate-volume-control", ""},
};

} // namespace

TProgramCall FindMixer(const std::string& SearchPath, const std::string& Desktops) {
    for (const char* Name : {"pavucontrol", "pavucontrol-qt"})
        if (std::string Path = FindProgram(SearchPath, Name); !Path.empty()) return {Path, ""};
    std::stringstream Names(Desktops);
    for (std::string Desktop; std::getline(Names, Desktop, ':');)
        for (const TSoundSettings& Settings : DesktopSettings)
            if (Desktop == Settings.Desktop)
                if (std::string Path = FindProgram(SearchPath, Settings.Program); !Path.empty())
                    return {Path, Settings.Arguments};
    return {};
}
