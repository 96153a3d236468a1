#pragma once

class CGraphDlg;
class QWidget;

// Copy Graph: the graph as the window shows it (without a drag overlay) goes
// onto the system clipboard as an image; then a "Tip" box says so.
void CopyGraphToClipboard(QWidget* parent, CGraphDlg& graph);
