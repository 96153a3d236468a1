#include "record/SummaryText.h"

#include <cstdio>
#include <vector>

std::string FormatSummaryText(const DocumentSummary& s) {
    static const char kFormat[] =
        "---------------------------Summary---------------------------\r\n\r\n"
        "StartTime: %s \r\n\r\n"
        "EndTime: %s\r\n\r\n"
        "Maximum: %.4f\r\n\r\n"
        "Maxinum Time: %s \r\n\r\n"
        "Minimum: %.4f\r\n\r\n"
        "Minimum Time: %s\r\n\r\n"
        "Average:%.4f\r\n\r\n"
        "DataNumber: %d\r\n\r\n"
        "Type:%s\r\n\r\n";
    auto print = [&](char* out, std::size_t size) {
        return std::snprintf(out, size, kFormat, s.startTime.c_str(), s.endTime.c_str(), s.maximum,
                             s.maximumTime.c_str(), s.minimum, s.minimumTime.c_str(), s.average,
                             static_cast<int>(s.dataNumber), s.type.c_str());
    };
    const int length = print(nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    print(text.data(), text.size());
    return std::string(text.data(), static_cast<std::size_t>(length));
}
