#pragma once

// What the Bluetooth service (BlueZ) calls things, and what its answers mean
// to the user. Pure functions: the bus code and the tests share them.

#include <string>
#include <vector>

#include "link/SerialPort.h"

namespace bluez {

inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kDeviceInterface = "org.bluez.Device1";
inline constexpr const char* kProfileManagerPath = "/org/bluez";
inline constexpr const char* kProfileManagerInterface = "org.bluez.ProfileManager1";
inline constexpr const char* kProfileInterface = "org.bluez.Profile1";
// The Serial Port Profile: the meter's link.
inline constexpr const char* kSerialPortUuid = "00001101-0000-1000-8000-00805f9b34fb";
// Where this program serves its Profile1 object.
inline constexpr const char* kProfilePath = "/org/vavirir/serial_port";

}  // namespace bluez

// What the Bluetooth service says about one device (its org.bluez.Device1).
struct BluetoothDevice {
    std::string path;
    std::string address;
    std::string alias;
    bool paired = false;
    bool trusted = false;
    std::vector<std::string> uuids;

    bool operator==(const BluetoothDevice&) const = default;
};

// A paired meter as the programs list it.
struct BluetoothMeter {
    std::string address;  // "AA:BB:CC:DD:EE:01"
    std::string alias;    // the name the user sees, e.g. "VAVIRIR-METER"

    bool operator==(const BluetoothMeter&) const = default;
    // "bt:AA:BB:CC:DD:EE:01", the port name that opens it.
    std::string PortName() const;
    // "VAVIRIR-METER (AA:BB:CC:DD:EE:01)", as the Com Port menu shows it.
    std::string Label() const;
};

// A device is a meter when it is paired (or trusted) and offers the Serial
// Port Profile; headphones and devices never paired are not.
bool IsMeter(const BluetoothDevice& device);

// The meters among `devices`, sorted by alias, then address.
std::vector<BluetoothMeter> MetersAmong(const std::vector<BluetoothDevice>& devices);

// What the user reads when a D-Bus call to the Bluetooth service failed:
// `errorName` is the D-Bus error name (org.bluez.Error.NotReady, …), `detail`
// its message, `what` the step (e.g. "connect bt:AA:…"). Each text says what
// to do. Busy answers become EBUSY with the system's text, as a busy port.
CSerialException BluezError(const std::string& errorName, const std::string& detail,
                            const std::string& what);

// No Bluetooth service on the bus.
CSerialException NoBluetoothService(const std::string& what);
// `address` is not a paired meter.
CSerialException MeterNotPaired(const std::string& address, const std::string& what);
// The service refused to register the program's Serial Port Profile.
CSerialException ProfileRefused(const std::string& detail, const std::string& what);
