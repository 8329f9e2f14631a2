#include "app/StartupOptions.h"

bool IsAutoPlaySwitch(const std::string& Argument) {
    return Argument == "/P" || Argument == "/p";
}

TStartupOptions ParseStartupOptions(const std::vector<std::string>& Args) {
    TStartupOptions Options;
    Options.AutoPlaySwitch = !Args.empty() && IsAutoPlaySwitch(Args.front());
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& Arg = Args[I];
        if (Arg == "--drive") {
            if (I + 1 >= Args.size() || Args[I + 1].empty()) {
                Options.Error = "--drive needs the path of a CD device or disc image";
                return Options;
            }
            Options.DrivePath = Args[++I];
        } else if (Arg.rfind("--drive=", 0) == 0) {
            Options.DrivePath = Arg.substr(8);
            if (Options.DrivePath.empty())
                Options.Error = "--drive needs the path of a CD device or disc image";
        } else if (Arg == "--toc") {
            Options.TocReport = true;
            if (I + 1 < Args.size() && Args[I + 1].rfind("--", 0) != 0) Options.TocPath = Args[++I];
        }
    }
    // "--drive X --toc" reports on X.
    if (Options.TocReport && Options.TocPath.empty()) Options.TocPath = Options.DrivePath;
    return Options;
}

std::vector<std::string> ArgumentsOf(int argc, char* argv[]) {
    std::vector<std::string> Args;
    for (int I = 1; I < argc; ++I)
        Args.emplace_back(argv[I]);
    return Args;
}
