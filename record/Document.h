#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ObData.h"
#include "decode/MeterReading.h"

class CRecordingTarget;

// What appending a record did to the document's summary, so that the summary
// can be rebuilt from the records alone, the same way (the crash journal).
enum class SummaryRole : std::uint8_t {
    None,             // appended as it is (companion records)
    Reading,          // a live main reading the summary did not count (an overload)
    CountedReading,   // a live main reading the summary counted
    FirstDownloaded,  // the first record of an adopted download
    Downloaded,       // a later record of the same download
};

struct SummaryStep {
    SummaryRole role = SummaryRole::None;
    bool spreadExtremes = false;  // SpreadSentinelExtremes ran after the reading

    bool operator==(const SummaryStep&) const = default;
};

// Something that sees every record appended to a document, in order (the
// crash journal). It must not throw.
class IRecordSink {
  public:
    virtual ~IRecordSink() = default;
    virtual void RecordAppended(int channel, const CObData& record, SummaryStep step) = 0;
};

// Summary of a document's main channel, kept as the readings arrive.
struct DocumentSummary {
    double sum = 0.0;
    double average = 0.0;
    double maximum = -6000.0;
    double minimum = 6000.0;
    std::string maximumTime;
    std::string minimumTime;
    std::string startTime;
    std::string endTime;
    std::string type;
    std::int32_t dataNumber = 0;
    double sampleRate = 1.0;

    bool operator==(const DocumentSummary&) const = default;
};

// A recording: three channels of records (0 main readings, 1 companion records
// of meter-record frames, 2 always empty) and the summary of channel 0.
class CRoZudozuvDoc {
  public:
    static constexpr int kChannelCount = 3;
    static constexpr std::size_t kLiveCapacity = 20000;

    std::array<std::vector<CObData>, kChannelCount> channels;
    DocumentSummary summary;
    int countedNumber = 0;  // live channel-0 readings that entered the sum; not stored
    bool acquiring = true;  // still takes live readings; not stored

    // The one append operation. For channel 0 the incremental summary runs when
    // the current reading's limit is above its value, dataNumber follows the
    // channel, and the first view refreshes its summary text while it is live;
    // with spreadExtremes (an automatic scale) SpreadSentinelExtremes follows.
    void AddReading(int channel, const CObData& record, const MeterReading& current,
                    bool spreadExtremes = false);
    // The same for a record of these stored fields that knows nothing more
    // than they tell (its overload from its value).
    void AddReading(int channel, double value, const std::string& unit, double sampleRate,
                    std::int32_t sequence, const std::string& timeText, const std::string& typeText,
                    const MeterReading& current, bool spreadExtremes = false);

    // Appends a record as it is, with no summary work; `step` tells the sink
    // what summary work the caller does for it. AddReading appends through it too.
    void AppendRecord(int channel, const CObData& record, SummaryStep step = {});

    // The summary work of a live main reading just appended to channel 0, up to
    // the view's refresh (the spread, if any, comes after it). A rebuilt
    // document replays its readings through it.
    void AdvanceSummaryFor(SummaryRole role);

    // Deletes every record of the three channels; the summary stays.
    void DeleteContents();

    // Records held in the three channels together.
    std::size_t RecordCount() const;
    // True when the document gained records since it was last saved or read
    // (records are only ever appended, so their count tells).
    bool IsModified() const { return RecordCount() != m_nSavedRecords; }
    // After a successful save or read.
    void MarkSaved() { m_nSavedRecords = RecordCount(); }

    // The view that shows this document (the first view), or none.
    CRecordingTarget* FirstView() const { return m_pFirstView; }
    void SetFirstView(CRecordingTarget* view) { m_pFirstView = view; }

    // The sink told of every append from now on, or none. Not owned.
    void SetRecordSink(IRecordSink* sink) { m_pSink = sink; }
    IRecordSink* RecordSink() const { return m_pSink; }

  private:
    CRecordingTarget* m_pFirstView = nullptr;
    IRecordSink* m_pSink = nullptr;
    std::size_t m_nSavedRecords = 0;
};
