#include "docview/Export.h"

#include <charconv>
#include <cstdio>
#include <new>

#include "common/TextCodec.h"
#include "decode/Clock.h"
#include "decode/MeterReading.h"
#include "docview/FileIo.h"

namespace {

// "%.4f" without depending on the process locale (the GUI sets one).
void AppendFixedFour(std::string& out, double value) {
    char text[512];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    out.append(text, result.ptr);
}

// The file is 8-bit text written in text mode: every line feed becomes CR LF.
class CExportText {
  public:
    CExportText& Text(std::string_view utf8) {
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto byte = static_cast<unsigned char>(utf8[i]);
            if (byte >= 0x80) {
                Converted(Utf8ToExportText(utf8.substr(i)));
                return *this;
            }
            Byte(utf8[i]);
        }
        return *this;
    }
    CExportText& Fixed(double value) {
        AppendFixedFour(m_bytes, value);
        return *this;
    }
    CExportText& Number(std::size_t value) {
        char text[24];
        const auto result = std::to_chars(text, text + sizeof text, value);
        m_bytes.append(text, result.ptr);
        return *this;
    }
    std::string Take() { return std::move(m_bytes); }

  private:
    void Byte(char c) {
        if (c == '\n') {
            m_bytes += '\r';
        }
        m_bytes += c;
    }
    void Converted(const std::string& bytes) {
        for (char c : bytes) {
            Byte(c);
        }
    }

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
    out.Text("StartTime\t").Text(s.startTime).Text("\t\n");
    out.Text("Max\t").Fixed(s.maximum).Text(" @ ").Text(s.maximumTime).Text("\t\n");
    out.Text("Min\t").Fixed(s.minimum).Text(" @ ").Text(s.minimumTime).Text("\t\n");
    out.Text("Average\t").Fixed(s.average).Text("\t\n");
    out.Text("EndTime\t").Text(lastTime).Text("\t\n");
    out.Text("ID\tUnit\tValue\tType\tDateTime\t\n");
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CObData& r = records[i];
        out.Number(i + 1).Text("\t").Text(r.unit).Text("\t");
        if (r.value == kOverloadValue) {
            out.Text("OL");
        } else {
            out.Fixed(r.value);
        }
        out.Text("\t").Text(r.typeText).Text("\t").Text(r.timeText).Text("\t\n");
    }
    return out.Take();
}

std::string ExportFailureMessage(int error, const std::string& path) {
    std::string fallback = "Failed to export the data to %1.";
    fallback.replace(fallback.find("%1"), 2, path);
    return FileErrorMessage(error, path, FileAction::Write, fallback);
}

Status ExportDocumentFile(const CRoZudozuvDoc& doc, const std::string& path) {
    int error = 0;
    try {
        const std::string bytes = ExportBytes(doc);
        error = ReplaceFileContents(
            path, [&bytes](CFileSink& sink) { sink.Put(bytes.data(), bytes.size()); });
    } catch (const std::bad_alloc&) {
        return Error{ExportFailureMessage(0, path)};
    }
    if (error != 0) {
        return Error{ExportFailureMessage(error, path)};
    }
    return {};
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
