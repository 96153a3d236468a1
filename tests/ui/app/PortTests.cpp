#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "common/ui/CommandIds.h"
#include "link/ui/Port.h"
#include "link/ui/PortEntry.h"
#include "link/ui/PortMenu.h"

namespace {

// The Port dialog with its refusals collected instead of shown.
class CTestPort : public CPort {
  public:
    QStringList refusals;

  protected:
    void ShowRefusal(const QString& message) override { refusals.append(message); }
};

QStringList Texts(QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions()) {
        texts << action->text();
    }
    return texts;
}

}  // namespace

TEST(PortEntry, NumbersAndDevicePathsAreTheOnlyEntries) {
    EXPECT_EQ(ParsePortEntry("7"), (PortEntry{7, {}}));
    EXPECT_EQ(ParsePortEntry("  12 "), (PortEntry{12, {}}));
    EXPECT_EQ(ParsePortEntry("+3"), (PortEntry{3, {}}));
    EXPECT_EQ(ParsePortEntry("-2"), (PortEntry{-2, {}}));
    EXPECT_EQ(ParsePortEntry("/dev/ttyUSB0"), (PortEntry{0, "/dev/ttyUSB0"}));
    EXPECT_EQ(ParsePortEntry("/dev/ttyUSB0")->PortText(), "/dev/ttyUSB0");
    EXPECT_EQ(ParsePortEntry("12")->PortText(), "12");
    for (const char* bad :
         {"", "   ", "abc", "7x", "x7", "1 2", "+", "+-1", "99999999999", "/", "COM5", "3.5"}) {
        EXPECT_FALSE(ParsePortEntry(bad).has_value()) << bad;
    }
}

TEST(PortDialog, RefusesAnythingButANumberOrAPathAndStaysOpen) {
    TestApp();
    CTestPort dialog;
    dialog.SetComPort("1");
    EXPECT_EQ(dialog.Edit()->text(), "1");
    dialog.show();

    dialog.Edit()->setText("COM5");
    dialog.accept();
    EXPECT_EQ(dialog.refusals, QStringList({"Enter an integer."}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.Edit()->setText(" 42 ");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ComPort(), (PortEntry{42, {}}));
    EXPECT_EQ(dialog.refusals.size(), 1);
}

TEST(PortMenu, ListsEachDiscoveredPortOnceWithItsOwnIds) {
    TestApp();
    QMenu popup;
    popup.addAction("Other")->setData(cmd::kPortOther);
    QAction* demo = popup.addAction("Demo meter");

    std::vector<std::string> present{"rfcomm1", "rfcomm0", "rfcomm1"};
    int discoveries = 0;
    CPortMenu menu(&popup, demo, [&] {
        ++discoveries;
        return present;
    });
    menu.RefreshPortMenu();
    EXPECT_EQ(Texts(popup), QStringList({"Other", "rfcomm0", "rfcomm1", "Demo meter"}));
    menu.RefreshPortMenu();  // a device change: rebuilt, no duplicates
    EXPECT_EQ(Texts(popup), QStringList({"Other", "rfcomm0", "rfcomm1", "Demo meter"}));
    EXPECT_EQ(menu.PortMenuCount(), 2);

    // Six ports: every one has an id of its own, clear of Start and Stop,
    // and every one can be chosen.
    present = {"rfcomm0", "rfcomm1", "rfcomm2", "rfcomm3", "rfcomm4", "rfcomm5"};
    menu.RefreshPortMenu();
    ASSERT_EQ(menu.PortMenuCount(), 6);
    QStringList chosen;
    QObject::connect(&menu, &CPortMenu::portChosen,
                     [&](const QString& device) { chosen.append(device); });
    for (int i = 0; i < 6; ++i) {
        QAction* entry = menu.Entries()[i];
        EXPECT_EQ(entry->data().toInt(), cmd::kFirstDiscoveredPort + i);
        EXPECT_NE(entry->data().toInt(), cmd::kStart);
        EXPECT_NE(entry->data().toInt(), cmd::kStop);
        entry->trigger();
    }
    ASSERT_EQ(chosen.size(), 6);
    EXPECT_EQ(chosen.at(5), "/dev/rfcomm5");

    // Nothing found: only the fixed items remain.
    present.clear();
    menu.RefreshPortMenu();
    EXPECT_EQ(Texts(popup), QStringList({"Other", "Demo meter"}));

    // A device appearing in the watched folder rebuilds the menu by itself.
    QTemporaryDir devices;
    menu.WatchDevices(devices.path());
    const int before = discoveries;
    present = {"rfcomm9"};
    QFile node(QDir(devices.path()).filePath("rfcomm9"));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    ASSERT_TRUE(WaitFor([&] { return menu.PortMenuCount() == 1; }, 5000));
    EXPECT_GT(discoveries, before);
    EXPECT_EQ(Texts(popup), QStringList({"Other", "rfcomm9", "Demo meter"}));
}

TEST(PortMenu, FrameFillsTheComPortMenuShortlyAfterStart) {
    TestApp();
    MainFrameOptions options;
    options.link = std::make_unique<CFakeLink>(std::make_shared<CFakeLink::Log>());
    options.discoverPorts = [] { return std::vector<std::string>{"rfcomm3"}; };
    options.deviceFolder.clear();
    CTestFrame frame(std::move(options));
    EXPECT_EQ(frame.PortMenu()->PortMenuCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return frame.PortMenu()->PortMenuCount() == 1; }, 2000));
    frame.PortMenu()->Entries()[0]->trigger();
    EXPECT_EQ(ToNumber(frame.Face().face), 10);
    EXPECT_TRUE(frame.messages.isEmpty());
}
