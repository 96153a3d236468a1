#include "record/Document.h"

#include "record/RecordingTarget.h"
#include "record/Statistics.h"

void CRoZudozuvDoc::AddReading(int channel, double value, const std::string& unit,
                               double sampleRate, std::int32_t sequence,
                               const std::string& timeText, const std::string& typeText,
                               const MeterReading& current, bool spreadExtremes) {
    CObData record{value, unit, sampleRate, sequence, timeText, typeText};
    record.overload = value == kOverloadValue;
    AddReading(channel, record, current, spreadExtremes);
}

void CRoZudozuvDoc::AddReading(int channel, const CObData& record, const MeterReading& current,
                               bool spreadExtremes) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    if (channel != 0) {
        AppendRecord(channel, record, {SummaryRole::None, spreadExtremes});
        if (spreadExtremes) {
            SpreadSentinelExtremes(summary);
        }
        return;
    }

    // The summary test looks at the meter's current reading, not at the value
    // being added: an overload (value above the limit) is never counted.
    const SummaryRole role =
        current.limit > current.value ? SummaryRole::CountedReading : SummaryRole::Reading;
    AppendRecord(0, record, {role, spreadExtremes});
    AdvanceSummaryFor(role);

    if (m_pFirstView != nullptr && m_pFirstView->liveTarget) {
        m_pFirstView->RefreshSummary();
    }
    if (spreadExtremes) {
        SpreadSentinelExtremes(summary);
    }
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
    channels[static_cast<std::size_t>(channel)].push_back(record);
    if (m_pSink != nullptr) {
        m_pSink->RecordAppended(channel, record, step);
    }
}

void CRoZudozuvDoc::DeleteContents() {
    for (std::vector<CObData>& records : channels) {
        records.clear();
    }
}

std::size_t CRoZudozuvDoc::RecordCount() const {
    std::size_t count = 0;
    for (const std::vector<CObData>& records : channels) {
        count += records.size();
    }
    return count;
}
