#include <gtest/gtest.h>
#include <QDockWidget>
#include <QDropEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/ControlDlgBar.h"
#include "common/ui/CommandIds.h"
#include "display/ui/LeftDlg.h"
#include "docview/DataFile.h"
#include "frames/FrameEncoder.h"
#include "frames/Scenarios.h"

namespace {

// Text and command id of every item of a menu (separators and submenus as "-"/title).
std::vector<std::pair<QString, int>> Items(QMenu* menu) {
    std::vector<std::pair<QString, int>> items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items.emplace_back(QStringLiteral("-"), 0);
        } else if (action->menu() != nullptr) {
            items.emplace_back(action->text(), -1);
        } else {
            items.emplace_back(action->text(), action->data().toInt());
        }
    }
    return items;
}

QMenu* TopMenu(QMainWindow& frame, int index) {
    return frame.menuBar()->actions().at(index)->menu();
}

std::vector<CRoZudozuvDoc*> Views(CTestFrame& frame) {
    return frame.Session().Registry().Documents();
}

}  // namespace

TEST(MainFrame, MenusToolbarsAndStatusBarCarryTheirTextsAndIds) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    EXPECT_EQ(frame.windowTitle(), "Vavirir");

    QStringList titles;
    for (QAction* top : frame.menuBar()->actions()) {
        titles << top->text();
    }
    EXPECT_EQ(titles, QStringList({"&File", "&View", "&Com Port", "&Real Time", "&Graph Setting",
                                   "&Window", "&Help"}));

    using Items_t = std::vector<std::pair<QString, int>>;
    const Items_t fileItems{{"&New", 57600},
                            {"&Open...\tCtrl+O", 57601},
                            {"&Save", 57603},
                            {"Save as", 57604},
                            {"&Export To Excel", 32793},
                            {"Export To CS&V\u2026", 32794},
                            {"&Print", -1},
                            {"-", 0},
                            {"Recent File", 57616},
                            {"-", 0},
                            {"&Close", 57602},
                            {"E&xit", 57665}};
    EXPECT_EQ(Items(TopMenu(frame, 0)), fileItems);
    // No two items of a menu share a mnemonic.
    QStringList mnemonics;
    for (const auto& [text, id] : fileItems) {
        if (const auto amp = text.indexOf('&'); amp >= 0) {
            EXPECT_FALSE(mnemonics.contains(text.at(amp + 1).toLower())) << text.toStdString();
            mnemonics << text.at(amp + 1).toLower();
        }
    }
    QMenu* print = TopMenu(frame, 0)->actions().at(6)->menu();
    EXPECT_EQ(Items(print), (Items_t{{"&Graph", 32798}, {"&Data", 32799}}));
    EXPECT_EQ(Items(TopMenu(frame, 1)),
              (Items_t{{"&Toolbar", 59392}, {"&Status Bar", 59393}, {"Real Time", 32782}}));
    EXPECT_EQ(Items(TopMenu(frame, 2)), (Items_t{{"Other", 32781}, {"Demo meter", 32999}}));
    EXPECT_EQ(Items(TopMenu(frame, 3)), (Items_t{{"Start", 32787},
                                                 {"Stop", 32788},
                                                 {"-", 0},
                                                 {"Publish to &MQTT\u2026", 32801},
                                                 {"MQTT &Publishing", 32802},
                                                 {"-", 0},
                                                 {"Continue in a new document when full", 32850},
                                                 {"&Limits...", 32851}}));
    EXPECT_EQ(Items(TopMenu(frame, 4)), (Items_t{{"Setting", 32780}}));
    // The Window menu lists no document while there is none.
    EXPECT_EQ(
        Items(TopMenu(frame, 5)),
        (Items_t{{"&Cascade", 57650}, {"&Tile", 57651}, {"Ne&xt", 57680}, {"Pre&vious", 57681}}));
    EXPECT_EQ(Items(TopMenu(frame, 6)),
              (Items_t{{"&About Vavirir...", 57664}, {"&Help topics", 32800}}));
    EXPECT_TRUE(frame.Action(cmd::kViewRealTime)->isChecked());
    EXPECT_EQ(frame.Action(cmd::kViewRealTime)->statusTip(), "Show or hide the real time show");
    EXPECT_EQ(frame.Action(cmd::kViewRealTime)->toolTip(), "RealTime Show");

    // Accelerators.
    EXPECT_EQ(frame.Action(cmd::kNew)->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(frame.Action(cmd::kOpen)->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(frame.Action(cmd::kSave)->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(frame.Action(cmd::kSaveAs)->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(frame.Action(cmd::kExit)->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(frame.Action(cmd::kHelpTopics)->shortcut(), QKeySequence("F1"));

    // Toolbar: seven buttons in order; Open and Save have their texts.
    auto* toolbar = frame.findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    std::vector<int> ids;
    for (QAction* action : toolbar->actions()) {
        ids.push_back(action->data().toInt());
        EXPECT_FALSE(action->icon().isNull());
    }
    EXPECT_EQ(ids, (std::vector<int>{57601, 57603, 32793, 32787, 32788, 32798, 32800}));
    EXPECT_EQ(frame.Action(cmd::kOpen)->statusTip(), "Open an existing document");
    EXPECT_EQ(frame.Action(cmd::kOpen)->toolTip(), "Open");
    EXPECT_EQ(frame.Action(cmd::kSave)->statusTip(), "Save the active document");
    EXPECT_EQ(frame.Action(cmd::kSave)->toolTip(), "Save");

    // Graph tool bar: nine buttons, in the bar's order.
    auto* tools = frame.findChild<CControlDlgBar*>();
    ASSERT_NE(tools, nullptr);
    QStringList toolTexts;
    ids.clear();
    for (QAction* action : tools->actions()) {
        toolTexts << action->text();
        ids.push_back(action->data().toInt());
    }
    EXPECT_EQ(toolTexts,
              QStringList({"Move", "Rect", "YBig", "XBig", "Big", "Small", "Show", "All", "FFT"}));
    EXPECT_EQ(ids,
              (std::vector<int>{32771, 32772, 32774, 32773, 32775, 32776, 32777, 32778, 32792}));

    // Status bar and the Display dock on the left.
    EXPECT_EQ(frame.statusBar()->findChild<QLabel*>("readyText")->text(), "Ready");
    for (const char* key : {"CAP", "NUM", "SCRL"}) {
        EXPECT_NE(frame.statusBar()->findChild<QLabel*>(key), nullptr) << key;
    }
    EXPECT_EQ(frame.DisplayBar()->windowTitle(), "Display");
    EXPECT_EQ(frame.dockWidgetArea(frame.DisplayBar()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame.DisplayBar()->allowedAreas(), Qt::AllDockWidgetAreas);
    EXPECT_NE(frame.DisplayBar()->findChild<CLeftDlg*>(), nullptr);

    // Enable rules at start: Start on, Stop off, nothing that needs a document.
    EXPECT_TRUE(frame.Action(cmd::kStart)->isEnabled());
    EXPECT_FALSE(frame.Action(cmd::kStop)->isEnabled());
    for (int id : {cmd::kSave, cmd::kSaveAs, cmd::kExportExcel, cmd::kClose, cmd::kPrintGraph,
                   cmd::kPrintData, cmd::kGraphSetting}) {
        EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
    }
    // Clicking a graph tool without a document window changes nothing.
    tools->actions().at(0)->trigger();
    EXPECT_TRUE(frame.Children().empty());
}

TEST(MainFrame, RealTimeTwiceRestoresTheDisplayBarAndKeepsTheDocumentMaximised) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.show();
    frame.RunCommand(cmd::kNew);
    ASSERT_EQ(frame.Children().size(), 1u);
    QMdiSubWindow* sub = frame.MdiArea()->subWindowList().at(0);
    ASSERT_TRUE(frame.DisplayBar()->isVisible());

    frame.RunCommand(cmd::kViewRealTime);
    EXPECT_FALSE(frame.DisplayBar()->isVisible());
    EXPECT_FALSE(frame.Action(cmd::kViewRealTime)->isChecked());
    EXPECT_TRUE(sub->isMaximized());

    frame.RunCommand(cmd::kViewRealTime);
    EXPECT_TRUE(frame.DisplayBar()->isVisible());
    EXPECT_TRUE(frame.Action(cmd::kViewRealTime)->isChecked());
    EXPECT_TRUE(sub->isMaximized());

    // The bar's own close button takes the check mark with it.
    frame.DisplayBar()->close();
    EXPECT_FALSE(frame.Action(cmd::kViewRealTime)->isChecked());
}

TEST(MainFrame, StartNeedsDataAndEveryStartOpensTheOnlyLiveDocument) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;

    // A silent meter: Start opens nothing.
    frame.RunCommand(cmd::kStart);
    EXPECT_TRUE(frame.Children().empty());
    EXPECT_FALSE(frame.Session().IsRunning());

    const auto bytes = PlainVdcFrame(1.5f);
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    EXPECT_TRUE(frame.Session().IsRunning());
    EXPECT_FALSE(frame.Action(cmd::kStart)->isEnabled());
    EXPECT_TRUE(frame.Action(cmd::kStop)->isEnabled());
    EXPECT_TRUE(frame.Action(cmd::kSave)->isEnabled());

    // Readings while running land in the document and its summary text.
    for (float v : {1.25f, 2.5f}) {
        const auto reading = PlainVdcFrame(v);
        frame.OnReceiveBytes(reading.data(), reading.size());
    }
    CChildFrame* first = frame.Children().at(0);
    EXPECT_EQ(first->Document().channels[0].size(), 2u);
    EXPECT_TRUE(first->SummaryText().contains("DataNumber: 2"))
        << first->SummaryText().toStdString();
    EXPECT_TRUE(first->SummaryText().startsWith(
        "---------------------------Summary---------------------------"));

    frame.RunCommand(cmd::kStop);
    EXPECT_FALSE(frame.Session().IsRunning());
    EXPECT_TRUE(frame.Action(cmd::kStart)->isEnabled());
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 2u);
    CChildFrame* second = frame.Children().at(1);
    EXPECT_EQ(first->Document().Role(), DocumentRole::NotRecording);
    EXPECT_EQ(second->Document().Role(), DocumentRole::Live);
    EXPECT_EQ(Views(frame).size(), 2u);

    // Closing the running document, then Stop: acquisition ends all the same.
    frame.MdiArea()->subWindowList(QMdiArea::CreationOrder).at(1)->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Children().size() == 1; }));
    EXPECT_EQ(Views(frame).size(), 1u);
    frame.RunCommand(cmd::kStop);
    EXPECT_FALSE(frame.Session().IsRunning());
    EXPECT_TRUE(frame.Action(cmd::kStart)->isEnabled());
}

