#include <cstdio>

#include "cli/Commands.h"

int RunPorts(int, char**) {
    std::fprintf(stderr, "vavirir-cli ports: not built yet\n");
    return 1;
}
