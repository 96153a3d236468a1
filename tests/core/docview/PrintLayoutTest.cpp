#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "docview/PrintLayout.h"

namespace {

// H = 8000 and L = 152 give u = 100 and R = (8000 - 400) / 152 = 50; W = 1300 gives c = 10.
const DataPrintMetrics kMetrics{1300, 8000, 152};
const PrintClock kClock{2026, 12, 8, 9, 5, 7};

CRoZudozuvDoc DocumentOf(int count) {
    CRoZudozuvDoc doc;
    for (int k = 0; k < count; ++k) {
        CObData record;
        record.value = k == 1 ? -5.625 : (k == 2 ? 500000.0 : 0.5 * k);
        record.unit = "VDC";
        record.timeText = "8/12/2026 9:0:" + std::to_string(k);
        doc.channels[0].push_back(record);
    }
    doc.summary.maximum = 1.005;
    doc.summary.minimum = -5.625;
    doc.summary.average = 2.0;
    doc.summary.maximumTime = "max-time";
    return doc;
}

const PrintText* Find(const PrintPage& page, const std::string& text) {
    const auto it = std::find_if(page.texts.begin(), page.texts.end(),
                                 [&](const PrintText& t) { return t.text == text; });
    return it == page.texts.end() ? nullptr : &*it;
}

// The y of the row slot s: u + L + s L.
int SlotY(int slot) {
    return 100 + 152 + slot * 152;
}

}  // namespace

TEST(PrintLayout, DataTablePagesBreakAfterTheLastSlot) {
    ASSERT_EQ(DataPrintRowsPerPage(kMetrics), 50);
    struct Case {
        int records;
        std::vector<std::size_t> rowsPerPage;
    } const cases[] = {
        {3, {3}},            // a short document: one page
        {43, {43}},          // the last record in slot 49
        {44, {44, 0}},       // the last record in slot 50: a page with only heading and footer
        {100, {44, 50, 6}},  // record 43 ends page 1, record 44 opens page 2 in slot 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        const CRoZudozuvDoc doc = DocumentOf(c.records);
        const int pages = DataPrintPageCount(doc.channels[0].size(), 50);
        ASSERT_EQ(pages, static_cast<int>(c.rowsPerPage.size()));
        for (int p = 1; p <= pages; ++p) {
            const PrintPage page = DataPrintPage(doc, kMetrics, p, kClock);
            EXPECT_EQ(page.lines.size(), c.rowsPerPage[static_cast<std::size_t>(p - 1)]);
            const PrintText* number = Find(page, "Page -" + std::to_string(p) + "-");
            ASSERT_NE(number, nullptr);
            EXPECT_EQ(number->x, 1300 / 3 + 10);
            EXPECT_EQ(number->y, 8000 - 100);
        }
    }

    const CRoZudozuvDoc doc = DocumentOf(100);
    const PrintPage first = DataPrintPage(doc, kMetrics, 1, kClock);
    const PrintPage second = DataPrintPage(doc, kMetrics, 2, kClock);
    EXPECT_EQ(*Find(first, "1"), (PrintText{40, SlotY(7), "1"}));
    EXPECT_EQ(*Find(first, "44"), (PrintText{40, SlotY(50), "44"}));
    EXPECT_EQ(first.lines.back(), (PrintLine{40, SlotY(50), 470, SlotY(50)}));
    EXPECT_EQ(*Find(second, "45"), (PrintText{40, SlotY(1), "45"}));
    EXPECT_EQ(*Find(second, "8/12/2026 9:0:44"), (PrintText{110, SlotY(1), "8/12/2026 9:0:44"}));
    EXPECT_EQ(*Find(second, "Data Table"), (PrintText{1300 / 4 - 40, 100, "Data Table"}));
    EXPECT_EQ(Find(second, "ID")->y, 100 + 152);
    // Footer time: x = W / 3 - (number of characters) c.
    const std::string time = "Time: 2026-12-8  9:5:7";
    EXPECT_EQ(*Find(second, time),
              (PrintText{1300 / 3 - static_cast<int>(time.size()) * 10, 7900, time}));
}

TEST(PrintLayout, FirstPageHeadingAndNumbersAsPrintfRoundsThem) {
    const PrintPage page = DataPrintPage(DocumentOf(3), kMetrics, 1, kClock);
    const PrintText expected[] = {
        {1300 / 4 - 50, 100, "Data Table"},
        {40, 100 + 152, "Start Time"},
        {150, 100 + 2 * 152, "1.00   max-time"},  // printf rounds 1.005 (really 1.00499…) down
        {150, 100 + 3 * 152, "-5.62   "},
        {150, 100 + 4 * 152, "2.00"},
        {420, 100 + 7 * 152, "Value"},
        {420, SlotY(8), "-5.62"},
        {420, SlotY(9), "500000.00"},  // an overload is printed, never "OL"
    };
    for (const PrintText& text : expected) {
        const PrintText* found = Find(page, text.text);
        ASSERT_NE(found, nullptr) << text.text;
        EXPECT_EQ(*found, text);
    }
}

TEST(PrintLayout, GraphPage) {
    // The labels decide the plot's left edge; the samples of the window's
    // plot spread over the plot from there to the right margin.
    struct Case {
        int labelsNeed;  // what the plot-left callback answers
        int plotLeft;
        double plotWidth;
    };
    for (const Case c : {Case{0, 400, 3200.0}, Case{400, 400, 3200.0}, Case{655, 655, 2945.0}}) {
        GraphPrintFrame seen;
        const GraphPrintFrame frame =
            GraphPrintFrameFor(4000, 6000, 0.5, 2.0, 700, 450, [&](const GraphPrintFrame& f) {
                seen = f;
                return c.labelsNeed;
            });
        EXPECT_EQ(frame.height, 3000);
        EXPECT_EQ(frame.fontHeight, 75);
        EXPECT_EQ(frame.xMargin, 400);
        EXPECT_EQ(frame.yMargin, 300);
        EXPECT_DOUBLE_EQ(frame.yScale, 2.0 * 450 / 2400.0);
        EXPECT_DOUBLE_EQ(seen.yScale, frame.yScale);  // the labels are asked at the final y scale
        EXPECT_EQ(frame.plotLeft, c.plotLeft);
        EXPECT_DOUBLE_EQ(frame.xScale, 0.5 * 700 / c.plotWidth);
    }

    DocumentSummary summary;
    summary.maximum = -5.625;
    summary.maximumTime = "t-max";
    summary.dataNumber = 12;
    const auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 10; };
    const PrintPage page = GraphPrintTexts(summary, 4000, 6000, 50, kClock, width);
    const PrintText expected[] = {
        {2000 - 25, 50, "Graph"},        {2000 - 75, 100, "8/12/2026 9:5:7"},
        {400, 3000, "Start Time:    "},  {400, 3100, "Maximum:    -5.6250"},
        {400 + 190 + 20, 3100, "t-max"}, {400, 3250, "Data Number:   12"},
    };
    for (const PrintText& text : expected) {
        const PrintText* found = Find(page, text.text);
        ASSERT_NE(found, nullptr) << text.text;
        EXPECT_EQ(*found, text);
    }
}
