// orbelune-cat's export and import arguments, checked before the data folder is looked at.
#pragma once

#include <string>
#include <vector>

struct TTransferArgs {
    std::string File;
    bool Csv = false;
    bool Force = false;
    bool V3 = false;
    bool Windows = false;
    bool Merge = false;
};

bool IsTransferCommand(const std::string& Command);
// Args from the command name on; empty when they make a valid command, else what is wrong with them.
std::string TransferUsageError(const std::vector<std::string>& Args);
// Empty when Args are well formed, with Parsed filled in; else what is wrong with them.
std::string ParseTransferArgs(const std::vector<std::string>& Args, TTransferArgs& Parsed);
