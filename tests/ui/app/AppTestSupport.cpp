#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "display/ui/Resources.h"

QApplication& TestApp() {
    static QTemporaryDir settingsDir;
    static bool prepared = [] {
        qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
        // Crash journals and fallback files stay in the scratch folder too.
        qputenv("XDG_STATE_HOME", (settingsDir.path() + QStringLiteral("/state")).toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }();
    (void)prepared;
    static int argc = 1;
    static char name[] = "ui_app_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics go at exit in an order a static
    // application object would not survive.
    static QApplication* app = new QApplication(argc, argv);
    static bool resources = [] {
        InitVavirirResources();
        return true;
    }();
    (void)resources;
    return *app;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool CFakeLink::Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                     std::string& warning) {
    Close();
    m_log->opened.push_back(port);
    if (!m_bOpens) {
        warning = "Warning:Can't open " + port + "!";
        return false;
    }
    m_onReceive = std::move(onReceive);
    m_onLost = std::move(onLost);
    m_bOpen = true;
    return true;
}

bool CFakeLink::Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                       std::string& reason) {
    std::string warning;
    if (Open(port, std::move(onReceive), std::move(onLost), warning)) {
        return true;
    }
    reason = m_strReason;
    return false;
}

void CFakeLink::Close() {
    ++m_log->closes;
    m_bOpen = false;
}

int CFakeLink::Write(const std::uint8_t* bytes, std::size_t count) {
    m_log->written.insert(m_log->written.end(), bytes, bytes + count);
    return static_cast<int>(count);
}

void CFakeLink::Deliver(const std::vector<std::uint8_t>& bytes) {
    m_onReceive(bytes.data(), bytes.size());
}

FrameFixture::FrameFixture(bool linkOpens, std::time_t now,
                           std::chrono::milliseconds reconnectPeriod)
    : clock(now) {
    TestApp();
    // Every frame starts with an empty recent-file list.
    QSettings(QStringLiteral("vavirir"), QStringLiteral("vavirir"))
        .remove(QStringLiteral("Recent File List"));
    auto fake = std::make_unique<CFakeLink>(log, linkOpens);
    link = fake.get();
    MainFrameOptions options;
    options.link = std::move(fake);
    options.clock = &clock;
    options.discoverPorts = [] { return std::vector<std::string>{}; };
    options.deviceFolder.clear();
    options.reconnectPeriod = reconnectPeriod;
    frame = std::make_unique<CTestFrame>(std::move(options));
}

std::vector<std::uint8_t> PlainVdcFrame(float value) {
    frames::PlainFrame frame;
    frame.value = value;
    return frames::Encode(frame);
}

void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
    // Polls until the box is up (exec() runs its own event loop), then clicks;
    // gives up after a while so no later box is answered by mistake.
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto deadline = std::make_shared<QDeadlineTimer>(3000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, text, deadline] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (deadline->hasExpired()) {
                timer->deleteLater();
                timer->stop();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (text != nullptr) {
            *text = box->text();
        }
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
    timer->start();
}

bool ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
