// orbelune-cat: the disc catalogue from the command line.
//
// Loading Qt Core and its libraries takes longer than showing a disc: this program links none of Qt. It
// shows a disc and tells its usage itself, and starts orbelune-cat-full for every other command. An
// installed orbelune-cat-full lies in the helper folder (ORBELUNE_HELPER_DIR, relative to this program's
// folder); in the build tree it lies beside this program.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <limits.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "catalogue/tool/CatalogueShow.h"
#include "catalogue/tool/TerminalOutput.h"

int main(int argc, char** argv) {
    const TTerminalGuard guard;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const int status = RunQuickCatalogueCommand(args, std::cout, std::cerr); status >= 0) return status;
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string folder(path, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    folder.erase(folder.rfind('/') + 1);
    std::string program = folder + ORBELUNE_HELPER_DIR "/orbelune-cat-full";
    if (::access(program.c_str(), X_OK) != 0) program = folder + "orbelune-cat-full";
    std::vector<char*> argvFull = {program.data()};
    for (int i = 1; i < argc; ++i)
        argvFull.push_back(argv[i]);
    argvFull.push_back(nullptr);
    std::cout.flush();
    ::execv(program.c_str(), argvFull.data());
    std::cerr << "orbelune-cat: cannot start " << program << ": " << std::strerror(errno) << "\n";
    return 1;
}
