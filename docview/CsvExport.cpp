#include "docview/CsvExport.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <new>

#include "decode/MeterReading.h"
#include "docview/CalendarTime.h"
#include "docview/Export.h"
#include "docview/FileIo.h"
#include "record/ListRows.h"

namespace {

constexpr const char* kHeader = "id,time,value,unit,type,overload\r\n";

// Six numbers "a/b/c d:e:f" and nothing else; the order of the date depends on
// which clock wrote it: a four-digit first number is the meter's year.
bool ReadTimeText(const std::string& text, CalendarTime& f) {
    int a = 0;
    int b = 0;
    int c = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%n", &a, &b, &c, &f.hour, &f.minute, &f.second,
                    &consumed) != 6 ||
        static_cast<std::size_t>(consumed) != text.size()) {
        return false;
    }
    if (a >= 1000) {
        f.year = a;
        f.month = b;
        f.day = c;
    } else if (c >= 1000) {
        f.day = a;
        f.month = b;
        f.year = c;
    } else {
        return false;
    }
    return f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= 31 &&
           f.hour >= 0 && f.hour <= 23 && f.minute >= 0 && f.minute <= 59 && f.second >= 0 &&
           f.second <= 59;
}

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
    out += CsvField(IsoLocalTime(record.timeText));
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

std::string IsoLocalTime(const std::string& timeText) {
    CalendarTime f;
    if (!ReadTimeText(timeText, f)) {
        return timeText;
    }
    std::tm fields{};
    fields.tm_year = f.year - 1900;
    fields.tm_mon = f.month - 1;
    fields.tm_mday = f.day;
    fields.tm_hour = f.hour;
    fields.tm_min = f.minute;
    fields.tm_sec = f.second;
    fields.tm_isdst = -1;
    const std::time_t t = std::mktime(&fields);
    std::tm local{};
    if (t == static_cast<std::time_t>(-1) || localtime_r(&t, &local) == nullptr) {
        return timeText;
    }
    // mktime moves a day past the month's end (31/4) and a time in the hour a
    // clock skips forward; neither names a moment the clock showed.
    if (local.tm_mday != f.day || local.tm_hour != f.hour || local.tm_min != f.minute) {
        return timeText;
    }
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", f.year, f.month,
                  f.day, f.hour, f.minute, f.second, offsetMinutes < 0 ? '-' : '+', absMinutes / 60,
                  absMinutes % 60);
    return text;
}

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

Status ExportCsvFile(const CRoZudozuvDoc& doc, const std::string& path) {
    int error = 0;
    try {
        const std::vector<RecordRef> order = ListRecordOrder(doc);
        error = ReplaceFileContents(path, [&doc, &order](CFileSink& sink) {
            sink.Put(kHeader, std::char_traits<char>::length(kHeader));
            std::string row;
            std::size_t id = 0;
            for (const RecordRef& ref : order) {
                row.clear();
                AppendRow(row, ++id, doc.channels[ref.channel][ref.index]);
                sink.Put(row.data(), row.size());
            }
        });
    } catch (const std::bad_alloc&) {
        return Error{ExportFailureMessage(0, path)};
    }
    if (error != 0) {
        return Error{ExportFailureMessage(error, path)};
    }
    return {};
}
