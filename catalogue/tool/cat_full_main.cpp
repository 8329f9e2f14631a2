// orbelune-cat-full: the commands of orbelune-cat that need Qt Core, which orbelune-cat starts from its
// own folder; it takes orbelune-cat's arguments.
//
// Print, export, import and lookup need the picture, sound, network and GUI libraries, whose loading
// would take several times longer than a list: this program links only what its other commands need,
// and leaves those four to orbelune-cat-print, which lies beside it.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <limits.h>
#include <unistd.h>

#include "catalogue/tool/CatalogueTool.h"
#include "catalogue/tool/TerminalOutput.h"

namespace {

// The folder of this program's file, ending in "/"; empty when it cannot be found.
std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string folder(path, static_cast<std::size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    return folder;
}

// Replaces this process by orbelune-cat-print with the same command on the same folder.
int StartLibraryProgram(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                        std::ostream& Err) {
    const std::string program = OwnFolder() + "orbelune-cat-print";
    std::vector<std::string> args = {program, "--dir", DataDir};
    args.insert(args.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Out.flush();
    Err.flush();
    ::execv(program.c_str(), argv.data());
    Err << "orbelune-cat: cannot start " << program << " for the '" << Args[0]
        << "' command: " << std::strerror(errno) << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const TTerminalGuard guard;
    return RunCatalogueTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                            StartLibraryProgram);
}
