// orbelune-cat lookup: a stored disc's matches in the public disc databases, the storing of one, and the
// filling of every disc still named "Unknown" that has exactly one match.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/tool/LookupArguments.h"

extern const char* const LookupUsage;

// Runs the command on the catalogue in DataDir. Exit status: 0 every asked disc was answered, 1 a service
// could not be reached or answered badly (or the catalogue failed), 2 a usage error.
int RunLookupCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                     std::ostream& Err);
