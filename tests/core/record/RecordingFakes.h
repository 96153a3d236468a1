#pragma once

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/Document.h"
#include "record/RecordingTarget.h"
#include "record/Statistics.h"

// A view that remembers what recording did to it.
class RecordingView : public CRecordingTarget {
  public:
    using CRecordingTarget::CRecordingTarget;

    std::vector<ListRow> rows;
    std::vector<YRange> ranges;
    int graphRefreshes = 0;
    int graphInvalidations = 0;
    int summaryRefreshes = 0;

    void RefreshGraph() override { ++graphRefreshes; }
    void InvalidateGraph() override { ++graphInvalidations; }
    void SetYRange(double top, double bottom) override { ranges.push_back({top, bottom}); }
    void RefreshSummary() override { ++summaryRefreshes; }

  protected:
    void OnListRowAppended(const ListRow& row) override { rows.push_back(row); }
};

// A document with its view, as a window would hold them.
struct OpenDocument {
    std::unique_ptr<CRoZudozuvDoc> document = std::make_unique<CRoZudozuvDoc>();
    std::unique_ptr<RecordingView> view = std::make_unique<RecordingView>(*document);
};

// Local time is UTC for the tests that read or write time texts.
inline void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

// A reading the summary counts (limit above value).
inline MeterReading CountedReading(float value) {
    MeterReading r;
    r.value = value;
    r.limit = 1.0e9f;
    return r;
}
