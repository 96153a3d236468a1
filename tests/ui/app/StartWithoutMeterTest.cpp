// Real Time > Start before the meter has sent anything says why nothing
// happened and what to do, in the status bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

#include "AppTestSupport.h"
#include "common/ui/CommandIds.h"

namespace {

// A left click in the middle of the widget, as the mouse gives it.
void Click(QWidget* widget) {
    const QPointF at = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

TEST(StartWithoutMeter, TheStatusBarSaysWhyAndWhatToDo) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.show();
    auto* toolbar = frame.findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    QWidget* start = toolbar->widgetForAction(frame.Action(cmd::kStart));
    ASSERT_NE(start, nullptr);

    Click(start);
    const QString message = frame.statusBar()->currentMessage();
    EXPECT_TRUE(message.contains("no data from the meter")) << message.toStdString();
    EXPECT_TRUE(message.contains("Com Port")) << message.toStdString();
    EXPECT_TRUE(message.contains("Demo meter")) << message.toStdString();
    EXPECT_TRUE(frame.Children().empty());

    // Once the meter speaks, Start opens the live document and the hint goes.
    const auto bytes = PlainVdcFrame(1.5f);
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    Click(start);
    EXPECT_EQ(frame.Children().size(), 1u);
    EXPECT_TRUE(frame.statusBar()->currentMessage().isEmpty());
}
