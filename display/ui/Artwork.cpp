#include "display/ui/Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

#include "display/ui/Resources.h"

namespace {

struct ToolArt {
    int commandId;
    const char* icon;
    const char* cursor;  // nullptr: the tool keeps the normal cursor
    int hotX;
    int hotY;
};

constexpr ToolArt kTools[] = {
    {32771, "tool_move", "cursor_move", 16, 16}, {32772, "tool_rect", "cursor_rect", 16, 16},
    {32773, "tool_xbig", "cursor_xbig", 16, 16}, {32774, "tool_ybig", "cursor_ybig", 16, 16},
    {32775, "tool_big", "cursor_big", 12, 12},   {32776, "tool_small", "cursor_small", 12, 12},
    {32777, "tool_show", nullptr, 0, 0},         {32778, "tool_all", nullptr, 0, 0},
    {32792, "tool_fft", "cursor_fft", 16, 16},
};

struct ToolbarArt {
    int commandId;
    const char* name;
};

constexpr ToolbarArt kToolbar[] = {
    {57601, "tb_open"}, {57603, "tb_save"},  {32793, "tb_export"}, {32787, "tb_start"},
    {32788, "tb_stop"}, {32798, "tb_print"}, {32800, "tb_help"},
};

constexpr QSize kToolSize(32, 32);
constexpr QSize kToolbarSize(32, 32);

const ToolArt* FindTool(int commandId) {
    for (const ToolArt& tool : kTools) {
        if (tool.commandId == commandId) {
            return &tool;
        }
    }
    return nullptr;
}

const char* FindToolbar(int commandId) {
    for (const ToolbarArt& art : kToolbar) {
        if (art.commandId == commandId) {
            return art.name;
        }
    }
    return nullptr;
}

// Hot: a touch brighter. Disabled: grey at the same brightness, faded.
QPixmap Recolour(const QPixmap& source, ToolbarImageState state) {
    if (state == ToolbarImageState::Normal) {
        return source;
    }
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            if (state == ToolbarImageState::Hot) {
                line[x] = qRgba(qMin(255, qRed(p) + 40), qMin(255, qGreen(p) + 40),
                                qMin(255, qBlue(p) + 40), a);
            } else {
                const int grey = 96 + qGray(p) * 128 / 255;
                line[x] = qRgba(grey, grey, grey, a / 2);
            }
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace

QPixmap RenderArtwork(const QString& name, QSize size) {
    InitVavirirResources();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    QPainter painter(&image);
    if (renderer.isValid()) {
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    } else {
        painter.fillRect(image.rect(), Qt::magenta);
    }
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon ToolButtonIcon(int commandId) {
    const ToolArt* tool = FindTool(commandId);
    if (tool == nullptr) {
        return {};
    }
    return QIcon(RenderArtwork(QString::fromLatin1(tool->icon), kToolSize));
}

QCursor ToolCursor(int commandId) {
    const ToolArt* tool = FindTool(commandId);
    if (tool == nullptr || tool->cursor == nullptr) {
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(RenderArtwork(QString::fromLatin1(tool->cursor), kToolSize), tool->hotX,
                   tool->hotY);
}

QPixmap ToolbarImage(int commandId, ToolbarImageState state) {
    const char* name = FindToolbar(commandId);
    if (name == nullptr) {
        return {};
    }
    return Recolour(RenderArtwork(QString::fromLatin1(name), kToolbarSize), state);
}

QIcon ToolbarIcon(int commandId) {
    QIcon icon;
    icon.addPixmap(ToolbarImage(commandId, ToolbarImageState::Normal), QIcon::Normal);
    icon.addPixmap(ToolbarImage(commandId, ToolbarImageState::Hot), QIcon::Active);
    icon.addPixmap(ToolbarImage(commandId, ToolbarImageState::Disabled), QIcon::Disabled);
    return icon;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(RenderArtwork(QStringLiteral("app_icon"), QSize(side, side)));
    }
    return icon;
}
