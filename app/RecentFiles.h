#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class QAction;
class QMenu;

// The File menu's most recently used files: at most four absolute paths,
// newest first, kept in the program's settings ("Recent File List", File1 …
// File4) and shown as numbered entries above an anchor in a menu.
class CRecentFiles : public QObject {
    Q_OBJECT
  public:
    static constexpr int kCount = 4;

    // Reads the list from the settings.
    explicit CRecentFiles(QObject* parent = nullptr);

    const QStringList& Files() const { return m_files; }
    // `path` becomes the newest entry (once, as an absolute path).
    void Add(const QString& path);
    void Remove(const QString& path);

    // Lists the entries in `menu` above `anchor` ("Recent File", disabled,
    // while there is none), from now on after every change.
    void ShowIn(QMenu* menu, QAction* anchor);

  signals:
    // An entry of the menu was chosen.
    void openRequested(const QString& path);

  private:
    void Changed();
    void Save() const;
    void RebuildMenu();

    QStringList m_files;
    QMenu* m_pMenu = nullptr;
    QAction* m_pAnchor = nullptr;
    std::vector<QAction*> m_entries;
};
