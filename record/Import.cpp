#include "record/Import.h"

#include "record/Document.h"
#include "record/ListRows.h"
#include "record/Statistics.h"

void ImportDownloadedRecords(CRecordingTarget& view, std::vector<CObData>& downloaded) {
    CRoZudozuvDoc& document = view.Document();
    view.liveTarget = false;
    document.acquiring = false;
    if (downloaded.empty()) {
        // A download of no records leaves an empty document; it must not
        // become live again, but there is no range or summary to show.
        return;
    }

    std::vector<CObData>& main = document.channels[0];
    main.reserve(main.size() + downloaded.size());
    for (const CObData& record : downloaded) {
        const bool first = &record == &downloaded.front();
        document.AppendRecord(
            0, record, {first ? SummaryRole::FirstDownloaded : SummaryRole::Downloaded, false});
        view.AppendListRow(MakeListRow(view.ListRowCount(), record.timeText, record.unit,
                                       FormatFixed(record.value, 4), record.typeText));
    }
    ApplyBulkSummary(document.summary, downloaded);
    view.RefreshSummary();
    downloaded.clear();

    const YRange range = YRangeFromSummary(document.summary);
    view.SetYRange(range.top, range.bottom);
}
