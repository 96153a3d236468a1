#include <gtest/gtest.h>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/RecoverJournalsDlg.h"
#include "common/ui/CommandIds.h"
#include "docview/DataFile.h"
#include "docview/FallbackSave.h"
#include "record/Journal.h"
#include "record/Statistics.h"

namespace {

// Runs `act` on the recovery offer once it is the active modal window.
void OnOffer(std::function<void(CRecoverJournalsDlg&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto deadline = std::make_shared<QDeadlineTimer>(10000);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* dialog = qobject_cast<CRecoverJournalsDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr && !deadline->hasExpired()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr) {
            act(*dialog);
        }
    });
    timer->start();
}

// Clicks the row of the named document (with Ctrl: adds it to the chosen ones).
void ClickRow(CRecoverJournalsDlg& dialog, const QString& name,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTreeWidget* list = dialog.List();
    const QList<QTreeWidgetItem*> found = list->findItems(name, Qt::MatchExactly, 0);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(found[0]).center());
}

QStringList RowTexts(const QTreeWidget& list) {
    QStringList rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list.topLevelItem(i);
        rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(" | ");
    }
    return rows;
}

// A journal as a program that was killed leaves it: `count` readings, every
// third one an overload. Returns the document the journal recorded.
std::unique_ptr<CRoZudozuvDoc> LeaveJournal(const std::string& name, std::time_t created, int count,
                                            std::size_t cutBytes = 0) {
    auto doc = std::make_unique<CRoZudozuvDoc>();
    std::string path;
    {
        CJournalWriter writer(JournalFolder(), name, created);
        doc->AddObserver(&writer);
        for (int i = 0; i < count; ++i) {
            MeterReading current;
            current.value = static_cast<float>(0.5 * i);
            current.limit = i % 3 == 2 ? 0.0f : 1.0e6f;
            const double recorded = current.limit < current.value ? kOverloadValue : 0.5 * i;
            doc->AddReading(0, recorded, "VDC", 0.0, i, "8/12/2026 9:5:" + std::to_string(i % 60),
                            "VDC", current, true);
        }
        doc->RemoveObserver(&writer);
        path = writer.Path();
    }
    if (cutBytes > 0) {
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - cutBytes);
    }
    return doc;
}

}  // namespace

