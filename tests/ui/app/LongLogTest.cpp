// Real Time > "Continue in a new document when full", chosen with the mouse:
// a full live document hands the recording on to the next untitled one and
// stays open, modified and journaled; a silent meter keeps the recording.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/DocumentJournals.h"
#include "common/ui/CommandIds.h"
#include "record/LongLogText.h"

namespace {

// Opens the menu titled `title` on the menu bar and clicks the action `id`
// in it, both with the mouse.
void ChooseFromMenu(CMainFrame& frame, const QString& title, int id) {
    QMenuBar* bar = frame.menuBar();
    QMenu* menu = nullptr;
    for (QAction* top : bar->actions()) {
        if (top->text() == title) {
            menu = top->menu();
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                              bar->actionGeometry(top).center());
        }
    }
    ASSERT_NE(menu, nullptr) << title.toStdString();
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                      menu->actionGeometry(frame.Action(id)).center());
    ASSERT_TRUE(WaitFor([&] { return !menu->isVisible(); }));
}

float Value(int n) {
    return static_cast<float>(n % 50) / 10.0f;  // 0.0 … 4.9, one step a reading
}

}  // namespace

TEST(LongLog, ContinueWhenFullHandsTheRecordingOnAndASilentMeterKeepsIt) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.show();
    ASSERT_FALSE(frame.Action(cmd::kContinueWhenFull)->isChecked()) << "off by default";
    ChooseFromMenu(frame, QStringLiteral("&Real Time"), cmd::kContinueWhenFull);
    ASSERT_TRUE(frame.Action(cmd::kContinueWhenFull)->isChecked());

    auto receive = [&](int n) {
        const auto bytes = PlainVdcFrame(Value(n));
        frame.OnReceiveBytes(bytes.data(), bytes.size());
    };
    receive(-1);
    ChooseFromMenu(frame, QStringLiteral("&Real Time"), cmd::kStart);
    const int total = static_cast<int>(CRoZudozuvDoc::kLiveCapacity) + 2;
    for (int n = 0; n < total; ++n) {
        receive(n);
    }

    const std::vector<CChildFrame*> children = frame.Children();
    ASSERT_EQ(children.size(), 2u);
    CChildFrame& full = *children[0];
    CChildFrame& next = *children[1];
    EXPECT_EQ(frame.statusBar()->currentMessage(),
              "New File1 is full (20,000 readings): recording continues in New File2");
    EXPECT_TRUE(frame.Session().IsRunning());
    ASSERT_EQ(full.Document().channels[0].size(), CRoZudozuvDoc::kLiveCapacity);
    EXPECT_TRUE(full.Document().IsModified());
    EXPECT_TRUE(full.windowTitle().contains('*')) << full.windowTitle().toStdString();
    EXPECT_FALSE(full.View().liveTarget);
    ASSERT_EQ(next.Document().channels[0].size(), 2u);
    // The seam: the last reading of one and the first of the next are consecutive.
    EXPECT_FLOAT_EQ(static_cast<float>(full.Document().channels[0].back().value), Value(total - 3));
    EXPECT_FLOAT_EQ(static_cast<float>(next.Document().channels[0].front().value),
                    Value(total - 2));
    // Both unsaved documents have a journal.
    frame.Journals().SyncAll();
    std::size_t journals = 0;
    for (const auto& entry : std::filesystem::directory_iterator(frame.Journals().Folder())) {
        journals += entry.path().extension() == ".journal";
    }
    EXPECT_GE(journals, 2u);

    // Ten seconds of silence: DISCONNECTED and the time of the last data, but
    // the recording goes on in the same document.
    f.clock.Set(f.clock.Now() + 11);
    frame.OnDataTimeout();
    EXPECT_EQ(frame.Face(), (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    EXPECT_EQ(frame.statusBar()->currentMessage().toStdString(),
              SilentSinceText(f.clock.Now() - 11));
    EXPECT_TRUE(frame.Session().IsRunning());
    receive(total);
    EXPECT_EQ(next.Document().channels[0].size(), 3u);
    EXPECT_EQ(frame.Children().size(), 2u);

    // The choice is kept for the next start.
    frame.hide();
    FrameFixture again;
    again.frame->show();
    EXPECT_TRUE(again.frame->Action(cmd::kContinueWhenFull)->isChecked());
    ChooseFromMenu(*again.frame, QStringLiteral("&Real Time"), cmd::kContinueWhenFull);
    EXPECT_FALSE(again.frame->Action(cmd::kContinueWhenFull)->isChecked());
    EXPECT_FALSE(FrameFixture().frame->Action(cmd::kContinueWhenFull)->isChecked());
}
