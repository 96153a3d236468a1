#include "app/MainFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStatusBar>
#include <optional>

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/ControlDlgBar.h"
#include "app/DisplayDock.h"
#include "app/DocumentWindows.h"
#include "app/FileCommands.h"
#include "app/FileDialogs.h"
#include "app/FrameCommands.h"
#include "app/FrameStatusBar.h"
#include "app/LinkHealthPane.h"
#include "app/LiveDocuments.h"
#include "app/MqttCommands.h"
#include "app/MqttPublishing.h"
#include "app/ProgramSettings.h"
#include "app/RecentFiles.h"
#include "app/RecoverJournalsDlg.h"
#include "app/WindowMenu.h"
#include "bluetooth/BluezService.h"
#include "common/ui/CommandIds.h"
#include "common/ui/UserMessages.h"
#include "display/ui/LeftDlg.h"
#include "docview/FallbackSave.h"
#include "docview/ui/RoZudozuvView.h"
#include "link/ui/Port.h"
#include "link/ui/PortMenu.h"

namespace {

constexpr int kFirstPortMenuFillMs = 100;
const char* const kContinueWhenFullKey = "Real Time/Continue When Full";

QString AppTitle() {
    return QStringLiteral("Vavirir");
}

}  // namespace

CMainFrame::CMainFrame(MainFrameOptions options, QWidget* parent)
    : QMainWindow(parent),
      m_pOwnClock(options.clock == nullptr ? std::make_unique<SystemClock>() : nullptr),
      m_clock(options.clock != nullptr ? *options.clock : *m_pOwnClock),
      m_pDocuments(std::make_unique<CDocumentManager>(static_cast<IDocumentPrompts&>(*this))),
      m_pMdi(new QMdiArea(this)) {
    m_pWindows = new CDocumentWindows(
        *m_pDocuments, m_pMdi,
        [this](CRoZudozuvDoc& closing) { Session().Registry().Remove(&closing); }, this);
    m_pFiles =
        new CFileCommands({this, *m_pDocuments, *m_pWindows, m_clock,
                           [this](CRoZudozuvDoc& document) { Session().Registry().Add(&document); },
                           [this] { return AskOpenFileName(); },
                           [this](const QString& text) { ShowFileError(text); }},
                          this);
    m_pMqtt = new CMqttPublishing(this);
    m_pLive = new CLiveDocuments({*m_pDocuments, *m_pWindows, *m_pMqtt, m_clock,
                                  [this]() -> CMeterSession& { return Session(); },
                                  [this] { return Action(cmd::kContinueWhenFull)->isChecked(); }},
                                 this);
    m_pConnection = new CConnectionDriver(
        *m_pLive, m_clock,
        options.link ? std::move(options.link) : MakeSerialLink(options.bluetooth),
        {options.reconnectPeriod, options.printReadings}, this);
    setWindowTitle(AppTitle());
    setObjectName(QStringLiteral("mainFrame"));
    m_pMdi->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_pMdi);
    // Data files dropped on the window open like File > Open.
    setAcceptDrops(true);

    m_pRecent = new CRecentFiles(this);
    m_pCommands = new CFrameCommands(this);
    const CFrameCommands::Menus menus = m_pCommands->BuildMenus();
    m_pFileMenu = menus.file;
    m_pRecentAnchor = menus.recentAnchor;
    m_pPortPopup = menus.port;
    new CWindowMenu(menus.window, m_pMdi);
    m_pHelp = new CHelpPage([this](const QString& text) { ShowMessage(text); }, this);
    m_pCommands->BuildToolBar();
    CreateGraphToolBar();
    WireCommands();
    WireCommandStates();
    CreateStatusBar();
    m_pDisplayBar = new CDisplayDock(&m_clock, this);
    m_pFace = m_pDisplayBar->Face();
    addDockWidget(Qt::LeftDockWidgetArea, m_pDisplayBar);
    connect(m_pDisplayBar, &CDisplayDock::closedByUser, Action(cmd::kViewRealTime),
            [this] { Action(cmd::kViewRealTime)->setChecked(false); });
    m_pJournals = std::make_unique<CDocumentJournals>(
        JournalFolder(), [this](const QString& text) { m_pStatus->ShowPassing(text); });

    auto discover = options.discoverPorts ? options.discoverPorts : DiscoverSystemPorts;
    m_pPortMenu = new CPortMenu(m_pPortPopup, Action(cmd::kDemoMeter), discover, this);
    connect(m_pPortMenu, &CPortMenu::portChosen, this,
            [this](const QString& device) { OpenMeterPort(device); });
    if (!options.deviceFolder.isEmpty()) {
        m_pPortMenu->WatchDevices(options.deviceFolder);
    }
    m_pConnection->WatchBluetoothMeters(m_pPortMenu, options.bluetooth);
    ConnectMeter();

    // Timer 3: the first fill of the Com Port menu.
    m_timerPortMenu.setSingleShot(true);
    connect(&m_timerPortMenu, &QTimer::timeout, this, &CMainFrame::RefreshPortMenu);
    m_timerPortMenu.start(kFirstPortMenuFillMs);

    m_pRecent->ShowIn(m_pFileMenu, m_pRecentAnchor);
    WireDocuments();
    new CMqttCommands(*m_pMqtt, Action(cmd::kMqttSettings), Action(cmd::kMqttPublish), this,
                      [this](const QString& text) { ShowMessage(text, QMessageBox::Warning); });
}

