#include "record/Document.h"

#include "record/RecordingTarget.h"
#include "record/Statistics.h"

void CRoZudozuvDoc::AddReading(int channel, double value, const std::string& unit,
                               double sampleRate, std::int32_t sequence,
                               const std::string& timeText, const std::string& typeText,
                               const MeterReading& current) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    AppendRecord(channel, CObData{value, unit, sampleRate, sequence, timeText, typeText});
    if (channel != 0) {
        return;
    }
    std::vector<CObData>& records = channels[0];

    // The summary test looks at the meter's current reading, not at the value
    // being added: an overload (value above the limit) is never counted.
    if (current.limit > current.value) {
        AdvanceSummary(summary, countedNumber, records.back());
        summary.startTime = records.front().timeText;
        summary.endTime = records.back().timeText;
    }
    summary.dataNumber = static_cast<std::int32_t>(records.size());

    if (m_pFirstView != nullptr && m_pFirstView->liveTarget) {
        m_pFirstView->RefreshSummary();
    }
}

void CRoZudozuvDoc::AppendRecord(int channel, const CObData& record) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    channels[static_cast<std::size_t>(channel)].push_back(record);
    if (m_pSink != nullptr) {
        m_pSink->RecordAppended(channel, record);
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
