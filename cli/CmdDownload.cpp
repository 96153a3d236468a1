#include <cstdio>

#include "cli/Commands.h"

int RunDownload(int, char**) {
    std::fprintf(stderr, "vavirir-cli download: not built yet\n");
    return 1;
}
