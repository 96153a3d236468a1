#include "bluetooth/BluezNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <tuple>

namespace {

const char* const kNoService =
    "No Bluetooth service (bluetoothd) is running. Start it (sudo systemctl start bluetooth) "
    "and try again, or connect through /dev/rfcommN instead.";
const char* const kAdapterOff =
    "The Bluetooth adapter is off. Switch it on (in the system's Bluetooth settings, or "
    "bluetoothctl power on) and try again.";
const char* const kMeterAway =
    "The meter does not answer: it is off or out of range. Switch it on, bring it closer "
    "and try again.";
const char* const kNoAnswer =
    "The Bluetooth service did not answer in time. Try again; if it keeps happening, restart "
    "it (sudo systemctl restart bluetooth).";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// BlueZ also reports a meter that another program holds as a plain failure
// whose text says so ("br-connection-busy", "Operation already in progress").
bool SaysBusy(const std::string& detail) {
    std::string lower = detail;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("busy") != std::string::npos ||
           lower.find("in progress") != std::string::npos;
}

}  // namespace

std::string BluetoothMeter::PortName() const {
    return "bt:" + address;
}

std::string BluetoothMeter::Label() const {
    return (alias.empty() ? address : alias) + " (" + address + ")";
}

bool IsMeter(const BluetoothDevice& device) {
    if (device.address.empty() || !(device.paired || device.trusted)) {
        return false;
    }
    return std::any_of(device.uuids.begin(), device.uuids.end(), [](const std::string& uuid) {
        std::string lower = uuid;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return lower == bluez::kSerialPortUuid;
    });
}

std::vector<BluetoothMeter> MetersAmong(const std::vector<BluetoothDevice>& devices) {
    std::vector<BluetoothMeter> meters;
    for (const BluetoothDevice& device : devices) {
        if (IsMeter(device)) {
            meters.push_back({device.address, device.alias});
        }
    }
    std::sort(meters.begin(), meters.end(), [](const BluetoothMeter& a, const BluetoothMeter& b) {
        return std::tie(a.alias, a.address) < std::tie(b.alias, b.address);
    });
    meters.erase(std::unique(meters.begin(), meters.end()), meters.end());
    return meters;
}

CSerialException BluezError(const std::string& errorName, const std::string& detail,
                            const std::string& what) {
    const std::string context =
        what + " (" + errorName + (detail.empty() ? "" : ": " + detail) + ")";
    if (errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
        errorName == "org.freedesktop.DBus.Error.NameHasNoOwner") {
        return CSerialException(ENODEV, context, kNoService);
    }
    if (EndsWith(errorName, ".NotReady")) {
        return CSerialException(ENETDOWN, context, kAdapterOff);
    }
    if (EndsWith(errorName, ".InProgress") || EndsWith(errorName, ".Busy") ||
        EndsWith(errorName, ".AlreadyConnected") || SaysBusy(detail)) {
        // Another program holds the meter, or is connecting to it.
        return CSerialException(EBUSY, context);
    }
    if (errorName == "org.freedesktop.DBus.Error.NoReply" ||
        errorName == "org.freedesktop.DBus.Error.Timeout" ||
        errorName == "org.freedesktop.DBus.Error.TimedOut") {
        return CSerialException(ETIMEDOUT, context, kNoAnswer);
    }
    if (EndsWith(errorName, ".Failed") || EndsWith(errorName, ".HostDown") ||
        EndsWith(errorName, ".ConnectionAttemptFailed") || EndsWith(errorName, ".NotAvailable") ||
        EndsWith(errorName, ".NotConnected") || EndsWith(errorName, ".Canceled")) {
        return CSerialException(EHOSTDOWN, context, kMeterAway);
    }
    return CSerialException(
        EIO, context,
        "The Bluetooth service could not connect the meter (" + errorName + "). Try again.");
}

CSerialException NoBluetoothService(const std::string& what) {
    return CSerialException(ENODEV, what, kNoService);
}

CSerialException MeterNotPaired(const std::string& address, const std::string& what) {
    return CSerialException(ENOENT, what,
                            "No paired Bluetooth meter has the address " + address +
                                ". Pair the meter first (in the system's Bluetooth settings, or "
                                "bluetoothctl pair ADDRESS) and try again.");
}

CSerialException ProfileRefused(const std::string& detail, const std::string& what) {
    return CSerialException(EACCES, what + " (" + detail + ")",
                            "The Bluetooth service refused this program's serial port profile (" +
                                detail +
                                "). Restart the Bluetooth service (sudo systemctl restart "
                                "bluetooth) and try again.");
}
