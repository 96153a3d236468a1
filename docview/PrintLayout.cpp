#include "docview/PrintLayout.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/CLocaleFormat.h"

namespace {

constexpr int kFirstRecordSlot = 7;
constexpr int kSmallestRowsPerPage = kFirstRecordSlot + 1;

std::string Format(const char* format, int a, int b, int c, int d, int e, int f) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
    return text;
}

std::string PageNumberText(int page) {
    char text[32];
    std::snprintf(text, sizeof text, "Page -%d-", page);
    return text;
}

void AddColumnHeads(PrintPage& page, int c, int y) {
    page.texts.push_back({4 * c, y, "ID"});
    page.texts.push_back({11 * c, y, "DateTime"});
    page.texts.push_back({33 * c, y, "Unit"});
    page.texts.push_back({42 * c, y, "Value"});
}

void AddFirstHeading(PrintPage& page, const DocumentSummary& s, int width, int u, int c, int l) {
    page.texts.push_back({width / 4 - 5 * c, u, "Data Table"});
    page.texts.push_back({4 * c, u + l, "Start Time"});
    page.texts.push_back({15 * c, u + l, s.startTime});
    page.texts.push_back({4 * c, u + 2 * l, "MaxNUM"});
    page.texts.push_back(
        {15 * c, u + 2 * l, PrintNumber("%.2f", s.maximum) + "   " + s.maximumTime});
    page.texts.push_back({4 * c, u + 3 * l, "MinNUM"});
    page.texts.push_back(
        {15 * c, u + 3 * l, PrintNumber("%.2f", s.minimum) + "   " + s.minimumTime});
    page.texts.push_back({4 * c, u + 4 * l, "Average"});
    page.texts.push_back({15 * c, u + 4 * l, PrintNumber("%.2f", s.average)});
    AddColumnHeads(page, c, u + 7 * l);
}

void AddFooter(PrintPage& page, int width, int height, int u, int c, int number,
               const PrintClock& clock) {
    const std::string time = Format("Time: %d-%d-%d  %d:%d:%d", clock.year, clock.month, clock.day,
                                    clock.hour, clock.minute, clock.second);
    const int y = height - u;
    page.texts.push_back({width / 3 - static_cast<int>(time.size()) * c, y, time});
    page.texts.push_back({width / 3 + c, y, PageNumberText(number)});
}

}  // namespace

PrintClock PrintClockNow() {
    return LocalCalendar(std::time(nullptr));
}

std::string PrintNumber(const char* format, double value) {
    return FormatInCLocale(format, value);
}

int DataPrintCellHeight(int height) {
    return height / 80;
}

int DataPrintRowsPerPage(const DataPrintMetrics& m) {
    const int u = DataPrintCellHeight(m.height);
    const int rows = m.lineHeight > 0 ? (m.height - 4 * u) / m.lineHeight : 0;
    return std::max(rows, kSmallestRowsPerPage);
}

int DataPrintPageCount(std::size_t recordCount, int rowsPerPage) {
    if (recordCount == 0) {
        return 0;
    }
    const std::size_t lastSlot = recordCount - 1 + kFirstRecordSlot;
    return static_cast<int>(lastSlot / static_cast<std::size_t>(rowsPerPage)) + 1;
}

PrintPage DataPrintPage(const CRoZudozuvDoc& doc, const DataPrintMetrics& m, int page,
                        const PrintClock& clock) {
    const std::vector<CObData>& records = doc.channels[0];
    const int u = DataPrintCellHeight(m.height);
    const int c = m.width / 130;
    const int l = m.lineHeight;
    const int rows = DataPrintRowsPerPage(m);

    PrintPage out;
    if (page == 1) {
        AddFirstHeading(out, doc.summary, m.width, u, c, l);
    } else {
        out.texts.push_back({m.width / 4 - 4 * c, u, "Data Table"});
        AddColumnHeads(out, c, u + l);
    }

    // Record k runs in slot i = k + 7 counted over all pages; page p holds
    // i = (p - 1) R + 1 … p R (the first page from 7).
    const long long rowsLong = rows;
    const long long firstSlot = std::max<long long>((page - 1) * rowsLong + 1, kFirstRecordSlot);
    const long long lastSlot =
        std::min<long long>(page * rowsLong, static_cast<long long>(records.size()) + 6);
    for (long long i = firstSlot; i <= lastSlot; ++i) {
        const std::size_t k = static_cast<std::size_t>(i - kFirstRecordSlot);
        const int slot = static_cast<int>(i - (page - 1) * rowsLong);
        const int y = u + l + slot * l;
        const CObData& record = records[k];
        out.texts.push_back({4 * c, y, std::to_string(k + 1)});
        out.texts.push_back({11 * c, y, record.timeText});
        out.texts.push_back({33 * c, y, record.unit});
        out.texts.push_back({42 * c, y, PrintNumber("%.2f", record.value)});
        out.lines.push_back({4 * c, y, 47 * c, y});
    }
    AddFooter(out, m.width, m.height, u, c, page, clock);
    return out;
}

GraphPrintFrame GraphPrintFrameFor(int width, int height, double windowXScale, double windowYScale,
                                   int windowPlotWidth, int windowPlotHeight,
                                   const std::function<int(const GraphPrintFrame&)>& plotLeftOf) {
    GraphPrintFrame frame;
    frame.width = width;
    frame.height = height / 2;
    frame.xMargin = width / 10;
    frame.yMargin = height / 20;
    frame.fontHeight = height / 80;
    const double plotHeight = height / 2 - 2 * frame.yMargin;
    frame.yScale = windowYScale * windowPlotHeight / plotHeight;
    frame.plotLeft = frame.xMargin;
    if (plotLeftOf) {
        frame.plotLeft = std::max(frame.xMargin, plotLeftOf(frame));
    }
    const double plotWidth = width - frame.plotLeft - frame.xMargin;
    frame.xScale = windowXScale * windowPlotWidth / plotWidth;
    return frame;
}

PrintPage GraphPrintTexts(const DocumentSummary& s, int width, int height, int l,
                          const PrintClock& clock,
                          const std::function<int(const std::string&)>& textWidth) {
    PrintPage out;
    const std::string time = FormatPcTime(clock);
    out.texts.push_back({width / 2 - textWidth("Graph") / 2, l, "Graph"});
    out.texts.push_back({width / 2 - textWidth(time) / 2, 2 * l, time});

    const int x = width / 10;
    const int y = height / 2;
    out.texts.push_back({x, y, "Start Time:    " + s.startTime});
    out.texts.push_back({x, y + l, "End Time:    " + s.endTime});
    const std::string maximum = PrintNumber("Maximum:    %.4f", s.maximum);
    out.texts.push_back({x, y + 2 * l, maximum});
    out.texts.push_back({x + textWidth(maximum) + 20, y + 2 * l, s.maximumTime});
    const std::string minimum = PrintNumber("Minimum:    %.4f", s.minimum);
    out.texts.push_back({x, y + 3 * l, minimum});
    out.texts.push_back({x + textWidth(minimum) + 20, y + 3 * l, s.minimumTime});
    out.texts.push_back({x, y + 4 * l, PrintNumber("Average:    %.4f", s.average)});
    char number[64];
    std::snprintf(number, sizeof number, "Data Number:   %d", s.dataNumber);
    out.texts.push_back({x, y + 5 * l, number});
    return out;
}
