#include "record/SummaryText.h"

#include "common/CLocaleFormat.h"

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
    return FormatInCLocale(kFormat, s.startTime.c_str(), s.endTime.c_str(), s.maximum,
                           s.maximumTime.c_str(), s.minimum, s.minimumTime.c_str(), s.average,
                           static_cast<int>(s.dataNumber), s.type.c_str());
}
