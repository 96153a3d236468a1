// File > Export To CSV: the file written, or one warning dismissed by a key;
// both exports refuse the file of an open document.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <sstream>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "common/ui/CommandIds.h"
#include "docview/CsvExport.h"
#include "docview/DataFile.h"
#include "docview/ui/CsvCommand.h"
#include "support/ResultAssert.h"

namespace {

void PressReturn(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Runs each answer on the next modal dialog as it appears while `run` is
// blocked in it; returns the class names of the dialogs seen. A dialog the
// answer does not close is rejected after 5 s and reported as "stuck".
std::vector<QString> AnswerDialogs(const std::function<void()>& run,
                                   const std::vector<std::function<void(QWidget*)>>& answers) {
    std::vector<QString> seen;
    std::size_t next = 0;
    QWidget* last = nullptr;
    QDeadlineTimer stuck;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal == last && stuck.hasExpired()) {
            seen.push_back(QStringLiteral("stuck"));
            qobject_cast<QDialog*>(modal)->reject();
            return;
        }
        if (modal == nullptr || modal == last || next >= answers.size()) {
            return;
        }
        last = modal;
        stuck.setRemainingTime(5000);
        seen.push_back(QString::fromLatin1(modal->metaObject()->className()));
        answers[next++](modal);
    });
    poll.start(10);
    run();
    return seen;
}

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

CRoZudozuvDoc Recording() {
    CRoZudozuvDoc doc;
    doc.channels[0].push_back(CObData{1.5, "KΩ", 0.0, 1, "3/5/2018 9:7:5", "RES"});
    doc.channels[0].push_back(CObData{500000.0, "V", 0.0, 2, "3/5/2018 9:7:6", "VDC"});
    doc.channels[1].push_back(CObData{2.5, "V", 0.0, 1, "3/5/2018 9:7:5", "Max"});
    return doc;
}

}  // namespace

TEST(CsvCommand, WritesTheFileOrWarnsOnce) {
    TestApp();
    QTemporaryDir dir;
    const CRoZudozuvDoc doc = Recording();

    const QString good = dir.filePath(QStringLiteral("readings.csv"));
    bool written = false;
    EXPECT_TRUE(AnswerDialogs([&] { written = WriteCsvOrWarn(nullptr, doc, good); }, {}).empty());
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadAll(good), CsvBytes(doc));

    // A folder that does not exist: one warning, dismissed with Return, no file.
    const QString impossible = dir.filePath(QStringLiteral("no/such/folder/x.csv"));
    const auto seen = AnswerDialogs([&] { written = WriteCsvOrWarn(nullptr, doc, impossible); },
                                    {[](QWidget* m) { PressReturn(m); }});
    EXPECT_EQ(seen, std::vector<QString>{QStringLiteral("QMessageBox")});
    EXPECT_FALSE(written);
    EXPECT_FALSE(QFile::exists(impossible));
}

TEST(CsvCommand, ADocumentWithoutMainRecordsShowsNoDialog) {
    TestApp();
    CRoZudozuvDoc companionsOnly;
    companionsOnly.channels[1] = Recording().channels[1];
    EXPECT_TRUE(AnswerDialogs([&] { ExportCsvWithDialog(nullptr, companionsOnly, 0); },
                              {[](QWidget* m) { qobject_cast<QDialog*>(m)->reject(); }})
                    .empty());
}

// Both exports, through their real file dialogs: the file of an open document
// is refused even after the dialog's own "Replace?" was answered Yes.
TEST(ExportCommands, RefuseTheFileOfAnOpenDocumentAndWriteAnyOther) {
    QTemporaryDir dir;
    const QString dataFile = dir.filePath(QStringLiteral("doc.txt"));
    EXPECT_TRUE(Succeeded(SaveDocumentFile(Recording(), dataFile.toStdString())));
    const std::string before = ReadAll(dataFile);

    auto typeName = [](const QString& path) {
        return [path](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            // Set rather than typed: the completer's popup would take the Return.
            edit->setText(path);
            // Pressed once this answer returns, so the poll can answer "Replace?".
            QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
        };
    };
    auto answerYes = [](QWidget* box) {
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes),
                          Qt::LeftButton);
    };
    for (const int command : {cmd::kExportExcel, cmd::kExportCsv}) {
        SCOPED_TRACE(command);
        FrameFixture f;
        CTestFrame& frame = *f.frame;
        ASSERT_TRUE(frame.OpenDocumentFile(dataFile));

        const auto seen =
            AnswerDialogs([&] { frame.RunCommand(command); }, {typeName(dataFile), answerYes});
        EXPECT_EQ(seen, (std::vector<QString>{"QFileDialog", "QMessageBox"}));
        EXPECT_EQ(ReadAll(dataFile), before);
        ASSERT_EQ(frame.messages.size(), 1);
        EXPECT_EQ(frame.messages.at(0), "Nothing was exported: " + dataFile +
                                            " is the data file of the open document doc.txt. "
                                            "Export to another file.");
        EXPECT_FALSE(frame.Children().at(0)->isWindowModified());

        const QString other = dir.filePath(QStringLiteral("out%1.txt").arg(command));
        AnswerDialogs([&] { frame.RunCommand(command); }, {typeName(other)});
        EXPECT_NE(ReadAll(other), "");
        EXPECT_EQ(frame.messages.size(), 1);
    }
}