TEST(MainFrame, DataTimeoutShowsDisconnectedExceptForAFreshPortOrTheSyncMarker) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;

    // About 5 s after start-up nothing has ever arrived: DISCONNECTED.
    frame.OnDataTimeout();
    EXPECT_EQ(frame.Face(), (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    EXPECT_EQ(ToNumber(frame.FacePanel()->Face()), -1);

    // A port just opened shows the blank display, which outlives time-outs.
    ASSERT_TRUE(frame.OpenMeterPort("5"));
    EXPECT_EQ(ToNumber(frame.Face().face), 10);
    f.clock.Advance(60);
    frame.OnDataTimeout();
    EXPECT_EQ(ToNumber(frame.Face().face), 10);
    EXPECT_EQ(ToNumber(frame.FacePanel()->Face()), 10);

    // Readings, Start, then silence: 9 s is fine, 10 s is silent.
    const auto bytes = PlainVdcFrame(2.0f);
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    EXPECT_EQ(ToNumber(frame.Face().face), 1);
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    f.clock.Advance(9);
    frame.OnDataTimeout();
    EXPECT_EQ(ToNumber(frame.Face().face), 1);
    EXPECT_TRUE(frame.Session().IsRunning());
    EXPECT_EQ(frame.IdleStatusText(), "Ready");
    f.clock.Advance(1);
    frame.OnDataTimeout();
    // The status bar says why, under every passing message, until the next Start.
    const QString silent = "Recording stopped: the meter was silent for 10 s";
    EXPECT_EQ(frame.IdleStatusText(), silent);
    frame.statusBar()->showMessage("a menu's status tip");
    frame.statusBar()->clearMessage();
    EXPECT_EQ(frame.IdleStatusText(), silent);
    EXPECT_EQ(frame.Face(), (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    EXPECT_EQ(ToNumber(frame.FacePanel()->UnitIcon()), 0);
    EXPECT_FALSE(frame.Session().IsRunning());
    EXPECT_FALSE(frame.Session().Engine().HasReceivedData());
    CChildFrame* child = frame.Children().at(0);
    EXPECT_EQ(child->Document().Role(), DocumentRole::NotRecording);
    // After the time-out Start opens nothing until data comes again.
    frame.RunCommand(cmd::kStart);
    EXPECT_EQ(frame.Children().size(), 1u);
    EXPECT_EQ(frame.IdleStatusText(), silent);
    // The meter speaks again: the face moves, nothing is recorded, the text stays.
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    EXPECT_EQ(child->Document().channels[0].size(), 0u);
    EXPECT_EQ(frame.IdleStatusText(), silent);
    frame.RunCommand(cmd::kStart);
    EXPECT_EQ(frame.Children().size(), 2u);
    EXPECT_EQ(frame.IdleStatusText(), "Ready");
    frame.RunCommand(cmd::kStop);

    // While the sync marker is up, a minute of silence changes nothing.
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    const auto sync = frames::SyncMarker();
    frame.OnReceiveBytes(sync.data(), sync.size());
    ASSERT_TRUE(frame.Session().Engine().IsSyncMarkerSet());
    f.clock.Advance(60);
    frame.OnDataTimeout();
    EXPECT_EQ(ToNumber(frame.Face().face), 1);
    EXPECT_TRUE(frame.Session().Engine().HasReceivedData());
}

TEST(MainFrame, DataTimeoutRuleAtItsEdges) {
    const FaceState shown{FaceNumber::Relative, DialPosition::VoltsDc};
    EXPECT_FALSE(CheckDataTimeout(false, 1009, 1000, shown).silent);
    const auto silent = CheckDataTimeout(false, 1010, 1000, shown);
    EXPECT_TRUE(silent.silent);
    EXPECT_TRUE(silent.faceChanged);
    EXPECT_EQ(silent.face, (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    // Already disconnected with the dial at OFF: nothing to redraw.
    EXPECT_FALSE(
        CheckDataTimeout(false, 5000, 0, FaceState{FaceNumber::Disconnected, DialPosition::Off})
            .faceChanged);
    // Disconnected face but the dial still on: the dial goes to OFF.
    EXPECT_TRUE(CheckDataTimeout(false, 5000, 0,
                                 FaceState{FaceNumber::Disconnected, DialPosition::Temperature})
                    .faceChanged);
    // A clock set back does not count as silence.
    EXPECT_FALSE(CheckDataTimeout(false, 1000, 5000, shown).silent);
    EXPECT_FALSE(CheckDataTimeout(true, 99999, 0, shown).silent);
}

TEST(MainFrame, PortOpeningWarnsOnceAndOnlyTheCurrentLinksBlocksCount) {
    {
        FrameFixture failing(false);
        EXPECT_FALSE(failing.frame->OpenMeterPort("7"));
        EXPECT_EQ(failing.frame->messages, QStringList({"Warning:Can't open 7!"}));
        EXPECT_NE(ToNumber(failing.frame->Face().face), 10);
    }

    FrameFixture f;
    CTestFrame& frame = *f.frame;
    ASSERT_TRUE(frame.OpenMeterPort("/dev/pts/99"));
    EXPECT_EQ(f.log->readSize, 100);
    EXPECT_TRUE(frame.messages.isEmpty());
    CFakeLink::ReceiveFn oldReceiver = f.link->Receiver();

    // Blocks from the reader thread arrive on the GUI thread, in order.
    std::thread reader([&] {
        for (float v : {1.0f, 2.0f, 3.0f}) {
            f.link->Deliver(PlainVdcFrame(v));
        }
    });
    reader.join();
    ASSERT_TRUE(WaitFor([&] { return frame.FacePanel()->LastReading().value == 3.0f; }));

    // Reopening: a block the old link left in the queue is dropped.
    const auto stale = PlainVdcFrame(4.5f);
    oldReceiver(stale.data(), stale.size());
    ASSERT_TRUE(frame.OpenMeterPort("/dev/pts/99"));
    f.link->Deliver(PlainVdcFrame(5.5f));
    ASSERT_TRUE(WaitFor([&] { return frame.FacePanel()->LastReading().value == 5.5f; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.log->opened, (std::vector<std::string>{"/dev/pts/99", "/dev/pts/99"}));

    // The device vanishes: the link is closed and the status bar says so.
    const int closes = f.log->closes;
    std::thread([&] { f.link->LoseLink(); }).join();
    ASSERT_TRUE(WaitFor([&] { return f.log->closes > closes; }));
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Reconnecting to /dev/pts/99…");
    EXPECT_TRUE(frame.messages.isEmpty());
}

TEST(MainFrame, ALostLinkIsReopenedAndTheRecordingGoesOnInItsDocument) {
    FrameFixture f(true, 1'700'000'000, std::chrono::milliseconds(40));
    CTestFrame& frame = *f.frame;
    auto status = [&] { return frame.statusBar()->currentMessage(); };
    auto records = [&] { return frame.Children().at(0)->Document().channels[0].size(); };
    ASSERT_TRUE(frame.OpenMeterPort("rfcomm0"));
    f.link->Deliver(PlainVdcFrame(1.0f));
    ASSERT_TRUE(WaitFor([&] { return frame.Session().Engine().HasReceivedData(); }));
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    f.link->Deliver(PlainVdcFrame(2.0f));
    ASSERT_TRUE(WaitFor([&] { return records() == 1; }));

    // The device vanishes and stays away: DISCONNECTED, and the retries say so.
    f.link->SetOpens(false);
    std::thread([&] { f.link->LoseLink(); }).join();
    ASSERT_TRUE(WaitFor([&] { return status() == "Reconnecting to /dev/rfcomm0…"; }));
    EXPECT_EQ(frame.Face(), (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    const std::size_t tries = f.log->opened.size();
    ASSERT_TRUE(WaitFor([&] { return f.log->opened.size() >= tries + 2; }));
    // A minute of silence does not end the recording while the link is away.
    f.clock.Advance(60);
    frame.OnDataTimeout();
    EXPECT_TRUE(frame.Session().IsRunning());
    // Back, but held by another program: the status bar says why.
    f.link->SetOpens(false, "port in use by another program");
    ASSERT_TRUE(WaitFor([&] {
        return status() == "Reconnecting to /dev/rfcomm0… (port in use by another program)";
    }));

    // Back for good: connected, and the readings go on in the same document.
    f.link->SetOpens(true);
    ASSERT_TRUE(WaitFor([&] { return status() == "Connected to /dev/rfcomm0"; }));
    EXPECT_EQ(f.log->opened.back(), "rfcomm0");
    EXPECT_EQ(f.log->readSize, 100);
    // The silence counts from the reopen, not from the last block before the gap.
    frame.OnDataTimeout();
    EXPECT_TRUE(frame.Session().IsRunning());
    for (float v : {3.0f, 4.0f}) {
        f.link->Deliver(PlainVdcFrame(v));
    }
    ASSERT_TRUE(WaitFor([&] { return records() == 3; }));
    ASSERT_EQ(frame.Children().size(), 1u);
    const auto& kept = frame.Children().at(0)->Document().channels[0];
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].sequence, static_cast<std::int32_t>(i));
        EXPECT_EQ(kept[i].value, 2.0 + static_cast<double>(i));
    }

    // Lost again, then the user picks another port: the old one is left alone.
    f.link->SetOpens(false);
    std::thread([&] { f.link->LoseLink(); }).join();
    ASSERT_TRUE(WaitFor([&] { return status().startsWith("Reconnecting"); }));
    EXPECT_FALSE(frame.OpenMeterPort("7"));
    const std::size_t opens = f.log->opened.size();
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(f.log->opened.size(), opens);
}

TEST(MainFrame, StalledDownloadEndsWithTheRecordsReceivedSoFar) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    ASSERT_TRUE(frame.OpenMeterPort("1"));

    frames::DownloadHeader header;
    header.blockCount = 3;
    header.start = frames::MakeBcdStamp(26, 12, 7, 9, 5, 9);
    const auto headerBytes = frames::Encode(header);
    frame.OnReceiveBytes(headerBytes.data(), headerBytes.size());
    ASSERT_NE(frame.WaitDlg(), nullptr);
    EXPECT_TRUE(frame.WaitDlg()->isVisible());
    EXPECT_EQ(frame.WaitDlg()->Bar()->maximum(), 3);
    EXPECT_FALSE(f.log->written.empty());  // acknowledged

    const auto block = frames::EncodeBlock(1, {{1.5f, 0}, {2.5f, 1}});
    frame.OnReceiveBytes(block.data(), block.size());
    EXPECT_EQ(frame.WaitDlg()->Pos(), 1);

    // The meter falls silent in the middle of the download.
    f.clock.Advance(10);
    frame.OnDataTimeout();
    EXPECT_EQ(frame.WaitDlg(), nullptr);
    EXPECT_FALSE(frame.Session().Engine().IsDownloading());
    ASSERT_EQ(frame.Children().size(), 1u);
    const CRoZudozuvDoc& doc = frame.Children().at(0)->Document();
    ASSERT_EQ(doc.channels[0].size(), 2u);
    EXPECT_DOUBLE_EQ(doc.channels[0][1].value, 2.5);
}

TEST(MainFrame, DataFilesOpenAsQuietDocumentsAndFailuresAreShown) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    QTemporaryDir dir;
    CRoZudozuvDoc saved;
    saved.AddReading(0, 1.5, "VDC", 0.0, 0, "3/5/2018 9:7:5", "VDC", MeterReading{});
    const QString path = dir.filePath("one.txt");
    SaveDocumentFile(saved, path.toStdString());

    ASSERT_TRUE(frame.OpenDocumentFile(path));
    ASSERT_EQ(frame.Children().size(), 1u);
    CChildFrame* child = frame.Children().at(0);
    EXPECT_EQ(child->Document().Role(), DocumentRole::NotRecording);
    EXPECT_EQ(child->Document().channels[0].size(), 1u);
    EXPECT_EQ(child->Title(), "one.txt");
    EXPECT_EQ(child->windowTitle(), "one.txt");
    EXPECT_FALSE(child->isWindowModified());
    EXPECT_TRUE(child->SummaryText().contains("StartTime:"));
    EXPECT_EQ(Views(frame).size(), 1u);
    EXPECT_EQ(frame.RecentFiles().value(0), path);

    // A live reading does not reach a document read from a file.
    const auto bytes = PlainVdcFrame(1.0f);
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    frame.RunCommand(cmd::kStart);
    frame.OnReceiveBytes(bytes.data(), bytes.size());
    EXPECT_EQ(child->Document().channels[0].size(), 1u);

    const QString broken = dir.filePath("broken.txt");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a data file");
    file.close();
    EXPECT_FALSE(frame.OpenDocumentFile(broken));
    EXPECT_EQ(frame.messages, QStringList({broken + ": Unexpected file format."}));
    EXPECT_EQ(frame.icons.value(0), QMessageBox::Warning);
    EXPECT_EQ(frame.Children().size(), 2u);  // only the Start document came
}

TEST(MainFrame, DemoMeterFeedsTheFaceAndStopsOnRequest) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.RunCommand(cmd::kDemoMeter);
    EXPECT_TRUE(frame.DemoMeterRunning());
    EXPECT_TRUE(frame.Action(cmd::kDemoMeter)->isChecked());
    ASSERT_TRUE(WaitFor([&] { return IsReadingFace(frame.Face().face); }));
    EXPECT_FALSE(frame.FacePanel()->LastReading().unit.empty());

    frame.RunCommand(cmd::kDemoMeter);
    EXPECT_FALSE(frame.DemoMeterRunning());
    EXPECT_FALSE(frame.Action(cmd::kDemoMeter)->isChecked());
}

TEST(MainFrame, HelpPageSitsBesideTheProgram) {
    EXPECT_EQ(CMainFrame::HelpFilePath("/opt/vavirir"), "/opt/vavirir/help.html");
    EXPECT_EQ(CMainFrame::HelpFilePath("/opt/vavirir/"), "/opt/vavirir/help.html");
}

TEST(MainFrame, MeterRecordFramesOpenTheirOwnDocumentBesideTheLiveOne) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    const auto live = PlainVdcFrame(1.0f);
    frame.OnReceiveBytes(live.data(), live.size());
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);

    const auto sync = frames::SyncMarker();
    frame.OnReceiveBytes(sync.data(), sync.size());
    for (const frames::AnyFrame& record : frames::RecordsScenario::Frames({})) {
        const auto bytes = frames::Encode(record);
        frame.OnReceiveBytes(bytes.data(), bytes.size());
    }
    ASSERT_EQ(frame.Children().size(), 2u);
    CChildFrame* records = frame.Children().at(1);
    EXPECT_EQ(records->Document().Role(), DocumentRole::MeterRecords);
    EXPECT_FALSE(records->Document().channels[0].empty());
    // Its window follows the records even though it is not live.
    EXPECT_FALSE(records->SummaryText().contains("DataNumber: 0"))
        << records->SummaryText().toStdString();
    // The meter-record frames ended live acquisition.
    EXPECT_FALSE(frame.Session().IsRunning());
    EXPECT_TRUE(frame.Action(cmd::kStart)->isEnabled());
}

TEST(MainFrame, AFullDocumentStopsTheRecordingAndSaysSo) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    const auto one = PlainVdcFrame(1.0f);
    frame.OnReceiveBytes(one.data(), one.size());
    frame.RunCommand(cmd::kStart);
    std::vector<std::uint8_t> stream;
    for (std::size_t i = 0; i <= CRoZudozuvDoc::kLiveCapacity; ++i) {
        stream.insert(stream.end(), one.begin(), one.end());
    }
    frame.OnReceiveBytes(stream.data(), stream.size());

    const CChildFrame* child = frame.Children().at(0);
    EXPECT_EQ(child->Document().channels[0].size(), CRoZudozuvDoc::kLiveCapacity);
    EXPECT_FALSE(frame.Action(cmd::kStop)->isEnabled());
    const QString said =
        "Recording stopped: New File1 is full. A document holds at most 20,000 "
        "readings.";
    EXPECT_EQ(frame.IdleStatusText(), said);
    // The box comes once the readings are dispatched.
    EXPECT_TRUE(frame.messages.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !frame.messages.isEmpty(); }));
    EXPECT_EQ(frame.messages, QStringList({said}));

    // Stop by hand says nothing of the kind.
    frame.RunCommand(cmd::kStart);
    EXPECT_EQ(frame.IdleStatusText(), "Ready");
    frame.RunCommand(cmd::kStop);
    EXPECT_EQ(frame.IdleStatusText(), "Ready");
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.messages.size(), 1);
}