CMainFrame::~CMainFrame() {
    // The reader thread and the demo feed reach the session: end them first,
    // then the windows whose views the session's registry points to.
    m_pConnection->Close();
    // A help opener still waiting for its viewer goes quietly.
    delete m_pHelp;
    // Every window closes its document while the frame's services are still there.
    m_pWindows->DeleteAll();
}

// ---------------------------------------------------------------- layout

void CMainFrame::WireCommands() {
    CFrameCommands& c = *m_pCommands;
    c.OnTriggered(cmd::kNew, [this] { m_pFiles->New(); });
    c.OnTriggered(cmd::kOpen, [this] { m_pFiles->Open(); });
    c.OnTriggered(cmd::kSave, [this] { m_pFiles->Save(false); });
    c.OnTriggered(cmd::kSaveAs, [this] { m_pFiles->Save(true); });
    c.OnTriggered(cmd::kExportExcel, [this] { m_pFiles->ExportExcel(); });
    c.OnTriggered(cmd::kExportCsv, [this] { m_pFiles->ExportCsv(); });
    c.OnTriggered(cmd::kPrintGraph, [this] { RunViewCommand(&CRoZudozuvView::OnPrintGraph); });
    c.OnTriggered(cmd::kPrintData, [this] { RunViewCommand(&CRoZudozuvView::OnPrintData); });
    c.OnTriggered(cmd::kClose, [this] { m_pMdi->closeActiveSubWindow(); });
    c.OnTriggered(cmd::kExit, [this] { close(); });
    c.OnTriggered(cmd::kViewRealTime, [this] {
        m_pDisplayBar->ShowBeside(m_pMdi, Action(cmd::kViewRealTime)->isChecked());
    });
    c.OnTriggered(cmd::kPortOther, [this] { OnPortOther(); });
    c.OnTriggered(cmd::kDemoMeter,
                  [this] { DemoMeterRunning() ? StopDemoMeter() : StartDemoMeter(); });
    c.OnTriggered(cmd::kStart, [this] { OnStart(); });
    c.OnTriggered(cmd::kStop, [this] {
        Session().Stop();
        m_pJournals->SyncAll();
        NoteRecordingState();
    });
    QAction* continueWhenFull = Action(cmd::kContinueWhenFull);
    continueWhenFull->setChecked(
        CProgramSettings().value(QLatin1String(kContinueWhenFullKey), false).toBool());
    connect(continueWhenFull, &QAction::toggled, this,
            [](bool on) { CProgramSettings().setValue(QLatin1String(kContinueWhenFullKey), on); });
    c.OnTriggered(cmd::kLimits, [this] { RunViewCommand(&CRoZudozuvView::OnLimits); });
    c.OnTriggered(cmd::kGraphSetting, [this] { RunViewCommand(&CRoZudozuvView::OnGraphSetting); });
    c.OnTriggered(cmd::kAbout, [this] { CAboutDlg(this).exec(); });
    c.OnTriggered(cmd::kHelpTopics, [this] { m_pHelp->Open(); });
    c.OnTriggered(cmd::kWindowCascade, [this] { m_pMdi->cascadeSubWindows(); });
    c.OnTriggered(cmd::kWindowTile, [this] { m_pMdi->tileSubWindows(); });
    c.OnTriggered(cmd::kNextWindow, [this] { m_pMdi->activateNextSubWindow(); });
    c.OnTriggered(cmd::kPreviousWindow, [this] { m_pMdi->activatePreviousSubWindow(); });
}

