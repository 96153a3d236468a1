#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <random>

#include "DisplayTestApp.h"
#include "display/GraphState.h"
#include "display/GraphValueIndex.h"
#include "display/ui/GraphDlg.h"
#include "display/ui/GraphPainter.h"
#include "record/Document.h"

namespace {

class GraphDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { DisplayTestApp(); }
};

QImage Blank() {
    QImage image(700, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void Append(CRoZudozuvDoc& document, double value) {
    CObData record;
    record.value = value;
    record.sequence = static_cast<std::int32_t>(document.channels[0].size());
    document.channels[0].push_back(record);
}

}  // namespace

// Several samples in one pixel column become one vertical line plus the lines
// joining the columns; that must cover exactly the pixels of every segment.
TEST_F(GraphDlgTest, ColumnEnvelopeDrawsThePixelsOfEverySegment) {
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 60; ++round) {
        const std::size_t n = 2 + static_cast<std::size_t>(unit(random) * 20000);
        std::vector<CObData> records(n);
        double value = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            value += unit(random) < 0.02 ? (unit(random) - 0.5) * 400 : unit(random) - 0.5;
            const double kind = unit(random);
            records[k].value = kind < 0.01    ? kGraphOverload
                               : kind < 0.012 ? std::nan("")
                               : kind < 0.013 ? (kind < 0.0125 ? 1e308 : -INFINITY)
                                              : value;
        }
        GraphMapping mapping;
        mapping.xScale = std::pow(10.0, unit(random) * 5 - 2);  // 0.01 … 1000 samples per pixel
        mapping.yScale = std::pow(10.0, unit(random) * 3 - 2);
        mapping.xLeft = unit(random) * static_cast<double>(n) / 2;
        mapping.yBottom = -unit(random) * 50;
        mapping.yHome = mapping.yBottom - unit(random) * 10;
        mapping.yTop = 60.0;
        mapping.plotHeight = 300;
        const std::size_t first = static_cast<std::size_t>(unit(random) * static_cast<double>(n));
        const std::size_t last =
            std::min(n - 1, first + 2 + static_cast<std::size_t>(unit(random) * 20000));

        QImage envelope = Blank();
        QImage everySegment = Blank();
        std::vector<GraphSegment> lines;
        CGraphValueIndex index;
        index.Update(records);
        AppendCurve(mapping, records, first, last, round % 2 == 0 ? &index : nullptr, lines);
        {
            QPainter painter(&envelope);
            painter.setPen(QPen(Qt::black, 1));
            for (const GraphSegment& s : lines) {
                painter.drawLine(s.x1, s.y1, s.x2, s.y2);
            }
        }
        {
            QPainter painter(&everySegment);
            painter.setPen(QPen(Qt::black, 1));
            for (std::size_t k = first; k < last; ++k) {
                painter.drawLine(mapping.PixelX(static_cast<double>(k)),
                                 mapping.PixelY(records[k].value),
                                 mapping.PixelX(static_cast<double>(k + 1)),
                                 mapping.PixelY(records[k + 1].value));
            }
        }
        ASSERT_EQ(envelope, everySegment) << "round " << round << ", x scale " << mapping.xScale;
        // Never more than two lines per pixel column (plus the first join).
        const int columns = mapping.PixelX(static_cast<double>(last)) -
                            mapping.PixelX(static_cast<double>(first)) + 1;
        ASSERT_LE(lines.size(), 2u * static_cast<std::size_t>(columns));
    }
}

// A live reading draws its segment into the kept picture; what the window then
// shows must equal a full repaint, also across the growth of the X range.
TEST_F(GraphDlgTest, NewestSegmentLooksLikeAFullRepaint) {
    CRoZudozuvDoc document;
    CGraphDlg graph;
    graph.resize(600, 300);
    graph.SetDocument(&document);
    graph.SetYRange(3.0, -3.0);
    graph.show();
    QCoreApplication::processEvents();

    std::mt19937 random(5);
    std::uniform_real_distribution<double> step(-0.4, 0.4);
    double value = 0.0;
    for (int k = 0; k < 400; ++k) {
        value = std::clamp(value + step(random), -3.0, 3.0);
        Append(document, k == 30 ? kGraphOverload : value);
        graph.DrawNewestSegment();
        graph.SetYRange(3.0, -3.0);  // as the live dispatch does after each reading
        if (k % 37 == 0 || k == 20 || k == 21 || k == 30 || k == 31 || k == 399) {
            const QImage shown = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(shown, graph.RenderClientImage()) << "after record " << k;
        }
    }
    EXPECT_GE(graph.State().lines[0].xEnd, 399.0);
}

TEST_F(GraphDlgTest, ResizingKeepsTheVisibleRange) {
    CGraphDlg graph;
    graph.resize(600, 300);
    graph.SetYRange(8.0, -2.0);
    graph.show();
    QCoreApplication::processEvents();
    for (const QSize size : {QSize(1000, 700), QSize(333, 222)}) {
        graph.resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(graph.PlotWidth(), size.width() - 100);
        EXPECT_NEAR(graph.XScale() * graph.PlotWidth(), 20.0, 1e-9);
        EXPECT_NEAR(graph.YScale() * graph.PlotHeight(), 10.0, 1e-9);
    }
}

