#include "app/DisplayDock.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>

#include "display/ui/LeftDlg.h"

CDisplayDock::CDisplayDock(const IClock* clock, QWidget* parent)
    : QDockWidget(tr("Display"), parent) {
    setObjectName(QStringLiteral("DockPageBar"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    // The meter picture is taller than a laptop screen leaves for it: the bar
    // scrolls it rather than push the status bar and the graph's axis off screen.
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("displayScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette palette = scroller->palette();
    palette.setColor(QPalette::Window, CLeftDlg::kPanelBackground);
    scroller->setPalette(palette);
    scroller->setBackgroundRole(QPalette::Window);
    m_pFace = new CLeftDlg(scroller, clock);
    scroller->setWidget(m_pFace);
    scroller->setMinimumWidth(m_pFace->sizeHint().width() +
                              scroller->verticalScrollBar()->sizeHint().width());
    setWidget(scroller);
}

void CDisplayDock::ShowBeside(QMdiArea* area, bool shown) {
    QMdiSubWindow* active = area->currentSubWindow();
    if (active != nullptr) {
        active->showMinimized();
    }
    setVisible(shown);
    if (active != nullptr) {
        active->showMaximized();
    }
}

void CDisplayDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    emit closedByUser();
}
