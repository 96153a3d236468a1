#include "cli/CliSupport.h"

std::string OptionValue(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        throw UsageError(std::string(argv[i]) + " needs a value");
    }
    return argv[++i];
}

void RequireArgument(bool given, const char* what) {
    if (!given) {
        throw UsageError(std::string(what) + " is missing");
    }
}
