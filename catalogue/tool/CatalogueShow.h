// What orbelune-cat does without Qt: its usage text, the data folder it works on, a catalogue opened for
// reading, and the show command. orbelune-cat itself links only this for show and --help, so that it
// starts without loading Qt Core and its libraries; every other command runs in orbelune-cat-full.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/ReadOnlyCatalogue.h"

// The usage text of every command.
std::string CatalogueToolUsage();

// Dir (from --dir; empty: the program's data folder) made ready for use, ending in "/"; 0, or the exit
// status after telling Err why the folder cannot be used.
int UseCatalogueToolFolder(std::string& Dir, std::ostream& Err);

// The show command: the disc with Code, its track list and notes. Returns the exit status.
int ShowDisc(const std::string& DataDir, const std::string& Code, std::ostream& Out, std::ostream& Err);

// Runs Args (without the program name) as RunCatalogueTool would when they ask for the usage text or
// show one disc; -1 for anything else, which the full tool runs.
int RunQuickCatalogueCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
