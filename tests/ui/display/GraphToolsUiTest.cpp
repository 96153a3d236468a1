#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include "DisplayTestApp.h"
#include "display/ui/ColorSetting.h"
#include "display/ui/GraphDlg.h"
#include "display/ui/ShowData.h"
#include "docview/ui/RoZudozuvView.h"
#include "record/Document.h"

namespace {

class GraphToolsUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int k = 0; k < 21; ++k) {
            CObData record;
            record.value = k * 10.0 - 100.0;
            record.unit = "VDC";
            record.sequence = k;
            record.timeText = "8/12/2026 5:0:" + std::to_string(k);
            record.typeText = "VDC";
            document.channels[0].push_back(record);
        }
        document.channels[0][12].value = 500000.0;
        document.SetRole(DocumentRole::NotRecording);
        graph.resize(600, 300);
        graph.SetDocument(&document);
        graph.show();
        QCoreApplication::processEvents();
        // The labels "-500.00" … "500.00" move the plot a little right of 50;
        // the window widens by as much, so the plot stays 500 x 250: 0.04
        // samples and 4 units per pixel. Points below count from x = 50.
        shift = graph.PlotLeft() - 50;
        graph.resize(600 + shift, 300);
        QCoreApplication::processEvents();
        graph.ResetView();
        QCoreApplication::processEvents();
    }

    // A point of the window, x counted as if the plot began at 50.
    QPoint At(int x, int y) const { return {x + shift, y}; }
    QColor Shown(int x, int y) { return graph.grab().toImage().pixelColor(x + shift, y); }

    QApplication& app = DisplayTestApp();  // before any widget
    CRoZudozuvDoc document;
    CGraphDlg graph;
    int shift = 0;
};

}  // namespace

TEST_F(GraphToolsUiTest, RectangleDragZoomsAndHomeShowsAll) {
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(100, 100));
    QTest::mouseMove(&graph, At(300, 200));
    ASSERT_TRUE(graph.State().dragging);
    const QImage dragged = graph.grab().toImage();
    int dots = 0;
    for (int x = 100; x <= 300; ++x) {
        dots += dragged.pixelColor(x, 100) == QColor(100, 105, 155) ? 1 : 0;
    }
    EXPECT_GT(dots, 40);  // the dotted top edge of the rectangle
    EXPECT_LT(dots, 160);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(300, 200));

    const GraphLine& line = graph.State().lines[0];
    EXPECT_FALSE(graph.State().dragging);
    EXPECT_TRUE(graph.State().zoomed);
    EXPECT_NEAR(line.xLeft, 2.0, 1e-9);
    EXPECT_NEAR(line.xScale, 0.016, 1e-12);
    EXPECT_NEAR(line.yBottom, -200.0, 1e-9);
    EXPECT_NEAR(line.yScale, 1.6, 1e-12);
    // Record 3 (value −70) now sits at x = trunc(3 / 0.016) + 50 − trunc(2 / 0.016).
    EXPECT_EQ(Shown(50 + 187 - 125, 275 - 81), QColor(Qt::black));  // its marker

    QTest::keyClick(&graph, Qt::Key_Home);
    EXPECT_NEAR(line.xLeft, 0.0, 1e-12);
    EXPECT_NEAR(line.xScale, 0.04, 1e-12);
    EXPECT_FALSE(graph.State().zoomed);
}

TEST_F(GraphToolsUiTest, ShowToolFillsTheInspectorWhilePressed) {
    graph.SetTool(GraphTool::Show);
    CShowData* inspector = graph.ShowData();
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(50 + 300, 150));  // record 12
    ASSERT_TRUE(inspector->isVisible());
    EXPECT_EQ(inspector->pos(), QPoint(0, 0));
    EXPECT_EQ(inspector->palette().color(QPalette::Window), QColor(255, 255, 202));
    EXPECT_EQ(inspector->Field(0)->text(), "12");
    EXPECT_EQ(inspector->Field(2)->text(), "OL");
    QTest::mouseMove(&graph, At(50 + 100, 150));  // record 4
    EXPECT_EQ(inspector->Field(1)->text(), "8/12/2026 5:0:4");
    EXPECT_EQ(inspector->Field(2)->text(), "-60.0000");
    EXPECT_EQ(Shown(150, 200), QColor(Qt::black));  // the crosshair's vertical line
    QTest::mouseMove(&graph, At(20, 150));          // off the plot
    EXPECT_FALSE(inspector->isVisible());
    EXPECT_FALSE(graph.State().dragging);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(20, 150));
}

