#pragma once

// What every subcommand of vavirir-cli shares: the usage error, reading an
// option's value, and the run that turns both kinds of failure into exit codes.

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

// A command line the subcommand cannot accept; it ends with exit code 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The value after the option at argv[i]; moves i onto it. Throws UsageError
// when the option is the last argument.
std::string OptionValue(int argc, char** argv, int& i);

// Throws UsageError "<what> is missing" unless `given`.
void RequireArgument(bool given, const char* what);

// Parses the subcommand's options and runs it. A UsageError while parsing is
// printed with the usage text (exit 2); an exception while running is printed
// alone (exit 1).
template <typename Options>
int RunCommand(const char* name, const char* usage, int argc, char** argv,
               Options (*parse)(int, char**), int (*run)(const Options&)) {
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "vavirir-cli %s: %s\n%s", name, error.what(), usage);
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vavirir-cli %s: %s\n", name, error.what());
        return 1;
    }
}
