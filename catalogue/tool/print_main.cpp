// orbelune-cat-print: orbelune-cat's commands that need the picture, sound, network or GUI libraries
// (print, export, import and lookup), which orbelune-cat-full starts; it takes orbelune-cat's arguments.
#include <iostream>

#include "catalogue/tool/CatalogueTool.h"
#include "catalogue/tool/TerminalOutput.h"

int main(int argc, char** argv) {
    const TTerminalGuard guard;
    return RunCatalogueTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
