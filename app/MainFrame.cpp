#include "app/MainFrame.h"

#include <sys/stat.h>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/ControlDlgBar.h"
#include "app/LinkHealthPane.h"
#include "app/MqttDlg.h"
#include "app/MqttPublishing.h"
#include "app/RecoverJournalsDlg.h"
#include "app/WaitDlg.h"
#include "bluetooth/BluezService.h"
#include "common/CLocaleFormat.h"
#include "common/ui/CommandIds.h"
#include "display/ui/Artwork.h"
#include "display/ui/LeftDlg.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "docview/FallbackSave.h"
#include "docview/ui/CsvCommand.h"
#include "docview/ui/LimitsDlg.h"
#include "docview/ui/RoZudozuvView.h"
#include "link/MeterPort.h"
#include "link/ui/Port.h"
#include "link/ui/PortMenu.h"
#include "record/LongLogText.h"

namespace {

constexpr int kFirstPortMenuFillMs = 100;
constexpr int kRecentFileCount = 4;

// The settings live in ~/.config/vavirir/vavirir.conf.
const char* const kSettingsOrganisation = "vavirir";
const char* const kSettingsApplication = "vavirir";
const char* const kRecentGroup = "Recent File List";
const char* const kContinueWhenFullKey = "Real Time/Continue When Full";

QString AppTitle() {
    return QStringLiteral("Vavirir");
}

QString IdleText() {
    return QStringLiteral("Ready");
}

// The desktop's keys for a standard command, or `fallback` where the
// platform's key scheme has none for it.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey key, const QKeySequence& fallback) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{fallback} : keys;
}

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

// Names of one file compare equal through links and different spellings.
std::optional<FileIdentity> IdentityOf(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

// A message about a file that does not name it gets the name in front, as
// the command-line tool writes it.
QString NameTheFile(const QString& path, const QString& message) {
    return message.contains(path) ? message : QStringLiteral("%1: %2").arg(path, message);
}

}  // namespace

CMainFrame::CMainFrame(MainFrameOptions options, QWidget* parent)
    : QMainWindow(parent),
      m_pOwnClock(options.clock == nullptr ? std::make_unique<SystemClock>() : nullptr),
      m_clock(options.clock != nullptr ? *options.clock : *m_pOwnClock),
      m_pMdi(new QMdiArea(this)) {
    m_pConnection = new CConnectionDriver(
        *this, m_clock, options.link ? std::move(options.link) : MakeSerialLink(options.bluetooth),
        {options.reconnectPeriod, options.printReadings}, this);
    setWindowTitle(AppTitle());
    setObjectName(QStringLiteral("mainFrame"));
    m_pMdi->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_pMdi);
    connect(m_pMdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    // Data files dropped on the window open like File > Open.
    setAcceptDrops(true);

    m_pMqtt = new CMqttPublishing(this);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateDisplayBar();
    m_pJournals = std::make_unique<CDocumentJournals>(
        JournalFolder(), [this](const QString& text) { statusBar()->showMessage(text); });

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

    LoadRecentFiles();
    {
        QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                           QString::fromLatin1(kSettingsApplication)};
        const MqttGuiSettings mqtt = LoadMqttSettings(settings);
        m_pMqtt->Configure(mqtt);
        Action(cmd::kMqttPublish)->setChecked(mqtt.enabled);
    }
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    // The reader thread and the demo feed reach the session: end them first,
    // then the windows whose views the session's registry points to.
    m_pConnection->Close();
    // A help opener still waiting for its viewer goes quietly; the viewer stays.
    for (QProcess* opener : findChildren<QProcess*>(QStringLiteral("helpOpener"))) {
        opener->disconnect(this);
        opener->kill();
        opener->waitForFinished();
        delete opener;
    }
    const auto windows = m_pMdi->subWindowList();
    qDeleteAll(windows);
}

// ---------------------------------------------------------------- layout

