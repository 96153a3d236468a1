#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/ControlDlgBar.h"
#include "common/ui/CommandIds.h"
#include "display/ui/GraphDlg.h"
#include "docview/DataFile.h"
#include "docview/ui/DataListModel.h"
#include "frames/Scenarios.h"
#include "record/ListRows.h"
#include "support/DecimalCommaLocale.h"
#include "support/ResultAssert.h"

namespace {

// Every row of the window's data list, as shown once the list caught up with
// the document (it repaints in batches).
std::vector<QStringList> Rows(const CChildFrame& child) {
    const CDataListModel& model = *child.View().ListModel();
    const auto listed = static_cast<int>(ListRecordOrder(child.Document()).size());
    EXPECT_TRUE(WaitFor([&] { return model.rowCount() == listed; }));
    std::vector<QStringList> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c) {
            cells << model.Text(r, c);
        }
        rows.push_back(cells);
    }
    return rows;
}

void Feed(CTestFrame& frame, const std::vector<std::uint8_t>& bytes) {
    frame.OnReceiveBytes(bytes.data(), bytes.size());
}

void StartRecording(CTestFrame& frame, std::initializer_list<float> values) {
    Feed(frame, PlainVdcFrame(0.0f));
    frame.RunCommand(cmd::kStart);
    for (float v : values) {
        Feed(frame, PlainVdcFrame(v));
    }
}

// Clicks a tab of the view with the mouse.
void ClickTab(CChildFrame& child, int tab) {
    QTabBar* tabs = child.View().Tabs();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(tab).center());
}

QString WriteDataFile(const QTemporaryDir& dir, const QString& name, const CRoZudozuvDoc& doc) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(Succeeded(SaveDocumentFile(doc, path.toStdString())));
    return path;
}

}  // namespace

TEST(DocumentWindow, DataListRowsOfFileLiveMeterRecordAndDownloadDocuments) {
    QTemporaryDir dir;
    CRoZudozuvDoc fileDoc;
    fileDoc.channels[0] = {{1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC"},
                           {kOverloadValue, "V", 0.0, 1, "1/2/2018 3:4:6", "VDC"}};
    fileDoc.channels[1] = {{9.0, "V", 1.0, 7, "x", "Rel"},  // matches no main record
                           {2.0, "V", 1.0, 0, "1/2/2018 3:4:5", "Max"}};
    fileDoc.channels[2] = {{4.0, "V", 1.0, 0, "x", "never shown"}};
    const QString filePath = WriteDataFile(dir, "rows.txt", fileDoc);
    const QString liveTime = "14/11/2023 22:13:20";  // the fixture's clock

    struct Case {
        const char* name;
        std::function<void(FrameFixture&)> make;
        std::vector<QStringList> expected;  // empty: checked by `valuePattern` only
        const char* valuePattern;
    };
    const std::vector<Case> cases = {
        {"file",
         [&](FrameFixture& f) { ASSERT_TRUE(f.frame->OpenDocumentFile(filePath)); },
         {{"1", "1/2/2018 3:4:5", "V", "1.5000", "VDC", ""},
          {"2", "1/2/2018 3:4:5", "V", "2.0000", "Max", ""},
          {"3", "1/2/2018 3:4:6", "V", "OL", "VDC", ""}},
         nullptr},
        {"live, the reading's own decimals and OL above the limit",
         [](FrameFixture& f) {
             StartRecording(*f.frame, {1.25f, 7.0f, -2.5f});
         },
         {{"1", liveTime, "VDC", "1.250", "VDC", ""},
          {"2", liveTime, "VDC", "OL", "VDC", ""},
          {"3", liveTime, "VDC", "-2.500", "VDC", ""}},
         nullptr},
        {"download, adopted with %.4f rows",
         [](FrameFixture& f) {
             frames::DownloadHeader header;
             header.blockCount = 1;
             header.start = frames::MakeBcdStamp(26, 12, 7, 9, 5, 9);
             Feed(*f.frame, frames::Encode(header));
             Feed(*f.frame, frames::EncodeBlock(1, {{1.5f, 0}, {7.0f, 1}}));
         },
         {},
         R"(^\d+\.\d{4}$)"},
        {"meter records, %.4f rows",
         [](FrameFixture& f) {
             Feed(*f.frame, frames::SyncMarker());
             for (const frames::AnyFrame& record : frames::RecordsScenario::Frames({})) {
                 Feed(*f.frame, frames::Encode(record));
             }
         },
         {},
         R"(^-?\d+\.\d{4}$)"},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameFixture f;
        c.make(f);
        ASSERT_FALSE(f.frame->Children().empty());
        const CChildFrame& child = *f.frame->Children().back();
        const std::vector<QStringList> rows = Rows(child);
        if (!c.expected.empty()) {
            EXPECT_EQ(rows, c.expected);
            EXPECT_EQ(child.isWindowModified(), std::string(c.name) != "file");
            continue;
        }
        EXPECT_TRUE(child.isWindowModified());
        // One row per record, numbered from 1, every value with four decimals.
        ASSERT_EQ(rows.size(), child.Document().RecordCount());
        const QRegularExpression pattern(QString::fromLatin1(c.valuePattern));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i][0], QString::number(i + 1));
            EXPECT_TRUE(pattern.match(rows[i][3]).hasMatch()) << rows[i][3].toStdString();
        }
    }
}