TEST_F(GraphToolsUiTest, FftDragAsksForTheRecordsOnceAndReleasesEndEveryDrag) {
    std::vector<std::pair<int, int>> asked;
    QObject::connect(&graph, &CGraphDlg::fftRangeRequested,
                     [&](int first, int last) { asked.emplace_back(first, last); });
    graph.SetTool(GraphTool::FftRange);
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(540, 100));  // record 20 (past: clamped)
    QTest::mouseMove(&graph, At(100, 120));
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(100, 120));  // record 2
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 20}}));

    // Y zoom released far outside the window: no zoom, no drag left behind.
    graph.SetTool(GraphTool::YZoom);
    const GraphLine before = graph.State().lines[0];
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(100, 100));
    QTest::mouseMove(&graph, At(100, 200));
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(-300, 900));
    EXPECT_FALSE(graph.State().dragging);
    EXPECT_EQ(graph.State().lines[0], before);

    // Panning a zoomed live document while readings arrive.
    document.SetRole(DocumentRole::Live);
    graph.SetTool(GraphTool::XZoom);
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(100, 100));
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(300, 100));
    graph.SetTool(GraphTool::Move);
    QTest::mousePress(&graph, Qt::LeftButton, {}, At(300, 150));
    for (int k = 0; k < 40; ++k) {
        document.channels[0].push_back(document.channels[0].back());
        graph.DrawNewestSegment();
        QTest::mouseMove(&graph, At(300 - k * 5, 150 + k));
    }
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(100, 190));
    EXPECT_FALSE(graph.State().dragging);
    EXPECT_NEAR(graph.State().lines[0].xLeft, 2.0 + 195 * 0.016, 1e-9);  // followed the pointer
    EXPECT_LE(graph.State().lines[0].xLeft + 500 * graph.XScale(),
              graph.State().lines[0].xEnd + 1e-9);

    // Every tool on an empty document.
    CRoZudozuvDoc empty;
    graph.SetDocument(&empty);
    for (const GraphTool tool : kGraphTools) {
        graph.SetTool(tool);
        QTest::mousePress(&graph, Qt::LeftButton, {}, At(200, 100));
        QTest::mouseMove(&graph, At(400, 250));
        QTest::mouseRelease(&graph, Qt::LeftButton, {}, At(400, 250));
        EXPECT_FALSE(graph.State().dragging) << static_cast<int>(tool);
        EXPECT_TRUE(std::isfinite(graph.XScale()) && graph.XScale() > 0) << static_cast<int>(tool);
        EXPECT_TRUE(std::isfinite(graph.YScale()) && graph.YScale() > 0) << static_cast<int>(tool);
    }
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(GraphToolsUiTest, SettingDialogChecksTheListsAndAppliesOnOk) {
    int tips = 0;
    std::optional<QColor> answer = QColor(1, 2, 3);
    ColorSettingPrompts prompts;
    prompts.showTip = [&](QWidget*, const QString& caption, const QString& text) {
        EXPECT_EQ(caption, "Tip");
        EXPECT_EQ(text, "The Maxinum should large than the Mininum");
        ++tips;
    };
    prompts.chooseColour = [&](QWidget*, const QColor&) { return answer; };
    CColorSetting dialog(graph, false, GraphManualScale{}, nullptr, prompts);
    dialog.show();
    EXPECT_EQ(dialog.MaximumList()->currentText(), "500");
    EXPECT_EQ(dialog.MinimumList()->currentText(), "-500");
    EXPECT_FALSE(dialog.Preview()->isEnabled());

    // "0" over "0" is refused, on the change and on OK; the dialog stays open.
    dialog.MaximumList()->setCurrentIndex(4);
    dialog.MinimumList()->setCurrentIndex(5);
    EXPECT_EQ(tips, 1);
    QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_EQ(tips, 2);
    EXPECT_TRUE(dialog.isVisible());

    // A chosen colour reaches the preview; a cancelled chooser changes nothing.
    QTest::mouseClick(dialog.ChooseButton(CGraphDlg::Colour::Border), Qt::LeftButton);
    EXPECT_EQ(dialog.Preview()->GetColour(CGraphDlg::Colour::Border), QColor(1, 2, 3));
    answer.reset();
    QTest::mouseClick(dialog.ChooseButton(CGraphDlg::Colour::Border), Qt::LeftButton);
    EXPECT_EQ(dialog.GetColour(CGraphDlg::Colour::Border), QColor(1, 2, 3));

    QTest::mouseClick(dialog.AutoButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.MaximumList()->isEnabled());
    QTest::mouseClick(dialog.ManualButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.MaximumList()->isEnabled());

    // "5" over "0" is accepted.
    dialog.MaximumList()->setCurrentIndex(5);
    QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(tips, 2);

    bool autoScale = true;
    GraphManualScale manual;
    ApplyGraphSetting(dialog, graph, autoScale, manual, document.summary);
    EXPECT_FALSE(autoScale);
    EXPECT_EQ(manual, (GraphManualScale{5, 5}));
    EXPECT_EQ(graph.State().lines[0].yTop, 5.0);
    EXPECT_EQ(graph.State().lines[0].yHome, 0.0);
    EXPECT_EQ(graph.GetColour(CGraphDlg::Colour::Border), QColor(1, 2, 3));
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(5, 150), QColor(1, 2, 3));  // the left margin band
}