QAction* CMainFrame::AddAction(int id, const QString& text, std::function<void()> handler) {
    auto* action = new QAction(text, this);
    action->setData(id);
    if (handler) {
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    }
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    // File
    AddAction(cmd::kNew, QStringLiteral("&New"), [this] {
        OnFileNew();
    })->setShortcuts(StandardKeys(QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N)));
    QAction* open =
        AddAction(cmd::kOpen, QStringLiteral("&Open...\tCtrl+O"), [this] { OnFileOpen(); });
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setStatusTip(QStringLiteral("Open an existing document"));
    open->setToolTip(QStringLiteral("Open"));
    open->setIcon(ToolbarIcon(cmd::kOpen));
    QAction* save = AddAction(cmd::kSave, QStringLiteral("&Save"), [this] { OnFileSave(); });
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setStatusTip(QStringLiteral("Save the active document"));
    save->setToolTip(QStringLiteral("Save"));
    save->setIcon(ToolbarIcon(cmd::kSave));
    AddAction(cmd::kSaveAs, QStringLiteral("Save as"), [this] { OnFileSaveAs(); })
        ->setShortcuts(
            StandardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    AddAction(cmd::kExportExcel, QStringLiteral("&Export To Excel"), [this] {
        OnExportExcel();
    })->setIcon(ToolbarIcon(cmd::kExportExcel));
    // V, not C: C belongs to Close.
    AddAction(cmd::kExportCsv, QStringLiteral("Export To CS&V\u2026"), [this] { OnExportCsv(); });
    QAction* printGraph = AddAction(cmd::kPrintGraph, QStringLiteral("&Graph"),
                                    [this] { RunViewCommand(cmd::kPrintGraph); });
    printGraph->setIcon(ToolbarIcon(cmd::kPrintGraph));
    printGraph->setIconText(QStringLiteral("Print Graph"));
    AddAction(cmd::kPrintData, QStringLiteral("&Data"),
              [this] { RunViewCommand(cmd::kPrintData); });
    AddAction(cmd::kClose, QStringLiteral("&Close"), [this] { m_pMdi->closeActiveSubWindow(); });
    AddAction(cmd::kExit, QStringLiteral("E&xit"), [this] {
        close();
    })->setShortcuts(StandardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));

    // View
    QAction* toolbar = AddAction(cmd::kViewToolbar, QStringLiteral("&Toolbar"), nullptr);
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* statusBarAction =
        AddAction(cmd::kViewStatusBar, QStringLiteral("&Status Bar"), nullptr);
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    QAction* realTime =
        AddAction(cmd::kViewRealTime, QStringLiteral("Real Time"), [this] { OnViewRealTime(); });
    realTime->setCheckable(true);
    realTime->setChecked(true);
    realTime->setStatusTip(QStringLiteral("Show or hide the real time show"));
    realTime->setToolTip(QStringLiteral("RealTime Show"));

    // Com Port
    AddAction(cmd::kPortOther, QStringLiteral("Other"), [this] {
        OnPortOther();
    })->setStatusTip(QStringLiteral("Open a port by number or device path"));
    QAction* demo = AddAction(cmd::kDemoMeter, QStringLiteral("Demo meter"), [this] {
        if (DemoMeterRunning()) {
            StopDemoMeter();
        } else {
            StartDemoMeter();
        }
    });
    demo->setCheckable(true);
    demo->setStatusTip(QStringLiteral("Play a simulated meter, without a device"));

    // Real Time
    AddAction(cmd::kStart, QStringLiteral("Start"), [this] {
        if (Session().Start()) {
            m_pIdleText->setText(IdleText());
            statusBar()->clearMessage();
        } else {
            // Start takes readings only while the meter sends them.
            statusBar()->showMessage(
                QStringLiteral("Nothing started: no data from the meter. Choose its port under "
                               "Com Port, or the Demo meter, then Start again."));
        }
        UpdateCommandUi();
    })->setIcon(ToolbarIcon(cmd::kStart));
    AddAction(cmd::kStop, QStringLiteral("Stop"), [this] {
        Session().Stop();
        m_pJournals->SyncAll();
        UpdateCommandUi();
    })->setIcon(ToolbarIcon(cmd::kStop));

    AddAction(cmd::kMqttSettings, QStringLiteral("Publish to &MQTT\u2026"), [this] {
        OnMqttSettings();
    })->setStatusTip(QStringLiteral("Publish the recorded readings to an MQTT broker"));
    QAction* mqtt = AddAction(cmd::kMqttPublish, QStringLiteral("MQTT &Publishing"), nullptr);
    mqtt->setCheckable(true);
    mqtt->setStatusTip(QStringLiteral("Switch publishing to the MQTT broker on or off"));
    connect(mqtt, &QAction::triggered, this, [this](bool on) { SetMqttEnabled(on); });

    QAction* continueWhenFull = AddAction(
        cmd::kContinueWhenFull, QStringLiteral("Continue in a new document when full"), [this] {
            QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                               QString::fromLatin1(kSettingsApplication)};
            settings.setValue(QLatin1String(kContinueWhenFullKey),
                              Action(cmd::kContinueWhenFull)->isChecked());
        });
    continueWhenFull->setCheckable(true);
    continueWhenFull->setChecked(QSettings{QString::fromLatin1(kSettingsOrganisation),
                                           QString::fromLatin1(kSettingsApplication)}
                                     .value(QLatin1String(kContinueWhenFullKey), false)
                                     .toBool());
    continueWhenFull->setStatusTip(
        QStringLiteral("When a recording fills its document, go on in a new one"));

    AddAction(cmd::kLimits, QStringLiteral("&Limits..."), [this] {
        OnLimits();
    })->setStatusTip(QStringLiteral("Set a high and a low limit for this window's readings"));

    AddAction(cmd::kGraphSetting, QStringLiteral("Setting"),
              [this] { RunViewCommand(cmd::kGraphSetting); });

    // Help
    AddAction(cmd::kAbout, QStringLiteral("&About Vavirir..."), [this] { OnAbout(); });
    QAction* helpTopics =
        AddAction(cmd::kHelpTopics, QStringLiteral("&Help topics"), [this] { OnHelpTopics(); });
    helpTopics->setIcon(ToolbarIcon(cmd::kHelpTopics));
    helpTopics->setShortcuts(StandardKeys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));

    // Window
    AddAction(cmd::kWindowCascade, QStringLiteral("&Cascade"),
              [this] { m_pMdi->cascadeSubWindows(); });
    AddAction(cmd::kWindowTile, QStringLiteral("&Tile"), [this] { m_pMdi->tileSubWindows(); });
    addAction(AddAction(cmd::kNextWindow, QStringLiteral("Ne&xt"),
                        [this] { m_pMdi->activateNextSubWindow(); }));
    Action(cmd::kNextWindow)->setShortcut(QKeySequence(Qt::Key_F6));
    addAction(AddAction(cmd::kPreviousWindow, QStringLiteral("Pre&vious"),
                        [this] { m_pMdi->activatePreviousSubWindow(); }));
    Action(cmd::kPreviousWindow)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    addAction(Action(cmd::kNew));
}

