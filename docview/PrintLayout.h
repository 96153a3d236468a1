#pragma once
// The pages of the two printouts, as positioned texts and lines in device
// pixels of the printable area (origin at its top left). A text's position is
// the top-left corner of its text cell. The widget layer plays the pages onto
// a printer; nothing here draws.
#include <functional>
#include <string>
#include <vector>

#include "common/TimeText.h"
#include "record/Document.h"

struct PrintText {
    int x = 0;
    int y = 0;
    std::string text;
    bool operator==(const PrintText&) const = default;
};

struct PrintLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool operator==(const PrintLine&) const = default;
};

struct PrintPage {
    std::vector<PrintText> texts;
    std::vector<PrintLine> lines;
};

// The local time a printout shows.
using PrintClock = CalendarTime;

PrintClock PrintClockNow();

// A number with a printf format, as the C library rounds it ("%.2f" of
// -5.625 is "-5.62").
std::string PrintNumber(const char* format, double value);

// The data table: W and H the printable area, L the line height of its font
// (cell height u = H / 80, c = W / 130).
struct DataPrintMetrics {
    int width = 0;
    int height = 0;
    int lineHeight = 0;
};

// Font cell height of the data table.
int DataPrintCellHeight(int height);

// Rows per page R = (H - 4u) / L, at least 8 so that every page holds a row
// even on a tiny page.
int DataPrintRowsPerPage(const DataPrintMetrics& metrics);

// Pages of the data table for n records: one more than the pages that end
// with a full last slot, the first page holding records 0 … R - 7.
int DataPrintPageCount(std::size_t recordCount, int rowsPerPage);

// Page `page` (1 …) of the data table of doc's channel 0: the heading (the
// first page's with the summary, or the short one), the rows in their slots
// with their lines, and the footer with the time and the page number.
PrintPage DataPrintPage(const CRoZudozuvDoc& doc, const DataPrintMetrics& metrics, int page,
                        const PrintClock& clock);

// The graph page. The graph fills (0, 0) to (W, H / 2), drawn with scales that
// make its plot span what the window's plot spans.
struct GraphPrintFrame {
    int width = 0;   // of the target rectangle: W
    int height = 0;  // H / 2
    double xScale = 0.0;
    double yScale = 0.0;
    int fontHeight = 0;  // H / 80: the cell height of the label font
    int xMargin = 0;     // W / 10
    int yMargin = 0;     // H / 20
    int plotLeft = 0;    // the x margin, or more when a value label needs it
};

// windowXScale/windowYScale and windowPlotWidth/windowPlotHeight: the graph
// window's own scales and plot size. plotLeftOf gives the plot's left edge
// for a frame whose y scale, font and margins are set (the graph's labels
// decide it); the x scale then spreads the window's samples over the plot
// from there to W minus the x margin.
GraphPrintFrame GraphPrintFrameFor(int width, int height, double windowXScale, double windowYScale,
                                   int windowPlotWidth, int windowPlotHeight,
                                   const std::function<int(const GraphPrintFrame&)>& plotLeftOf);

// The texts under and above the graph, in the printer's font of line height L;
// textWidth measures a text in that font.
PrintPage GraphPrintTexts(const DocumentSummary& summary, int width, int height, int lineHeight,
                          const PrintClock& clock,
                          const std::function<int(const std::string&)>& textWidth);
