#include <iostream>

#include "tools/vorn-setup/VornSetup.h"

int main(int argc, char** argv)
{
    return RunVornSetup(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
