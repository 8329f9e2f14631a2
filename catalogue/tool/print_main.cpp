// orbelune-cat-print: orbelune-cat's print command, which orbelune-cat starts; it takes orbelune-cat's
// arguments.
#include <iostream>

#include "catalogue/tool/CatalogueTool.h"

int main(int argc, char** argv) {
    return RunCatalogueTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