void CMainFrame::CreateMenus() {
    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_pFileMenu->addAction(Action(cmd::kNew));
    m_pFileMenu->addAction(Action(cmd::kOpen));
    m_pFileMenu->addAction(Action(cmd::kSave));
    m_pFileMenu->addAction(Action(cmd::kSaveAs));
    m_pFileMenu->addAction(Action(cmd::kExportExcel));
    m_pFileMenu->addAction(Action(cmd::kExportCsv));
    QMenu* print = m_pFileMenu->addMenu(QStringLiteral("&Print"));
    print->addAction(Action(cmd::kPrintGraph));
    print->addAction(Action(cmd::kPrintData));
    m_pFileMenu->addSeparator();
    m_pRecentAnchor = m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(cmd::kClose));
    m_pFileMenu->addAction(Action(cmd::kExit));

    m_pViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    m_pViewMenu->addAction(Action(cmd::kViewToolbar));
    m_pViewMenu->addAction(Action(cmd::kViewStatusBar));
    m_pViewMenu->addAction(Action(cmd::kViewRealTime));

    m_pPortPopup = menuBar()->addMenu(QStringLiteral("&Com Port"));
    m_pPortPopup->addAction(Action(cmd::kPortOther));
    m_pPortPopup->addAction(Action(cmd::kDemoMeter));

    QMenu* realTime = menuBar()->addMenu(QStringLiteral("&Real Time"));
    realTime->addAction(Action(cmd::kStart));
    realTime->addAction(Action(cmd::kStop));
    realTime->addSeparator();
    realTime->addAction(Action(cmd::kMqttSettings));
    realTime->addAction(Action(cmd::kMqttPublish));
    realTime->addSeparator();
    realTime->addAction(Action(cmd::kContinueWhenFull));
    realTime->addAction(Action(cmd::kLimits));

    QMenu* graph = menuBar()->addMenu(QStringLiteral("&Graph Setting"));
    graph->addAction(Action(cmd::kGraphSetting));

    m_pWindowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    for (int id : {cmd::kWindowCascade, cmd::kWindowTile, cmd::kNextWindow, cmd::kPreviousWindow}) {
        m_pWindowMenu->addAction(Action(id));
    }
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::RebuildWindowMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(cmd::kAbout));
    help->addAction(Action(cmd::kHelpTopics));

    // Enable states follow the frame's flags whenever a menu opens.
    for (QMenu* menu :
         {m_pFileMenu, m_pViewMenu, m_pPortPopup, realTime, graph, m_pWindowMenu, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
    }
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pToolBar->setIconSize(QSize(32, 32));
    for (int id : {cmd::kOpen, cmd::kSave, cmd::kExportExcel, cmd::kStart, cmd::kStop,
                   cmd::kPrintGraph, cmd::kHelpTopics}) {
        m_pToolBar->addAction(Action(id));
    }
    connect(Action(cmd::kViewToolbar), &QAction::toggled, m_pToolBar, &QToolBar::setVisible);

    addToolBarBreak();
    m_pControlBar = new CControlDlgBar(this);
    addToolBar(Qt::TopToolBarArea, m_pControlBar);
    connect(m_pControlBar, &CControlDlgBar::command, this, [this](int id) { RunViewCommand(id); });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // The idle text sits under the fly-by texts and shows when they clear.
    m_pIdleText = new QLabel(IdleText(), bar);
    m_pIdleText->setObjectName(QStringLiteral("readyText"));
    bar->addWidget(m_pIdleText, 1);
    m_pLinkHealth = new CLinkHealthPane(bar);
    m_pLinkHealth->Follow(m_pConnection->Health());
    bar->addPermanentWidget(m_pLinkHealth);
    bar->addPermanentWidget(m_pMqtt->Pane());
    for (const char* key : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QLatin1String(key), bar);
        indicator->setObjectName(QLatin1String(key));
        indicator->setEnabled(false);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(indicator);
    }
    connect(Action(cmd::kViewStatusBar), &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::CreateDisplayBar() {
    m_pDisplayBar = new QDockWidget(QStringLiteral("Display"), this);
    m_pDisplayBar->setObjectName(QStringLiteral("DockPageBar"));
    m_pDisplayBar->setAllowedAreas(Qt::AllDockWidgetAreas);
    m_pDisplayBar->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                               QDockWidget::DockWidgetFloatable);
    // The meter picture is taller than a laptop screen leaves for it: the bar
    // scrolls it rather than push the status bar and the graph's axis off screen.
    auto* scroller = new QScrollArea(m_pDisplayBar);
    scroller->setObjectName(QStringLiteral("displayScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette palette = scroller->palette();
    palette.setColor(QPalette::Window, CLeftDlg::kPanelBackground);
    scroller->setPalette(palette);
    scroller->setBackgroundRole(QPalette::Window);
    m_pFace = new CLeftDlg(scroller, &m_clock);
    scroller->setWidget(m_pFace);
    scroller->setMinimumWidth(m_pFace->sizeHint().width() +
                              scroller->verticalScrollBar()->sizeHint().width());
    m_pDisplayBar->setWidget(scroller);
    addDockWidget(Qt::LeftDockWidgetArea, m_pDisplayBar);
    m_pDisplayBar->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // The bar's own close button hides it: the menu's check mark follows.
    if (watched == m_pDisplayBar && event->type() == QEvent::Close) {
        Action(cmd::kViewRealTime)->setChecked(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

QAction* CMainFrame::Action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::RunCommand(int id) {
    if (QAction* action = Action(id); action != nullptr && action->isEnabled()) {
        action->trigger();
    }
}

void CMainFrame::UpdateCommandUi() {
    const bool running = Session().IsRunning();
    Action(cmd::kStart)->setEnabled(!running);
    Action(cmd::kStop)->setEnabled(running);
    const bool hasDocument = ActiveChild() != nullptr;
    for (int id : {cmd::kSave, cmd::kSaveAs, cmd::kExportExcel, cmd::kExportCsv, cmd::kClose,
                   cmd::kWindowCascade, cmd::kWindowTile, cmd::kNextWindow, cmd::kPreviousWindow}) {
        Action(id)->setEnabled(hasDocument);
    }
    // Commands of the view: there is none without a document window.
    for (int id : {cmd::kPrintGraph, cmd::kPrintData, cmd::kGraphSetting, cmd::kLimits}) {
        Action(id)->setEnabled(m_pCurrentView != nullptr);
    }
    Action(cmd::kDemoMeter)->setChecked(DemoMeterRunning());
}

// ---------------------------------------------------------------- documents

CChildFrame* CMainFrame::ActiveChild() const {
    return qobject_cast<CChildFrame*>(m_pMdi->currentSubWindow());
}

std::vector<CChildFrame*> CMainFrame::Children() const {
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* sub : m_pMdi->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* child = qobject_cast<CChildFrame*>(sub)) {
            children.push_back(child);
        }
    }
    return children;
}

CChildFrame* CMainFrame::ChildShowingFile(const QString& path, const CChildFrame* except) const {
    const std::optional<FileIdentity> wanted = IdentityOf(path);
    if (!wanted) {
        return nullptr;
    }
    for (CChildFrame* child : Children()) {
        if (child != except && IdentityOf(child->FilePath()) == wanted) {
            return child;
        }
    }
    return nullptr;
}

void CMainFrame::RebuildWindowMenu() {
    for (QAction* entry : m_windowEntries) {
        m_pWindowMenu->removeAction(entry);
        entry->deleteLater();
    }
    m_windowEntries.clear();
    const std::vector<CChildFrame*> children = Children();
    if (children.empty()) {
        return;
    }
    m_windowEntries.push_back(m_pWindowMenu->addSeparator());
    const CChildFrame* active = ActiveChild();
    for (std::size_t i = 0; i < children.size(); ++i) {
        QPointer<CChildFrame> child = children[i];
        // Numbers 1 to 9 double as mnemonics.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
        QString title = child->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a file name is no mnemonic
        auto* entry = new QAction(number + QLatin1Char(' ') + title, m_pWindowMenu);
        entry->setData(cmd::kFirstDocumentWindow + static_cast<int>(i));
        entry->setCheckable(true);
        entry->setChecked(child == active);
        connect(entry, &QAction::triggered, this, [this, child] {
            if (child != nullptr) {
                m_pMdi->setActiveSubWindow(child);
            }
        });
        m_pWindowMenu->addAction(entry);
        m_windowEntries.push_back(entry);
    }
}

CChildFrame* CMainFrame::AddChild(std::unique_ptr<CRoZudozuvDoc> document, const QString& path) {
    auto* child = new CChildFrame(std::move(document), [this](CRecordingTarget& view) {
        Session().Registry().Remove(&view);
        m_pJournals->Forget(view.Document());
        m_pMqtt->Forget(view.Document());
    });
    m_pJournals->Watch(child->Document(), [child] { return child->Title().toStdString(); });
    connect(&child->View(), &CRoZudozuvView::limitCrossed, this,
            [this, child](LimitSide side, double value) { OnLimitCrossed(*child, side, value); });
    child->SetCloseQuery([this](CChildFrame& closing) { return SaveModified(closing); });
    if (path.isEmpty()) {
        child->SetTitle(QStringLiteral("New File%1").arg(++m_nNewDocuments));
        // A recovered recording is new but takes no live readings.
        child->View().liveTarget = child->Document().acquiring;
    } else {
        // A document read from a file takes no live readings.
        child->View().liveTarget = false;
        child->Document().acquiring = false;
        child->SetFilePath(path);
    }
    m_pMdi->addSubWindow(child);
    connect(
        child, &QObject::destroyed, this, [this] { UpdateCommandUi(); }, Qt::QueuedConnection);
    child->View().OnInitialUpdate();
    child->showMaximized();
    m_pMdi->setActiveSubWindow(child);
    return child;
}

void CMainFrame::RunViewCommand(int id) {
    if (m_pCurrentView != nullptr) {
        m_pCurrentView->HandleCommand(id);
    }
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* sub) {
    // The current view is the one last activated; it is cleared only when its
    // window goes.
    if (auto* child = qobject_cast<CChildFrame*>(sub)) {
        m_pCurrentView = &child->View();
    }
    UpdateCommandUi();
}

CRecordingTarget* CMainFrame::OpenNewDocument() {
    CChildFrame* child = AddChild(std::make_unique<CRoZudozuvDoc>());
    UpdateCommandUi();
    return &child->View();
}

void CMainFrame::OnFileNew() {
    CChildFrame* child = AddChild(std::make_unique<CRoZudozuvDoc>());
    Session().Registry().Add(&child->View());
    UpdateCommandUi();
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    // Two windows on one file would save over each other.
    if (CChildFrame* shown = ChildShowingFile(path)) {
        m_pMdi->setActiveSubWindow(shown);
        AddRecentFile(path);
        return true;
    }
    auto document = std::make_unique<CRoZudozuvDoc>();
    try {
        LoadDocumentFile(QFile::encodeName(path).toStdString(), *document);
    } catch (const CDataFileError& error) {
        // Several files may be opened at once: say which one failed.
        ShowFileError(NameTheFile(path, QString::fromStdString(error.what())));
        m_recentFiles.removeAll(QFileInfo(path).absoluteFilePath());
        RebuildRecentMenu();
        return false;
    }
    CChildFrame* child = AddChild(std::move(document), path);
    Session().Registry().Add(&child->View());
    AddRecentFile(path);
    UpdateCommandUi();
    return true;
}

void CMainFrame::OfferLeftJournals() {
    m_pJournals->OfferLeftJournals(
        [this](const std::vector<JournalOfferRow>& rows) {
            return CRecoverJournalsDlg::Ask(rows, this);
        },
        [this](std::unique_ptr<CRoZudozuvDoc> document) {
            CChildFrame* child = AddChild(std::move(document));
            Session().Registry().Add(&child->View());
            child->UpdateModified();
            UpdateCommandUi();
            return &child->Document();
        });
}

void CMainFrame::OnFileOpen() {
    const QString path = AskOpenFileName();
    if (!path.isEmpty()) {
        OpenDocumentFile(path);
    }
}

QString CMainFrame::AskOpenFileName() {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                        QString::fromLatin1(kDocumentFilterName));
}

QString CMainFrame::AskSaveFileName(const QString& suggested) {
    QFileDialog dialog(this, QStringLiteral("Save As"), QString(),
                       QString::fromLatin1(kDocumentFilterName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kDocumentExtension).mid(1));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QMessageBox::StandardButton CMainFrame::AskSaveChanges(const QString& name) {
    QMessageBox box(QMessageBox::Warning, AppTitle(),
                    QStringLiteral("Save changes to %1?").arg(name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("saveChangesBox"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool CMainFrame::SaveChild(CChildFrame& child, const QString& path) {
    try {
        SaveDocumentFile(child.Document(), QFile::encodeName(path).toStdString());
    } catch (const CDataFileError& error) {
        ShowFileError(QString::fromStdString(error.what()));
        return false;
    }
    child.Document().MarkSaved();
    m_pJournals->Remove(child.Document());
    child.SetFilePath(path);
    AddRecentFile(path);
    return true;
}

bool CMainFrame::SaveDocument(CChildFrame& child, bool askForName) {
    QString path = child.FilePath();
    if (askForName || path.isEmpty()) {
        const QString suggested =
            path.isEmpty() ? child.Title() + QString::fromLatin1(kDocumentExtension) : path;
        path = AskSaveFileName(suggested);
        if (path.isEmpty()) {
            return false;
        }
        if (const CChildFrame* other = ChildShowingFile(path, &child)) {
            ShowFileError(QStringLiteral("%1 is open in the window %2. Close that window "
                                         "first, or save under another name.")
                              .arg(path, other->Title()));
            return false;
        }
    }
    return SaveChild(child, path);
}

bool CMainFrame::SaveModified(CChildFrame& child) {
    if (!child.Document().IsModified()) {
        return true;
    }
    const QString name = child.FilePath().isEmpty() ? child.Title() : child.FilePath();
    switch (AskSaveChanges(name)) {
        case QMessageBox::Save:
            return SaveDocument(child, false);
        case QMessageBox::Discard:
            m_pJournals->Remove(child.Document());
            return true;
        default:
            return false;
    }
}

void CMainFrame::OnFileSave() {
    if (CChildFrame* child = ActiveChild()) {
        SaveDocument(*child, false);
    }
}

void CMainFrame::OnFileSaveAs() {
    if (CChildFrame* child = ActiveChild()) {
        SaveDocument(*child, true);
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    bool opened = false;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            OpenDocumentFile(url.toLocalFile());
            opened = true;
        }
    }
    if (opened) {
        event->acceptProposedAction();
    }
}

bool CMainFrame::AcceptExportTarget(const QString& path) {
    const CChildFrame* open = ChildShowingFile(path);
    if (open == nullptr) {
        return true;
    }
    ShowFileError(QStringLiteral("Nothing was exported: %1 is the data file of the open "
                                 "document %2. Export to another file.")
                      .arg(path, open->Title()));
    return false;
}

void CMainFrame::OnExportCsv() {
    if (CChildFrame* child = ActiveChild()) {
        ExportCsvWithDialog(this, child->Document(), m_clock.Now(),
                            [this](const QString& path) { return AcceptExportTarget(path); });
    }
}

void CMainFrame::OnExportExcel() {
    CChildFrame* child = ActiveChild();
    if (child == nullptr || !HasExportableRecords(child->Document())) {
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Save As"), QString(),
                       QString::fromUtf8(kExportFilterName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    dialog.selectFile(QString::fromStdString(DefaultExportFileName(m_clock.Now())));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (!AcceptExportTarget(path)) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        ExportDocumentFile(child->Document(), QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        ShowFileError(QString::fromStdString(error.what()));
        return;
    }
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- recent files

void CMainFrame::LoadRecentFiles() {
    QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                       QString::fromLatin1(kSettingsApplication)};
    settings.beginGroup(QLatin1String(kRecentGroup));
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) {
            m_recentFiles.append(path);
        }
    }
    RebuildRecentMenu();
}

void CMainFrame::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentFileCount) {
        m_recentFiles.removeLast();
    }
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu() {
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();

    if (m_recentFiles.isEmpty()) {
        auto* placeholder = new QAction(QStringLiteral("Recent File"), m_pFileMenu);
        placeholder->setData(cmd::kRecentFile);
        placeholder->setEnabled(false);
        m_pFileMenu->insertAction(m_pRecentAnchor, placeholder);
        m_recentActions.push_back(placeholder);
    }
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString path = m_recentFiles.at(i);
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), m_pFileMenu);
        entry->setData(cmd::kRecentFile + i);
        connect(entry, &QAction::triggered, this, [this, path] { OpenDocumentFile(path); });
        m_pFileMenu->insertAction(m_pRecentAnchor, entry);
        m_recentActions.push_back(entry);
    }

    QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                       QString::fromLatin1(kSettingsApplication)};
    settings.beginGroup(QLatin1String(kRecentGroup));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_recentFiles.size()) {
            settings.setValue(key, m_recentFiles.at(i - 1));
        } else {
            settings.remove(key);
        }
    }
}

