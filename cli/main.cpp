// vavirir-cli: the headless tool. Every subcommand shares the core with the GUI.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* usage;
};

const Command kCommands[] = {
    {"decode", RunDecode, "decode [--hex] [--chunk N] FILE|-"},
    {"replay", RunReplay,
     "replay [--hex] [--chunk N] [--now \"YYYY-MM-DD HH:MM:SS\"] [--no-start] STREAM --out-dir "
     "DIR"},
    {"dump", RunDump, "dump [--json] FILE"},
    {"export", RunExport, "export [--csv] FILE OUT.xls|OUT.csv"},
    {"ports", RunPorts, "ports"},
    {"record", RunRecord,
     "record --port P [--count N] [--seconds S] [--reconnect] --out F.txt [--xls F.xls] "
     "[--jsonl J|-]"},
    {"download", RunDownload, "download --port P --out F.txt [--timeout S]"},
    {"journals", RunJournals, "journals [--discard ID]"},
    {"recover", RunRecover, "recover ID --out F.txt [--keep]"},
    {"fft", RunFft,
     "fft FILE --start A --finish B [--size N] [--window "
     "none|hamming|hanning|triangle|blackman|blackman-harris] [--frequency]"},
};

bool IsHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

bool IsVersion(const char* arg) {
    return std::strcmp(arg, "--version") == 0;
}

int PrintVersion() {
    std::printf("vavirir-cli %s\n", VAVIRIR_VERSION);
    return 0;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: vavirir-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : kCommands) {
        std::fprintf(out, "  vavirir-cli %s\n", c.usage);
    }
}

// A command that succeeded but whose output did not all arrive has failed:
// the last buffered lines are written here at the latest.
int CheckOutput(const char* name, int exitCode) {
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && exitCode == 0) {
        std::fprintf(stderr, "vavirir-cli%s%s: cannot write the output: %s\n", *name ? " " : "",
                     name, std::strerror(errno));
        return 1;
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that went away (`| head`) makes writes fail with EPIPE, which
    // each command reports, instead of killing it before it can save.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (IsHelp(argv[1])) {
        PrintUsage(stdout);
        return CheckOutput("", 0);
    }
    if (IsVersion(argv[1])) {
        return CheckOutput("", PrintVersion());
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) {
            continue;
        }
        // Help and version are answered before a command reads its arguments,
        // wherever they stand, so no command has to know them.
        for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
            if (IsHelp(argv[i])) {
                std::printf("usage: vavirir-cli %s\n", c.usage);
                return CheckOutput(c.name, 0);
            }
            if (IsVersion(argv[i])) {
                return CheckOutput(c.name, PrintVersion());
            }
        }
        return CheckOutput(c.name, c.run(argc - 2, argv + 2));
    }
    std::fprintf(stderr, "vavirir-cli: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