// One dialog lists every left journal; Recover, Discard and Later act on the
// rows chosen with the mouse. A damaged header can only be discarded; a
// journal that lost anything is recovered and kept.
TEST(JournalOffer, OneDialogOffersEveryLeftRecording) {
    TestApp();
    QTemporaryDir state;
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    setenv("TZ", "UTC", 1);
    tzset();

    const std::time_t at0905 = 1796720700;  // 2026-12-08 09:05 UTC
    const auto first = LeaveJournal("New File1", at0905, 1234);
    LeaveJournal("New File2", at0905 + 60, 3);
    LeaveJournal("rec.txt", at0905 + 120, 4, 5);  // torn last entry
    std::ofstream(JournalPath(JournalFolder(), "20261208-090800-1"))
        << "VAVJRNL\x1a a header that lost its checksum";
    CJournalWriter running(JournalFolder(), "running", at0905 + 240);
    running.RecordAppended(0, first->channels[0][0], {});
    running.Sync();

    FrameFixture fx;
    QStringList listed;
    std::vector<bool> recoverable;
    OnOffer([&](CRecoverJournalsDlg& dialog) {
        listed = RowTexts(*dialog.List());
        ClickRow(dialog, "New File1");
        QTest::mouseClick(dialog.RecoverButton(), Qt::LeftButton);
        ClickRow(dialog, "");  // the damaged one has no name
        recoverable.push_back(dialog.RecoverButton()->isEnabled());
        QTest::mouseClick(dialog.DiscardButton(), Qt::LeftButton);
        ClickRow(dialog, "New File2");
        ClickRow(dialog, "rec.txt", Qt::ControlModifier);
        recoverable.push_back(dialog.RecoverButton()->isEnabled());
        ClickRow(dialog, "New File2", Qt::ControlModifier);  // chosen no more
        QTest::mouseClick(dialog.RecoverButton(), Qt::LeftButton);
        ClickRow(dialog, "New File2");
        QTest::mouseClick(dialog.LaterButton(), Qt::LeftButton);  // the last row: it closes
    });
    fx.frame->OfferLeftJournals();

    EXPECT_EQ(listed,
              QStringList({"New File1 | 2026-12-08 09:05 | 1,234 | Whole",
                           "New File2 | 2026-12-08 09:06 | 3 | Whole",
                           "rec.txt | 2026-12-08 09:07 | 3 | 1 entry (58 bytes) at the end was "
                           "damaged and dropped",
                           " |  |  | Damaged: the journal's header is damaged"}))
        << "the journal of a running program is not offered";
    EXPECT_EQ(recoverable, (std::vector<bool>{false, true}));
    const auto children = fx.frame->Children();
    ASSERT_EQ(children.size(), 2u);
    CChildFrame& recovered = *children[0];
    EXPECT_EQ(recovered.Document().channels, first->channels);
    EXPECT_EQ(recovered.Document().summary, first->summary) << "the live document's summary";
    EXPECT_TRUE(recovered.Document().IsModified());
    EXPECT_TRUE(recovered.windowTitle().endsWith("*"));
    EXPECT_EQ(recovered.Document().Role(), DocumentRole::NotRecording);
    EXPECT_EQ(children[1]->Document().channels[0].size(), 3u);
    EXPECT_TRUE(fx.frame->statusBar()->currentMessage().contains(" was kept: 1 entry (58 bytes)"))
        << fx.frame->statusBar()->currentMessage().toStdString();
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 4u)
        << "recovered (now held), later, kept with its damage, running";

    // Closed on purpose with Discard, a recovered recording's journal goes; the
    // damaged one stays.
    AnswerNextBox(QMessageBox::Discard);
    recovered.close();
    ASSERT_TRUE(WaitFor([&] { return fx.frame->Children().size() == 1; }));
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 3u);
    AnswerNextBox(QMessageBox::Discard);
    fx.frame->Children()[0]->close();
    ASSERT_TRUE(WaitFor([&] { return fx.frame->Children().empty(); }));
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 3u);

    // A live recording gets a journal of its own, which Save removes.
    for (float v : {0.0f, 1.0f, 2.0f, 3.0f}) {
        const auto bytes = PlainVdcFrame(v);
        fx.frame->OnReceiveBytes(bytes.data(), bytes.size());
        if (v == 0.0f) {
            fx.frame->RunCommand(cmd::kStart);
        }
    }
    fx.frame->RunCommand(cmd::kStop);
    ASSERT_EQ(ListJournalIds(JournalFolder()).size(), 4u);
    ASSERT_EQ(fx.frame->Children().size(), 1u);
    fx.frame->fileNames << state.filePath("saved.txt");
    EXPECT_TRUE(fx.frame->SaveDocument(*fx.frame->Children()[0], false));
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 3u);

    qputenv("XDG_STATE_HOME", oldState);
}

TEST(JournalOffer, AJournalFolderThatCannotBeUsedTurnsJournalingOffWithOneMessage) {
    TestApp();
    QTemporaryDir state;
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    std::ofstream(state.filePath("vavirir").toStdString()) << "a file where the folder goes";

    FrameFixture fx;
    fx.frame->OfferLeftJournals();
    const QString said = fx.frame->statusBar()->currentMessage();
    EXPECT_TRUE(said.startsWith("Journaling is off: ")) << said.toStdString();
    for (float v : {0.0f, 1.0f, 2.0f}) {
        const auto bytes = PlainVdcFrame(v);
        fx.frame->OnReceiveBytes(bytes.data(), bytes.size());
        if (v == 0.0f) {
            fx.frame->statusBar()->clearMessage();
            fx.frame->RunCommand(cmd::kStart);
        }
    }
    ASSERT_EQ(fx.frame->Children().size(), 1u);
    EXPECT_EQ(fx.frame->Children()[0]->Document().channels[0].size(), 2u) << "recording goes on";
    EXPECT_EQ(fx.frame->statusBar()->currentMessage(), "") << "said once";
    qputenv("XDG_STATE_HOME", oldState);
}
