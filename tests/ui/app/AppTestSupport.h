#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/MeterLink.h"
#include "frames/FrameEncoder.h"

// One QApplication for the whole test program, with the settings kept in a
// scratch folder so the user's recent-file list is never touched.
QApplication& TestApp();

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
bool WaitFor(const std::function<bool()>& done, int ms = 3000);

// Shows the window and makes it the active one, so key presses reach it;
// false when the platform never activated it.
bool ShowActive(QWidget& window);

// A meter link without a device: records what the frame asks of it and lets
// the test play the reader thread.
class CFakeLink : public IMeterLink {
  public:
    struct Log {
        std::vector<std::string> opened;
        int closes = 0;
        std::vector<std::uint8_t> written;
        int readSize = 20;
    };

    explicit CFakeLink(std::shared_ptr<Log> log, bool opens = true)
        : m_log(std::move(log)), m_bOpens(opens) {}

    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override;
    bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                std::string& reason) override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    // Whether the next opens succeed; a failed reopen gives `reason`.
    void SetOpens(bool opens, std::string reason = {}) {
        m_bOpens = opens;
        m_strReason = std::move(reason);
    }
    int Write(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_log->readSize; }
    void SetReadSize(int bytes) override { m_log->readSize = bytes; }

    // What the reader thread would deliver (call from any thread).
    void Deliver(const std::vector<std::uint8_t>& bytes);
    ReceiveFn Receiver() const { return m_onReceive; }
    // What the reader thread does when the device vanishes.
    void LoseLink() { m_onLost("link lost: the device went away"); }

  private:
    std::shared_ptr<Log> m_log;
    bool m_bOpens;
    bool m_bOpen = false;
    std::string m_strReason;
    ReceiveFn m_onReceive;
    LostFn m_onLost;
};

// The main frame with its message boxes collected instead of shown, and the
// file dialogs answered from `fileNames` (an empty or missing answer cancels).
class CTestFrame : public CMainFrame {
  public:
    using CMainFrame::CMainFrame;
    QStringList messages;
    QList<QMessageBox::Icon> icons;
    QStringList fileNames;
    QStringList suggestedNames;

  protected:
    void ShowMessage(const QString& text, QMessageBox::Icon icon) override {
        messages.append(text);
        icons.append(icon);
    }
    QString AskOpenFileName() override { return NextFileName(); }
    QString AskSaveFileName(const QString& suggested) override {
        suggestedNames.append(suggested);
        return NextFileName();
    }

  private:
    QString NextFileName() { return fileNames.isEmpty() ? QString() : fileNames.takeFirst(); }
};

// Answers the next modal message box with `button`, clicked with the mouse,
// and records the box's text in `text` (when given).
void AnswerNextBox(QMessageBox::StandardButton button, QString* text = nullptr);

// A frame with a fake link, a fixed clock and no port discovery.
struct FrameFixture {
    explicit FrameFixture(bool linkOpens = true, std::time_t now = 1'700'000'000,
                          std::chrono::milliseconds reconnectPeriod = kReconnectPeriod);
    std::shared_ptr<CFakeLink::Log> log = std::make_shared<CFakeLink::Log>();
    FixedClock clock;
    CFakeLink* link = nullptr;
    std::unique_ptr<CTestFrame> frame;
};

// A live plain frame (kind 0) showing `value` in VDC.
std::vector<std::uint8_t> PlainVdcFrame(float value);
