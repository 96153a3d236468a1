#include "docview/CsvExport.h"

#include <charconv>

#include "decode/MeterReading.h"
#include "docview/Export.h"
#include "docview/FileIo.h"
#include "record/ListRows.h"

namespace {

constexpr const char* kFailedToExport = "Failed to export the data to %1.";
constexpr const char* kHeader = "id,time,value,unit,type,overload\r\n";

// "%.9g" without depending on the process locale (the GUI sets one).
void AppendValue(std::string& out, double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    out.append(text, result.ptr);
}

void AppendRow(std::string& out, std::size_t id, const CObData& record) {
    out += std::to_string(id);
    out += ',';
    out += CsvField(IsoTimeOf(record));
    out += ',';
    const bool overload = record.value == kOverloadValue;
    if (!overload) {
        AppendValue(out, record.value);
    }
    out += ',';
    out += CsvField(record.unit);
    out += ',';
    out += CsvField(record.typeText);
    out += overload ? ",1\r\n" : ",0\r\n";
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\t\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvBytes(const CRoZudozuvDoc& doc) {
    std::string out = kHeader;
    std::size_t id = 0;
    for (const RecordRef& ref : ListRecordOrder(doc)) {
        AppendRow(out, ++id, doc.channels[ref.channel][ref.index]);
    }
    return out;
}

void ExportCsvFile(const CRoZudozuvDoc& doc, const std::string& path) {
    const std::vector<RecordRef> order = ListRecordOrder(doc);
    const int error = ReplaceFileContents(path, [&doc, &order](CFileSink& sink) {
        sink.Put(kHeader, std::char_traits<char>::length(kHeader));
        std::string row;
        std::size_t id = 0;
        for (const RecordRef& ref : order) {
            row.clear();
            AppendRow(row, ++id, doc.channels[ref.channel][ref.index]);
            sink.Put(row.data(), row.size());
        }
    });
    if (error != 0) {
        std::string fallback = kFailedToExport;
        fallback.replace(fallback.find("%1"), 2, path);
        throw CExportError(FileErrorMessage(error, path, FileAction::Write, fallback));
    }
}
