#include <cstdio>

#include "cli/Commands.h"

int RunExport(int, char**) {
    std::fprintf(stderr, "vavirir-cli export: not built yet\n");
    return 1;
}
