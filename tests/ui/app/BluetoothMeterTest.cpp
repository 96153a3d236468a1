// The desktop program with the system's Bluetooth service played by the fake
// service on a private bus: the Com Port menu lists the paired meters and
// follows pairing, and a meter chosen there records, across a drop, into one
// document.
#include <gtest/gtest.h>
#include <unistd.h>
#include <QStatusBar>
#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "bluetooth/BluezService.h"
#include "common/ui/CommandIds.h"
#include "link/ui/PortMenu.h"
#include "support/FakeBluetooth.h"

namespace {

QStringList EntryTexts(const CPortMenu& menu) {
    QStringList texts;
    for (const QAction* entry : menu.Entries()) {
        texts << entry->text();
    }
    return texts;
}

QAction* Entry(const CPortMenu& menu, const QString& text) {
    for (QAction* entry : menu.Entries()) {
        if (entry->text() == text) {
            return entry;
        }
    }
    return nullptr;
}

std::size_t Records(const CTestFrame& frame) {
    const auto children = frame.Children();
    return children.size() == 1 ? children.front()->Document().channels[0].size() : 0;
}

}  // namespace

TEST(BluetoothMeter, ComPortMenuFollowsPairingAndAMeterRecordsAcrossADrop) {
    TestApp();
    const std::string folder =
        QDir::temp().filePath(QStringLiteral("vavirir-ui-bt-%1").arg(getpid())).toStdString();
    test_support::FakeBluetooth bt(folder, {"live", "--interval-ms", "40"});
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bt.Address().c_str(), 1);

    MainFrameOptions options;
    options.discoverPorts = [] { return std::vector<std::string>{"rfcomm0"}; };
    options.deviceFolder.clear();
    options.bluetooth = std::make_shared<CBluezService>();
    options.reconnectPeriod = std::chrono::milliseconds(300);
    CTestFrame frame(std::move(options));
    const CPortMenu& menu = *frame.PortMenu();

    // The paired meter above the serial port; no headphones, no unpaired meter.
    const QString meter = QStringLiteral("VAVIRIR-METER (AA:BB:CC:DD:EE:01)");
    const QString paired = QStringLiteral("VAVIRIR-METER (AA:BB:CC:DD:EE:03)");
    ASSERT_TRUE(WaitFor(
        [&] {
            return EntryTexts(menu) == QStringList({meter, "rfcomm0"});
        },
        10000))
        << EntryTexts(menu).join(", ").toStdString();
    // Paired while the program runs: listed without a restart.
    bt.Control("Pair", {"AA:BB:CC:DD:EE:03"});
    ASSERT_TRUE(WaitFor(
        [&] {
            return EntryTexts(menu) == QStringList({meter, paired, "rfcomm0"});
        },
        10000))
        << EntryTexts(menu).join(", ").toStdString();

    // The adapter is off: the same warning box as a port that will not open.
    bt.Control("SetError", {"ConnectProfile", "org.bluez.Error.NotReady"});
    Entry(menu, paired)->trigger();
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_TRUE(frame.messages[0].startsWith(
        "Warning:Can't open bt:AA:BB:CC:DD:EE:03!\nThe Bluetooth adapter is off."))
        << frame.messages[0].toStdString();
    bt.Control("SetError", {"ConnectProfile", ""});

    Entry(menu, meter)->trigger();
    EXPECT_EQ(frame.messages.size(), 1) << frame.messages.join("\n").toStdString();
    // The first reading reaches the meter face.
    ASSERT_TRUE(WaitFor([&] { return frame.Face().face != FaceNumber::PortOpened; }, 10000));
    frame.RunCommand(cmd::kStart);
    ASSERT_TRUE(WaitFor([&] { return Records(frame) >= 5; }, 10000));

    // The meter drops out; the program reconnects into the same document.
    bt.Control("Drop", {"AA:BB:CC:DD:EE:01"});
    ASSERT_TRUE(WaitFor(
        [&] {
            return frame.statusBar()->currentMessage().startsWith(
                "Reconnecting to bt:AA:BB:CC:DD:EE:01");
        },
        10000));
    ASSERT_TRUE(WaitFor(
        [&] { return frame.statusBar()->currentMessage() == "Connected to bt:AA:BB:CC:DD:EE:01"; },
        20000))
        << frame.statusBar()->currentMessage().toStdString();
    const std::size_t before = Records(frame);
    ASSERT_TRUE(WaitFor([&] { return Records(frame) >= before + 5; }, 10000));
    EXPECT_EQ(frame.Children().size(), 1u);
    EXPECT_TRUE(bt.HasMeter(2));
    frame.Session().Stop();
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    std::filesystem::remove_all(folder);
}
