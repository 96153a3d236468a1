// Real Time > "Continue in a new document when full", chosen with the mouse:
// a full live document hands the recording on to the next untitled one and
// stays open, modified and journaled; a silent meter keeps the recording.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/DocumentJournals.h"
#include "common/ui/CommandIds.h"
#include "display/ui/GraphDlg.h"
#include "docview/ui/DataListModel.h"
#include "docview/ui/LimitsDlg.h"
#include "docview/ui/RoZudozuvView.h"
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

// Fills in the Limits dialog once it is up: the high limit and the low one,
// typed into their fields after ticking their boxes, then OK.
void AnswerLimitsDialog(const QString& high, const QString& low) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, high, low] {
        auto* dialog = qobject_cast<CLimitsDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        const std::pair<QCheckBox*, QLineEdit*> fields[] = {
            {dialog->HighCheck(), dialog->HighEdit()}, {dialog->LowCheck(), dialog->LowEdit()}};
        const QString texts[] = {high, low};
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(fields[i].first, Qt::LeftButton, Qt::NoModifier,
                              QPoint(5, fields[i].first->height() / 2));
            QTest::keyClick(fields[i].second, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(fields[i].second, texts[i]);
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    timer->start();
}

float Value(int n) {
    return static_cast<float>(n % 50) / 10.0f;  // 0.0 … 4.9, one step a reading
}

}  // namespace

TEST(LongLog, ContinueWhenFullHandsTheRecordingOnAndASilentMeterKeepsIt) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
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
    AnswerLimitsDialog(QStringLiteral("10"), QStringLiteral("-1"));  // never crossed here
    ChooseFromMenu(frame, QStringLiteral("&Real Time"), cmd::kLimits);
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
    EXPECT_EQ(full.Document().Role(), DocumentRole::NotRecording);
    EXPECT_EQ(next.View().GetLimits(), (Limits{10.0, -1.0})) << "the limits go on too";
    if (const QByteArray shot = qgetenv("VAVIRIR_CONTINUE_SHOT"); !shot.isEmpty()) {
        WaitFor([] { return false; }, 1000);
        frame.grab().save(QString::fromLocal8Bit(shot));
    }
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

// Real Time > Limits… on a live window: the lines on the graph, one status
// message per crossing, "High"/"Low" in the Remark of the crossing rows only,
// and the excursions in the summary. An overload counts as above high.
TEST(LongLog, LimitsAreDrawnWatchedAndCounted) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
    frame.show();
    auto receive = [&](float value) {
        const auto bytes = PlainVdcFrame(value);
        frame.OnReceiveBytes(bytes.data(), bytes.size());
    };
    receive(1.0f);
    ChooseFromMenu(frame, QStringLiteral("&Real Time"), cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    CRoZudozuvView& view = frame.Children()[0]->View();
    AnswerLimitsDialog(QStringLiteral("4.5"), QStringLiteral("1"));
    ChooseFromMenu(frame, QStringLiteral("&Real Time"), cmd::kLimits);
    ASSERT_EQ(view.GetLimits(), (Limits{4.5, 1.0}));
    EXPECT_EQ(view.Graph()->State().highLimit, 4.5);
    EXPECT_EQ(view.Graph()->State().lowLimit, 1.0);

    // value, then the status message it leaves ("" when it says nothing new).
    const std::vector<std::pair<float, std::string>> steps = {
        {3.0f, ""},
        {5.0f, "New File1: 09:00:00 above high 5 > 4.5"},
        {5.5f, ""},
        {3.0f, "New File1: 09:00:00 back within limits"},
        {0.5f, "New File1: 09:00:00 below low 0.5 < 1"},
        {9.0f, "New File1: 09:00:00 above high OL > 4.5"},
        {2.0f, "New File1: 09:00:00 back within limits"},
    };
    const std::string clock = ClockText(f.clock.Now());
    for (auto [value, said] : steps) {
        if (!said.empty()) {
            said.replace(said.find("09:00:00"), 8, clock);
        }
        frame.statusBar()->clearMessage();
        receive(value);
        EXPECT_EQ(frame.statusBar()->currentMessage().toStdString(), said) << value;
    }
    std::string remarks;
    const CDataListModel& model = *view.ListModel();
    ASSERT_TRUE(WaitFor([&] { return model.rowCount() == 7; }));  // the list shows in batches
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString remark = model.data(model.index(row, 5)).toString();
        remarks += remark.isEmpty() ? "." : remark.left(1).toStdString();
    }
    EXPECT_EQ(remarks, ".H..LH.");
    EXPECT_TRUE(view.SummaryText().contains("Above high: 2\n")) << view.SummaryText().toStdString();
    EXPECT_TRUE(view.SummaryText().contains("Below low: 1\n")) << view.SummaryText().toStdString();

    if (const QByteArray shot = qgetenv("VAVIRIR_LIMITS_SHOT"); !shot.isEmpty()) {
        view.Tabs()->setCurrentIndex(0);
        WaitFor([] { return false; }, 3000);
        frame.grab().save(QString::fromLocal8Bit(shot));
    }
}
