#pragma once

#include <string>
#include <vector>

// A Bluetooth serial port found on the system: its tty name (the menu text,
// e.g. "rfcomm0") and the device that opens it ("/dev/rfcomm0").
struct DiscoveredPort {
    std::string name;
    std::string devicePath;

    bool operator==(const DiscoveredPort&) const = default;
};

// The Bluetooth serial ports present now, in natural name order (rfcomm2
// before rfcomm10), each once. A tty counts when its name starts with
// "rfcomm", or when its sysfs device path runs through a Bluetooth adapter
// (a path component "bluetooth" or "hci<n>"). `sysRoot` is the sysfs root
// (ttys under <sysRoot>/class/tty), `devRoot` where the device nodes live.
// A missing or unreadable tree gives an empty list.
std::vector<DiscoveredPort> DiscoverBluetoothPorts(const std::string& sysRoot = "/sys",
                                                   const std::string& devRoot = "/dev");

// True when `a` sorts before `b` with digit runs compared as numbers.
bool NaturalLess(const std::string& a, const std::string& b);
