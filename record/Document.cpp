#include "record/Document.h"

#include <algorithm>

#include "record/Statistics.h"

CRoZudozuvDoc::CRoZudozuvDoc(const CRoZudozuvDoc& other)
    : channels(other.channels),
      summary(other.summary),
      countedNumber(other.countedNumber),
      autoScale(other.autoScale),
      m_role(other.m_role),
      m_nSavedRecords(other.m_nSavedRecords) {}

void CRoZudozuvDoc::AddReading(int channel, double value, const std::string& unit,
                               double sampleRate, std::int32_t sequence,
                               const std::string& timeText, const std::string& typeText,
                               const MeterReading& current, bool spreadExtremes,
                               RecordOrigin origin, int decimals, std::optional<std::time_t> time) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    CObData record{value, unit, sampleRate, sequence, timeText, typeText};
    record.overload = value == kOverloadValue;
    if (origin == RecordOrigin::Live) {
        record.SetDecimals(decimals);
    }
    if (time) {
        record.SetTime(*time);
    }
    std::vector<CObData>& records = channels[static_cast<std::size_t>(channel)];
    records.push_back(std::move(record));

    // The summary test looks at the meter's current reading, not at the value
    // being added: an overload (value above the limit) is never counted.
    SummaryRole role = SummaryRole::None;
    if (channel == 0) {
        role = current.limit > current.value ? SummaryRole::CountedReading : SummaryRole::Reading;
        AdvanceSummaryFor(role);
    }
    if (spreadExtremes) {
        SpreadSentinelExtremes(summary);
    }
    Raise(Event{
        Event::Kind::Appended,
        AppendedRecords{channel, records.size() - 1, 1, {role, spreadExtremes}, origin, decimals},
        {}});
    if (channel == 0 || spreadExtremes) {
        Raise(Event{Event::Kind::Summary, {}, {}});
    }
    Deliver();
}

void CRoZudozuvDoc::AdvanceSummaryFor(SummaryRole role) {
    const std::vector<CObData>& records = channels[0];
    if (role == SummaryRole::CountedReading) {
        AdvanceSummary(summary, countedNumber, records.back());
        summary.startTime = records.front().timeText;
        summary.endTime = records.back().timeText;
    }
    summary.dataNumber = static_cast<std::int32_t>(records.size());
}

void CRoZudozuvDoc::AppendRecord(int channel, const CObData& record, SummaryStep step) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    std::vector<CObData>& records = channels[static_cast<std::size_t>(channel)];
    records.push_back(record);
    Notify(Event{Event::Kind::Appended,
                 AppendedRecords{channel, records.size() - 1, 1, step, RecordOrigin::Other, 4},
                 {}});
}

void CRoZudozuvDoc::AppendDownload(std::vector<CObData>& records) {
    if (records.empty()) {
        return;
    }
    std::vector<CObData>& main = channels[0];
    const std::size_t first = main.size();
    main.insert(main.end(), records.begin(), records.end());
    ApplyBulkSummary(summary, records);
    records.clear();
    // The first record starts the download's summary; the journal keeps the
    // two apart.
    Raise(Event{Event::Kind::Appended,
                AppendedRecords{
                    0, first, 1, {SummaryRole::FirstDownloaded, false}, RecordOrigin::Download, 4},
                {}});
    if (main.size() > first + 1) {
        Raise(Event{Event::Kind::Appended,
                    AppendedRecords{0,
                                    first + 1,
                                    main.size() - first - 1,
                                    {SummaryRole::Downloaded, false},
                                    RecordOrigin::Download,
                                    4},
                    {}});
    }
    Raise(Event{Event::Kind::Summary, {}, {}});
    Deliver();
}

void CRoZudozuvDoc::DeleteContents() {
    for (std::vector<CObData>& records : channels) {
        records.clear();
    }
    Notify(Event{Event::Kind::Cleared, {}, {}});
}

void CRoZudozuvDoc::SetRole(DocumentRole role) {
    if (role == m_role) {
        return;
    }
    m_role = role;
    Notify(Event{Event::Kind::Role, {}, role});
}

std::size_t CRoZudozuvDoc::RecordCount() const {
    std::size_t count = 0;
    for (const std::vector<CObData>& records : channels) {
        count += records.size();
    }
    return count;
}

void CRoZudozuvDoc::AddObserver(IDocumentObserver* observer) {
    if (observer != nullptr &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
        m_observers.push_back(observer);
    }
}

void CRoZudozuvDoc::RemoveObserver(IDocumentObserver* observer) {
    // Cleared, not erased: an observer may go while the others are being told.
    std::replace(m_observers.begin(), m_observers.end(), observer,
                 static_cast<IDocumentObserver*>(nullptr));
    if (!m_bNotifying) {
        std::erase(m_observers, nullptr);
    }
}

void CRoZudozuvDoc::Notify(const Event& event) {
    Raise(event);
    Deliver();
}

void CRoZudozuvDoc::Deliver() {
    if (m_bNotifying) {
        return;  // told once the event being delivered has reached everyone
    }
    m_bNotifying = true;
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        const Event next = m_pending[i];
        // By index: an observer may add another while it is told.
        for (std::size_t o = 0; o < m_observers.size(); ++o) {
            if (IDocumentObserver* observer = m_observers[o]) {
                Tell(next, *observer);
            }
        }
    }
    m_pending.clear();
    std::erase(m_observers, nullptr);
    m_bNotifying = false;
}

void CRoZudozuvDoc::Tell(const Event& event, IDocumentObserver& observer) const {
    switch (event.kind) {
        case Event::Kind::Appended:
            observer.RecordsAppended(*this, event.appended);
            break;
        case Event::Kind::Summary:
            observer.SummaryChanged(*this);
            break;
        case Event::Kind::Role:
            observer.RoleChanged(*this, event.role);
            break;
        case Event::Kind::Cleared:
            observer.Cleared(*this);
            break;
    }
}
