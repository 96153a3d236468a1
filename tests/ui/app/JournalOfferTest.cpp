#include <gtest/gtest.h>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "common/ui/CommandIds.h"
#include "docview/DataFile.h"
#include "docview/FallbackSave.h"
#include "record/Journal.h"
#include "record/Statistics.h"

namespace {

// Answers the coming message boxes in turn with `buttons`, clicked with the
// mouse, and keeps each box's text and informative text.
void AnswerBoxes(std::vector<QMessageBox::StandardButton> buttons, QStringList* texts) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto last = std::make_shared<QPointer<QMessageBox>>();
    auto left = std::make_shared<std::vector<QMessageBox::StandardButton>>(std::move(buttons));
    auto deadline = std::make_shared<QDeadlineTimer>(10000);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (left->empty() || deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (box == nullptr || box == last->data()) {
            return;
        }
        *last = box;
        texts->append(box->text() + QStringLiteral(" | ") + box->informativeText());
        const QMessageBox::StandardButton button = left->front();
        left->erase(left->begin());
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
    timer->start();
}

// A journal as a program that was killed leaves it: `count` readings.
std::vector<CObData> LeaveJournal(const std::string& name, std::time_t created, int count,
                                  std::size_t cutBytes = 0) {
    CRoZudozuvDoc doc;
    std::string path;
    {
        CJournalWriter writer(JournalFolder(), name, created);
        doc.SetRecordSink(&writer);
        for (int i = 0; i < count; ++i) {
            doc.AddReading(0, 0.5 * i, "VDC", 0.0, i, "8/12/2026 9:5:" + std::to_string(i % 60),
                           "VDC", MeterReading{});
        }
        path = writer.Path();
    }
    if (cutBytes > 0) {
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - cutBytes);
    }
    return doc.channels[0];
}

}  // namespace

TEST(JournalOffer, LeftRecordingsAreOfferedRecoveredDiscardedOrKeptForLater) {
    TestApp();
    QTemporaryDir state;
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    setenv("TZ", "UTC", 1);
    tzset();

    const std::time_t at0905 = 1796720700;  // 2026-12-08 09:05 UTC
    const std::vector<CObData> first = LeaveJournal("New File1", at0905, 1234);
    LeaveJournal("New File2", at0905 + 60, 3);
    LeaveJournal("rec.txt", at0905 + 120, 4, 5);  // torn last entry
    CJournalWriter running(JournalFolder(), "running", at0905 + 180);
    running.RecordAppended(0, first[0]);
    running.Sync();

    FrameFixture fx;
    QStringList asked;
    AnswerBoxes({QMessageBox::Open, QMessageBox::Ignore, QMessageBox::Discard}, &asked);
    fx.frame->OfferLeftJournals();

    ASSERT_EQ(asked.size(), 3) << "the journal of a running program is not offered";
    EXPECT_EQ(asked[0], "Recover the unsaved recording of 2026-12-08 09:05 (1,234 readings)? | ");
    EXPECT_EQ(asked[1], "Recover the unsaved recording of 2026-12-08 09:06 (3 readings)? | ");
    EXPECT_EQ(asked[2],
              "Recover the unsaved recording of 2026-12-08 09:07 (3 readings)? | 1 entry (57 "
              "bytes) at the end was damaged and dropped");
    const auto children = fx.frame->Children();
    ASSERT_EQ(children.size(), 1u);
    CChildFrame& recovered = *children[0];
    EXPECT_EQ(recovered.Document().channels[0], first);
    DocumentSummary expected;
    ApplyBulkSummary(expected, first);
    EXPECT_EQ(recovered.Document().summary, expected);
    EXPECT_TRUE(recovered.Document().IsModified());
    EXPECT_TRUE(recovered.windowTitle().endsWith("*"));
    EXPECT_FALSE(recovered.View().liveTarget);
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 3u) << "recovered (now held), later, running";

    // Closed on purpose with Discard, the recovered recording's journal goes.
    AnswerNextBox(QMessageBox::Discard);
    recovered.close();
    ASSERT_TRUE(WaitFor([&] { return fx.frame->Children().empty(); }));
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 2u);

    // A live recording gets a journal of its own, which Save removes.
    for (float v : {0.0f, 1.0f, 2.0f, 3.0f}) {
        const auto bytes = PlainVdcFrame(v);
        fx.frame->OnReceiveBytes(bytes.data(), bytes.size());
        if (v == 0.0f) {
            fx.frame->RunCommand(cmd::kStart);
        }
    }
    fx.frame->RunCommand(cmd::kStop);
    ASSERT_EQ(ListJournalIds(JournalFolder()).size(), 3u);
    ASSERT_EQ(fx.frame->Children().size(), 1u);
    fx.frame->fileNames << state.filePath("saved.txt");
    EXPECT_TRUE(fx.frame->SaveDocument(*fx.frame->Children()[0], false));
    EXPECT_EQ(ListJournalIds(JournalFolder()).size(), 2u);

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
