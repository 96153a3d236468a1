#pragma once

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/Dispatch.h"
#include "record/Document.h"
#include "record/ListRows.h"
#include "record/Statistics.h"

// A view that remembers what the document told it, the way the window's view
// takes it: list rows, graph ranges under automatic scale, live segments,
// whole redraws and summary changes.
class RecordingView : public IDocumentObserver {
  public:
    explicit RecordingView(CRoZudozuvDoc& document) : m_document(document) {
        m_document.AddObserver(this);
    }
    ~RecordingView() override { m_document.RemoveObserver(this); }
    RecordingView(const RecordingView&) = delete;
    RecordingView& operator=(const RecordingView&) = delete;

    std::vector<ListRow> rows;
    std::vector<YRange> ranges;
    int graphRefreshes = 0;      // live readings drawn as a new segment
    int graphInvalidations = 0;  // meter-record frames drawn whole
    int summaryRefreshes = 0;
    std::vector<DocumentRole> roles;

    void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& appended) override {
        if (appended.channel == 0 || appended.channel == 1) {
            const auto& records = document.channels[static_cast<std::size_t>(appended.channel)];
            for (std::size_t i = appended.first; i < appended.first + appended.count; ++i) {
                const CObData& r = records[i];
                rows.push_back(MakeListRow(static_cast<int>(rows.size()), r.timeText, r.unit,
                                           AppendedValueText(r, appended.origin, appended.decimals),
                                           r.typeText));
            }
        }
        if (appended.origin == RecordOrigin::Live) {
            ++graphRefreshes;
        }
        // One whole redraw per frame: a frame's records share its sequence.
        if (appended.origin == RecordOrigin::MeterRecord && appended.channel == 0) {
            ++graphInvalidations;
        }
        if (const std::optional<YRange> range = AutoRangeAfter(document, appended)) {
            ranges.push_back(*range);
        }
    }
    void SummaryChanged(const CRoZudozuvDoc&) override { ++summaryRefreshes; }
    void RoleChanged(const CRoZudozuvDoc&, DocumentRole role) override { roles.push_back(role); }

    CRoZudozuvDoc& Document() const { return m_document; }

  private:
    CRoZudozuvDoc& m_document;
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
