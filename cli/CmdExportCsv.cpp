// vavirir-cli export --csv: a data file's list as CSV.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/Commands.h"
#include "docview/CsvExport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"

namespace {

// Writing the CSV over its own source would destroy the recording.
bool SameFile(const char* a, const char* b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

}  // namespace

int RunExportCsv(int argc, char** argv) {
    if (argc != 2 || argv[0][0] == '-' || argv[1][0] == '-') {
        std::fputs("usage: vavirir-cli export --csv FILE OUT.csv\n", stderr);
        return 2;
    }
    if (SameFile(argv[0], argv[1])) {
        std::fprintf(stderr,
                     "vavirir-cli export: %s would overwrite the data file it is made from\n",
                     argv[1]);
        return 2;
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
