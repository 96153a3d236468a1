#include "docview/Export.h"

#include <charconv>
#include <cstdio>

#include "decode/Clock.h"
#include "decode/MeterReading.h"
#include "docview/FileIo.h"
#include "docview/TextCodec.h"

namespace {

constexpr const char* kFailedToExport = "Failed to export the data to %1.";

// "%.4f" without depending on the process locale (the GUI sets one).
std::string FixedFour(double value) {
    char text[512];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    return std::string(text, result.ptr);
}

// The file is 8-bit text written in text mode: every line feed becomes CR LF.
class CExportText {
  public:
    void Text(const std::string& utf8) {
        for (char c : Utf8ToExportText(utf8)) {
            if (c == '\n') {
                m_bytes += '\r';
            }
            m_bytes += c;
        }
    }
    std::string Take() { return std::move(m_bytes); }

  private:
    std::string m_bytes;
};

}  // namespace

bool HasExportableRecords(const CRoZudozuvDoc& doc) {
    return !doc.channels[0].empty();
}

std::string ExportBytes(const CRoZudozuvDoc& doc) {
    const DocumentSummary& s = doc.summary;
    const std::vector<CObData>& records = doc.channels[0];
    const std::string lastTime = records.empty() ? std::string() : records.back().timeText;

    CExportText out;
    out.Text("StartTime\t" + s.startTime + "\t\n");
    out.Text("Max\t" + FixedFour(s.maximum) + " @ " + s.maximumTime + "\t\n");
    out.Text("Min\t" + FixedFour(s.minimum) + " @ " + s.minimumTime + "\t\n");
    out.Text("Average\t" + FixedFour(s.average) + "\t\n");
    out.Text("EndTime\t" + lastTime + "\t\n");
    out.Text("ID\tUnit\tValue\tType\tDateTime\t\n");
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CObData& r = records[i];
        const std::string valueText = r.value == kOverloadValue ? "OL" : FixedFour(r.value);
        out.Text(std::to_string(i + 1) + "\t" + r.unit + "\t" + valueText + "\t" + r.typeText +
                 "\t" + r.timeText + "\t\n");
    }
    return out.Take();
}

void ExportDocumentFile(const CRoZudozuvDoc& doc, const std::string& path) {
    const std::string bytes = ExportBytes(doc);
    const int error = ReplaceFileContents(
        path, [&bytes](CFileSink& sink) { sink.Put(bytes.data(), bytes.size()); });
    if (error != 0) {
        std::string fallback = kFailedToExport;
        fallback.replace(fallback.find("%1"), 2, path);
        throw CExportError(FileErrorMessage(error, path, FileAction::Write, fallback));
    }
}

std::string DefaultExportFileName(const std::tm& local) {
    char name[96];
    std::snprintf(name, sizeof name, "%d-%d-%d %d-%d.xls", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min);
    return name;
}

std::string DefaultExportFileName(std::time_t now) {
    return DefaultExportFileName(LocalFields(now));
}
