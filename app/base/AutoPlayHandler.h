// Making the program the desktop's handler for an inserted audio CD: the default application of the
// content type x-content/audio-cdda in the user's lists of default applications.
#pragma once

#include <string>

#include "app/base/Settings.h"

inline constexpr const char* AudioCdContentType = "x-content/audio-cdda";
// The desktop entry's name, which is also the AppStream component's ID.
inline constexpr const char* OrbeluneDesktopEntry = "org.orbelune.orbelune.desktop";
// The name the entry had before; a default naming it is this program's too.
inline constexpr const char* FormerDesktopEntry = "orbelune.desktop";

// $XDG_CONFIG_HOME/mimeapps.list, default ~/.config/mimeapps.list.
std::string MimeAppsFileName();
// $XDG_DATA_HOME/applications/ and the entry's name (by default in ~/.local/share/applications/).
std::string UserDesktopEntryFileName();

// The default application of ContentType in the "[Default Applications]" section of Text; empty when
// there is none.
std::string DefaultApplication(const std::string& Text, const std::string& ContentType);
// Text with ContentType's default set to Application (or removed when Application is empty). Every other
// line, line endings included, stays as it was; a missing section is added at the end.
std::string WithDefaultApplication(const std::string& Text, const std::string& ContentType,
                                   const std::string& Application);

// Turns automatic play on or off: on keeps the current default in Settings.PreviousCommandLine and makes
// Orbelune the default (writing its desktop entry when none is installed); off puts the previous default
// back, unless the user has chosen another application since, and removes the entry written. The default
// is changed in the list the desktop reads first for it: a desktop's own list of $XDG_CURRENT_DESKTOP
// ("kde-mimeapps.list") when that names one, else mimeapps.list. Settings.AutoPlayHandler follows the file.
// Returns false with a message in Error when the file could not be read, understood or written; the file
// and the settings are then left as they were.
bool SetAutoPlayHandler(TPlayerSettings& Settings, bool On, std::string& Error);