TEST(DocumentWindow, ViewShowsTabsListColumnsAndTakesToolCommands) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
    frame.show();
    frame.RunCommand(cmd::kNew);
    CChildFrame& child = *frame.Children().at(0);
    CRoZudozuvView& view = child.View();
    EXPECT_TRUE(child.isMaximized());
    EXPECT_EQ(frame.windowTitle(), "Vavirir - [New File1]");
    EXPECT_EQ(frame.CurrentView(), &view);

    QStringList tabs;
    for (int i = 0; i < view.Tabs()->count(); ++i) {
        tabs << view.Tabs()->tabText(i);
    }
    EXPECT_EQ(tabs, QStringList({"Graph", "Data List", "Summary"}));
    EXPECT_EQ(view.CopyGraphButton()->text(), "Copy Graph");

    // Panes sit 30 in, 60 down, 60 narrower and 80 lower than the view.
    const QRect pane(30, 60, view.width() - 60, view.height() - 80);
    EXPECT_EQ(view.Graph()->geometry(), pane);
    EXPECT_EQ(view.List()->geometry(), pane);
    EXPECT_EQ(view.SummaryEdit()->geometry(), pane);
    // An empty new document shows an empty summary.
    EXPECT_TRUE(view.SummaryText().isEmpty());

    // Tabs switch the panes.
    EXPECT_TRUE(view.Graph()->isVisible());
    EXPECT_FALSE(view.List()->isVisible());
    ClickTab(child, 1);
    EXPECT_TRUE(view.List()->isVisible());
    EXPECT_FALSE(view.Graph()->isVisible());
    ClickTab(child, 2);
    EXPECT_TRUE(view.SummaryEdit()->isVisible());
    EXPECT_TRUE(view.SummaryEdit()->isReadOnly());

    QTableView* list = view.List();
    QStringList headers;
    std::vector<int> widths;
    for (int c = 0; c < list->model()->columnCount(); ++c) {
        headers << list->model()->headerData(c, Qt::Horizontal).toString();
        widths.push_back(list->columnWidth(c));
        EXPECT_EQ(list->model()
                          ->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole)
                          .value<Qt::Alignment>() &
                      Qt::AlignHorizontal_Mask,
                  Qt::AlignLeft);
    }
    EXPECT_EQ(headers, QStringList({"ID", "Data Time", "Unit", "Value", "Type", "Remark"}));
    EXPECT_EQ(widths, (std::vector<int>{70, 150, 80, 80, 80, 60}));
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);

    // The graph tool bar's buttons reach the current view's graph.
    auto* tools = frame.findChild<CControlDlgBar*>();
    const std::vector<std::pair<QString, GraphTool>> toolOf = {
        {"Move", GraphTool::Move},  {"Rect", GraphTool::RectZoom}, {"YBig", GraphTool::YZoom},
        {"XBig", GraphTool::XZoom}, {"Big", GraphTool::ZoomIn},    {"Small", GraphTool::ZoomOut},
        {"Show", GraphTool::Show},  {"FFT", GraphTool::FftRange}};
    for (const auto& [text, tool] : toolOf) {
        for (QAction* action : tools->actions()) {
            if (action->text() == text) {
                QTest::mouseClick(tools->widgetForAction(action), Qt::LeftButton);
            }
        }
        EXPECT_EQ(view.Graph()->Tool(), tool) << text.toStdString();
    }
}

