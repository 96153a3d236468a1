// The status bar's link health pane as the user sees it: no port, then a
// port's name, rate and age once frames arrive, then the demo meter.
#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QStatusBar>

#include "AppTestSupport.h"
#include "app/LinkHealthPane.h"
#include "common/ui/CommandIds.h"

TEST(LinkHealthPane, ShowsNoPortThenThePortsRateAndAgeOnceFramesArrive) {
    FrameFixture fx;
    CMainFrame& frame = *fx.frame;
    auto* pane = frame.statusBar()->findChild<QLabel*>(QStringLiteral("linkHealth"));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->isVisibleTo(&frame));
    EXPECT_EQ(pane->text(), QStringLiteral("No port"));

    ASSERT_TRUE(frame.OpenMeterPort(QStringLiteral("rfcomm0")));
    EXPECT_EQ(pane->text(), QStringLiteral("rfcomm0 · 0.0 frames/s · no frames yet"));

    std::vector<std::uint8_t> junk = {0x11, 0x22, 0x33};
    fx.link->Deliver(junk);
    for (float value : {1.0f, 2.0f, 3.0f}) {
        fx.link->Deliver(PlainVdcFrame(value));
    }
    // Redrawn by its own timer, within a second; three frames in about a
    // second (a young port is measured over at least 1 s).
    const QRegularExpression shown(
        QStringLiteral("^rfcomm0 · [1-9]\\d*\\.\\d frames/s · \\d\\.\\d s ago$"));
    ASSERT_TRUE(WaitFor([&] { return shown.match(pane->text()).hasMatch(); }, 2500))
        << pane->text().toStdString();
    EXPECT_TRUE(
        pane->toolTip().endsWith(QStringLiteral("\n63 bytes received · 3 bytes dropped as junk")))
        << pane->toolTip().toStdString();

    frame.RunCommand(cmd::kDemoMeter);
    EXPECT_TRUE(pane->text().startsWith(QStringLiteral("Demo meter · ")))
        << pane->text().toStdString();
    frame.RunCommand(cmd::kDemoMeter);
    EXPECT_EQ(pane->text(), QStringLiteral("No port"));
}
