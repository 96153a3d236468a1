#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's pictures are SVG files compiled in under ":/art/". These
// helpers render them at the pixel sizes the windows use.

// Renders ":/art/<name>.svg" into a pixmap of the given size (transparent where
// the drawing is). A missing or broken file gives a magenta box so the gap is
// visible rather than silent.
QPixmap RenderArtwork(const QString& name, QSize size);

// Graph tool bar (32 x 32): icon and cursor of a tool's command id
// (32771 Move, 32772 Rect, 32773 XBig, 32774 YBig, 32775 Big, 32776 Small,
// 32777 Show, 32778 All, 32792 FFT). Commands without a picture give a null
// icon; commands without a cursor of their own give the arrow cursor.
QIcon ToolButtonIcon(int commandId);
QCursor ToolCursor(int commandId);

// Main toolbar images, 32 pixels wide: 57601 Open, 57603 Save, 32793 Export To
// Excel, 32787 Start, 32788 Stop, 32798 Print Graph, 32800 Help topics.
enum class ToolbarImageState { Normal, Hot, Disabled };
QPixmap ToolbarImage(int commandId, ToolbarImageState state);
// The three states in one icon (Normal, Active = hot, Disabled).
QIcon ToolbarIcon(int commandId);

// The application's window icon.
QIcon ApplicationIcon();