// Readings that arrive together are shown together: the list takes all
// their rows in one insertion, the summary and the graph change once, and
// only after the readings are in.
TEST(DocumentWindow, ReadingsArrivingTogetherRepaintTheViewOnce) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(900, 600);
    frame.show();
    StartRecording(frame, {});
    CChildFrame& child = *frame.Children().at(0);
    ClickTab(child, 1);
    QCoreApplication::processEvents();
    CRoZudozuvView& view = child.View();
    QSignalSpy inserted(view.ListModel(), &QAbstractItemModel::rowsInserted);
    QSignalSpy summary(view.SummaryEdit(), &QPlainTextEdit::textChanged);

    for (int i = 0; i < 50; ++i) {
        Feed(frame, PlainVdcFrame(0.1f * static_cast<float>(i)));
    }
    EXPECT_EQ(view.ListModel()->rowCount(), 0) << "nothing is shown while readings arrive";
    EXPECT_TRUE(view.SummaryText().contains("DataNumber: 50"));
    ASSERT_TRUE(WaitFor([&] { return view.ListModel()->rowCount() == 50; }));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_TRUE(WaitFor([&] { return summary.count() > 0; }));
    EXPECT_EQ(summary.count(), 1);
    EXPECT_EQ(view.SummaryEdit()->toPlainText(), view.SummaryText());
    EXPECT_EQ(view.ListModel()->Text(49, 3), "4.900");
}

TEST(DocumentWindow, NewRowsScrollIntoViewUnlessTheUserScrolledAway) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(900, 600);
    frame.show();
    StartRecording(frame, {});
    CChildFrame& child = *frame.Children().at(0);
    ClickTab(child, 1);
    QTableView* list = child.View().List();
    auto lastRowShown = [list] {
        const int last = list->model()->rowCount() - 1;
        return list->viewport()->rect().intersects(list->visualRect(list->model()->index(last, 0)));
    };

    for (int i = 0; i < 80; ++i) {
        Feed(frame, PlainVdcFrame(0.01f * static_cast<float>(i)));
    }
    ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount() == 80; }));
    ASSERT_GT(list->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(lastRowShown());

    // The user goes back to the first row: new rows leave the list there.
    QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 5; ++i) {
        Feed(frame, PlainVdcFrame(1.0f));
    }
    ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount() == 85; }));
    EXPECT_EQ(list->rowAt(0), 0);
    EXPECT_FALSE(lastRowShown());

    // Back at the end, the list follows again.
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    Feed(frame, PlainVdcFrame(2.0f));
    ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount() == 86; }));
    EXPECT_TRUE(lastRowShown());
    EXPECT_EQ(list->model()->rowCount(), 86);
}

