#pragma once

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ConnectionDriver.h"
#include "app/DisplayDock.h"
#include "app/DocumentJournals.h"
#include "app/DocumentManager.h"
#include "app/DocumentWindows.h"
#include "app/FrameStatusBar.h"
#include "app/HelpPage.h"
#include "app/MeterLink.h"
#include "app/WaitDlg.h"
#include "decode/Clock.h"
#include "docview/ui/RoZudozuvView.h"
#include "link/Reconnect.h"
#include "record/LimitWatcher.h"
#include "record/MeterSession.h"

class CChildFrame;
class CControlDlgBar;
class CFileCommands;
class CFrameCommands;
class CLeftDlg;
class CLiveDocuments;
class CLinkHealthPane;
class CMqttPublishing;
class CPortMenu;
class CRecentFiles;
class CBluezService;

// What the frame is built from. Tests replace the link, the clock and the
// port discovery; the program uses the defaults.
struct MainFrameOptions {
    std::unique_ptr<IMeterLink> link;                              // null: the serial port
    const IClock* clock = nullptr;                                 // null: the system clock
    std::function<std::vector<std::string>()> discoverPorts;       // null: scan the system
    QString deviceFolder = QStringLiteral("/dev");                 // watched for port changes
    bool printReadings = false;                                    // echo face readings on stdout
    std::chrono::milliseconds reconnectPeriod = kReconnectPeriod;  // between reopen attempts
    std::shared_ptr<CBluezService> bluetooth;  // paired Bluetooth meters; null: none
};

