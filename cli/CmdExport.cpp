// vavirir-cli export: a data file's document as a spreadsheet file, or with
// --csv its list as CSV.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputCheck.h"
#include "docview/CsvExport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"

namespace {

using ExportWriter = void (*)(const CRoZudozuvDoc&, const std::string&);

constexpr const char* kUsage =
    "usage: vavirir-cli export FILE OUT.xls\n"
    "       vavirir-cli export --csv FILE OUT.csv\n"
    "  Writes the data file FILE as the program's Export To Excel does (OUT.xls),\n"
    "  or with --csv as its Export To CSV does (OUT.csv). OUT may not be FILE\n"
    "  itself (exit 2); a FILE without records writes nothing (exit 1).\n";

struct ExportOptions {
    bool csv = false;
    std::string file;
    std::string out;
};

ExportOptions ParseOptions(int argc, char** argv) {
    ExportOptions options;
    std::vector<std::string> operands;
    CCommandLine line;
    line.Flag("--csv", options.csv);
    line.Operands([&](const std::string& operand) { operands.push_back(operand); });
    line.Parse(argc, argv);
    if (operands.size() != 2) {
        throw UsageError("FILE and OUT are needed");
    }
    const std::string& file = operands[0];
    const std::string& out = operands[1];
    if (out == "-") {
        throw UsageError("OUT needs a file name; \"-\" (the standard output) is not one");
    }
    if (file.starts_with('-') || out.starts_with('-')) {
        throw UsageError("unexpected argument " + (file.starts_with('-') ? file : out));
    }
    RequireNonEmptyPath(file, "FILE");
    RequireNonEmptyPath(out, "OUT");
    options.file = file;
    options.out = out;
    return options;
}

int Export(const ExportOptions& options) {
    const ExportWriter write = options.csv ? ExportCsvFile : ExportDocumentFile;
    const char* const input = options.file.c_str();
    const char* const output = options.out.c_str();
    if (const int refused =
            CheckFiles("export", {{"the input", input}}, {{"the output", output}})) {
        return refused;
    }
    CRoZudozuvDoc doc;
    if (!LoadDataFile("export", input, doc)) {
        return 1;
    }
    // The export command does nothing for a document without main records; here
    // that is reported rather than passed off as a written file.
    if (!HasExportableRecords(doc)) {
        Say("export", "%s has no records to export.", input);
        return 1;
    }
    try {
        write(doc, output);
    } catch (const CExportError& e) {
        Say("export", "%s", FileMessage(output, e.what()).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

const char* ExportHelp() {
    return kUsage;
}

int RunExport(int argc, char** argv) {
    return RunCommand("export", kUsage, argc, argv, ParseOptions, Export);
}