// Commands are enabled by the state they need, as it changes.
void CMainFrame::WireCommandStates() {
    for (int id : {cmd::kSave, cmd::kSaveAs, cmd::kExportExcel, cmd::kExportCsv, cmd::kClose,
                   cmd::kWindowCascade, cmd::kWindowTile, cmd::kNextWindow, cmd::kPreviousWindow}) {
        Action(id)->setEnabled(false);
        connect(m_pWindows, &CDocumentWindows::activeChanged, Action(id), &QAction::setEnabled);
    }
    // Commands of the view: there is none without a document window.
    for (int id : {cmd::kPrintGraph, cmd::kPrintData, cmd::kGraphSetting, cmd::kLimits}) {
        Action(id)->setEnabled(false);
        connect(m_pWindows, &CDocumentWindows::viewAvailable, Action(id), &QAction::setEnabled);
    }
    connect(this, &CMainFrame::recordingChanged, Action(cmd::kStop), &QAction::setEnabled);
    connect(this, &CMainFrame::recordingChanged, Action(cmd::kStart),
            [start = Action(cmd::kStart)](bool recording) { start->setEnabled(!recording); });
    emit recordingChanged(false);
}

void CMainFrame::NoteRecordingState() {
    if (Session().IsRunning() != m_bRecording) {
        m_bRecording = Session().IsRunning();
        emit recordingChanged(m_bRecording);
    }
}

void CMainFrame::OnStart() {
    if (Session().Start()) {
        m_pStatus->ShowReady();
    } else {
        // Start takes readings only while the meter sends them.
        m_pStatus->ShowPassing(
            tr("Nothing started: no data from the meter. Choose its port under "
               "Com Port, or the Demo meter, then Start again."));
    }
    NoteRecordingState();
}

void CMainFrame::CreateGraphToolBar() {
    addToolBarBreak();
    m_pControlBar = new CControlDlgBar(this);
    addToolBar(Qt::TopToolBarArea, m_pControlBar);
    m_pControlBar->ActOn(*m_pWindows);
}

void CMainFrame::CreateStatusBar() {
    m_pStatus = std::make_unique<CFrameStatusBar>(statusBar(), m_pMqtt->Pane());
    m_pStatus->LinkHealth()->Follow(m_pConnection->Health());
    connect(Action(cmd::kViewStatusBar), &QAction::toggled, statusBar(), &QStatusBar::setVisible);
}

QAction* CMainFrame::Action(int id) const {
    return m_pCommands->Action(id);
}

void CMainFrame::RunCommand(int id) {
    if (QAction* action = Action(id); action != nullptr && action->isEnabled()) {
        action->trigger();
    }
}

// ---------------------------------------------------------------- documents

CChildFrame* CMainFrame::ChildShowingFile(const QString& path, const CChildFrame* except) const {
    return WindowOf(
        m_pDocuments->DocumentOfFile(path, except == nullptr ? nullptr : &except->Document()));
}

