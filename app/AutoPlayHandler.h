// Making the program the desktop's handler for an inserted audio CD: the default application of the
// content type x-content/audio-cdda in the user's mimeapps.list.
#pragma once

#include <string>

#include "app/Settings.h"

inline constexpr const char* AudioCdContentType = "x-content/audio-cdda";
inline constexpr const char* OrbeluneDesktopEntry = "orbelune.desktop";

// $XDG_CONFIG_HOME/mimeapps.list, default ~/.config/mimeapps.list.
std::string MimeAppsFileName();
// $XDG_DATA_HOME/applications/orbelune.desktop, default ~/.local/share/applications/orbelune.desktop.
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
// back, unless the user has chosen another application since. Settings.AutoPlayHandler follows the file.
// Returns false with a message in Error when the file could not be read, understood or written; the file
// and the settings are then left as they were.
bool SetAutoPlayHandler(TPlayerSettings& Settings, bool On, std::string& Error);
