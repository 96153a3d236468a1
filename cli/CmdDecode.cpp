#include <cstdio>

#include "cli/Commands.h"

int RunDecode(int, char**) {
    std::fprintf(stderr, "vavirir-cli decode: not built yet\n");
    return 1;
}
