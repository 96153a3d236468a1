#include "cli/RecordLog.h"

std::string RolledFileName(const std::string& first, std::size_t part) {
    if (part <= 1) {
        return first;
    }
    const std::size_t nameStart = first.find_last_of('/') + 1;  // npos + 1 is 0
    std::size_t dot = first.find_last_of('.');
    // A dot that starts the name (".log") or lies in a folder is no extension.
    if (dot == std::string::npos || dot <= nameStart) {
        dot = first.size();
    }
    return first.substr(0, dot) + "-" + std::to_string(part) + first.substr(dot);
}
