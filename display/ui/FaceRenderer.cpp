#include "display/ui/FaceRenderer.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "display/ui/FacePictures.h"

namespace {

// The LCD's fonts are given as character cell height and average character
// width of a Times-style face. The face is sized from those two numbers with
// the proportions of that face (cell = 2355/2048 em, average width = 0.401 em),
// so every serif fallback gets the same size and width, whatever vertical
// metrics it reports.
constexpr double kCellPerEm = 2355.0 / 2048.0;
constexpr double kAverageWidthPerEm = 821.0 / 2048.0;

QFont MakeLcdFont(int cellHeight, int averageWidth) {
    QFont font;
    // The meter's own name for the face first; Linux desktops carry one of
    // the metric-compatible serif faces after it.
    font.setFamilies({QStringLiteral("Time New Roman"), QStringLiteral("Times New Roman"),
                      QStringLiteral("Liberation Serif"), QStringLiteral("Nimbus Roman"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Normal);
    font.setKerning(false);
    // Fractional advances keep text widths true to the face at small sizes.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    const int pixelSize = std::max(1, static_cast<int>(std::lround(cellHeight / kCellPerEm)));
    font.setPixelSize(pixelSize);
    const double naturalWidth = kAverageWidthPerEm * pixelSize;
    const int stretch = static_cast<int>(std::lround(100.0 * averageWidth / naturalWidth));
    font.setStretch(std::clamp(stretch, 50, 200));
    return font;
}

// Line height: the cell height plus the face's external leading.
int LineHeight(const QFont& font, int cellHeight) {
    return cellHeight + std::max(0, QFontMetrics(font).leading());
}

// Lines end one pixel short of their end point, so a tick from y0 to y0 + 8 is
// eight pixels long.
void DrawLineWithoutEndPoint(QPainter& painter, const FaceOp& op) {
    const int dx = (op.x2 > op.x) - (op.x2 < op.x);
    const int dy = (op.y2 > op.y) - (op.y2 < op.y);
    if (dx != 0 && dy != 0) {
        painter.drawLine(op.x, op.y, op.x2, op.y2);
        return;
    }
    if (dx == 0 && dy == 0) {
        return;
    }
    painter.drawLine(op.x, op.y, op.x2 - dx, op.y2 - dy);
}

}  // namespace

CFaceRenderer::CFaceRenderer()
    : m_main(MakeLcdFont(36, 20)), m_small(MakeLcdFont(17, 6)), m_label(MakeLcdFont(10, 5)) {
    m_mainLine = LineHeight(m_main, 36);
    m_smallLine = LineHeight(m_small, 17);
}

const QFont& CFaceRenderer::Font(FaceFont font) const {
    switch (font) {
        case FaceFont::Main:
            return m_main;
        case FaceFont::Label:
            return m_label;
        case FaceFont::Small:
            break;
    }
    return m_small;
}

int CFaceRenderer::TextWidth(FaceFont font, const std::string& text) const {
    return QFontMetrics(Font(font)).horizontalAdvance(QString::fromStdString(text));
}

FaceMetrics CFaceRenderer::Metrics(int width, int height) const {
    FaceMetrics metrics;
    metrics.width = width;
    metrics.height = height;
    metrics.mainLine = m_mainLine;
    metrics.smallLine = m_smallLine;
    metrics.textWidth = [this](FaceFont font, const std::string& text) {
        return TextWidth(font, text);
    };
    return metrics;
}

QImage CFaceRenderer::Render(const FacePlan& plan, int width, int height,
                             const CFacePictures& pictures) const {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kLcdBackground);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    for (const FaceOp& op : plan) {
        switch (op.kind) {
            case FaceOp::Kind::Text: {
                const QFont& font = Font(op.font);
                painter.setFont(font);
                painter.setPen(op.white ? Qt::white : Qt::black);
                painter.drawText(op.x, op.y + QFontMetrics(font).ascent(),
                                 QString::fromStdString(op.text));
                break;
            }
            case FaceOp::Kind::Picture:
                painter.drawPixmap(op.x, op.y, pictures.Picture(op.picture, op.unitRow));
                break;
            case FaceOp::Kind::Line:
                painter.setPen(QPen(Qt::black, 1));
                DrawLineWithoutEndPoint(painter, op);
                break;
            case FaceOp::Kind::FilledRect:
                painter.fillRect(op.x, op.y, op.width, op.height, kSegmentDark);
                break;
        }
    }
    return image;
}
