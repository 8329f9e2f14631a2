#include "catalogue/tool/TransferArguments.h"

bool IsTransferCommand(const std::string& Command) {
    return Command == "export" || Command == "import";
}

std::string TransferUsageError(const std::vector<std::string>& Args) {
    TTransferArgs parsed;
    return ParseTransferArgs(Args, parsed);
}

std::string ParseTransferArgs(const std::vector<std::string>& Args, TTransferArgs& Parsed) {
    const bool isExport = Args[0] == "export";
    int files = 0;
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        bool* flag = nullptr;
        if (isExport && a == "--csv") flag = &Parsed.Csv;
        if (isExport && a == "--force") flag = &Parsed.Force;
        if (!isExport && a == "--v3") flag = &Parsed.V3;
        if (!isExport && a == "--windows") flag = &Parsed.Windows;
        if (!isExport && a == "--merge") flag = &Parsed.Merge;
        if (flag) {
            *flag = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Args[0] + ": unknown option '" + a + "'";
        } else {
            Parsed.File = a;
            ++files;
        }
    }
    if (files != 1) return Args[0] + " needs one file name";
    if (Parsed.V3 && Parsed.Windows) return "import reads either --v3 or --windows, not both";
    return {};
}