TEST(DocumentWindow, ClosingAModifiedDocumentAsksSaveDiscardOrCancel) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.show();
    QTemporaryDir dir;
    StartRecording(frame, {1.0f, 2.0f});
    CChildFrame* child = frame.Children().at(0);
    EXPECT_TRUE(child->isWindowModified());
    EXPECT_EQ(child->windowTitle(), "New File1*");
    EXPECT_EQ(frame.windowTitle(), "Vavirir - [New File1*]");

    // The real box, answered with the mouse: Cancel keeps the window.
    QString asked;
    AnswerNextBox(QMessageBox::Cancel, &asked);
    child->close();
    EXPECT_EQ(asked, "Save changes to New File1?");
    ASSERT_EQ(frame.Children().size(), 1u);

    // Save runs Save As for an untitled document; a failed save keeps the
    // window open and the document modified.
    frame.fileNames = {dir.filePath("no/such/folder/rec.txt")};
    AnswerNextBox(QMessageBox::Save);
    child->close();
    EXPECT_EQ(frame.suggestedNames, QStringList({"New File1.txt"}));
    EXPECT_EQ(frame.messages.size(), 1);
    EXPECT_TRUE(frame.messages.value(0).contains(dir.filePath("no/such/folder/rec.txt")))
        << frame.messages.value(0).toStdString();
    EXPECT_EQ(frame.icons.value(0), QMessageBox::Warning);
    ASSERT_EQ(frame.Children().size(), 1u);
    EXPECT_TRUE(child->Document().IsModified());

    // Cancelling the Save As dialog keeps the window too.
    AnswerNextBox(QMessageBox::Save);
    child->close();
    ASSERT_EQ(frame.Children().size(), 1u);

    // A save that works closes the window; the file holds the recording.
    const QString saved = dir.filePath("rec.txt");
    frame.fileNames = {saved};
    AnswerNextBox(QMessageBox::Save);
    child->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Children().empty(); }));
    CRoZudozuvDoc reread;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(saved.toStdString(), reread)));
    EXPECT_EQ(reread.channels[0].size(), 2u);
    EXPECT_EQ(frame.RecentFiles().value(0), saved);

    // Discard closes without saving; a document read from a file and left
    // unchanged closes without a question.
    frame.RunCommand(cmd::kStop);
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    Feed(frame, PlainVdcFrame(3.0f));
    AnswerNextBox(QMessageBox::Discard);
    frame.Children().at(0)->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Children().empty(); }));
    ASSERT_TRUE(frame.OpenDocumentFile(saved));
    frame.Children().at(0)->close();
    ASSERT_TRUE(WaitFor([&] { return frame.Children().empty(); }));
}

TEST(DocumentWindow, QuittingAsksFirstAndOnlySaveOrDiscardEndTheRecording) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.show();
    QTemporaryDir dir;
    StartRecording(frame, {1.0f});
    ASSERT_TRUE(frame.Session().IsRunning());

    // Cancel: the recording goes on in its own document.
    QString asked;
    AnswerNextBox(QMessageBox::Cancel, &asked);
    EXPECT_FALSE(frame.close());
    EXPECT_EQ(asked, "Save changes to New File1?");
    EXPECT_TRUE(frame.Session().IsRunning());
    EXPECT_FALSE(frame.Action(cmd::kStart)->isEnabled());
    EXPECT_EQ(frame.Children().size(), 1u);
    EXPECT_TRUE(frame.isVisible());
    Feed(frame, PlainVdcFrame(2.0f));
    const CChildFrame* recording = frame.Children().at(0);
    EXPECT_EQ(recording->Document().channels[0].size(), 2u);

    // Save, but the Save As dialog is cancelled: still recording.
    AnswerNextBox(QMessageBox::Save);
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.Session().IsRunning());

    // Save: the file holds every reading, and the program ends.
    const QString saved = dir.filePath("rec.txt");
    frame.fileNames = {saved};
    AnswerNextBox(QMessageBox::Save);
    EXPECT_TRUE(frame.close());
    EXPECT_FALSE(frame.Session().IsRunning());
    CRoZudozuvDoc reread;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(saved.toStdString(), reread)));
    EXPECT_EQ(reread.channels[0].size(), 2u);
}