QStringList CMainFrame::RecentFiles() const {
    return m_pRecent->Files();
}

void CMainFrame::WireDocuments() {
    connect(m_pWindows, &CDocumentWindows::windowAdded, this, &CMainFrame::WatchWindow);
    connect(m_pDocuments.get(), &CDocumentManager::closing, this, [this](CRoZudozuvDoc* document) {
        m_pJournals->Forget(*document);
        m_pMqtt->Forget(*document);
    });
    auto dropJournal = [this](CRoZudozuvDoc* document) { m_pJournals->Remove(*document); };
    connect(m_pDocuments.get(), &CDocumentManager::saved, this, dropJournal);
    connect(m_pDocuments.get(), &CDocumentManager::discarded, this, dropJournal);
    connect(m_pDocuments.get(), &CDocumentManager::fileUsed, m_pRecent, &CRecentFiles::Add);
    connect(m_pDocuments.get(), &CDocumentManager::openFailed, m_pRecent, &CRecentFiles::Remove);
    connect(m_pRecent, &CRecentFiles::openRequested, this, &CMainFrame::OpenDocumentFile);
}

void CMainFrame::WatchWindow(CChildFrame* child) {
    CRoZudozuvDoc* document = &child->Document();
    m_pJournals->Watch(*document,
                       [this, document] { return m_pDocuments->Title(*document).toStdString(); });
    connect(&child->View(), &CRoZudozuvView::limitCrossed, this,
            [this, child](LimitSide side, double value) {
                m_pLive->LimitCrossed(*child, side, value);
            });
}

void CMainFrame::RunViewCommand(void (CRoZudozuvView::*command)()) {
    if (CRoZudozuvView* view = CurrentView()) {
        (view->*command)();
    }
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    return m_pFiles->OpenFile(path);
}

void CMainFrame::OfferLeftJournals() {
    m_pJournals->OfferLeftJournals(
        [this](const std::vector<JournalOfferRow>& rows) {
            return CRecoverJournalsDlg::Ask(rows, this);
        },
        [this](std::unique_ptr<CRoZudozuvDoc> document) {
            CChildFrame* child = WindowOf(&m_pDocuments->Create(std::move(document)));
            Session().Registry().Add(&child->Document());
            child->UpdateModified();
            return &child->Document();
        });
}

QString CMainFrame::AskOpenFileName() {
    return AskDataFileToOpen(this);
}

QString CMainFrame::AskSaveFileName(const QString& suggested) {
    return AskDataFileToSave(this, suggested);
}

QMessageBox::StandardButton CMainFrame::AskSaveChanges(const QString& name) {
    return AskSaveChangesBox(this, AppTitle(), name);
}

bool CMainFrame::SaveDocument(CChildFrame& child, bool askForName) {
    return m_pDocuments->Save(child.Document(), askForName);
}

bool CMainFrame::SaveModified(CChildFrame& child) {
    return m_pDocuments->QueryClose(child.Document());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (m_pFiles->OpenDropped(event->mimeData()->urls())) {
        event->acceptProposedAction();
    }
}

// ---------------------------------------------------------------- view and help

void CMainFrame::ShowMessage(const QString& text, QMessageBox::Icon icon) {
    CUserMessages::Show(this, text, icon, AppTitle());
}

void CMainFrame::ShowFileError(const QString& text) {
    ShowMessage(text, QMessageBox::Warning);
}

// ---------------------------------------------------------------- meter link

void CMainFrame::RefreshPortMenu() {
    m_pPortMenu->RefreshPortMenu();
}

bool CMainFrame::OpenMeterPort(const QString& port) {
    if (const std::optional<QString> warning = m_pConnection->OpenPort(port)) {
        ShowMessage(*warning);
        return false;
    }
    return true;
}

