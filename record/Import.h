#pragma once

#include <vector>

#include "common/ObData.h"

class CRoZudozuvDoc;

// A new document takes over a finished download: it stops recording, and the
// records move to its channel 0 with the download's bulk summary (its
// observers list them and take the graph's range from the extremes).
// `downloaded` is left empty. With no records only the role changes.
void ImportDownloadedRecords(CRoZudozuvDoc& document, std::vector<CObData>& downloaded);