TEST(MainFrame, DroppedFilesNameTheOneThatFailsAndKeysReachFileAndHelpCommands) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    ASSERT_TRUE(ShowActive(frame));
    QTemporaryDir dir;
    CRoZudozuvDoc saved;
    saved.AddReading(0, 1.5, "VDC", 0.0, 0, "3/5/2018 9:7:5", "VDC", MeterReading{});
    const QString good = dir.filePath("good.txt");
    SaveDocumentFile(saved, good.toStdString());
    const QString broken = dir.filePath("broken.txt");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a data file");
    file.close();

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(good), QUrl::fromLocalFile(broken)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    EXPECT_EQ(frame.messages, QStringList({broken + ": Unexpected file format."}));
    EXPECT_EQ(frame.Children().size(), 1u);
    // The recent-file list lives in ~/.config/vavirir/.
    QFile settings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/vavirir/vavirir.conf");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains(good.toUtf8()));

    // F1 with no opener, or an opener that finds no viewer: the box says so
    // and where the guide is. An opener that succeeds leaves nothing to say.
    const QByteArray path = qgetenv("PATH");
    struct HelpCase {
        const char* opener;  // the xdg-open script, or none
        bool says;
    };
    for (const HelpCase& c :
         {HelpCase{nullptr, true}, HelpCase{"exit 3", true}, HelpCase{"exit 0", false}}) {
        SCOPED_TRACE(c.opener != nullptr ? c.opener : "no opener");
        QTemporaryDir bin;
        if (c.opener != nullptr) {
            QFile script(bin.filePath("xdg-open"));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(QByteArray("#!/bin/sh\n") + c.opener + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        frame.messages.clear();
        QTest::keyClick(&frame, Qt::Key_F1);
        // The opener is gone once it has been heard from.
        const bool finished =
            WaitFor([&] { return frame.findChildren<QProcess*>().isEmpty(); }, 10000);
        qputenv("PATH", path);
        ASSERT_TRUE(finished);
        if (c.says) {
            ASSERT_EQ(frame.messages.size(), 1);
            EXPECT_TRUE(frame.messages.at(0).startsWith("No program to show web pages was found"));
            EXPECT_TRUE(frame.messages.at(0).endsWith("help.html"))
                << frame.messages.at(0).toStdString();
        } else {
            EXPECT_TRUE(frame.messages.isEmpty());
        }
    }

    // Ctrl+N opens a document, Ctrl+Q asks to quit.
    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(frame.Children().size(), 2u);
    QTest::keyClick(&frame, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(frame.isVisible());
}

TEST(MainFrame, WindowMenuListsTheDocumentsWithTheActiveOneCheckedAndTiles) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
    ASSERT_TRUE(ShowActive(frame));
    for (int i = 0; i < 3; ++i) {
        frame.RunCommand(cmd::kNew);
    }
    const std::vector<CChildFrame*> children = frame.Children();

    // Opens the Window menu with the mouse and returns its document entries.
    QMenu* window = TopMenu(frame, 5);
    auto openMenu = [&] {
        QMenuBar* bar = frame.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                          bar->actionGeometry(window->menuAction()).center());
        EXPECT_TRUE(WaitFor([&] { return window->isVisible(); }));
        std::vector<std::pair<QString, bool>> entries;
        for (QAction* action : window->actions()) {
            if (action->data().toInt() >= cmd::kFirstDocumentWindow) {
                entries.emplace_back(action->text(), action->isChecked());
            }
        }
        return entries;
    };
    using Entries = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(openMenu(),
              (Entries{{"&1 New File1", false}, {"&2 New File2", false}, {"&3 New File3", true}}));

    // An entry clicked activates its window.
    QAction* first = nullptr;
    for (QAction* action : window->actions()) {
        if (action->data().toInt() == cmd::kFirstDocumentWindow) {
            first = action;
        }
    }
    ASSERT_NE(first, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier,
                      window->actionGeometry(first).center());
    EXPECT_EQ(frame.ActiveChild(), children.at(0));
    EXPECT_EQ(openMenu(),
              (Entries{{"&1 New File1", true}, {"&2 New File2", false}, {"&3 New File3", false}}));
    window->hide();

    // Tile lays the windows side by side, none maximised and none overlapping.
    frame.RunCommand(cmd::kWindowTile);
    for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_FALSE(children[i]->isMaximized());
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()));
        }
    }
}
