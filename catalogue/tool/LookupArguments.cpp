#include "catalogue/tool/LookupArguments.h"

bool IsLookupCommand(const std::string& Command) {
    return Command == "lookup";
}

std::string LookupUsageError(const std::vector<std::string>& Args) {
    TLookupArgs Parsed;
    return ParseLookupArgs(Args, Parsed);
}

std::string ParseLookupArgs(const std::vector<std::string>& Args, TLookupArgs& Parsed) {
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        if (a == "--fill") {
            Parsed.Fill = true;
        } else if (a == "--pick") {
            if (i + 1 >= Args.size()) return "--pick needs a match number";
            const std::string& n = Args[++i];
            if (n.empty() || n.size() > 3 || n.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(n) < 1)
                return "--pick needs a match number from 1, not '" + n + "'";
            Parsed.Pick = std::stoi(n);
        } else if (a.size() > 1 && a[0] == '-') {
            return "lookup: unknown option '" + a + "'";
        } else if (!Parsed.Code.empty()) {
            return "lookup takes one disc code";
        } else {
            Parsed.Code = a;
        }
    }
    if (Parsed.Fill && (!Parsed.Code.empty() || Parsed.Pick))
        return "lookup --fill takes no code and no --pick";
    if (!Parsed.Fill && Parsed.Code.empty()) return "lookup needs a disc code, or --fill";
    if (Parsed.Code.size() > 16) return "a disc code has at most 16 characters";
    return {};
}
