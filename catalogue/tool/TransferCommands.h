// orbelune-cat's export and import commands, on the same export and import the program's windows use.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/tool/TransferArguments.h"

extern const char* const TransferUsage;

// Runs a checked command on the catalogue of DataDir (ending in "/"). Exit status: 0 done, 1 failed or, for
// an import, stopped at a malformed disc.
int RunTransferCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                       std::ostream& Err);