// ---------------------------------------------------------------- view and help

void CMainFrame::OnViewRealTime() {
    // The action has already flipped its check mark: checked means "show".
    QMdiSubWindow* active = m_pMdi->currentSubWindow();
    if (active != nullptr) {
        active->showMinimized();
    }
    m_pDisplayBar->setVisible(Action(cmd::kViewRealTime)->isChecked());
    if (active != nullptr) {
        active->showMaximized();
    }
}

QString CMainFrame::HelpFilePath(const QString& folder) {
    return folder.endsWith('/') ? folder + QStringLiteral("help.html")
                                : folder + QStringLiteral("/help.html");
}

void CMainFrame::OnHelpTopics() {
    // Beside the program in a build folder; in share/vavirir once installed.
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = HelpFilePath(folder);
    const QString guide =
        QFileInfo::exists(beside)
            ? beside
            : QDir::cleanPath(HelpFilePath(folder + QStringLiteral("/../share/vavirir")));
    // The desktop's opener fails at once when nothing can show the page; when
    // something can, it may wait for the viewer, which is left alone.
    auto* opener = new QProcess(this);
    opener->setObjectName(QStringLiteral("helpOpener"));
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const QString noViewer =
        QStringLiteral(
            "No program to show web pages was found, so the user guide cannot be "
            "shown. Open it in a web browser: %1")
            .arg(guide);
    connect(opener, &QProcess::errorOccurred, this,
            [this, opener, noViewer](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    opener->deleteLater();
                    ShowMessage(noViewer);
                }
            });
    connect(opener, &QProcess::finished, this,
            [this, opener, noViewer](int exitCode, QProcess::ExitStatus status) {
                opener->deleteLater();
                if (status != QProcess::NormalExit || exitCode != 0) {
                    ShowMessage(noViewer);
                }
            });
    opener->start(QStringLiteral("xdg-open"), {guide});
}

void CMainFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::ShowMessage(const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, AppTitle(), text, QMessageBox::Ok, this);
    box.exec();
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
        [this](const QString& text, int timeoutMs) { statusBar()->showMessage(text, timeoutMs); });
    connect(meter, &CConnectionDriver::recordingStopped, this,
            [this](const QString& why) { ShowRecordingStopped(why, false); });
    connect(meter, &CConnectionDriver::meterChanged, m_pMqtt, &CMqttPublishing::SetMeter);
    connect(meter, &CConnectionDriver::linkChanged, m_pLinkHealth, &CLinkHealthPane::Redraw);
    connect(meter, &CConnectionDriver::linkChanged, this, &CMainFrame::UpdateCommandUi);
    connect(meter, &CConnectionDriver::bytesArriving, this, &CMainFrame::BeforeReceive);
    connect(meter, &CConnectionDriver::bytesDecoded, this, &CMainFrame::AfterReceive);
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

void CMainFrame::OnMqttSettings() {
    MqttGuiSettings settings = m_pMqtt->Settings();
    CMqttDlg dialog(settings, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    settings = dialog.Settings();
    // Setting the broker up is asking to publish to it.
    settings.enabled = true;
    QSettings stored{QString::fromLatin1(kSettingsOrganisation),
                     QString::fromLatin1(kSettingsApplication)};
    try {
        SaveMqttSettings(stored, settings);
    } catch (const std::runtime_error& error) {
        ShowMessage(QString::fromStdString(error.what()), QMessageBox::Warning);
    }
    m_pMqtt->Configure(settings);
    Action(cmd::kMqttPublish)->setChecked(true);
}

void CMainFrame::SetMqttEnabled(bool enabled) {
    MqttGuiSettings settings = m_pMqtt->Settings();
    if (enabled && settings.host.isEmpty()) {
        // Nothing to publish to yet: the dialog asks first.
        Action(cmd::kMqttPublish)->setChecked(false);
        OnMqttSettings();
        return;
    }
    settings.enabled = enabled;
    QSettings stored{QString::fromLatin1(kSettingsOrganisation),
                     QString::fromLatin1(kSettingsApplication)};
    stored.setValue(QStringLiteral("MQTT/Enabled"), enabled);
    m_pMqtt->Configure(settings);
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

void CMainFrame::BeforeReceive() {
    m_bWasRunning = Session().IsRunning();
    m_liveBefore.clear();
    for (CChildFrame* child : Children()) {
        if (child->View().liveTarget) {
            m_liveBefore.push_back(child);
        }
    }
}

void CMainFrame::AfterReceive() {
    m_pMqtt->Follow(Session().Registry(), [this](const CRoZudozuvDoc& doc) {
        for (CChildFrame* child : Children()) {
            if (&child->Document() == &doc) {
                return child->View().GetLimits();
            }
        }
        return Limits{};
    });
    if (m_bWasRunning && !Session().IsRunning()) {
        ReportFullDocuments(m_liveBefore);
    }
    UpdateCommandUi();
}

// A live document that reached its capacity stopped the recording: say so, or
// it looks as if recording went on (the face keeps moving).
void CMainFrame::ReportFullDocuments(const std::vector<CChildFrame*>& liveBefore) {
    static_assert(CRoZudozuvDoc::kLiveCapacity == 20000, "the text names the capacity");
    const std::vector<CChildFrame*> children = Children();
    for (CChildFrame* child : liveBefore) {
        const bool stillOpen = std::find(children.begin(), children.end(), child) != children.end();
        if (stillOpen && !child->View().liveTarget &&
            child->Document().channels[0].size() >= CRoZudozuvDoc::kLiveCapacity) {
            ShowRecordingStopped(QStringLiteral("Recording stopped: %1 is full. A document holds "
                                                "at most 20,000 readings.")
                                     .arg(child->Title()),
                                 true);
        }
    }
}

void CMainFrame::ShowRecordingStopped(const QString& why, bool alsoInABox) {
    m_pIdleText->setText(why);
    statusBar()->clearMessage();
    if (alsoInABox) {
        // Not inside the receive path: the box's event loop would take more
        // readings while the session is still dispatching this one.
        QTimer::singleShot(0, this, [this, why] { ShowMessage(why, QMessageBox::Information); });
    }
}

QString CMainFrame::IdleStatusText() const {
    return m_pIdleText->text();
}

void CMainFrame::OnDataTimeout() {
    m_pConnection->CheckDataTimeout();
}

bool CMainFrame::Recording() const {
    if (!m_pConnection->Session().IsRunning()) {
        return false;
    }
    for (CChildFrame* child : Children()) {
        if (child->View().liveTarget && child->Document().acquiring) {
            return true;
        }
    }
    return false;
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
        if (child->View().liveTarget && Session().IsRunning()) {
            Session().Stop();
            UpdateCommandUi();
        }
    }
    Session().Stop();
    // The reader goes first, then the windows.
    m_pConnection->Close();
    m_pConnection->CloseDownloadProgress();
    event->accept();
}

// ---------------------------------------------------------------- session host

void CMainFrame::SetFace(FaceState face) {
    m_pFace->SetUnitIcon(face.dial);
    m_pFace->SetFace(face.face);
}

void CMainFrame::OnLimits() {
    if (m_pCurrentView == nullptr) {
        return;
    }
    CLimitsDlg dialog(m_pCurrentView->GetLimits(), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_pCurrentView->SetLimits(dialog.GetLimits());
    }
}

void CMainFrame::OnLimitCrossed(CChildFrame& child, LimitSide side, double value) {
    const Limits& limits = child.View().GetLimits();
    auto text = [](std::optional<double> limit) {
        return limit ? QString::number(*limit, 'g', 10).toStdString() : std::string();
    };
    const std::string crossing =
        CrossingText(ClockText(m_clock.Now()), side, value, text(limits.high), text(limits.low));
    statusBar()->showMessage(child.Title() + QStringLiteral(": ") +
                             QString::fromStdString(crossing));
    if (side != LimitSide::Within) {
        QApplication::beep();
    }
}

bool CMainFrame::ContinuesWhenFull() const {
    return Action(cmd::kContinueWhenFull)->isChecked();
}

void CMainFrame::RecordingContinued(CRecordingTarget& full, CRecordingTarget& next) {
    CChildFrame* fullChild = nullptr;
    CChildFrame* nextChild = nullptr;
    for (CChildFrame* child : Children()) {
        if (&child->View() == &full) {
            fullChild = child;
        } else if (&child->View() == &next) {
            nextChild = child;
        }
    }
    if (fullChild == nullptr || nextChild == nullptr) {
        return;
    }
    // The full one stays open with its journal, waiting to be saved.
    fullChild->UpdateModified();
    nextChild->View().ContinueLimitsFrom(fullChild->View());
    const QString fullName = fullChild->Title();
    const QString nextName = nextChild->Title();
    statusBar()->showMessage(QString::fromStdString(
        RecordingContinuedText(fullName.toStdString(), nextName.toStdString())));
}

void CMainFrame::DownloadAdopted(CRecordingTarget& view) {
    for (CChildFrame* child : Children()) {
        if (&child->View() == &view) {
            child->UpdateModified();
        }
    }
}
