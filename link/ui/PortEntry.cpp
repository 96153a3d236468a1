#include "link/ui/PortEntry.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

std::string Trimmed(const std::string& text) {
    const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace

std::optional<PortEntry> ParsePortEntry(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    if (trimmed.front() == '/') {
        if (trimmed.size() < 2 || trimmed.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return PortEntry{0, trimmed};
    }
    const char* begin = trimmed.data();
    const char* end = begin + trimmed.size();
    if (*begin == '+') {
        ++begin;  // from_chars takes no plus sign
        if (begin == end || *begin == '-') {
            return std::nullopt;
        }
    }
    int number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return PortEntry{number, {}};
}

std::vector<std::string> PortMenuEntries(std::vector<std::string> discovered) {
    std::erase_if(discovered, [](const std::string& name) { return name.empty(); });
    std::sort(discovered.begin(), discovered.end());
    discovered.erase(std::unique(discovered.begin(), discovered.end()), discovered.end());
    return discovered;
}
