#pragma once

// What every subcommand of vavirir-cli shares: the usage error, checking an
// option's value, the messages that name the command, the end of the standard
// output, and the run that turns both kinds of failure into exit codes.

#include <cstddef>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

class CRoZudozuvDoc;

// A command line the subcommand cannot accept; it ends with exit code 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The value of the option `option` as the name of a file to write. Throws
// UsageError for an empty name, and for "-" unless the option takes the
// standard output.
enum class DashMeans { Refused, StandardOutput };
std::string PathValue(const std::string& option, const std::string& value,
                      DashMeans dash = DashMeans::Refused);

// The value of --chunk: a whole number of bytes from 1 to 1000000; throws
// UsageError for any other text.
std::size_t ChunkValue(const std::string& text);

// Throws UsageError "<what> needs a file name, not \"\"" for an empty path.
void RequireNonEmptyPath(const std::string& path, const char* what);

// Throws UsageError "<what> is missing" unless `given`.
void RequireArgument(bool given, const char* what);

// Writes "vavirir-cli <command>: <message>\n" to standard error.
void Say(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A file's error message on one line that names the file: "FILE: message",
// or the message alone when it already names it ("FILE\nCannot find this
// file." becomes "FILE: Cannot find this file.").
std::string FileMessage(const std::string& path, const std::string& message);

// True when standard output is a pipe or socket whose reader has gone away
// (`| head`): what was not written was not wanted.
bool OutputReaderGone();

// The end of a command's output. A reader that went away ends it quietly with
// the command's own exit code; any other failed write of standard output turns
// a success into exit code 1, with a message.
int FinishOutput(const char* command, int exitCode);

// Reads the data file at path into doc. On failure says
// "vavirir-cli <command>: FILE: why" and returns false.
bool LoadDataFile(const char* command, const std::string& path, CRoZudozuvDoc& doc);

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
        Say(name, "%s", error.what());
        return 1;
    }
}
