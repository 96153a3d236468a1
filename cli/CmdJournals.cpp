// vavirir-cli journals and recover: the crash journals that recordings left
// behind, listed, and one of them written as a data file.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/OutputCheck.h"
#include "docview/DataFile.h"
#include "docview/FallbackSave.h"
#include "record/Journal.h"

namespace {

constexpr const char* kJournalsUsage =
    "usage: vavirir-cli journals\n"
    "  Lists the crash journals in $XDG_STATE_HOME/vavirir/journal, oldest first,\n"
    "  one a line: ID, start (local time), readings, document name, then \"in use\"\n"
    "  while its recording still runs and what was damaged, tab-separated.\n";

constexpr const char* kRecoverUsage =
    "usage: vavirir-cli recover ID --out F.txt [--keep]\n"
    "  Writes the recording of journal ID as the data file F.txt (summary rebuilt\n"
    "  from the records) and removes the journal, unless --keep.\n";

struct RecoverOptions {
    std::string id;
    std::string out;
    bool keep = false;
};

RecoverOptions ParseRecover(int argc, char** argv) {
    RecoverOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out") {
            options.out = PathValue(argc, argv, i);
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (options.id.empty() && !arg.empty() && arg[0] != '-') {
            options.id = arg;
        } else {
            throw UsageError("unexpected argument " + arg);
        }
    }
    RequireArgument(!options.id.empty(), "ID");
    RequireArgument(!options.out.empty(), "--out");
    if (options.id.find('/') != std::string::npos || options.id[0] == '.') {
        throw UsageError("ID is a name from vavirir-cli journals, not a path");
    }
    return options;
}

int Recover(const RecoverOptions& options) {
    if (const int refused = CheckFiles("recover", {}, {{"--out", options.out}})) {
        return refused;
    }
    const std::string folder = JournalFolder();
    const std::string path = JournalPath(folder, options.id);
    std::optional<CJournalFile> file;
    try {
        file = CJournalFile::Lock(path);
    } catch (const CJournalError& error) {
        std::fprintf(stderr, "vavirir-cli recover: no journal %s: %s\n", options.id.c_str(),
                     error.what());
        return 1;
    }
    if (!file) {
        std::fprintf(stderr, "vavirir-cli recover: journal %s is in use by a running recording\n",
                     options.id.c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bytes = file->ReadAll();
    const JournalContents contents = ParseJournal(bytes.data(), bytes.size());
    if (!contents.headerOk) {
        std::fprintf(stderr, "vavirir-cli recover: %s: %s\n", path.c_str(),
                     contents.headerProblem.c_str());
        return 1;
    }
    if (!contents.DamageText().empty()) {
        std::fprintf(stderr, "vavirir-cli recover: %s\n", contents.DamageText().c_str());
    }
    CRoZudozuvDoc doc;
    RebuildFromJournal(contents.entries, doc);
    try {
        SaveDocumentFile(doc, options.out);
    } catch (const CDataFileError& error) {
        std::fprintf(stderr, "vavirir-cli recover: cannot save to %s: %s\n", options.out.c_str(),
                     error.what());
        return 1;
    }
    std::fprintf(stderr, "vavirir-cli recover: %zu records saved to %s\n", contents.entries.size(),
                 options.out.c_str());
    if (!options.keep) {
        if (const int error = file->Remove()) {
            std::fprintf(stderr, "vavirir-cli recover: journal %s was not removed: %s\n",
                         options.id.c_str(), std::strerror(error));
            return 1;
        }
        std::fprintf(stderr, "vavirir-cli recover: journal %s removed\n", options.id.c_str());
    }
    return 0;
}

}  // namespace

int RunJournals(int argc, char** argv) {
    (void)argv;
    if (argc != 0) {
        std::fputs(kJournalsUsage, stderr);
        return 2;
    }
    const std::string folder = JournalFolder();
    std::vector<std::string> ids;
    try {
        ids = ListJournalIds(folder);
    } catch (const CJournalError& error) {
        std::fprintf(stderr, "vavirir-cli journals: %s\n", error.what());
        return 1;
    }
    for (const std::string& id : ids) {
        const std::string path = JournalPath(folder, id);
        try {
            const JournalContents contents = ReadJournalFile(path);
            if (!contents.headerOk) {
                std::printf("%s\t\t0\t\t%s\n", id.c_str(), contents.headerProblem.c_str());
                continue;
            }
            std::string notes = JournalInUse(path) ? "in use" : "";
            if (!contents.DamageText().empty()) {
                notes += (notes.empty() ? "" : "; ") + contents.DamageText();
            }
            std::printf("%s\t%s\t%zu\t%s\t%s\n", id.c_str(),
                        FormatJournalTime(contents.header.createdAt).c_str(),
                        contents.entries.size(), contents.header.documentName.c_str(),
                        notes.c_str());
        } catch (const CJournalError& error) {
            std::printf("%s\t\t0\t\t%s\n", id.c_str(), error.what());
        }
    }
    return 0;
}

int RunRecover(int argc, char** argv) {
    return RunCommand("recover", kRecoverUsage, argc, argv, ParseRecover, Recover);
}

const char* JournalsHelp() {
    return kJournalsUsage;
}

const char* RecoverHelp() {
    return kRecoverUsage;
}
