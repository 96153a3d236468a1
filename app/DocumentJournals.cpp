#include "app/DocumentJournals.h"

#include <ctime>
#include <vector>

namespace {

// How often a failed journal write is looked for.
constexpr int kTickMs = 500;

QString WithThousands(std::size_t n) {
    QString digits = QString::number(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(','));
    }
    return digits;
}

}  // namespace

JournalOfferRow OfferRow(const std::string& path, const JournalContents& contents) {
    JournalOfferRow row;
    row.path = QString::fromStdString(path);
    if (!contents.headerOk) {
        row.condition =
            QStringLiteral("Damaged: %1").arg(QString::fromStdString(contents.headerProblem));
        row.recoverable = false;
        return row;
    }
    row.name = QString::fromStdString(contents.header.documentName);
    row.time = QString::fromStdString(FormatJournalTime(contents.header.createdAt));
    row.readings = WithThousands(contents.entries.size());
    row.condition = QString::fromStdString(contents.DamageText());
    return row;
}

// A journal found at start-up, held while it is offered.
struct CDocumentJournals::LeftJournal {
    CJournalFile file;
    JournalContents contents;
    std::uint64_t size = 0;
};

// One document's journal, made with its first record.
class CDocumentJournals::CDocJournal : public IDocumentObserver {
  public:
    CDocJournal(CDocumentJournals& owner, CRoZudozuvDoc& doc, std::function<std::string()> name)
        : m_owner(owner), m_doc(doc), m_name(std::move(name)) {
        m_doc.AddObserver(this);
    }
    ~CDocJournal() override { m_doc.RemoveObserver(this); }
    CDocJournal(const CDocJournal&) = delete;
    CDocJournal& operator=(const CDocJournal&) = delete;

    void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& appended) override {
        if (!m_writer && m_owner.m_bEnabled) {
            try {
                m_writer = std::make_unique<CJournalWriter>(m_owner.m_folder, m_name(),
                                                            std::time(nullptr));
                m_owner.WriterStarted();
            } catch (const CJournalError& error) {
                m_owner.Disable(error.what());
            }
        }
        if (m_writer) {
            m_writer->RecordsAppended(document, appended);
        }
    }

    void Adopt(std::unique_ptr<CJournalWriter> writer) { m_writer = std::move(writer); }
    CJournalWriter* Writer() const { return m_writer.get(); }
    void Remove() {
        if (m_writer) {
            m_writer->Remove();
            m_writer.reset();
        }
    }

  private:
    CDocumentJournals& m_owner;
    CRoZudozuvDoc& m_doc;
    std::function<std::string()> m_name;
    std::unique_ptr<CJournalWriter> m_writer;
};

CDocumentJournals::CDocumentJournals(std::string folder, Warn warn, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_warn(std::move(warn)) {
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CDocumentJournals::Tick);
}

CDocumentJournals::~CDocumentJournals() = default;

void CDocumentJournals::Watch(CRoZudozuvDoc& doc, std::function<std::string()> name) {
    m_journals[&doc] = std::make_unique<CDocJournal>(*this, doc, std::move(name));
}

void CDocumentJournals::Forget(CRoZudozuvDoc& doc) {
    m_journals.erase(&doc);
}

void CDocumentJournals::Remove(CRoZudozuvDoc& doc) {
    if (const auto it = m_journals.find(&doc); it != m_journals.end()) {
        it->second->Remove();
    }
}

void CDocumentJournals::SyncAll() {
    for (const auto& [doc, journal] : m_journals) {
        if (CJournalWriter* writer = journal->Writer()) {
            writer->Sync();
        }
    }
    Tick();
}

void CDocumentJournals::Tick() {
    bool writing = false;
    for (const auto& [doc, journal] : m_journals) {
        if (CJournalWriter* writer = journal->Writer()) {
            writing = true;
            if (const auto warning = writer->TakeWarning()) {
                m_warn(QString::fromStdString(*warning));
            }
        }
    }
    if (!writing) {
        m_tick.stop();  // no wake-ups while nothing is journaled
    }
}

void CDocumentJournals::WriterStarted() {
    if (!m_tick.isActive()) {
        m_tick.start();
    }
}

void CDocumentJournals::Disable(const std::string& why) {
    if (m_bEnabled) {
        m_bEnabled = false;
        m_warn(QStringLiteral("Journaling is off: %1").arg(QString::fromStdString(why)));
    }
}

auto CDocumentJournals::FindLeftJournals() -> std::vector<LeftJournal> {
    std::vector<LeftJournal> found;
    std::vector<std::string> ids;
    try {
        ids = ListJournalIds(m_folder);
    } catch (const CJournalError& error) {
        Disable(error.what());
        return found;
    }
    for (const std::string& id : ids) {
        LeftJournal left;
        try {
            std::optional<CJournalFile> file = CJournalFile::Lock(JournalPath(m_folder, id));
            if (!file) {
                continue;  // its recording still runs in another instance
            }
            const std::vector<std::uint8_t> bytes = file->ReadAll();
            left.contents = ParseJournal(bytes.data(), bytes.size());
            left.size = bytes.size();
            left.file = std::move(*file);
        } catch (const CJournalError&) {
            continue;  // gone meanwhile, or not a file we may touch
        }
        if (left.contents.headerOk && left.contents.entries.empty() &&
            !left.contents.LostAnything()) {
            left.file.Remove();  // nothing was recorded
            continue;
        }
        found.push_back(std::move(left));
    }
    return found;
}

void CDocumentJournals::OfferLeftJournals(
    const AskChoices& ask,
    const std::function<CRoZudozuvDoc*(std::unique_ptr<CRoZudozuvDoc>)>& open) {
    std::vector<LeftJournal> left = FindLeftJournals();
    if (left.empty()) {
        return;
    }
    std::vector<JournalOfferRow> rows;
    for (const LeftJournal& journal : left) {
        rows.push_back(OfferRow(journal.file.Path(), journal.contents));
    }
    const std::vector<JournalChoice> choices = ask(rows);
    for (std::size_t i = 0; i < left.size() && i < choices.size(); ++i) {
        switch (choices[i]) {
            case JournalChoice::Recover:
                if (left[i].contents.headerOk) {
                    Recover(left[i], open);
                }
                break;
            case JournalChoice::Discard:
                left[i].file.Remove();
                break;
            case JournalChoice::Later:
                break;
        }
    }
}

void CDocumentJournals::Recover(
    LeftJournal& left, const std::function<CRoZudozuvDoc*(std::unique_ptr<CRoZudozuvDoc>)>& open) {
    const JournalContents& contents = left.contents;
    auto doc = std::make_unique<CRoZudozuvDoc>();
    RebuildFromJournal(contents.entries, *doc);
    CRoZudozuvDoc* shown = open(std::move(doc));
    if (contents.LostAnything() || contents.header.version != kJournalVersion) {
        // What could not be read stays on disk; the recovered document gets a
        // journal of its own with its next record.
        m_warn(QStringLiteral("The journal %1 was kept: %2.")
                   .arg(QString::fromStdString(left.file.Path()),
                        QString::fromStdString(contents.LostAnything()
                                                   ? contents.DamageText()
                                                   : "it was written by an older version")));
        left.file.Release();
        return;
    }
    if (const auto it = m_journals.find(shown); it != m_journals.end()) {
        it->second->Adopt(std::make_unique<CJournalWriter>(std::move(left.file), left.size));
        WriterStarted();
    }
}
