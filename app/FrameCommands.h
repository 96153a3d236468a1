#pragma once

#include <QObject>
#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// The main window's commands: one QAction per command id (the id is the
// action's data), with its text, keys, icon, tips and check mark, and the
// menu bar and the main tool bar built from them. What a command does is
// connected by the frame (OnTriggered).
class CFrameCommands : public QObject {
    Q_OBJECT
  public:
    // The actions belong to `window`; New, Next and Previous also work
    // through its keys while no menu is shown.
    explicit CFrameCommands(QMainWindow* window);

    // The action of a command id, or null.
    QAction* Action(int id) const;
    void OnTriggered(int id, std::function<void()> handler);

    // The menus the frame fills or watches later.
    struct Menus {
        QMenu* file = nullptr;
        QAction* recentAnchor = nullptr;  // the recent files go above it
        QMenu* port = nullptr;
        QMenu* window = nullptr;
    };
    Menus BuildMenus();
    QToolBar* BuildToolBar();

  private:
    QAction* Add(int id, const QString& text);
    void CreateFileCommands();
    void CreateViewAndPortCommands();
    void CreateRealTimeCommands();
    void CreateWindowAndHelpCommands();

    QMainWindow* m_pWindow;
    std::map<int, QAction*> m_actions;
};
