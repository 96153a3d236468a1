#pragma once

#include <optional>
#include <string>
#include <vector>

// What the user typed in the Port dialog: a port number (n names /dev/rfcomm<n>)
// or a device path such as /dev/ttyUSB0.
struct PortEntry {
    int number = 0;
    std::string path;  // empty when a number was given

    bool IsPath() const { return !path.empty(); }
    // The text handed to the port layer: the path, or the number in decimal.
    std::string PortText() const { return IsPath() ? path : std::to_string(number); }
    bool operator==(const PortEntry&) const = default;
};

// A decimal integer (optional sign, surrounding blanks allowed) or an absolute
// device path; anything else is rejected (the dialog then says "Enter an integer.").
std::optional<PortEntry> ParsePortEntry(const std::string& text);

// The discovered port names as the Com Port menu lists them: sorted, without
// duplicates or empty names.
std::vector<std::string> PortMenuEntries(std::vector<std::string> discovered);
