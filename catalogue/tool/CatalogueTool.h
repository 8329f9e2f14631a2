// The command-line catalogue tool: lists, shows, checks, rebuilds and repairs the disc catalogue of a
// data folder, for scripts and tests. orbelune-cat's main() only passes its arguments here.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/tool/LibraryCommand.h"

// The exit status of an export or print that was written whole but for the data of some discs, which
// could not be read (each is named on the error output).
constexpr int UnreadableDataStatus = 3;

// Args without the program name. Output goes to Out, errors (one line each) to Err. Returns the exit
// status: 0 success, 1 a failed command or a catalogue with problems, 2 a usage error, 3
// (UnreadableDataStatus) an export or print that left out data it could not read. Heavy runs print,
// export, import and lookup: their code needs the picture, sound, network and GUI libraries, which
// orbelune-cat-full does not load for its other commands, so it passes a runner that starts
// orbelune-cat-print instead.
int RunCatalogueTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                     TCommandRunner Heavy = RunLibraryCommand);
