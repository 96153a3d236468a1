#include <cstdio>

#include "cli/Commands.h"

int RunReplay(int, char**) {
    std::fprintf(stderr, "vavirir-cli replay: not built yet\n");
    return 1;
}