// Live readings hand the view their full scale one by one. Once the user has
// zoomed in Y (drag or Ctrl+wheel) they leave that view alone, while X keeps
// following the newest sample; Home returns to the automatic range.
TEST_F(GraphToolsUiTest, AYZoomOnALiveGraphOutlivesTheReadings) {
    CRoZudozuvDoc live;
    CRoZudozuvView view(live);
    view.resize(700, 400);
    view.show();
    QCoreApplication::processEvents();
    CGraphDlg& shown = *view.Graph();
    // A live reading of two decimals of volts DC: its full scale is +-500.
    MeterReading current;
    current.limit = 1.0e9f;
    const auto reading = [&](double value) {
        live.AddReading(0, value, "VDC", 0.0, static_cast<std::int32_t>(live.channels[0].size()),
                        "", "VDC", current, live.autoScale, RecordOrigin::Live, 2);
        QCoreApplication::processEvents();
    };
    reading(1.0);
    ASSERT_EQ(shown.State().lines[0].yTop, 500.0);

    for (const bool wheel : {false, true}) {
        if (wheel) {
            const QPoint at(shown.PlotLeft() + 100, 100);
            QWheelEvent event(at, shown.mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&shown, &event);
        } else {
            shown.SetTool(GraphTool::YZoom);
            const int x = shown.PlotLeft() + 100;
            QTest::mousePress(&shown, Qt::LeftButton, {}, QPoint(x, 60));
            QTest::mouseMove(&shown, QPoint(x, 160));
            QTest::mouseRelease(&shown, Qt::LeftButton, {}, QPoint(x, 160));
        }
        const GraphLine zoomed = shown.State().lines[0];
        ASSERT_LT(zoomed.yScale, 1000.0 / zoomed.plotHeight) << wheel;
        for (int k = 0; k < 40; ++k) {
            reading(k % 5);
        }
        const GraphLine& line = shown.State().lines[0];
        EXPECT_EQ(line.yBottom, zoomed.yBottom) << wheel;
        EXPECT_EQ(line.yScale, zoomed.yScale) << wheel;
        // The view draws the readings at its next repaint.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return line.xEnd >= static_cast<double>(live.channels[0].size() - 1);
        })) << wheel;

        QTest::keyClick(&shown, Qt::Key_Home);
        EXPECT_EQ(line.yBottom, -500.0) << wheel;
        EXPECT_DOUBLE_EQ(line.yScale * line.plotHeight, 1000.0) << wheel;
        reading(2.0);
        EXPECT_EQ(line.yBottom, -500.0) << wheel;
    }
}