TEST_F(GraphDlgTest, PrintedGraphHasWhiteMarginsAndTheGraphFont) {
    const QFontInfo font(GraphFont(16));
    EXPECT_TRUE(font.family() == "Arial" || font.family() == "Liberation Sans")
        << font.family().toStdString();

    CRoZudozuvDoc document;
    Append(document, 1.0);
    Append(document, -1.0);
    CGraphDlg graph;
    graph.resize(600, 300);
    graph.SetDocument(&document);
    QImage page(1000, 600, QImage::Format_RGB32);
    page.fill(Qt::gray);
    QPainter painter(&page);
    graph.DrawGraph(painter, QRect(0, 0, 1000, 300), graph.XScale() * 500 / 800,
                    graph.YScale() * 250 / 270, 8, 100, 15, true);
    painter.end();
    EXPECT_EQ(page.pixelColor(50, 100), QColor(Qt::white));   // left band
    EXPECT_EQ(page.pixelColor(950, 100), QColor(Qt::white));  // right band
    EXPECT_EQ(page.pixelColor(500, 5), QColor(Qt::white));    // top band
    EXPECT_EQ(page.pixelColor(100, 200), QColor(Qt::black));  // left axis
    EXPECT_EQ(page.pixelColor(500, 400), QColor(Qt::gray));   // below the target
}

// The graph font is sized by its cell: QFontMetrics::height() is the height
// the graph asks for, on screen (16) and on a printer's page (H / 80).
TEST_F(GraphDlgTest, TheFontHeightIsTheCellHeight) {
    EXPECT_EQ(QFontMetrics(GraphFont(16)).height(), 16);
    QImage page(4960, 7016, QImage::Format_RGB32);  // A4 at 600 dpi
    page.setDotsPerMeterX(23622);
    page.setDotsPerMeterY(23622);
    // Where the font's cell heights skip a value, the nearest below.
    for (const int cell : {8, 16, 42, 7016 / 80}) {
        QFont font = GraphFont(cell, &page);
        EXPECT_LE(QFontMetrics(font, &page).height(), cell) << cell;
        EXPECT_GE(QFontMetrics(font, &page).height(), cell - 1) << cell;
        font.setPixelSize(font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(font, &page).height(), cell) << cell;
    }
}

namespace {

// Columns 0 … 3 hold nothing but the margin colour, and some label pixel lies
// left of the plot: every value label is whole, with room to spare.
void ExpectWholeValueLabels(const QImage& image, int plotLeft, int plotTop, int plotBottom,
                            const QColor& border, const char* where) {
    int labelPixels = 0;
    for (int y = plotTop; y < plotBottom; ++y) {
        for (int x = 0; x < plotLeft - 1; ++x) {
            if (image.pixelColor(x, y) != border) {
                ASSERT_GE(x, 4) << where << ": label pixel at " << x << "," << y;
                ++labelPixels;
            }
        }
    }
    EXPECT_GT(labelPixels, 100) << where;
}

}  // namespace

// Values from -6000 to 500000: the labels are wider than the 50-pixel margin,
// so the plot moves right, on screen, on the clipboard and in print.
TEST_F(GraphDlgTest, WideValueLabelsStayWhole) {
    CRoZudozuvDoc document;
    for (int k = 0; k <= 40; ++k) {
        Append(document, -6000.0 + k * 12649.0);
    }
    const GraphYRange range = YRangeForExtremes(500000.0 - 40, -6000.0);
    CGraphDlg graph;
    graph.resize(600, 300);
    graph.SetDocument(&document);
    graph.SetYRange(range.top, range.bottom);
    graph.show();
    QCoreApplication::processEvents();

    const QImage shown = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor border = graph.GetColour(CGraphDlg::Colour::Border);
    EXPECT_GT(graph.PlotLeft(), 50);
    EXPECT_EQ(graph.PlotWidth(), 600 - graph.PlotLeft() - 50);
    const GraphLine& line = graph.State().lines[0];
    EXPECT_GE(line.xEnd, 40.0);
    EXPECT_NEAR(graph.XScale() * graph.PlotWidth(), line.xEnd, 1e-9);  // the whole recording
    ExpectWholeValueLabels(shown, graph.PlotLeft(), 0, 300, border, "screen");
    EXPECT_EQ(shown.pixelColor(graph.PlotLeft(), 100), QColor(Qt::black));  // the axis
    EXPECT_EQ(graph.RenderClientImage(), shown);  // the clipboard's picture

    // The printed graph on a narrow page: W = 1200, H = 3400, so font H / 80,
    // margins W / 10 and H / 20.
    QImage page(1200, 1700, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    const double yScale = graph.YScale() * graph.PlotHeight() / (1700 - 2 * 170);
    const int left = GraphPlotLeftOn(painter, graph.State(), 1700, yScale, 42, 120, 170);
    EXPECT_GT(left, 120);
    const double xScale = graph.XScale() * graph.PlotWidth() / (1200 - left - 120);
    graph.DrawGraph(painter, QRect(0, 0, 1200, 1700), xScale, yScale, 42, 120, 170, true);
    painter.end();
    ExpectWholeValueLabels(page, left, 0, 1700, Qt::white, "print");
    EXPECT_EQ(page.pixelColor(left, 800), QColor(Qt::black));
}
