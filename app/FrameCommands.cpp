#include "app/FrameCommands.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

#include "common/ui/CommandIds.h"
#include "display/ui/Artwork.h"

namespace {

// The desktop's keys for a standard command, or `fallback` where the
// platform's key scheme has none for it.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey key, const QKeySequence& fallback) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{fallback} : keys;
}

void SetTips(QAction* action, const QString& statusTip, const QString& toolTip = {}) {
    action->setStatusTip(statusTip);
    if (!toolTip.isEmpty()) {
        action->setToolTip(toolTip);
    }
}

void MakeCheckable(QAction* action, bool checked) {
    action->setCheckable(true);
    action->setChecked(checked);
}

}  // namespace

CFrameCommands::CFrameCommands(QMainWindow* window) : QObject(window), m_pWindow(window) {
    CreateFileCommands();
    CreateViewAndPortCommands();
    CreateRealTimeCommands();
    CreateWindowAndHelpCommands();
    for (int id : {cmd::kNextWindow, cmd::kPreviousWindow, cmd::kNew}) {
        window->addAction(Action(id));
    }
}

QAction* CFrameCommands::Add(int id, const QString& text) {
    auto* action = new QAction(text, m_pWindow);
    action->setData(id);
    m_actions[id] = action;
    return action;
}

QAction* CFrameCommands::Action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CFrameCommands::OnTriggered(int id, std::function<void()> handler) {
    connect(Action(id), &QAction::triggered, m_pWindow,
            [handler = std::move(handler)] { handler(); });
}