TEST(DocumentWindow, TheTitleMarkFollowsEverySaveFailedSaveAndNewRecord) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    ASSERT_TRUE(ShowActive(frame));
    QTemporaryDir dir;
    StartRecording(frame, {1.0f});
    const CChildFrame& child = *frame.Children().at(0);
    auto titles = [&] { return QStringList({child.windowTitle(), frame.windowTitle()}); };
    EXPECT_EQ(titles(), QStringList({"New File1*", "Vavirir - [New File1*]"}));

    struct Step {
        const char* what;
        std::function<void()> act;
        QStringList expected;
    };
    const QString rec = dir.filePath("rec.txt");
    const std::vector<Step> steps = {
        {"a failed save",
         [&] {
             frame.fileNames = {dir.filePath("no/such/folder/rec.txt")};
             QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
         },
         {"New File1*", "Vavirir - [New File1*]"}},
        {"Save As (Ctrl+Shift+S)",
         [&] {
             frame.fileNames = {rec};
             QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
         },
         {"rec.txt", "Vavirir - [rec.txt]"}},
        {"a new record",
         [&] { Feed(frame, PlainVdcFrame(2.0f)); },
         {"rec.txt*", "Vavirir - [rec.txt*]"}},
        {"Save (Ctrl+S)",
         [&] { QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier); },
         {"rec.txt", "Vavirir - [rec.txt]"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(titles(), step.expected);
        EXPECT_EQ(child.isWindowModified(), child.Document().IsModified());
    }
    EXPECT_EQ(frame.messages.size(), 1);  // the failed save's
}

TEST(DocumentWindow, AFileShownInAWindowIsNeverOpenedTwiceNorWrittenOverByAnother) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    QTemporaryDir dir;
    CRoZudozuvDoc doc;
    doc.AddReading(0, 1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC", MeterReading{});
    const QString a = WriteDataFile(dir, "a.txt", doc);
    const QString b = WriteDataFile(dir, "b.txt", doc);
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(a, link));

    ASSERT_TRUE(frame.OpenDocumentFile(a));
    ASSERT_TRUE(frame.OpenDocumentFile(b));
    CChildFrame* shownA = frame.Children().at(0);
    // The same file under other names: its window comes forward, nothing is read.
    for (const QString& name : {a, dir.path() + "/./a.txt", link}) {
        SCOPED_TRACE(name.toStdString());
        frame.RunCommand(cmd::kNextWindow);
        ASSERT_TRUE(frame.OpenDocumentFile(name));
        EXPECT_EQ(frame.Children().size(), 2u);
        EXPECT_EQ(frame.ActiveChild(), shownA);
    }

    // A recording saved as the file of another window is refused.
    StartRecording(frame, {3.0f});
    CChildFrame* recording = frame.Children().at(2);
    frame.fileNames = {link};
    EXPECT_FALSE(frame.SaveDocument(*recording, true));
    ASSERT_EQ(frame.messages.size(), 1);
    EXPECT_TRUE(frame.messages.at(0).contains("a.txt")) << frame.messages.at(0).toStdString();
    CRoZudozuvDoc reread;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(a.toStdString(), reread)));
    EXPECT_EQ(reread.channels[0].size(), 1u);
    EXPECT_TRUE(recording->Document().IsModified());
    // Its own file again is fine.
    frame.fileNames = {dir.filePath("c.txt")};
    EXPECT_TRUE(frame.SaveDocument(*recording, true));
    frame.fileNames = {dir.filePath("c.txt")};
    EXPECT_TRUE(frame.SaveDocument(*recording, true));
}

