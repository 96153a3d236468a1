#include <cstdio>

#include "cli/Commands.h"

int RunDump(int, char**) {
    std::fprintf(stderr, "vavirir-cli dump: not built yet\n");
    return 1;
}
