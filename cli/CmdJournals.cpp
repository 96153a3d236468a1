// vavirir-cli journals and recover: the crash journals that recordings left
// behind, listed, and one of them written as a data file.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputCheck.h"
#include "docview/DataFile.h"
#include "docview/FallbackSave.h"
#include "record/Journal.h"

namespace {

constexpr const char* kJournalsUsage =
    "usage: vavirir-cli journals [--discard ID]\n"
    "  Lists the crash journals in $XDG_STATE_HOME/vavirir/journal, oldest first,\n"
    "  one a line: ID, start (local time), readings, document name, then \"in use\"\n"
    "  while its recording still runs and what was damaged, tab-separated. A\n"
    "  journal whose header is damaged is listed with \"damaged: \" and why.\n"
    "  Control characters in names are written as \\n, \\t, \\r, \\xHH or \\u00HH,\n"
    "  and \\ as \\\\.\n"
    "  --discard ID  deletes the journal ID instead (also a damaged one); not\n"
    "                while its recording runs. Give an ID that starts with \"-\"\n"
    "                after \"--\".\n";

constexpr const char* kRecoverUsage =
    "usage: vavirir-cli recover ID --out F.txt [--keep]\n"
    "  Writes the recording of journal ID as the data file F.txt, its summary\n"
    "  rebuilt as the recording built it, and removes the journal, unless --keep.\n"
    "  Damaged entries are skipped and every entry after them that is whole is\n"
    "  recovered; a journal that lost anything is kept. Give an ID that starts\n"
    "  with \"-\" after \"--\".\n";

// A journal id as given on the command line: a file name, never a path.
void RequireJournalId(const std::string& id) {
    RequireArgument(!id.empty(), "ID");
    if (id.find('/') != std::string::npos || id[0] == '.') {
        throw UsageError("ID is a name from vavirir-cli journals, not a path");
    }
}

// Text safe to print on one line of the listing: control characters (C0, DEL
// and C1) and the backslash are escaped, so no name can start a new line or
// a new column, or steer the terminal.
std::string Escaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        char hex[8];
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            out += hex;
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            std::snprintf(hex, sizeof hex, "\\u%04x", next);  // a C1 control in UTF-8
            out += hex;
            ++i;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

struct RecoverOptions {
    std::string id;
    std::string out;
    bool keep = false;
};

RecoverOptions ParseRecover(int argc, char** argv) {
    RecoverOptions options;
    CCommandLine line;
    line.Option("--out",
                [&](const std::string& value) { options.out = PathValue("--out", value); });
    line.Flag("--keep", options.keep);
    line.Operands([&](const std::string& operand) {
        if (!options.id.empty() || operand.empty()) {
            throw UsageError("unexpected argument " + operand);
        }
        options.id = operand;
    });
    line.Parse(argc, argv);
    RequireJournalId(options.id);
    RequireArgument(!options.out.empty(), "--out");
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
        std::fprintf(stderr, "vavirir-cli recover: no journal %s: %s\n",
                     Escaped(options.id).c_str(), error.what());
        return 1;
    }
    if (!file) {
        std::fprintf(stderr, "vavirir-cli recover: journal %s is in use by a running recording\n",
                     Escaped(options.id).c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bytes = file->ReadAll();
    const JournalContents contents = ParseJournal(bytes.data(), bytes.size());
    if (!contents.headerOk) {
        std::fprintf(
            stderr, "vavirir-cli recover: %s: %s; vavirir-cli journals --discard %s%s deletes it\n",
            Escaped(path).c_str(), contents.headerProblem.c_str(),
            options.id[0] == '-' ? "-- " : "", Escaped(options.id).c_str());
        return 1;
    }
    if (contents.LostAnything()) {
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
    if (contents.LostAnything()) {
        std::fprintf(stderr,
                     "vavirir-cli recover: journal %s kept, since part of it could not be read\n",
                     Escaped(options.id).c_str());
    } else if (!options.keep) {
        if (const int error = file->Remove()) {
            std::fprintf(stderr, "vavirir-cli recover: journal %s was not removed: %s\n",
                         Escaped(options.id).c_str(), std::strerror(error));
            return 1;
        }
        std::fprintf(stderr, "vavirir-cli recover: journal %s removed\n",
                     Escaped(options.id).c_str());
    }
    return 0;
}

struct JournalsOptions {
    std::string discard;  // the journal to delete, or none: list them
};

JournalsOptions ParseJournals(int argc, char** argv) {
    JournalsOptions options;
    bool discard = false;
    std::vector<std::string> ids;
    CCommandLine line;
    line.Flag("--discard", discard);
    line.Operands([&](const std::string& operand) { ids.push_back(operand); });
    line.Parse(argc, argv);
    // The ID belongs to --discard; the listing takes none.
    for (const std::string& id : ids) {
        if (!discard || !options.discard.empty() || id.empty()) {
            throw UsageError("unexpected argument " + id);
        }
        options.discard = id;
    }
    if (discard) {
        RequireJournalId(options.discard);
    }
    return options;
}

int Discard(const std::string& id) {
    const std::string path = JournalPath(JournalFolder(), id);
    std::optional<CJournalFile> file;
    try {
        file = CJournalFile::Lock(path);
    } catch (const CJournalError& error) {
        std::fprintf(stderr, "vavirir-cli journals: no journal %s: %s\n", Escaped(id).c_str(),
                     error.what());
        return 1;
    }
    if (!file) {
        std::fprintf(stderr, "vavirir-cli journals: journal %s is in use by a running recording\n",
                     Escaped(id).c_str());
        return 1;
    }
    if (const int error = file->Remove()) {
        std::fprintf(stderr, "vavirir-cli journals: journal %s was not removed: %s\n",
                     Escaped(id).c_str(), std::strerror(error));
        return 1;
    }
    std::fprintf(stderr, "vavirir-cli journals: journal %s discarded\n", Escaped(id).c_str());
    return 0;
}

// One line of the listing; every field escaped.
void PrintJournal(const std::string& folder, const std::string& id) {
    const std::string path = JournalPath(folder, id);
    std::string time;
    std::size_t readings = 0;
    std::string name;
    std::string notes;
    try {
        const JournalContents contents = ReadJournalFile(path);
        if (contents.headerOk) {
            time = FormatJournalTime(contents.header.createdAt);
            readings = contents.entries.size();
            name = contents.header.documentName;
            notes = JournalInUse(path) ? "in use" : "";
            if (contents.LostAnything()) {
                notes += (notes.empty() ? "" : "; ") + contents.DamageText();
            }
        } else {
            notes = "damaged: " + contents.headerProblem;
        }
    } catch (const CJournalError& error) {
        notes = error.what();
    }
    std::printf("%s\t%s\t%zu\t%s\t%s\n", Escaped(id).c_str(), time.c_str(), readings,
                Escaped(name).c_str(), Escaped(notes).c_str());
}

int Journals(const JournalsOptions& options) {
    if (!options.discard.empty()) {
        return Discard(options.discard);
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
        PrintJournal(folder, id);
    }
    return 0;
}

}  // namespace

int RunJournals(int argc, char** argv) {
    return RunCommand("journals", kJournalsUsage, argc, argv, ParseJournals, Journals);
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
