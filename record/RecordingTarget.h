#pragma once

#include <string>

class CRoZudozuvDoc;

// One row of a view's data list: ID, Data Time, Unit, Value, Type, Remark
// (empty unless the reading crossed a limit).
struct ListRow {
    std::string id;
    std::string timeText;
    std::string unit;
    std::string valueText;
    std::string typeText;
    std::string remark;
};

// The part of a document's view that recording needs: the routing flags, auto
// scale, and the calls the dispatch, the statistics engine and the download
// import make on it. The widget view overrides the hooks; headless users
// (the CLI, tests) use this class as it is or record the calls.
class CRecordingTarget {
  public:
    explicit CRecordingTarget(CRoZudozuvDoc& document);
    virtual ~CRecordingTarget();
    CRecordingTarget(const CRecordingTarget&) = delete;
    CRecordingTarget& operator=(const CRecordingTarget&) = delete;

    CRoZudozuvDoc& Document() const { return m_document; }

    bool liveTarget = true;
    bool meterRecordTarget = false;
    bool autoScale = true;

    int ListRowCount() const { return m_nListRows; }
    void AppendListRow(const ListRow& row);

    // Hooks; the defaults do nothing.
    virtual void RefreshGraph() {}     // draw the newest segment
    virtual void InvalidateGraph() {}  // repaint the whole graph
    virtual void SetYRange(double top, double bottom) { (void)top, (void)bottom; }
    virtual void RefreshSummary() {}  // re-format the summary text

  protected:
    virtual void OnListRowAppended(const ListRow& row) { (void)row; }
    // Rows a view listed on its own (filled from its document) count as
    // listed too, so later rows continue their numbering.
    void CountListedRows(int count) { m_nListRows += count; }

  private:
    CRoZudozuvDoc& m_document;
    int m_nListRows = 0;
};