void CFrameCommands::CreateFileCommands() {
    Add(cmd::kNew, tr("&New"))
        ->setShortcuts(StandardKeys(QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N)));
    QAction* open = Add(cmd::kOpen, tr("&Open...\tCtrl+O"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SetTips(open, tr("Open an existing document"), tr("Open"));
    open->setIcon(ToolbarIcon(cmd::kOpen));
    QAction* save = Add(cmd::kSave, tr("&Save"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SetTips(save, tr("Save the active document"), tr("Save"));
    save->setIcon(ToolbarIcon(cmd::kSave));
    Add(cmd::kSaveAs, tr("Save as"))
        ->setShortcuts(
            StandardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    Add(cmd::kExportExcel, tr("&Export To Excel"))->setIcon(ToolbarIcon(cmd::kExportExcel));
    // V, not C: C belongs to Close.
    Add(cmd::kExportCsv, tr("Export To CS&V\u2026"));
    QAction* printGraph = Add(cmd::kPrintGraph, tr("&Graph"));
    printGraph->setIcon(ToolbarIcon(cmd::kPrintGraph));
    printGraph->setIconText(tr("Print Graph"));
    Add(cmd::kPrintData, tr("&Data"));
    Add(cmd::kClose, tr("&Close"));
    Add(cmd::kExit, tr("E&xit"))
        ->setShortcuts(StandardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
}

void CFrameCommands::CreateViewAndPortCommands() {
    MakeCheckable(Add(cmd::kViewToolbar, tr("&Toolbar")), true);
    MakeCheckable(Add(cmd::kViewStatusBar, tr("&Status Bar")), true);
    QAction* realTime = Add(cmd::kViewRealTime, tr("Real Time"));
    MakeCheckable(realTime, true);
    SetTips(realTime, tr("Show or hide the real time show"), tr("RealTime Show"));

    SetTips(Add(cmd::kPortOther, tr("Other")), tr("Open a port by number or device path"));
    QAction* demo = Add(cmd::kDemoMeter, tr("Demo meter"));
    MakeCheckable(demo, false);
    SetTips(demo, tr("Play a simulated meter, without a device"));
}

void CFrameCommands::CreateRealTimeCommands() {
    Add(cmd::kStart, tr("Start"))->setIcon(ToolbarIcon(cmd::kStart));
    Add(cmd::kStop, tr("Stop"))->setIcon(ToolbarIcon(cmd::kStop));
    SetTips(Add(cmd::kMqttSettings, tr("Publish to &MQTT\u2026")),
            tr("Publish the recorded readings to an MQTT broker"));
    QAction* mqtt = Add(cmd::kMqttPublish, tr("MQTT &Publishing"));
    MakeCheckable(mqtt, false);
    SetTips(mqtt, tr("Switch publishing to the MQTT broker on or off"));
    QAction* continueWhenFull =
        Add(cmd::kContinueWhenFull, tr("Continue in a new document when full"));
    MakeCheckable(continueWhenFull, false);
    SetTips(continueWhenFull, tr("When a recording fills its document, go on in a new one"));
    SetTips(Add(cmd::kLimits, tr("&Limits...")),
            tr("Set a high and a low limit for this window's readings"));
    Add(cmd::kGraphSetting, tr("Setting"));
}

void CFrameCommands::CreateWindowAndHelpCommands() {
    Add(cmd::kAbout, tr("&About Vavirir..."));
    QAction* helpTopics = Add(cmd::kHelpTopics, tr("&Help topics"));
    helpTopics->setIcon(ToolbarIcon(cmd::kHelpTopics));
    helpTopics->setShortcuts(StandardKeys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));

    Add(cmd::kWindowCascade, tr("&Cascade"));
    Add(cmd::kWindowTile, tr("&Tile"));
    Add(cmd::kNextWindow, tr("Ne&xt"))->setShortcut(QKeySequence(Qt::Key_F6));
    Add(cmd::kPreviousWindow, tr("Pre&vious"))->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
}

CFrameCommands::Menus CFrameCommands::BuildMenus() {
    QMenuBar* bar = m_pWindow->menuBar();
    auto fill = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            menu->addAction(Action(id));
        }
    };
    Menus menus;
    menus.file = bar->addMenu(tr("&File"));
    fill(menus.file,
         {cmd::kNew, cmd::kOpen, cmd::kSave, cmd::kSaveAs, cmd::kExportExcel, cmd::kExportCsv});
    fill(menus.file->addMenu(tr("&Print")), {cmd::kPrintGraph, cmd::kPrintData});
    menus.file->addSeparator();
    menus.recentAnchor = menus.file->addSeparator();
    fill(menus.file, {cmd::kClose, cmd::kExit});

    fill(bar->addMenu(tr("&View")), {cmd::kViewToolbar, cmd::kViewStatusBar, cmd::kViewRealTime});
    menus.port = bar->addMenu(tr("&Com Port"));
    fill(menus.port, {cmd::kPortOther, cmd::kDemoMeter});

    QMenu* realTime = bar->addMenu(tr("&Real Time"));
    fill(realTime, {cmd::kStart, cmd::kStop});
    realTime->addSeparator();
    fill(realTime, {cmd::kMqttSettings, cmd::kMqttPublish});
    realTime->addSeparator();
    fill(realTime, {cmd::kContinueWhenFull, cmd::kLimits});

    fill(bar->addMenu(tr("&Graph Setting")), {cmd::kGraphSetting});
    menus.window = bar->addMenu(tr("&Window"));
    fill(menus.window,
         {cmd::kWindowCascade, cmd::kWindowTile, cmd::kNextWindow, cmd::kPreviousWindow});
    fill(bar->addMenu(tr("&Help")), {cmd::kAbout, cmd::kHelpTopics});
    return menus;
}

QToolBar* CFrameCommands::BuildToolBar() {
    QToolBar* toolBar = m_pWindow->addToolBar(tr("Toolbar"));
    toolBar->setObjectName(QStringLiteral("toolbar"));
    toolBar->setIconSize(QSize(32, 32));
    for (int id : {cmd::kOpen, cmd::kSave, cmd::kExportExcel, cmd::kStart, cmd::kStop,
                   cmd::kPrintGraph, cmd::kHelpTopics}) {
        toolBar->addAction(Action(id));
    }
    connect(Action(cmd::kViewToolbar), &QAction::toggled, toolBar, &QToolBar::setVisible);
    return toolBar;
}
