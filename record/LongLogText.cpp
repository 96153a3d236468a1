#include "record/LongLogText.h"

#include "record/Document.h"

namespace {

// 20000 as "20,000".
std::string WithThousands(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

}  // namespace

std::string ClockText(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string RecordingContinuedText(const std::string& full, const std::string& next) {
    return full + " is full (" + WithThousands(CRoZudozuvDoc::kLiveCapacity) +
           " readings): recording continues in " + next;
}

std::string SilentSinceText(std::time_t lastData) {
    return "The meter is silent since " + ClockText(lastData);
}
