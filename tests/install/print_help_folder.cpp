// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: prints the help folder that a program in the given folder would use.
#include "product/HelpPages.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: print_help_folder PROGRAM-FOLDER\n");
        return 2;
    }
    std::printf("%s\n", dirlix::HelpFolder(argv[1]).c_str());
    return 0;
}
