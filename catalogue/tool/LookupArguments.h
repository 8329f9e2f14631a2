// orbelune-cat's lookup arguments, checked before the data folder is looked at.
#pragma once

#include <string>
#include <vector>

struct TLookupArgs {
    std::string Code;
    int Pick = 0;
    bool Fill = false;
};

bool IsLookupCommand(const std::string& Command);
// Empty when Args (starting with "lookup") are well formed, else what is wrong.
std::string LookupUsageError(const std::vector<std::string>& Args);
// Empty when Args are well formed, with Parsed filled in; else what is wrong with them.
std::string ParseLookupArgs(const std::vector<std::string>& Args, TLookupArgs& Parsed);
