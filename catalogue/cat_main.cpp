// orbelune-cat: the disc catalogue from the command line.
#include <iostream>

#include "catalogue/CatalogueTool.h"

int main(int argc, char** argv) {
    return RunCatalogueTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
