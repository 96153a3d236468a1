// Number texts carry a point whatever the process's locale.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "common/CLocaleFormat.h"
#include "display/FaceText.h"
#include "display/GraphState.h"
#include "display/GraphTools.h"
#include "docview/PrintLayout.h"
#include "record/ListRows.h"
#include "record/SummaryText.h"
#include "support/DecimalCommaLocale.h"

TEST(NumberTexts, KeepTheirPointUnderALocaleWithADecimalComma) {
    const test_support::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.Active()) << test_support::kDecimalCommaLocale
                                 << " is missing: scripts/deps generates it";

    EXPECT_EQ(FormatInCLocale("%.4f|%.2f|%e|%g|%d", 5.4, -0.5, 1234.5, 0.25, 7),
              "5.4000|-0.50|1.234500e+03|0.25|7");
    EXPECT_EQ(FormatListValue(5.4), "5.4000");
    EXPECT_EQ(FormatDecimals(5.4, 3), "5.400");
    EXPECT_EQ(FrequencyMainText(5.5f), "5.5000");
    CObData record;
    record.value = 5.4;
    EXPECT_EQ(FormatShowData(0, record).value, "5.4000");

    CRoZudozuvDoc doc;
    doc.channels[0].push_back(record);
    doc.summary.maximum = 5.4;
    doc.summary.minimum = -0.25;
    doc.summary.average = 2.5;
    doc.summary.dataNumber = 1;
    std::vector<std::string> texts{FormatSummaryText(doc.summary)};
    const PrintClock clock{2026, 12, 8, 9, 5, 7};
    for (const PrintPage& page :
         {DataPrintPage(doc, {1300, 8000, 152}, 1, clock),
          GraphPrintTexts(doc.summary, 1300, 8000, 152, clock,
                          [](const std::string& t) { return static_cast<int>(t.size()); })}) {
        for (const PrintText& text : page.texts) {
            texts.push_back(text.text);
        }
    }
    GraphState graph = MakeGraphState(600, 400);
    SetGraphYRange(graph, 5.5, -0.5);
    const GraphLine& line = graph.lines[0];
    GraphTextMetrics metrics;
    metrics.lineHeight = 16;
    metrics.textWidth = [](const std::string& t) { return static_cast<int>(t.size()); };
    for (const GraphText& label :
         PlanGraph(graph, doc.channels[0], 600, 400, line.xScale, line.yScale, 50, 25, metrics)
             .labels) {
        texts.push_back(label.text);
    }

    std::string all;
    for (const std::string& text : texts) {
        EXPECT_FALSE(std::regex_search(text, std::regex("[0-9],[0-9]"))) << text;
        all += text + "\n";
    }
    for (const char* expected : {"Maximum: 5.4000", "Average:2.5000", "5.40", "-0.50", "5.50"}) {
        EXPECT_NE(all.find(expected), std::string::npos) << expected << " in\n" << all;
    }
}