TEST(DocumentWindow, OpenAndSaveAsThroughTheFileCommands) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    QTemporaryDir dir;
    CRoZudozuvDoc doc;
    doc.AddReading(0, 1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC", MeterReading{});
    const QString original = WriteDataFile(dir, "a.txt", doc);

    frame.fileNames = {original};
    frame.RunCommand(cmd::kOpen);
    ASSERT_EQ(frame.Children().size(), 1u);
    EXPECT_EQ(frame.windowTitle(), "Vavirir - [a.txt]");

    // A failing Save As reports the file and changes nothing.
    const QString bad = dir.filePath("missing/b.txt");
    frame.fileNames = {bad};
    frame.RunCommand(cmd::kSaveAs);
    EXPECT_EQ(frame.messages.size(), 1);
    EXPECT_EQ(frame.Children().at(0)->FilePath(), original);

    const QString copy = dir.filePath("b.txt");
    frame.fileNames = {copy};
    frame.RunCommand(cmd::kSaveAs);
    EXPECT_EQ(frame.Children().at(0)->Title(), "b.txt");
    EXPECT_EQ(frame.RecentFiles().mid(0, 2), QStringList({copy, original}));
    QFile a(original);
    QFile b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    // Damaged files give the message and no window; dropped files open.
    const QString damaged = QStringLiteral(VAVIRIR_TEST_DATA "/datafiles/damaged/schema_2.txt");
    frame.fileNames = {damaged};
    frame.RunCommand(cmd::kOpen);
    EXPECT_EQ(frame.messages.value(1), damaged + ": Unexpected file format.");
    EXPECT_EQ(frame.Children().size(), 1u);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(original)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QCoreApplication::sendEvent(&frame, &drop);
    EXPECT_EQ(frame.Children().size(), 2u);
}

TEST(DocumentWindow, ClosingAWindowWhileReadingsAreQueuedForItIsSafe) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    ASSERT_TRUE(frame.OpenMeterPort("1"));
    f.link->Deliver(PlainVdcFrame(1.0f));
    ASSERT_TRUE(WaitFor([&] { return frame.Session().Engine().HasReceivedData(); }));
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    f.link->Deliver(PlainVdcFrame(1.5f));
    ASSERT_TRUE(WaitFor([&] { return frame.Children().at(0)->Document().IsModified(); }));

    // The window closes (its deletion is still pending), then the reader
    // thread queues blocks that run after it is gone.
    AnswerNextBox(QMessageBox::Discard);
    frame.Children().at(0)->close();
    std::thread reader([&] {
        for (int i = 0; i < 50; ++i) {
            f.link->Deliver(PlainVdcFrame(1.0f + 0.01f * static_cast<float>(i)));
        }
    });
    reader.join();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(frame.Children().empty());
    EXPECT_TRUE(frame.Session().Registry().Documents().empty());
}

namespace {

// Runs `answer` on the next modal window once it is up (message box, dialog,
// print dialog), so a test can drive a command that waits for the user.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(10, [answer = std::move(answer)]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
        } else {
            AnswerNextModal(std::move(answer));
        }
    });
}

}  // namespace

