#pragma once

#include <optional>
#include <string>

#include "link/ComPort.h"

// Bytes asked of the meter's port by each read outside a download.
inline constexpr int kMeterReadSize = 100;

// The prefix of a Bluetooth meter's port name: "bt:AA:BB:CC:DD:EE:01".
inline constexpr const char* kBluetoothPortPrefix = "bt:";

// The port the user chose: a number (naming /dev/rfcomm<n>), a device path,
// or a Bluetooth meter's address (connected through the system's Bluetooth
// service).
struct PortChoice {
    int number = -1;
    std::string devicePath;
    std::string bluetoothAddress = {};  // "AA:BB:CC:DD:EE:01", upper case

    bool IsBluetooth() const { return !bluetoothAddress.empty(); }
    bool IsNumber() const { return devicePath.empty() && !IsBluetooth(); }
    // The device that opens: "/dev/rfcomm<n>", the path itself, or
    // "bt:AA:BB:CC:DD:EE:01".
    std::string Device() const;
};

// Reads a port as typed or chosen: "5" is port 5, "COM5" too; a text with a
// '/' is a device path; "bt:" and a Bluetooth address (six hex pairs joined
// by ':', either case) is a Bluetooth meter; a bare tty name such as
// "rfcomm0" or "ttyUSB0" names /dev/<name>. Empty text, a leading '-', a
// number too long for an int or a malformed Bluetooth address give nothing.
std::optional<PortChoice> ParsePortChoice(const std::string& text);

// "Warning:Can't open /dev/rfcomm5!" for port 5 (the device a number names on
// this system), "Warning:Can't open /dev/ttyUSB0!" for a path.
std::string OpenPortWarning(const PortChoice& choice);

struct MeterPortResult {
    bool opened = false;
    std::string warning;                    // set when not opened
    std::optional<CSerialException> error;  // the last attempt's failure

    // The warning, then the system's reason on a second line when there is
    // one: "Warning:Can't open /dev/rfcomm5!\nNo such file or directory".
    std::string Message() const;
};

// Attempts of one open as the user asks for it; a reconnect tries once, and
// so does a Bluetooth connection (the Bluetooth service pages the meter
// itself, and each try can take seconds).
inline constexpr int kOpenAttempts = 3;

// (Re)opens the meter's port: closes the link first (also when the same port
// is chosen again), then up to `attempts` tries with 9600 baud, 8 data bits,
// no parity, one stop bit, no flow control. The receive and link-lost routines
// are registered before the reader starts, so no byte is dropped. On success
// the read size is 100.
MeterPortResult OpenMeterPort(CComPort& port, const PortChoice& choice, ReceiveHandler onReceive,
                              LinkLostHandler onLinkLost = {}, int attempts = kOpenAttempts);