void CMainFrame::ConnectMeter() {
    CConnectionDriver* meter = m_pConnection;
    meter->SetProgressArea(m_pMdi);
    connect(meter, &CConnectionDriver::faceChanged, this, &CMainFrame::SetFace);
    connect(meter, &CConnectionDriver::readingDecoded, this,
            [this](const MeterReading& reading, FaceNumber face, DialPosition dial) {
                m_pFace->ShowReading(reading, face, dial);
            });
    connect(
        meter, &CConnectionDriver::statusMessage, this,
        [this](const QString& text, int timeoutMs) { m_pStatus->ShowPassing(text, timeoutMs); });
    connect(meter, &CConnectionDriver::recordingStopped, this,
            [this](const QString& why) { ShowRecordingStopped(why, false); });
    connect(meter, &CConnectionDriver::meterChanged, m_pMqtt, &CMqttPublishing::SetMeter);
    connect(meter, &CConnectionDriver::linkChanged, m_pStatus->LinkHealth(),
            &CLinkHealthPane::Redraw);
    connect(meter, &CConnectionDriver::linkChanged, this, &CMainFrame::OnLinkChanged);
    connect(meter, &CConnectionDriver::bytesArriving, m_pLive, &CLiveDocuments::BeforeReceive);
    connect(meter, &CConnectionDriver::bytesDecoded, m_pLive, &CLiveDocuments::AfterReceive);
    connect(meter, &CConnectionDriver::bytesDecoded, this, &CMainFrame::NoteRecordingState);
    connect(m_pLive, &CLiveDocuments::statusMessage, this,
            [this](const QString& text) { m_pStatus->ShowPassing(text); });
    connect(m_pLive, &CLiveDocuments::recordingStopped, this, &CMainFrame::ShowRecordingStopped);
}

void CMainFrame::OnPortOther() {
    CPort dialog(this);
    dialog.SetComPort(m_strPortNumber);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString port = QString::fromStdString(dialog.ComPort().PortText());
    if (OpenMeterPort(port)) {
        m_strPortNumber = port;
    }
}

void CMainFrame::StartDemoMeter() {
    m_pConnection->StartDemo(Action(cmd::kDemoMeter)->text());
}

void CMainFrame::StopDemoMeter() {
    m_pConnection->StopDemo();
}

bool CMainFrame::DemoMeterRunning() const {
    return m_pConnection != nullptr && m_pConnection->DemoRunning();
}

void CMainFrame::OnReceiveBytes(const std::uint8_t* bytes, std::size_t count) {
    m_pConnection->ReceiveBytes(bytes, count);
}

void CMainFrame::ShowRecordingStopped(const QString& why, bool alsoInABox) {
    m_pStatus->ShowStopped(why);
    if (alsoInABox) {
        // Not inside the receive path: the box's event loop would take more
        // readings while the session is still dispatching this one.
        QTimer::singleShot(0, this, [this, why] { ShowMessage(why, QMessageBox::Information); });
    }
}

QString CMainFrame::IdleStatusText() const {
    return m_pStatus->IdleText();
}

void CMainFrame::OnDataTimeout() {
    m_pConnection->CheckDataTimeout();
    NoteRecordingState();
}

void CMainFrame::OnLinkChanged() {
    Action(cmd::kDemoMeter)->setChecked(DemoMeterRunning());
    NoteRecordingState();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Cancel keeps every window open and a live recording going. Once its
    // document is saved or discarded, the recording ends at once, so no later
    // question lets readings arrive that would be lost with the program.
    for (CChildFrame* child : Children()) {
        if (!SaveModified(*child)) {
            event->ignore();
            return;
        }
        if (child->Document().Role() == DocumentRole::Live && Session().IsRunning()) {
            Session().Stop();
            NoteRecordingState();
        }
    }
    Session().Stop();
    // The reader goes first, then the windows.
    m_pConnection->Close();
    m_pConnection->CloseDownloadProgress();
    event->accept();
}

// ---------------------------------------------------------------- face

void CMainFrame::SetFace(FaceState face) {
    m_pFace->SetUnitIcon(face.dial);
    m_pFace->SetFace(face.face);
}