TEST(DocumentWindow, ViewCommandsReachTheirDialogsAndTheClipboard) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
    frame.show();
    for (int id : {cmd::kPrintGraph, cmd::kPrintData, cmd::kGraphSetting, cmd::kExportCsv}) {
        EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
    }
    StartRecording(frame, {1.0f, 2.5f, -1.0f, 3.0f, 0.5f, 2.0f, 1.5f, 0.0f, 1.0f, 2.0f});
    frame.RunCommand(cmd::kStop);
    CRoZudozuvView& view = frame.Children().at(0)->View();
    for (int id : {cmd::kPrintGraph, cmd::kPrintData, cmd::kGraphSetting, cmd::kExportCsv}) {
        EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
    }

    // Graph Setting opens the Setting dialog; Cancel changes nothing.
    QString seen;
    const QColor background = view.Graph()->GetColour(CGraphDlg::Colour::Background);
    AnswerNextModal([&](QWidget* modal) {
        seen = modal->windowTitle();
        qobject_cast<QDialog*>(modal)->reject();
    });
    frame.Action(cmd::kGraphSetting)->trigger();
    EXPECT_EQ(seen, "Setting");
    EXPECT_EQ(view.Graph()->GetColour(CGraphDlg::Colour::Background), background);

    // Print > Data asks for the printer; Cancel prints nothing.
    seen.clear();
    AnswerNextModal([&](QWidget* modal) {
        seen = modal->metaObject()->className();
        qobject_cast<QDialog*>(modal)->reject();
    });
    frame.Action(cmd::kPrintData)->trigger();
    EXPECT_TRUE(seen.contains("PrintDialog")) << seen.toStdString();

    // Copy Graph: the graph's picture on the clipboard, then the tip.
    QString tip;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        tip = box->windowTitle() + "|" + box->text();
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->accept();
    });
    QTest::mouseClick(view.CopyGraphButton(), Qt::LeftButton);
    EXPECT_EQ(tip, "Tip|Graph is already copied to clipboard!");
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              view.Graph()->RenderClientImage().convertToFormat(QImage::Format_RGB32));

    // The FFT tool's drag opens the FFT analysis.
    seen.clear();
    view.Graph()->SetTool(GraphTool::FftRange);
    CGraphDlg* graph = view.Graph();
    AnswerNextModal([&](QWidget* modal) {
        seen = modal->windowTitle();
        qobject_cast<QDialog*>(modal)->reject();
    });
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(graph->width() - 60, 100));
    QTest::mouseMove(graph, QPoint(60, 110));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(60, 110));
    EXPECT_EQ(seen, "FFT Analysis");
}

TEST(DocumentWindow, DataListAndSummaryKeepTheirPointUnderALocaleWithADecimalComma) {
    FrameFixture f;  // the application takes the environment's locale when it is made
    const test_support::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.Active()) << test_support::kDecimalCommaLocale
                                 << " is missing: scripts/deps generates it";
    CTestFrame& frame = *f.frame;
    frame.show();
    StartRecording(frame, {5.4f, -0.25f});
    frame.RunCommand(cmd::kStop);
    CChildFrame& child = *frame.Children().at(0);
    QApplication::processEvents();

    const std::vector<QStringList> rows = Rows(child);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3], "5.400");
    EXPECT_EQ(rows[1][3], "-0.250");
    const QString summary = child.View().SummaryText();
    EXPECT_TRUE(summary.contains("Minimum: -0.2500") && summary.contains("Average:2.5750"))
        << summary.toStdString();
    EXPECT_FALSE(summary.contains(QRegularExpression("[0-9],[0-9]"))) << summary.toStdString();
}

// Print > Data into a PDF file that cannot take it (/dev/full): the print
// dialog's own question whether to replace it, then a warning that names it.
TEST(DocumentWindow, APdfFileThatCannotBeWrittenIsReported) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(1000, 700);
    frame.show();
    StartRecording(frame, {1.0f, 2.5f, -1.0f, 3.0f});
    frame.RunCommand(cmd::kStop);

    QString warning;
    AnswerNextModal([&](QWidget* dialog) {
        auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        ASSERT_NE(printers, nullptr);
        ASSERT_NE(file, nullptr);
        printers->setCurrentIndex(printers->count() - 1);  // Print to File (PDF)
        file->setText(QStringLiteral("/dev/full"));
        AnswerNextModal([&](QWidget* question) {
            AnswerNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->icon(), QMessageBox::Warning);
                warning = box->text();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            });
            auto* replace = qobject_cast<QMessageBox*>(question);
            ASSERT_NE(replace, nullptr);
            QTest::mouseClick(replace->button(QMessageBox::Yes), Qt::LeftButton);
        });
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    frame.Action(cmd::kPrintData)->trigger();
    EXPECT_EQ(warning, "The PDF file /dev/full was not written.\nDestination disk drive is full.");
}
