#include <cstdio>

#include "cli/Commands.h"

int RunRecord(int, char**) {
    std::fprintf(stderr, "vavirir-cli record: not built yet\n");
    return 1;
}
