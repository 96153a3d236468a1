#include "docview/ui/GraphClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include "common/ui/UserMessages.h"
#include "display/ui/GraphDlg.h"

void CopyGraphToClipboard(QWidget* parent, CGraphDlg& graph) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return;
    }
    clipboard->setImage(graph.RenderClientImage());

    CUserMessages::Show(parent,
                        QCoreApplication::translate("CopyGraphToClipboard",
                                                    "Graph is already copied to clipboard!"),
                        QMessageBox::NoIcon,
                        QCoreApplication::translate("CopyGraphToClipboard", "Tip"));
}
