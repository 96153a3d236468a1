#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingFakes.h"
#include "record/LimitWatcher.h"

namespace {

// Writes down every change as "name:what", and may react to a live reading
// the way a view watching limits does: by keeping a crossing.
class LoggingObserver : public IDocumentObserver {
  public:
    LoggingObserver(std::string name, std::vector<std::string>& log) : m_name(name), m_log(log) {}

    bool keepsCrossings = false;
    CRoZudozuvDoc* removeOnAppend = nullptr;  // leaves the document at its first append

    void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& a) override {
        m_log.push_back(m_name + ":append " + std::to_string(a.channel) + "@" +
                        std::to_string(a.first) + "+" + std::to_string(a.count));
        if (keepsCrossings && a.origin == RecordOrigin::Live) {
            KeepCrossing(const_cast<CRoZudozuvDoc&>(document), document.channels[0].back(),
                         LimitSide::High);
        }
        if (removeOnAppend != nullptr) {
            removeOnAppend->RemoveObserver(this);
            removeOnAppend = nullptr;
        }
    }
    void SummaryChanged(const CRoZudozuvDoc&) override { m_log.push_back(m_name + ":summary"); }
    void RoleChanged(const CRoZudozuvDoc&, DocumentRole role) override {
        m_log.push_back(m_name + ":role " + std::to_string(static_cast<int>(role)));
    }
    void Cleared(const CRoZudozuvDoc&) override { m_log.push_back(m_name + ":cleared"); }

  private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

}  // namespace

// Every observer hears every change in the order the document changed, also
// the change an observer makes while it is told (a crossing kept after a
// reading): the journal after it writes the reading before the crossing.
TEST(DocumentObservers, HearEveryChangeInOrderEvenOneAnObserverMakes) {
    CRoZudozuvDoc doc;
    std::vector<std::string> log;
    LoggingObserver view("view", log);
    LoggingObserver journal("journal", log);
    LoggingObserver leaving("leaving", log);
    view.keepsCrossings = true;
    leaving.removeOnAppend = &doc;
    doc.AddObserver(&view);
    doc.AddObserver(&view);  // once is enough
    doc.AddObserver(&leaving);
    doc.AddObserver(&journal);

    doc.AddReading(0, 2.0, "VDC", 0.0, 0, "t", "VDC", CountedReading(2.0f), false,
                   RecordOrigin::Live, 3);
    std::vector<CObData> downloaded = {{1.0, "V", 1.0, 0, "a", "VDC"},
                                       {3.0, "V", 1.0, 1, "b", "VDC"},
                                       {5.0, "V", 1.0, 2, "c", "VDC"}};
    doc.SetRole(DocumentRole::NotRecording);
    doc.SetRole(DocumentRole::NotRecording);  // no change, no word
    doc.AppendDownload(downloaded);
    doc.RemoveObserver(&view);
    doc.DeleteContents();

    EXPECT_EQ(log, (std::vector<std::string>{
                       "view:append 0@0+1", "leaving:append 0@0+1", "journal:append 0@0+1",
                       "view:summary", "journal:summary",  // the summary after its reading
                       "view:append 2@0+1", "journal:append 2@0+1",  // the crossing comes next
                       "view:role 0", "journal:role 0", "view:append 0@1+1",
                       "journal:append 0@1+1",                       // a download's first record
                       "view:append 0@2+2", "journal:append 0@2+2",  // and the rest
                       "view:summary", "journal:summary", "journal:cleared"}));
    EXPECT_TRUE(downloaded.empty());
    EXPECT_EQ(doc.summary.dataNumber, 3);
}
