// The commands of orbelune-cat whose code needs the picture, sound, network or GUI libraries: print,
// export, import and lookup. orbelune-cat-print runs them; orbelune-cat-full, which loads only Qt Core,
// starts orbelune-cat-print for them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs a command on the catalogue in DataDir (ending in "/"); Args start with the command and are well
// formed. Returns the exit status.
using TCommandRunner = int (*)(const std::string& DataDir, const std::vector<std::string>& Args,
                               std::ostream& Out, std::ostream& Err);

// Runs print, export, import or lookup in this process.
int RunLibraryCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                      std::ostream& Err);
