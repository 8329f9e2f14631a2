// The volume control started when the configured one is not there: the first found of pavucontrol,
// pavucontrol-qt and the sound settings of the desktop in use.
#pragma once

#include <string>

struct TProgramCall {
    std::string Program; // full path; empty when none was found
    std::string Arguments;
};

// Looks in the folders of SearchPath (as $PATH lists them); Desktops is $XDG_CURRENT_DESKTOP.
TProgramCall FindMixer(const std::string& SearchPath, const std::string& Desktops);
