#include "docview/ui/GraphClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include "display/ui/GraphDlg.h"

void CopyGraphToClipboard(QWidget* parent, CGraphDlg& graph) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return;
    }
    clipboard->setImage(graph.RenderClientImage());

    QMessageBox tip(QMessageBox::NoIcon, QStringLiteral("Tip"),
                    QStringLiteral("Graph is already copied to clipboard!"), QMessageBox::Ok,
                    parent);
    tip.exec();
}