// The program's main window: menus, toolbar, status bar, the "Display" dock
// with the meter face, the graph tool bar and one child window per document.
// It owns the meter link and the meter session and carries out the session's
// requests (new documents, face updates, writes to the meter, progress).
class CMainFrame : public QMainWindow, private IDocumentPrompts {
    Q_OBJECT
  public:
    explicit CMainFrame(MainFrameOptions options = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command id (menus, toolbar), or null.
    QAction* Action(int id) const;
    // Runs a command as if chosen from the menu.
    void RunCommand(int id);

    // Opens the meter's port (a number or a device path); shows the warning on
    // failure. True when the port is open.
    bool OpenMeterPort(const QString& port);
    // Feeds the simulator's live readings through the receive path, without a device.
    void StartDemoMeter();
    void StopDemoMeter();
    bool DemoMeterRunning() const;

    // Opens a data file in a new window; shows the error and returns false on
    // failure. A file some window already shows is not read again: that window
    // becomes the active one.
    bool OpenDocumentFile(const QString& path);
    // The window whose document was read from or saved to the file at `path`
    // (the same file, by device and inode, under any name), other than `except`.
    CChildFrame* ChildShowingFile(const QString& path, const CChildFrame* except = nullptr) const;
    // Saves the window's document, to `path` or (empty) to the file it has,
    // asking for a name when it has none. False when not saved.
    bool SaveDocument(CChildFrame& child, bool askForName);
    // Asks whether to save a modified document before its window goes; false
    // when the window must stay (Cancel, or the save failed or was cancelled).
    bool SaveModified(CChildFrame& child);

    // Offers the recordings that a program which ended without saving left
    // in its journals (run once at start-up).
    void OfferLeftJournals();
    CDocumentJournals& Journals() const { return *m_pJournals; }

    // The data time-out check (run every 5 s by the frame).
    void OnDataTimeout();
    // Rebuilds the discovered entries of the Com Port menu.
    void RefreshPortMenu();

    // Received bytes on the GUI thread, in order.
    void OnReceiveBytes(const std::uint8_t* bytes, std::size_t count);

    CMeterSession& Session() { return m_pConnection->Session(); }
    QMdiArea* MdiArea() const { return m_pMdi; }
    QDockWidget* DisplayBar() const { return m_pDisplayBar; }
    CLeftDlg* FacePanel() const { return m_pFace; }
    FaceState Face() const { return m_pConnection->Face(); }
    CPortMenu* PortMenu() const { return m_pPortMenu; }
    CWaitDlg* WaitDlg() const { return m_pConnection->WaitDlg(); }
    CLinkHealthPane* LinkHealthPane() const { return m_pStatus->LinkHealth(); }
    CMqttPublishing* MqttPublishing() const { return m_pMqtt; }
    CChildFrame* ActiveChild() const { return m_pWindows->Active(); }
    // The view last activated, which the graph tool bar's commands go to.
    CRoZudozuvView* CurrentView() const { return m_pWindows->CurrentView(); }
    std::vector<CChildFrame*> Children() const { return m_pWindows->Children(); }
    QStringList RecentFiles() const;
    CDocumentManager& Documents() const { return *m_pDocuments; }
    QString PortDialogText() const { return m_strPortNumber; }
    // What the status bar shows when no passing message covers it: "Ready",
    // or why the last recording stopped, until the next Start.
    QString IdleStatusText() const;

    // The help page beside the program in `folder`.
    static QString HelpFilePath(const QString& folder) { return CHelpPage::FilePath(folder); }

  signals:
    // A recording runs: Start and Stop follow.
    void recordingChanged(bool recording);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Message boxes go through here so tests can collect them instead.
    virtual void ShowMessage(const QString& text,
                             QMessageBox::Icon icon = QMessageBox::Information);
    // "Save changes to NAME?": Save, Discard or Cancel.
    QMessageBox::StandardButton AskSaveChanges(const QString& name) override;
    // The Open and Save As dialogs; an empty result is a cancel.
    virtual QString AskOpenFileName();
    QString AskSaveFileName(const QString& suggested) override;

  private:
    // What the commands do, and the state each one needs to be enabled.
    void WireCommands();
    void WireCommandStates();
    void CreateGraphToolBar();
    void CreateStatusBar();
    // The recording may have started or stopped: Start and Stop follow.
    void NoteRecordingState();
    void OnStart();

    // The documents' windows and services follow the document manager.
    void WireDocuments();
    // A new document window: its journal and its limits.
    void WatchWindow(CChildFrame* child);
    CChildFrame* WindowOf(const CRoZudozuvDoc* document) const {
        return m_pWindows->WindowOf(document);
    }
    void SetFace(FaceState face);
    // Shows what the meter's connection tells: face, status texts, link state.
    void ConnectMeter();
    void OnLinkChanged();
    // A command of the current view (graph tools, Setting, printing); with no
    // view, nothing happens.
    void RunViewCommand(void (CRoZudozuvView::*command)());

    // The reason a recording stopped stays under the passing messages until
    // the next Start; the message box (when asked for) comes once the
    // receive path has returned.
    void ShowRecordingStopped(const QString& why, bool alsoInABox);
    void OnPortOther();
    void ShowFileError(const QString& text) override;

    std::unique_ptr<IClock> m_pOwnClock;
    const IClock& m_clock;
    CConnectionDriver* m_pConnection = nullptr;
    CLiveDocuments* m_pLive = nullptr;
    CFileCommands* m_pFiles = nullptr;
    std::unique_ptr<CDocumentJournals> m_pJournals;
    std::unique_ptr<CDocumentManager> m_pDocuments;

    CFrameCommands* m_pCommands = nullptr;
    QMdiArea* m_pMdi;
    CDocumentWindows* m_pWindows = nullptr;
    CControlDlgBar* m_pControlBar = nullptr;
    CDisplayDock* m_pDisplayBar = nullptr;
    CLeftDlg* m_pFace = nullptr;
    QMenu* m_pPortPopup = nullptr;
    QMenu* m_pFileMenu = nullptr;
    CHelpPage* m_pHelp = nullptr;
    QAction* m_pRecentAnchor = nullptr;  // separator below the recent files
    CRecentFiles* m_pRecent = nullptr;
    CPortMenu* m_pPortMenu = nullptr;
    std::unique_ptr<CFrameStatusBar> m_pStatus;
    CMqttPublishing* m_pMqtt = nullptr;

    QTimer m_timerPortMenu;  // timer 3
    QString m_strPortNumber = QStringLiteral("1");
    bool m_bRecording = false;  // as the Start and Stop commands last showed it
};
