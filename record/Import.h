#pragma once

#include <vector>

#include "common/ObData.h"
#include "record/RecordingTarget.h"

// A new document's view takes over a finished download: the view stops
// being live, its document stops acquiring, the records move to channel 0
// with a "%.4f" list row each, the bulk summary is taken, the summary text
// refreshed and the graph's range set from the extremes. `downloaded` is
// left empty. With no records only the two flags change.
void ImportDownloadedRecords(CRecordingTarget& view, std::vector<CObData>& downloaded);
