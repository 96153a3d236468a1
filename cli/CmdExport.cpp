// vavirir-cli export: a data file's document as a spreadsheet file, or with
// --csv its list as CSV.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/Commands.h"
#include "cli/OutputCheck.h"
#include "docview/CsvExport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"

namespace {

using ExportWriter = void (*)(const CRoZudozuvDoc&, const std::string&);

int ExportWith(ExportWriter write, const char* usage, int argc, char** argv) {
    if (argc != 2 || argv[0][0] == '-' || argv[1][0] == '-') {
        std::fputs(usage, stderr);
        return 2;
    }
    if (const int refused =
            CheckFiles("export", {{"the input", argv[0]}}, {{"the output", argv[1]}})) {
        return refused;
    }
    CRoZudozuvDoc doc;
    try {
        LoadDocumentFile(argv[0], doc);
    } catch (const CDataFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // The export command does nothing for a document without main records; here
    // that is reported rather than passed off as a written file.
    if (!HasExportableRecords(doc)) {
        std::fprintf(stderr, "%s has no records to export.\n", argv[0]);
        return 1;
    }
    try {
        write(doc, argv[1]);
    } catch (const CExportError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int RunExport(int argc, char** argv) {
    if (argc > 0 && std::string_view(argv[0]) == "--csv") {
        return ExportWith(ExportCsvFile, "usage: vavirir-cli export --csv FILE OUT.csv\n", argc - 1,
                          argv + 1);
    }
    return ExportWith(ExportDocumentFile, "usage: vavirir-cli export FILE OUT.xls\n", argc, argv);
}
