#include "docview/ui/GraphClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "display/ui/GraphDlg.h"

void CopyGraphToClipboard(QWidget* parent, CGraphDlg& graph) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return;
    }
    clipboard->setImage(graph.RenderClientImage());

    QMessageBox tip(QMessageBox::NoIcon, QCoreApplication::translate("CopyGraphToClipboard", "Tip"),
                    QCoreApplication::translate("CopyGraphToClipboard",
                                                "Graph is already copied to clipboard!"),
                    QMessageBox::Ok, parent);
    tip.exec();
}
