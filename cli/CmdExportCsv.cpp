// vavirir-cli export --csv: a data file's list as CSV.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/OutputCheck.h"
#include "docview/CsvExport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"

int RunExportCsv(int argc, char** argv) {
    if (argc != 2 || argv[0][0] == '-' || argv[1][0] == '-') {
        std::fputs("usage: vavirir-cli export --csv FILE OUT.csv\n", stderr);
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
    if (!HasExportableRecords(doc)) {
        std::fprintf(stderr, "%s has no records to export.\n", argv[0]);
        return 1;
    }
    try {
        ExportCsvFile(doc, argv[1]);
    } catch (const CExportError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
