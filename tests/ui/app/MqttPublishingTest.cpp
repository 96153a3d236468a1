// Real Time > Publish to MQTT… against a broker of the test's own: the
// dialog filled in with the keyboard, the readings of the live recording
// published as their JSON objects, the status following the meter's link, the
// pane showing the broker's state, and the password kept apart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/LinkHealthPane.h"
#include "app/MqttDlg.h"
#include "common/ui/CommandIds.h"
#include "docview/ReadingJson.h"
#include "support/MosquittoBroker.h"

using namespace std::chrono_literals;

namespace {

// Fills the dialog in with the keyboard and clicks OK, once it is up.
void AnswerMqttDialog(int port, const QString& user, const QString& password) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* dialog = qobject_cast<CMqttDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("mqttBroker")),
                         QStringLiteral("127.0.0.1"));
        auto* portBox = dialog->findChild<QSpinBox*>(QStringLiteral("mqttPort"));
        QTest::keyClick(portBox, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(portBox, QString::number(port));
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("mqttUser")), user);
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("mqttPassword")), password);
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    timer->start();
}

}  // namespace

TEST(MqttPublishing, PublishesTheLiveReadingsAndTheLinkStateSetUpFromTheDialog) {
    TestApp();
    FrameFixture fx;
    CTestFrame& frame = *fx.frame;
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/broker");
    std::filesystem::create_directories(folder.toStdString());
    const auto login = test_support::WithLogin("gui", "Pw-1234");
    test_support::MosquittoBroker broker(folder.toStdString(), login);
    test_support::Subscriber sub(broker, "vavirir/#", {}, login);

    auto* pane = frame.statusBar()->findChild<QLabel*>(QStringLiteral("mqttStatus"));
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->isVisibleTo(&frame));
    AnswerMqttDialog(broker.Port(), QStringLiteral("gui"), QStringLiteral("Pw-1234"));
    frame.RunCommand(cmd::kMqttSettings);
    EXPECT_TRUE(frame.Action(cmd::kMqttPublish)->isChecked());
    EXPECT_TRUE(pane->isVisibleTo(&frame));
    EXPECT_EQ(pane->text(), QStringLiteral("MQTT: waiting for a meter"));

    // The password is in its own file for the user alone, not in the settings.
    struct stat info {};
    ASSERT_EQ(::stat(MqttPasswordPath().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    QSettings settings(QStringLiteral("vavirir"), QStringLiteral("vavirir"));
    settings.sync();
    QFile stored(settings.fileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_FALSE(stored.readAll().contains("Pw-1234"));

    ASSERT_TRUE(frame.OpenMeterPort(QStringLiteral("rfcomm0")));
    EXPECT_EQ(sub.Next(20s), "vavirir/rfcomm0/status online");
    EXPECT_TRUE(WaitFor([&] { return pane->text() == QStringLiteral("MQTT: connected"); }, 10000))
        << pane->text().toStdString();

    fx.link->Deliver(PlainVdcFrame(0.0f));
    // Start records once the meter's data is there.
    ASSERT_TRUE(WaitFor(
        [&] { return frame.LinkHealthPane()->Health().Counts().framesDecoded == 1; }, 5000));
    frame.RunCommand(cmd::kStart);
    ASSERT_EQ(frame.Children().size(), 1u);
    frame.Children().at(0)->View().SetLimits(Limits{.high = 2.0, .low = {}});
    for (float value : {1.25f, 2.5f, 3.75f}) {
        fx.link->Deliver(PlainVdcFrame(value));
    }
    ASSERT_EQ(frame.Children().size(), 1u);
    const CRoZudozuvDoc& doc = frame.Children().at(0)->Document();
    ASSERT_TRUE(WaitFor([&] { return doc.channels[0].size() == 3; }, 5000));
    for (std::size_t i = 0; i < 3; ++i) {
        // Readings above the window's high limit say so, as --jsonl lines do.
        const LimitSide side = i == 0 ? LimitSide::Within : LimitSide::High;
        EXPECT_EQ(sub.Next(20s),
                  "vavirir/rfcomm0/reading " + ReadingJson(i + 1, doc.channels[0][i], side));
    }

    const int closes = fx.log->closes;
    fx.link->LoseLink();
    ASSERT_TRUE(WaitFor([&] { return fx.log->closes > closes; }, 5000));
    EXPECT_EQ(sub.Next(20s), "vavirir/rfcomm0/status offline");

    frame.RunCommand(cmd::kMqttPublish);
    EXPECT_FALSE(frame.Action(cmd::kMqttPublish)->isChecked());
    EXPECT_FALSE(pane->isVisibleTo(&frame));
}
