#pragma once

#include <string>

#include "record/Document.h"

// The text of a view's Summary pane, with CR LF line ends, exactly as the
// program has always shown it (including its "Maxinum Time" label).
std::string FormatSummaryText(const DocumentSummary& summary);
