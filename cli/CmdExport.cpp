// vavirir-cli export: a data file's document as a spreadsheet file, or with
// --csv its list as CSV.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/CliSupport.h"
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

int ExportWith(ExportWriter write, int argc, char** argv) {
    std::string problem;
    if (argc != 2) {
        problem = "FILE and OUT are needed";
    } else if (std::string_view(argv[1]) == "-") {
        problem = "OUT needs a file name; \"-\" (the standard output) is not one";
    } else if (argv[0][0] == '-' || argv[1][0] == '-') {
        problem = std::string("unexpected argument ") + (argv[0][0] == '-' ? argv[0] : argv[1]);
    } else if (*argv[0] == '\0' || *argv[1] == '\0') {
        problem = *argv[0] == '\0' ? "FILE needs a file name, not \"\""
                                   : "OUT needs a file name, not \"\"";
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "vavirir-cli export: %s\n%s", problem.c_str(), kUsage);
        return 2;
    }
    if (const int refused =
            CheckFiles("export", {{"the input", argv[0]}}, {{"the output", argv[1]}})) {
        return refused;
    }
    CRoZudozuvDoc doc;
    if (!LoadDataFile("export", argv[0], doc)) {
        return 1;
    }
    // The export command does nothing for a document without main records; here
    // that is reported rather than passed off as a written file.
    if (!HasExportableRecords(doc)) {
        Say("export", "%s has no records to export.", argv[0]);
        return 1;
    }
    try {
        write(doc, argv[1]);
    } catch (const CExportError& e) {
        Say("export", "%s", FileMessage(argv[1], e.what()).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

const char* ExportHelp() {
    return kUsage;
}

int RunExport(int argc, char** argv) {
    if (argc > 0 && std::string_view(argv[0]) == "--csv") {
        return ExportWith(ExportCsvFile, argc - 1, argv + 1);
    }
    return ExportWith(ExportDocumentFile, argc, argv);
}
