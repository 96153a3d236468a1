#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "record/Document.h"

class CChildFrame;
class CDocumentManager;
class CRoZudozuvDoc;
class CRoZudozuvView;
class QMdiArea;
class QMdiSubWindow;

// The document windows in the main window's MDI area: one CChildFrame for
// each document the manager makes or reads, gone with its document. The
// current view is the one last activated (the graph tool bar and the view
// commands act on it); it is cleared only when its window goes.
class CDocumentWindows : public QObject {
    Q_OBJECT
  public:
    // `onDetach` runs when a window closes or goes, before its view is deleted.
    CDocumentWindows(CDocumentManager& documents, QMdiArea* area,
                     std::function<void(CRoZudozuvDoc&)> onDetach, QObject* parent);

    std::vector<CChildFrame*> Children() const;
    CChildFrame* Active() const;
    CChildFrame* WindowOf(const CRoZudozuvDoc* document) const;
    CRoZudozuvView* CurrentView() const { return m_pCurrentView; }
    // Deletes every window, also one closed but not yet deleted; each closes
    // its document.
    void DeleteAll();

  signals:
    void windowAdded(CChildFrame* child);
    // Whether a window is active, and whether there is a current view, after
    // a window came, went or was activated.
    void activeChanged(bool active);
    void viewAvailable(bool available);
    void currentViewChanged(CRoZudozuvView* view);

  private:
    void Add(CRoZudozuvDoc* document);
    void OnActivated(QMdiSubWindow* window);
    void Changed();

    CDocumentManager& m_documents;
    QMdiArea* m_pArea;
    std::function<void(CRoZudozuvDoc&)> m_onDetach;
    QPointer<CRoZudozuvView> m_pCurrentView;
};
