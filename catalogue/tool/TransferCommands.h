// orbelune-cat's export and import commands, on the same export and import the program's windows use.
#pragma once

#include <ostream>
#include <string>
#include <vector>

extern const char* const TransferUsage;

bool IsTransferCommand(const std::string& Command);
// Args from the command name on; empty when they make a valid command, else what is wrong with them.
std::string TransferUsageError(const std::vector<std::string>& Args);
// Runs a checked command on the catalogue of DataDir (ending in "/"). Exit status: 0 done, 1 failed or, for
// an import, stopped at a malformed disc.
int RunTransferCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                       std::ostream& Err);
