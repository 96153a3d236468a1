// Which of the Bluetooth service's devices are meters, and what its answers
// tell the user.
#include <cerrno>

#include <gtest/gtest.h>

#include "bluetooth/BluezNames.h"

namespace {

const std::string kSpp = "00001101-0000-1000-8000-00805f9b34fb";
const std::string kAudio = "0000110b-0000-1000-8000-00805f9b34fb";

}  // namespace

TEST(BluezNames, OnlyPairedOrTrustedDevicesWithTheSerialPortProfileAreMeters) {
    const std::vector<BluetoothDevice> devices = {
        {"/d/1", "AA:BB:CC:DD:EE:01", "Meter B", true, false, {kAudio, kSpp}},
        {"/d/2", "AA:BB:CC:DD:EE:02", "Headphones", true, true, {kAudio}},
        {"/d/3", "AA:BB:CC:DD:EE:03", "Meter A", false, false, {kSpp}},  // never paired
        {"/d/4",
         "AA:BB:CC:DD:EE:04",
         "Meter A",
         false,
         true,
         {"00001101-0000-1000-8000-00805F9B34FB"}},
        {"/d/5", "AA:BB:CC:DD:EE:05", "", true, false, {kSpp}},
        {"/d/6", "", "No address", true, false, {kSpp}},
    };
    const std::vector<BluetoothMeter> meters = MetersAmong(devices);
    ASSERT_EQ(meters.size(), 3u);
    EXPECT_EQ(meters[0], (BluetoothMeter{"AA:BB:CC:DD:EE:05", ""}));
    EXPECT_EQ(meters[1], (BluetoothMeter{"AA:BB:CC:DD:EE:04", "Meter A"}));
    EXPECT_EQ(meters[2], (BluetoothMeter{"AA:BB:CC:DD:EE:01", "Meter B"}));
    EXPECT_EQ(meters[2].Label(), "Meter B (AA:BB:CC:DD:EE:01)");
    EXPECT_EQ(meters[0].Label(), "AA:BB:CC:DD:EE:05 (AA:BB:CC:DD:EE:05)");
    EXPECT_EQ(meters[2].PortName(), "bt:AA:BB:CC:DD:EE:01");
}

TEST(BluezNames, EveryAnswerOfTheServiceSaysWhatToDo) {
    struct Case {
        std::string name;
        std::uint32_t error;
        std::string says;  // the start of the user's text
    };
    const std::vector<Case> cases = {
        {"org.freedesktop.DBus.Error.ServiceUnknown", ENODEV,
         "No Bluetooth service (bluetoothd) is running. Start it"},
        {"org.freedesktop.DBus.Error.NameHasNoOwner", ENODEV, "No Bluetooth service"},
        {"org.bluez.Error.NotReady", ENETDOWN, "The Bluetooth adapter is off. Switch it on"},
        {"org.bluez.Error.Failed", EHOSTDOWN,
         "The meter does not answer: it is off or out of range"},
        {"org.bluez.Error.HostDown", EHOSTDOWN, "The meter does not answer"},
        {"org.bluez.Error.ConnectionAttemptFailed", EHOSTDOWN, "The meter does not answer"},
        {"org.bluez.Error.InProgress", EBUSY, "Device or resource busy"},
        {"org.bluez.Error.AlreadyConnected", EBUSY, "Device or resource busy"},
        {"org.freedesktop.DBus.Error.NoReply", ETIMEDOUT,
         "The Bluetooth service did not answer in time. Try again"},
        {"org.bluez.Error.Unexpected", EIO,
         "The Bluetooth service could not connect the meter (org.bluez.Error.Unexpected). Try "
         "again."},
    };
    for (const Case& c : cases) {
        const CSerialException e = BluezError(c.name, "detail", "connect bt:AA:BB:CC:DD:EE:01");
        EXPECT_EQ(e.m_dwError, c.error) << c.name;
        EXPECT_EQ(e.GetErrorMessage().rfind(c.says, 0), 0u)
            << c.name << ": " << e.GetErrorMessage();
        // The log line keeps the service's own words.
        EXPECT_NE(std::string(e.what()).find(c.name + ": detail"), std::string::npos) << e.what();
    }
    EXPECT_NE(
        MeterNotPaired("AA:BB:CC:DD:EE:03", "connect").GetErrorMessage().find("Pair the meter"),
        std::string::npos);
    EXPECT_NE(
        ProfileRefused("org.bluez.Error.NotPermitted", "register")
            .GetErrorMessage()
            .find("refused this program's serial port profile (org.bluez.Error.NotPermitted)"),
        std::string::npos);
}
