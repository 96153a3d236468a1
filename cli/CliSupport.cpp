#include "cli/CliSupport.h"

std::string OptionValue(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        throw UsageError(std::string(argv[i]) + " needs a value");
    }
    return argv[++i];
}
