#include "link/MeterPort.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(100);

bool AllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (unsigned char c : text) {
        if (!std::isdigit(c)) {
            return false;
        }
    }
    return true;
}

// "AA:BB:CC:DD:EE:01" in upper case, or nothing when `text` is no address.
std::optional<std::string> BluetoothAddress(const std::string& text) {
    if (text.size() != 17) {
        return std::nullopt;
    }
    std::string address;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool separator = i % 3 == 2;
        if (separator ? c != ':' : !std::isxdigit(c)) {
            return std::nullopt;
        }
        address += static_cast<char>(std::toupper(c));
    }
    return address;
}

}  // namespace

std::string PortChoice::Device() const {
    if (IsBluetooth()) {
        return kBluetoothPortPrefix + bluetoothAddress;
    }
    return IsNumber() ? ComPortDevicePath(number) : devicePath;
}

std::optional<PortChoice> ParsePortChoice(const std::string& text) {
    if (text.empty() || text[0] == '-') {
        return std::nullopt;
    }
    if (text.rfind(kBluetoothPortPrefix, 0) == 0) {
        const auto address = BluetoothAddress(text.substr(3));
        if (!address) {
            return std::nullopt;
        }
        return PortChoice{-1, {}, *address};
    }
    if (text.find('/') != std::string::npos) {
        return PortChoice{-1, text, {}};
    }
    const std::string digits = text.rfind("COM", 0) == 0 ? text.substr(3) : text;
    if (AllDigits(digits)) {
        if (digits.size() > 9) {
            return std::nullopt;
        }
        return PortChoice{std::stoi(digits), {}, {}};
    }
    return PortChoice{-1, "/dev/" + text, {}};
}

std::string OpenPortWarning(const PortChoice& choice) {
    return "Warning:Can't open " + choice.Device() + "!";
}

std::string MeterPortResult::Message() const {
    if (!error) {
        return warning;
    }
    std::string reason = error->GetErrorMessage();
    if (error->m_dwError == EBUSY && !error->HasOwnMessage()) {
        reason += " (the port is in use by another program)";
    }
    return warning + "\n" + reason;
}

MeterPortResult OpenMeterPort(CComPort& port, const PortChoice& choice, ReceiveHandler onReceive,
                              LinkLostHandler onLinkLost, int attempts) {
    port.Close();
    port.SetReceiveHandler(std::move(onReceive));
    port.SetLinkLostHandler(std::move(onLinkLost));
    MeterPortResult result;
    if (choice.IsBluetooth()) {
        attempts = 1;
    }
    for (int attempt = 0; attempt < attempts && !result.opened; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(kRetryPause);
        }
        if (choice.IsBluetooth()) {
            result.opened = port.OpenConnected(choice.bluetoothAddress, choice.Device());
        } else if (choice.IsNumber()) {
            result.opened =
                port.Open(choice.number, 2, 9600, NoParity, 8, OneStopBit, NoFlowControl);
        } else {
            result.opened =
                port.OpenDevice(choice.devicePath, 2, 9600, NoParity, 8, OneStopBit, NoFlowControl);
        }
    }
    if (!result.opened) {
        result.warning = OpenPortWarning(choice);
        result.error = port.LastError();
        return result;
    }
    port.SetReadSize(kMeterReadSize);
    return result;
}
