#pragma once

#include <QAction>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

// Keeps the discovered Bluetooth serial ports listed in the Com Port menu. The
// entries go in front of `anchor` (an item of the same popup) with command ids
// counting up from cmd::kFirstDiscoveredPort. Discovery is a function so tests
// can give a fake list; device changes are seen by watching a folder (/dev).
class CPortMenu : public QObject {
    Q_OBJECT
  public:
    using Discovery = std::function<std::vector<std::string>()>;
    // A Bluetooth meter as the menu lists it: its label, e.g.
    // "VAVIRIR-METER (AA:BB:CC:DD:EE:01)", and the port that opens it.
    struct MeterEntry {
        std::string label;
        std::string port;
    };
    using MeterDiscovery = std::function<std::vector<MeterEntry>()>;

    CPortMenu(QMenu* popup, QAction* anchor, Discovery discover, QObject* parent = nullptr);

    // Rebuilds the discovered entries from a fresh discovery.
    void RefreshPortMenu();

    // Lists the meters `discover` gives above the serial ports, from the next
    // refresh on.
    void SetMeterDiscovery(MeterDiscovery discover) { m_discoverMeters = std::move(discover); }

    // Rebuilds the menu shortly after anything in `folder` changes.
    void WatchDevices(const QString& folder);

    int PortMenuCount() const { return static_cast<int>(m_entries.size()); }
    const std::vector<QAction*>& Entries() const { return m_entries; }

    // The device an entry opens: a name such as "rfcomm0" means /dev/rfcomm0.
    static QString DeviceForEntry(const QString& text);

  signals:
    void portChosen(const QString& device);

  private:
    void AddEntry(const QString& text, const QString& port);

    QMenu* m_pPopup;
    QAction* m_pAnchor;
    Discovery m_discover;
    MeterDiscovery m_discoverMeters;
    std::vector<QAction*> m_entries;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
