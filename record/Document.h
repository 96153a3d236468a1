#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "common/ObData.h"
#include "decode/MeterReading.h"

class CRoZudozuvDoc;

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

// What a document is recording: live readings (while the session runs), the
// meter's record frames, or nothing.
enum class DocumentRole : std::uint8_t { NotRecording, Live, MeterRecords };

// Where appended records came from, for those that show them: a live reading
// is listed with its own decimals ("OL" for the overload value), the meter's
// records and downloads with four.
enum class RecordOrigin : std::uint8_t { Live, MeterRecord, Download, Other };

// Records appended to one channel: positions first .. first + count - 1.
struct AppendedRecords {
    int channel = 0;
    std::size_t first = 0;
    std::size_t count = 0;
    SummaryStep step;  // the summary work each of them had
    RecordOrigin origin = RecordOrigin::Other;
    int decimals = 4;  // a live reading's own decimals
};

// Told what changed in a document, in the order it changed; an observer
// that changes the document (a limit crossing) is told of its own change
// after every observer has been told of the one before. Observers must
// not throw.
class IDocumentObserver {
  public:
    virtual ~IDocumentObserver() = default;
    virtual void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& appended) {
        (void)document, (void)appended;
    }
    virtual void SummaryChanged(const CRoZudozuvDoc& document) { (void)document; }
    virtual void RoleChanged(const CRoZudozuvDoc& document, DocumentRole role) {
        (void)document, (void)role;
    }
    // Every record is gone (the summary stays).
    virtual void Cleared(const CRoZudozuvDoc& document) { (void)document; }
};

// A recording: three channels of records (0 main readings, 1 companion records
// of meter-record frames, 2 limit crossings) and the summary of channel 0. It
// owns its role and tells its observers of every change.
class CRoZudozuvDoc {
  public:
    static constexpr int kChannelCount = 3;
    static constexpr std::size_t kLiveCapacity = 20000;

    CRoZudozuvDoc() = default;
    // A copy holds the same records, summary and role; nobody observes it yet.
    CRoZudozuvDoc(const CRoZudozuvDoc& other);
    CRoZudozuvDoc& operator=(const CRoZudozuvDoc&) = delete;

    std::array<std::vector<CObData>, kChannelCount> channels;
    DocumentSummary summary;
    int countedNumber = 0;  // live channel-0 readings that entered the sum; not stored
    // The graph scales itself to the readings (Graph Setting); a view
    // setting the document keeps, since it also spreads the summary's
    // untouched extremes. Not stored.
    bool autoScale = true;

    // The one append operation of readings. For channel 0 the incremental
    // summary runs when the current reading's limit is above its value and
    // dataNumber follows the channel; with spreadExtremes (an automatic scale)
    // SpreadSentinelExtremes follows. Observers hear of the record, then of
    // the summary. The record keeps what is known of it: the overload value
    // as an overload, a live reading's decimals, and `time`, the moment
    // timeText names, where there is one.
    void AddReading(int channel, double value, const std::string& unit, double sampleRate,
                    std::int32_t sequence, const std::string& timeText, const std::string& typeText,
                    const MeterReading& current, bool spreadExtremes = false,
                    RecordOrigin origin = RecordOrigin::Other, int decimals = 4,
                    std::optional<std::time_t> time = std::nullopt);

    // Appends a record as it is, with no summary work; `step` tells the
    // observers what summary work the caller does for it.
    void AppendRecord(int channel, const CObData& record, SummaryStep step = {});

    // Appends a finished download to channel 0 and takes its bulk summary.
    // `records` is left empty.
    void AppendDownload(std::vector<CObData>& records);

    // The summary work of a live main reading just appended to channel 0 (the
    // spread, if any, comes after it). A rebuilt document replays its
    // readings through it.
    void AdvanceSummaryFor(SummaryRole role);

    // Deletes every record of the three channels; the summary stays.
    void DeleteContents();

    // Tells the observers that the summary was replaced from outside.
    void SummaryReplaced() { Notify(Event{Event::Kind::Summary, {}, {}}); }

    DocumentRole Role() const { return m_role; }
    // The one place a document's role changes.
    void SetRole(DocumentRole role);

    // Records held in the three channels together.
    std::size_t RecordCount() const;
    // True when the document gained records since it was last saved or read
    // (records are only ever appended, so their count tells).
    bool IsModified() const { return RecordCount() != m_nSavedRecords; }
    // After a successful save or read.
    void MarkSaved() { m_nSavedRecords = RecordCount(); }

    // Observers are told of every change from now on, in the order they were
    // added. Not owned; an observer removes itself before it goes.
    void AddObserver(IDocumentObserver* observer);
    void RemoveObserver(IDocumentObserver* observer);

  private:
    struct Event {
        enum class Kind : std::uint8_t { Appended, Summary, Role, Cleared };
        Kind kind;
        AppendedRecords appended;
        DocumentRole role;
    };
    // Events raised together are told together, in order; Deliver tells
    // every observer of every event raised so far.
    void Raise(const Event& event) { m_pending.push_back(event); }
    void Deliver();
    void Notify(const Event& event);
    void Tell(const Event& event, IDocumentObserver& observer) const;

    DocumentRole m_role = DocumentRole::Live;
    std::vector<IDocumentObserver*> m_observers;
    std::vector<Event> m_pending;  // events raised while observers are being told
    bool m_bNotifying = false;
    std::size_t m_nSavedRecords = 0;
};
