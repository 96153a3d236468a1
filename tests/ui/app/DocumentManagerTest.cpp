#include <gtest/gtest.h>
#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/ControlDlgBar.h"
#include "app/DocumentManager.h"
#include "app/ProgramSettings.h"
#include "app/RecentFiles.h"
#include "common/ui/CommandIds.h"
#include "display/ui/GraphDlg.h"
#include "docview/DataFile.h"

namespace {

// Answers the manager's questions from lists and keeps what it was told.
class CScriptedPrompts : public IDocumentPrompts {
  public:
    QStringList fileNames;
    QList<QMessageBox::StandardButton> answers;
    QStringList errors;

    QString AskSaveFileName(const QString&) override {
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QMessageBox::StandardButton AskSaveChanges(const QString&) override {
        return answers.isEmpty() ? QMessageBox::Cancel : answers.takeFirst();
    }
    void ShowFileError(const QString& text) override { errors.append(text); }
};

}  // namespace

TEST(DocumentManager, OneDocumentPerFileAndTheSaveQuestionDecidesTheClose) {
    TestApp();
    QTemporaryDir dir;
    CScriptedPrompts prompts;
    CDocumentManager manager(prompts);
    QStringList events;
    QObject::connect(&manager, &CDocumentManager::created,
                     [&](CRoZudozuvDoc* doc) { events << "created " + manager.Title(*doc); });
    QObject::connect(&manager, &CDocumentManager::closing,
                     [&](CRoZudozuvDoc* doc) { events << "closing " + manager.Title(*doc); });
    QObject::connect(&manager, &CDocumentManager::discarded,
                     [&](CRoZudozuvDoc* doc) { events << "discarded " + manager.Title(*doc); });

    CRoZudozuvDoc& live = manager.Create();
    live.AddReading(0, 1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC", MeterReading{});
    const QString path = dir.filePath("a.txt");
    prompts.fileNames = {path};
    ASSERT_TRUE(manager.Save(live, false));
    EXPECT_EQ(manager.Title(live), "a.txt");
    EXPECT_FALSE(live.IsModified());

    // The same file under another name is the open document, read no second time.
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(manager.Open(link), &live);
    CRoZudozuvDoc& other = manager.Create();
    prompts.fileNames = {link};
    EXPECT_FALSE(manager.Save(other, true));  // would save over the open document
    EXPECT_EQ(prompts.errors.size(), 1);
    EXPECT_EQ(manager.Open(dir.filePath("missing.txt")), nullptr);
    EXPECT_EQ(prompts.errors.size(), 2);

    // Cancel keeps a modified document; Discard lets it go.
    other.AddReading(0, 2.5, "V", 0.0, 0, "1/2/2018 3:4:6", "VDC", MeterReading{});
    prompts.answers = {QMessageBox::Cancel, QMessageBox::Discard};
    EXPECT_FALSE(manager.QueryClose(other));
    EXPECT_TRUE(manager.QueryClose(other));
    EXPECT_TRUE(manager.QueryClose(live));  // saved: no question
    manager.Close(other);
    EXPECT_EQ(manager.Documents(), (std::vector<CRoZudozuvDoc*>{&live}));
    EXPECT_EQ(events, QStringList({"created New File1", "created New File2", "discarded New File2",
                                   "closing New File2"}));
}

TEST(DocumentManager, AFileOpensAgainRightAfterItsWindowClosed) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    CRoZudozuvDoc doc;
    doc.AddReading(0, 1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC", MeterReading{});
    SaveDocumentFile(doc, QFile::encodeName(path).toStdString());

    ASSERT_TRUE(frame.OpenDocumentFile(path));
    frame.RunCommand(cmd::kClose);  // the window is deleted later
    ASSERT_TRUE(frame.OpenDocumentFile(path));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frame.Children().size(), 1u);
    EXPECT_EQ(frame.Children().at(0)->Title(), "a.txt");
    EXPECT_EQ(frame.Documents().Documents().size(), 1u);
}

TEST(RecentFiles, KeepsFourNewestFirstAcrossRunsAndOpensFromTheMenu) {
    TestApp();
    CProgramSettings().remove(QStringLiteral("Recent File List"));
    {
        CRecentFiles recent;
        for (const char* name :
             {"/tmp/a.txt", "/tmp/b.txt", "/tmp/c.txt", "/tmp/a.txt", "/tmp/d.txt", "/tmp/e.txt"}) {
            recent.Add(QString::fromLatin1(name));
        }
    }
    CRecentFiles recent;  // the next run reads them back
    EXPECT_EQ(recent.Files(),
              QStringList({"/tmp/e.txt", "/tmp/d.txt", "/tmp/a.txt", "/tmp/c.txt"}));

    QMenu menu;
    QAction* anchor = menu.addSeparator();
    recent.ShowIn(&menu, anchor);
    recent.Remove(QStringLiteral("/tmp/a.txt"));
    QStringList texts;
    for (QAction* action : menu.actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, QStringList({"&1 /tmp/e.txt", "&2 /tmp/d.txt", "&3 /tmp/c.txt", ""}));
    QString chosen;
    QObject::connect(&recent, &CRecentFiles::openRequested, [&](const QString& p) { chosen = p; });
    menu.actions().at(1)->trigger();
    EXPECT_EQ(chosen, "/tmp/d.txt");
}

TEST(GraphToolBar, ToolsAreOneExclusiveGroupThatFollowsTheActiveWindow) {
    FrameFixture f;
    CTestFrame& frame = *f.frame;
    frame.resize(900, 600);
    ASSERT_TRUE(ShowActive(frame));
    auto* bar = frame.findChild<CControlDlgBar*>();
    auto click = [&](const char* text) {
        for (QAction* action : bar->actions()) {
            if (action->text() == QLatin1String(text)) {
                QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
            }
        }
    };
    auto checked = [&] {
        QAction* action = bar->Tools()->checkedAction();
        return action == nullptr ? QString() : action->text();
    };
    EXPECT_EQ(checked(), "Rect");  // a new graph's tool

    frame.RunCommand(cmd::kNew);
    CGraphDlg* first = frame.Children().at(0)->View().Graph();
    click("Move");
    click("Move");  // choosing the chosen tool again keeps it
    EXPECT_EQ(checked(), "Move");
    EXPECT_EQ(first->Tool(), GraphTool::Move);
    click("All");  // a command, not a tool
    EXPECT_EQ(checked(), "Move");

    frame.RunCommand(cmd::kNew);
    CGraphDlg* second = frame.Children().at(1)->View().Graph();
    EXPECT_EQ(checked(), "Rect");
    click("Show");
    EXPECT_EQ(second->Tool(), GraphTool::Show);
    frame.MdiArea()->setActiveSubWindow(frame.Children().at(0));
    EXPECT_EQ(checked(), "Move");
    EXPECT_EQ(first->Tool(), GraphTool::Move);
}
