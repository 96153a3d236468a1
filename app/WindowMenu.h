#pragma once

#include <QObject>
#include <vector>

class QAction;
class QMdiArea;
class QMenu;

// The Window menu's list of open document windows ("&1 a.txt", checked for
// the active one), below the menu's own commands, made afresh each time the
// menu opens; choosing an entry activates its window.
class CWindowMenu : public QObject {
    Q_OBJECT
  public:
    CWindowMenu(QMenu* menu, QMdiArea* area);

  private:
    void Rebuild();

    QMenu* m_pMenu;
    QMdiArea* m_pArea;
    std::vector<QAction*> m_entries;
};
