#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "PtyPair.h"
#include "link/MeterPort.h"
#include "link/PortDiscovery.h"

namespace fs = std::filesystem;

namespace {

// A sysfs look-alike: class/tty/<name> links into devices/..., with an
// optional `device` link, as the kernel lays them out.
class FakeSysfs {
  public:
    FakeSysfs() {
        m_root = fs::temp_directory_path() /
                 ("vavirir-sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(s_next++));
        fs::create_directories(m_root / "class" / "tty");
    }
    ~FakeSysfs() { fs::remove_all(m_root); }

    // A tty whose class entry resolves to devices/<devicePath>/tty/<name>.
    void AddTty(const std::string& name, const std::string& devicePath) {
        const fs::path node = m_root / "devices" / devicePath / "tty" / name;
        fs::create_directories(node);
        fs::create_directory_symlink(fs::relative(node, m_root / "class" / "tty"),
                                     m_root / "class" / "tty" / name);
    }
    // A virtual tty whose `device` link points elsewhere.
    void AddTtyWithDeviceLink(const std::string& name, const std::string& devicePath) {
        AddTty(name, "virtual");
        const fs::path device = m_root / "devices" / devicePath;
        fs::create_directories(device);
        fs::create_directory_symlink(device, m_root / "devices/virtual/tty" / name / "device");
    }
    std::string Root() const { return m_root.string(); }

  private:
    static inline int s_next = 0;
    fs::path m_root;
};

std::vector<std::string> Names(const std::vector<DiscoveredPort>& ports) {
    std::vector<std::string> names;
    for (const DiscoveredPort& p : ports) {
        names.push_back(p.name);
    }
    return names;
}

TEST(PortDiscovery, ListsRfcommAndAdapterTtysOnlyInNaturalOrder) {
    FakeSysfs sys;
    sys.AddTty("rfcomm10", "virtual");
    sys.AddTty("rfcomm2", "virtual");
    sys.AddTty("ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0");
    sys.AddTty("ttyS0", "platform/serial8250");
    sys.AddTty("ttyBT0", "pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/bluetooth/hci0/hci0:11");
    sys.AddTtyWithDeviceLink("ttyHCI1", "virtual/bluetooth/hci1/serial");
    sys.AddTty("ttyhcix", "platform/hcix");  // "hci" without a number is no adapter

    const auto ports = DiscoverBluetoothPorts(sys.Root(), "/dev");
    EXPECT_EQ(Names(ports), (std::vector<std::string>{"rfcomm2", "rfcomm10", "ttyBT0", "ttyHCI1"}));
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].devicePath, "/dev/rfcomm2");

    // A second scan gives the same list: nothing doubles.
    EXPECT_EQ(DiscoverBluetoothPorts(sys.Root(), "/dev"), ports);
    // No tree, no ports, no exception.
    EXPECT_TRUE(DiscoverBluetoothPorts(sys.Root() + "/missing").empty());
}

TEST(PortDiscovery, NaturalOrderComparesDigitRunsAsNumbers) {
    EXPECT_TRUE(NaturalLess("rfcomm2", "rfcomm10"));
    EXPECT_FALSE(NaturalLess("rfcomm10", "rfcomm2"));
    EXPECT_TRUE(NaturalLess("rfcomm1", "ttyS0"));
    EXPECT_TRUE(NaturalLess("tty", "tty0"));
    EXPECT_FALSE(NaturalLess("rfcomm3", "rfcomm3"));
    EXPECT_NE(NaturalLess("rfcomm01", "rfcomm1"), NaturalLess("rfcomm1", "rfcomm01"));
}

TEST(MeterPort, ChoicesAndWarnings) {
    auto number = ParsePortChoice("5");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->number, 5);
    EXPECT_EQ(number->Device(), "/dev/rfcomm5");
    EXPECT_EQ(OpenPortWarning(*number), "Warning:Can't open /dev/rfcomm5!");
    EXPECT_EQ(ParsePortChoice("COM12")->number, 12);

    auto path = ParsePortChoice("/dev/ttyUSB0");
    ASSERT_TRUE(path);
    EXPECT_FALSE(path->IsNumber());
    EXPECT_EQ(OpenPortWarning(*path), "Warning:Can't open /dev/ttyUSB0!");
    EXPECT_EQ(ParsePortChoice("rfcomm0")->Device(), "/dev/rfcomm0");

    EXPECT_FALSE(ParsePortChoice(""));
    EXPECT_FALSE(ParsePortChoice("-3"));
    EXPECT_FALSE(ParsePortChoice("99999999999"));
}

TEST(MeterPort, OpensWithTheRoutineInPlaceAndReadSize100) {
    PtyPair pty;
    CComPort port;
    std::mutex mutex;
    std::vector<std::uint8_t> received;
    auto choice = ParsePortChoice(pty.SlavePath());
    ASSERT_TRUE(choice);
    const MeterPortResult result =
        OpenMeterPort(port, *choice, [&](const std::uint8_t* bytes, std::size_t count) {
            std::lock_guard lock(mutex);
            received.insert(received.end(), bytes, bytes + count);
        });
    ASSERT_TRUE(result.opened);
    EXPECT_TRUE(result.warning.empty());
    EXPECT_EQ(port.ReadSize(), 100);
    pty.Send(Pattern(64));
    std::vector<std::uint8_t> got;
    for (int i = 0; i < 100 && got.size() < 64; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::lock_guard lock(mutex);
        got = received;
    }
    EXPECT_EQ(got, Pattern(64)) << "the first bytes after the open reach the routine";

    // Choosing the same port again closes the link first, so it reopens.
    const MeterPortResult again = OpenMeterPort(port, *choice, {});
    EXPECT_TRUE(again.opened) << again.Message();

    // A failing open: three attempts, one warning, the old link already closed.
    const MeterPortResult missing = OpenMeterPort(port, PortChoice{985, {}}, {});
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.warning, "Warning:Can't open /dev/rfcomm985!");
    EXPECT_EQ(missing.Message(), "Warning:Can't open /dev/rfcomm985!\nNo such file or directory");
    ASSERT_TRUE(missing.error.has_value());
    EXPECT_EQ(missing.error->m_dwError, std::uint32_t(ENOENT));
    CComPort other;
    const MeterPortResult released = OpenMeterPort(other, *choice, {});
    EXPECT_TRUE(released.opened) << "the pty was released: " << released.Message();
}

}  // namespace
