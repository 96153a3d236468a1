// vavirir-cli: the headless tool. Every subcommand shares the core with the GUI.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* usage;
    const char* (*help)();
};

const Command kCommands[] = {
    {"decode", RunDecode, "decode [--hex] [--chunk N] FILE|-", DecodeHelp},
    {"replay", RunReplay,
     "replay [--hex] [--chunk N] [--now \"YYYY-MM-DD HH:MM:SS\"] [--no-start] STREAM --out-dir "
     "DIR",
     ReplayHelp},
    {"dump", RunDump, "dump [--json] FILE", DumpHelp},
    {"export", RunExport, "export [--csv] FILE OUT.xls|OUT.csv", ExportHelp},
    {"ports", RunPorts, "ports", PortsHelp},
    {"record", RunRecord,
     "record --port P [--count N] [--seconds S] [--reconnect] --out F.txt [--xls F.xls] "
     "[--jsonl J|-]",
     RecordHelp},
    {"download", RunDownload, "download --port P --out F.txt [--timeout S]", DownloadHelp},
    {"journals", RunJournals, "journals [--discard ID]", JournalsHelp},
    {"recover", RunRecover, "recover ID --out F.txt [--keep]", RecoverHelp},
    {"fft", RunFft,
     "fft FILE --start A --finish B [--size N] [--window "
     "none|hamming|hanning|triangle|blackman|blackman-harris] [--frequency]",
     FftHelp},
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
    std::fprintf(out, "\nvavirir-cli COMMAND --help describes a command; man vavirir-cli all.\n");
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that went away (`| head`) makes writes fail with EPIPE instead of
    // killing the command before it can save; its end is then a quiet one.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        Say("", "COMMAND is missing");
        PrintUsage(stderr);
        return 2;
    }
    if (IsHelp(argv[1])) {
        PrintUsage(stdout);
        return FinishOutput("", 0);
    }
    if (IsVersion(argv[1])) {
        return FinishOutput("", PrintVersion());
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) {
            continue;
        }
        // Help and version are answered before a command reads its arguments,
        // wherever they stand, so no command has to know them.
        for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
            if (IsHelp(argv[i])) {
                std::fputs(c.help(), stdout);
                return FinishOutput(c.name, 0);
            }
            if (IsVersion(argv[i])) {
                return FinishOutput(c.name, PrintVersion());
            }
        }
        return FinishOutput(c.name, c.run(argc - 2, argv + 2));
    }
    Say("", "unknown command '%s'", argv[1]);
    PrintUsage(stderr);
    return 2;
}
