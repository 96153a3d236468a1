// vavirir-cli record: records the meter's live readings into one document, as
// Start does in the program, and saves it.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "cli/MeterLink.h"
#include "cli/OutputCheck.h"
#include "cli/RecordJournal.h"
#include "cli/RecordLog.h"
#include "cli/RecordMqtt.h"
#include "decode/Clock.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "docview/FallbackSave.h"
#include "record/LimitWatcher.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kUsage =
    "usage: vavirir-cli record --port P [--count N] [--seconds S] [--reconnect] --out F.txt\n"
    "                          [--xls F.xls] [--jsonl J|-] [--mqtt URL [--mqtt-cafile FILE]\n"
    "                          [--mqtt-password-file FILE]]\n"
    "                          [--roll] [--high X] [--low Y] [--exit-on-limit]\n"
    "  P is a paired Bluetooth meter bt:ADDRESS (see ports), or a port number\n"
    "  (naming /dev/rfcommP), a tty name or a device path.\n"
    "  Recording starts with the first data and ends after N records, S seconds,\n"
    "  SIGINT/SIGTERM/SIGHUP, 10 s without data from the meter, or when the document\n"
    "  is full: a document holds at most 20,000 readings.\n"
    "  --reconnect: when the link is lost (the device hangs up or vanishes), open P\n"
    "  again every 2 s and go on recording into the same document; the 10 s without\n"
    "  data do not end the recording while the link is away.\n"
    "  --jsonl: write each reading as it is recorded as one line of JSON to J, or to\n"
    "  the standard output for -: {\"seq\":1,\"time\":\"ISO 8601\",\"value\":1.25,\n"
    "  \"unit\":\"V\",\"type\":\"VDC\",\"overload\":false}; an overload has \"value\":null.\n"
    "  --out is optional with --jsonl. When the reader of the lines goes away (| head)\n"
    "  the recording ends cleanly (exit 0); a failed write (a full disk) ends it with\n"
    "  exit 1. The data file is saved either way.\n"
    "  --mqtt mqtt://[USER[:PASSWORD]@]HOST[:PORT][/TOPIC]: also publish each reading's\n"
    "  JSON object (QoS 1) to TOPIC/reading, by default vavirir/<port name>/reading,\n"
    "  and \"online\"/\"offline\" (retained) to TOPIC/status. mqtts:// uses TLS with the\n"
    "  system's certificates, plus --mqtt-cafile FILE. --mqtt-password-file FILE holds\n"
    "  the password (keep it mode 600). An unreachable broker is a warning: readings\n"
    "  wait in a queue of 10,000 (the oldest dropped beyond) and go out in order when it\n"
    "  answers. A broker that refuses the user or password ends the command (exit 1).\n"
    "  Until F.txt is saved every reading is also kept in a crash journal in\n"
    "  $XDG_STATE_HOME/vavirir/journal (see the journals and recover commands).\n"
    "  --roll: a full document does not end the recording: it is saved to F.txt\n"
    "  (then F-2.txt, F-3.txt, ...; with --xls also F.xls, F-2.xls, ...), freed,\n"
    "  and the recording goes on in a new document; the last one is saved at the\n"
    "  end. --count counts the readings of all the files.\n"
    "  With --roll or --reconnect, once the recording has begun, 10 s without data\n"
    "  do not end it: \"The meter is silent since HH:MM:SS\" is said and the\n"
    "  readings carry on in the same document when the meter sends again.\n"
    "  --high X, --low Y: limits on the readings (either or both). Each crossing\n"
    "  is said once on stderr (\"12:03:04 above high 5.2 > 5.0\", \"12:04:10 back\n"
    "  within limits\"); an overload counts as above high. The reading that\n"
    "  crossed gets the Remark High or Low in the data file, and JSON lines of\n"
    "  readings outside the limits end with \"limit\":\"high\" or \"limit\":\"low\".\n"
    "  --exit-on-limit: the first crossing above high or below low ends the\n"
    "  recording; the file is saved and the exit status is 3.\n";

static_assert(CRoZudozuvDoc::kLiveCapacity == 20000, "the usage and end texts name the capacity");

struct RecordOptions {
    PortChoice port;
    std::optional<std::size_t> count;
    std::optional<double> seconds;
    std::string out;
    std::string xls;
    std::string jsonl;
    MqttOptions mqtt;
    std::optional<MqttBroker> broker;
    bool reconnect = false;
    bool roll = false;
    LimitOptions limits;
    bool exitOnLimit = false;
};

// The exit status of a recording ended by --exit-on-limit.
constexpr int kExitLimitCrossed = 3;

enum class EndReason {
    Count,
    Seconds,
    Signal,
    Silence,
    LinkLost,
    DocumentFull,
    MeterStopped,
    StreamReaderGone,
    StreamFailed,
    LimitCrossed
};

const char* Describe(EndReason reason) {
    switch (reason) {
        case EndReason::Count:
            return "record count reached";
        case EndReason::Seconds:
            return "time is up";
        case EndReason::Signal:
            return "interrupted";
        case EndReason::Silence:
            return "the meter fell silent for 10 s";
        case EndReason::LinkLost:
            return "link lost";
        case EndReason::DocumentFull:
            return "the document is full: it holds at most 20,000 readings";
        case EndReason::MeterStopped:
            return "live acquisition ended: the meter sent recorded statistics or a download";
        case EndReason::StreamReaderGone:
            return "the reader of the JSON lines went away";
        case EndReason::StreamFailed:
            return "the JSON lines could not be written";  // the stream's error says why
        case EndReason::LimitCrossed:
            return "a reading crossed a limit";
    }
    return "";
}

RecordOptions ParseOptions(int argc, char** argv) {
    RecordOptions options;
    bool havePort = false;
    // --high and --low keep the number and the text as given.
    auto limit = [](const std::string& name, std::optional<double>& value, std::string& text) {
        return [name, &value, &text](const std::string& given) {
            value = ParseLimitText(given);
            if (!value) {
                throw UsageError(name + " needs a number");
            }
            text = given;
        };
    };
    CCommandLine line;
    line.Option("--port", [&](const std::string& value) {
        options.port = PortOption(value);
        havePort = true;
    });
    line.Option("--count", [&](const std::string& value) {
        const auto count = ParsePositive(value);
        if (!count || *count != static_cast<double>(static_cast<std::size_t>(*count))) {
            throw UsageError("--count needs a whole number of at least 1");
        }
        options.count = static_cast<std::size_t>(*count);
    });
    line.Option("--seconds", [&](const std::string& value) {
        options.seconds = ParsePositive(value);
        if (!options.seconds) {
            throw UsageError("--seconds needs a number above 0");
        }
    });
    line.Option("--out",
                [&](const std::string& value) { options.out = PathValue("--out", value); });
    line.Option("--xls",
                [&](const std::string& value) { options.xls = PathValue("--xls", value); });
    line.Option("--jsonl", [&](const std::string& value) {
        options.jsonl = PathValue("--jsonl", value, DashMeans::StandardOutput);
    });
    line.Option("--mqtt",
                [&](const std::string& value) { options.mqtt.url = PathValue("--mqtt", value); });
    line.Option("--mqtt-cafile", [&](const std::string& value) {
        options.mqtt.caFile = PathValue("--mqtt-cafile", value);
    });
    line.Option("--mqtt-password-file", [&](const std::string& value) {
        options.mqtt.passwordFile = PathValue("--mqtt-password-file", value);
    });
    line.Flag("--reconnect", options.reconnect);
    line.Flag("--roll", options.roll);
    line.Option("--high", limit("--high", options.limits.limits.high, options.limits.highText));
    line.Option("--low", limit("--low", options.limits.limits.low, options.limits.lowText));
    line.Flag("--exit-on-limit", options.exitOnLimit);
    line.Parse(argc, argv);
    RequireArgument(havePort, "--port");
    // Without --jsonl the data file is the only output; the usage says --jsonl frees it.
    RequireArgument(!options.out.empty() || !options.jsonl.empty(), "--out");
    if (!options.mqtt.url.empty() || !options.mqtt.caFile.empty() ||
        !options.mqtt.passwordFile.empty()) {
        options.broker = BrokerOfOptions(options.mqtt);
    }
    if (options.exitOnLimit && !options.limits.limits.Any()) {
        throw UsageError("--exit-on-limit needs --high or --low");
    }
    const Limits& limits = options.limits.limits;
    if (limits.high && limits.low && *limits.low > *limits.high) {
        throw UsageError("--low is above --high");
    }
    return options;
}

int Save(const RecordOptions& options, const CRoZudozuvDoc& doc, CRecordJournal& journal,
         std::size_t part);

// Feeds the meter's bytes into the session and owns the live documents, which
// Start opens when the first bytes are there: the one being filled and, under
// --roll, a full one until it is saved and freed. Each new reading is handed
// to `step` once, in order, with the document it went to.
class LiveRecording : private IDocumentObserver {
  public:
    using ReadingStep = std::function<void(CRoZudozuvDoc& doc, const CObData& reading)>;

    LiveRecording(CHeadlessSessionHost& host, CMeterSession& session, const RecordOptions& options,
                  ReadingStep step)
        : m_host(host), m_session(session), m_options(options), m_step(std::move(step)) {}
    ~LiveRecording() override {
        if (m_current.document != nullptr) {
            m_current.document->RemoveObserver(this);
        }
    }
    LiveRecording(const LiveRecording&) = delete;
    LiveRecording& operator=(const LiveRecording&) = delete;

    // Bytes arrived and are about to be decoded.
    void BeforeBytes() {
        if (m_current.document == nullptr) {
            // Start is allowed once data arrives; it is chosen just before
            // these first bytes are decoded, so none of their readings is missed.
            if (m_session.StartAsDataArrives()) {
                m_startedAt = SteadyClock::now();
                BeginPart(*m_session.Registry().Documents().back(), 1);
            }
        }
    }
    // The bytes are decoded: full documents of a rolled log are saved.
    void AfterBytes() { SaveFullParts(); }

    // The session is about to put the next reading into `next`: `full` is
    // complete and waits to be saved once the block is decoded.
    void Continue(CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
        (void)full;
        FollowReadings();
        m_current.document->RemoveObserver(this);
        m_nRecordsBefore += m_current.document->channels[0].size();
        const std::size_t number = m_current.number + 1;
        m_full.push_back(std::move(m_current));
        BeginPart(next, number);
    }

    // Saves the document being filled (the recording ended).
    int SaveLast() {
        const int saved =
            Save(m_options, *m_current.document, *m_current.journal, m_current.number);
        return m_bPartFailed ? 1 : saved;
    }

    void TickJournal() {
        if (m_current.journal) {
            m_current.journal->Tick();
        }
    }
    void SyncJournal() {
        if (m_current.journal) {
            m_current.journal->Sync();
        }
    }

    const CRoZudozuvDoc* Document() const { return m_current.document; }
    std::size_t Records() const {
        return m_current.document ? m_nRecordsBefore + m_current.document->channels[0].size() : 0;
    }
    SteadyClock::time_point StartedAt() const { return m_startedAt; }
    bool Stopped() const { return m_current.document != nullptr && !m_session.IsRunning(); }

  private:
    struct Part {
        CRoZudozuvDoc* document = nullptr;
        std::size_t number = 0;  // 1 for the first document of the recording
        std::unique_ptr<CRecordJournal> journal;
    };

    void BeginPart(CRoZudozuvDoc& document, std::size_t number) {
        m_current.document = &document;
        m_current.number = number;
        m_current.journal = std::make_unique<CRecordJournal>(
            JournalFolder(),
            m_options.out.empty() ? std::string() : RolledFileName(m_options.out, number));
        m_current.journal->Attach(document);
        m_nFollowed = 0;
        // Each reading is followed as it is recorded, so a step that stops the
        // recording stops it right after that reading.
        document.AddObserver(this);
    }

    void RecordsAppended(const CRoZudozuvDoc&, const AppendedRecords& appended) override {
        if (appended.origin == RecordOrigin::Live) {
            FollowReadings();
        }
    }

    void FollowReadings() {
        if (m_current.document == nullptr) {
            return;
        }
        CRoZudozuvDoc& document = *m_current.document;
        for (; m_nFollowed < document.channels[0].size(); ++m_nFollowed) {
            m_step(document, document.channels[0][m_nFollowed]);
        }
    }

    void SaveFullParts() {
        for (Part& part : m_full) {
            part.journal->Sync();
            if (Save(m_options, *part.document, *part.journal, part.number) != 0) {
                m_bPartFailed = true;
            }
            part.journal.reset();
            m_host.CloseDocument(*part.document, m_session.Registry());
        }
        m_full.clear();
    }

    CHeadlessSessionHost& m_host;
    CMeterSession& m_session;
    const RecordOptions& m_options;
    ReadingStep m_step;
    Part m_current;
    std::vector<Part> m_full;
    std::size_t m_nFollowed = 0;       // readings of the current document given to the step
    std::size_t m_nRecordsBefore = 0;  // readings of the documents before it
    bool m_bPartFailed = false;
    SteadyClock::time_point m_startedAt{};
};

void PrintProgress(const LiveRecording& recording) {
    const CRoZudozuvDoc* doc = recording.Document();
    if (doc == nullptr || doc->channels[0].empty()) {
        return;
    }
    const CObData& last = doc->channels[0].back();
    if (last.value == kOverloadValue) {
        std::fprintf(stderr, "vavirir-cli record: %zu records, last OL %s\n", recording.Records(),
                     last.unit.c_str());
    } else {
        std::fprintf(stderr, "vavirir-cli record: %zu records, last %.10g %s\n",
                     recording.Records(), last.value, last.unit.c_str());
    }
}

int Save(const RecordOptions& options, const CRoZudozuvDoc& doc, CRecordJournal& journal,
         std::size_t part) {
    const std::string out = RolledFileName(options.out, part);
    const std::string xls = RolledFileName(options.xls, part);
    if (options.out.empty()) {
        // The lines were the output asked for: there is nothing to recover.
        journal.Remove();
        std::fprintf(stderr, "vavirir-cli record: %zu records, no --out file\n",
                     doc.channels[0].size());
    } else if (!SaveOrKeep("record", doc, out)) {
        return 1;
    } else {
        journal.Remove();
        std::fprintf(stderr, "vavirir-cli record: %zu records saved to %s\n",
                     doc.channels[0].size(), out.c_str());
    }
    if (!options.xls.empty()) {
        if (HasExportableRecords(doc)) {
            try {
                ExportDocumentFile(doc, xls);
            } catch (const CExportError& error) {
                std::fprintf(stderr, "vavirir-cli record: %s was not exported: %s\n", xls.c_str(),
                             error.what());
                return 1;
            }
            std::fprintf(stderr, "vavirir-cli record: exported to %s\n", xls.c_str());
        } else {
            std::fprintf(stderr, "vavirir-cli record: no records, so %s was not written\n",
                         xls.c_str());
        }
    }
    return 0;
}

// The files record writes. The standard output under --jsonl - is only
// compared with the others (`> F.txt` with --out F.txt), never probed.
int CheckRecordFiles(const RecordOptions& options) {
    const bool toStdout = options.jsonl == "-";
    std::vector<NamedFile> compared;
    if (toStdout) {
        compared.push_back({"--jsonl - (the standard output)", "/dev/stdout"});
    }
    return CheckFiles("record", compared,
                      {{"--out", options.out},
                       {"--xls", options.xls},
                       {"--jsonl", toStdout ? std::string() : options.jsonl}});
}

int Record(const RecordOptions& options) {
    if (const int refused = CheckRecordFiles(options)) {
        return refused;
    }
    CJsonLinesStream stream;
    if (!options.jsonl.empty() && !stream.Open(options.jsonl)) {
        std::fprintf(stderr, "vavirir-cli record: cannot write the JSON lines to %s: %s\n",
                     options.jsonl.c_str(), stream.Error().c_str());
        return 1;
    }
    std::unique_ptr<CRecordPublisher> publisher;
    if (options.broker) {
        publisher = std::make_unique<CRecordPublisher>(*options.broker, options.mqtt.caFile,
                                                       options.port.Device());
        if (!publisher->Start()) {
            return 1;
        }
    }
    CatchStopSignals();
    MeterConnectionOptions connectionOptions;
    connectionOptions.silenceCountsFromOpen = true;
    connectionOptions.reconnect = options.reconnect;
    CCliConnection link("record", options.port, connectionOptions);
    link.Documents().SetLiveRecordLimit(options.count.value_or(0));
    if (!link.Open()) {
        return 1;
    }
    std::fprintf(stderr, "vavirir-cli record: %s open, waiting for the meter\n",
                 options.port.Device().c_str());
    if (publisher) {
        publisher->MeterLink(true);
    }

    CLimitWatcher watcher(options.limits.limits);
    bool limitCrossed = false;
    auto onReading = [&](CRoZudozuvDoc& doc, const CObData& reading) {
        const CLimitWatcher::Step step = watcher.Watch(reading.value);
        if (step.crossed) {
            KeepCrossing(doc, reading, step.side);
            std::fprintf(stderr, "%s\n",
                         CrossingText(ClockText(std::time(nullptr)), step.side, reading.value,
                                      options.limits)
                             .c_str());
            limitCrossed = limitCrossed || step.side != LimitSide::Within;
            if (limitCrossed && options.exitOnLimit) {
                link.Session().Stop();  // this reading is the last one recorded
            }
        }
        if (!options.jsonl.empty()) {
            stream.Write(reading, step.side);
        }
        if (publisher) {
            publisher->Publish(reading, step.side);
        }
    };
    LiveRecording recording(link.Documents(), link.Session(), options, onReading);
    if (options.roll) {
        link.Documents().ContinueWhenFull(
            [&](CRoZudozuvDoc& full, CRoZudozuvDoc& next) { recording.Continue(full, next); });
    }
    auto countReached = [&] { return options.count && recording.Records() >= *options.count; };
    auto lastProgress = SteadyClock::time_point{};
    EndReason reason = EndReason::Signal;
    auto streamEnded = [&] { return stream.GetState() != CJsonLinesStream::State::Open; };
    link.beforeBytes = [&] { recording.BeforeBytes(); };
    link.afterBytes = [&] {
        recording.AfterBytes();
        const auto now = SteadyClock::now();
        if (!countReached() && !recording.Stopped() && now - lastProgress >= 1s) {
            PrintProgress(recording);
            lastProgress = now;
        }
    };
    if (options.roll || options.reconnect) {
        // A long log outlasts a meter that switched itself off.
        link.keepsThroughSilence = [&] { return recording.Document() != nullptr; };
    }
    auto done = [&] {
        recording.TickJournal();
        if (publisher) {
            publisher->Tick();
            // The status topic follows the meter's link: offline while it is lost.
            publisher->MeterLink(!link.Connection().Reconnect().Pending());
        }
        if (streamEnded()) {
            reason = stream.GetState() == CJsonLinesStream::State::ReaderGone
                         ? EndReason::StreamReaderGone
                         : EndReason::StreamFailed;
        } else if (limitCrossed && options.exitOnLimit) {
            reason = EndReason::LimitCrossed;
        } else if (countReached()) {
            reason = EndReason::Count;
        } else if (recording.Stopped()) {
            reason = recording.Document()->channels[0].size() >= CRoZudozuvDoc::kLiveCapacity
                         ? EndReason::DocumentFull
                         : EndReason::MeterStopped;
        } else if (options.seconds && recording.Document() != nullptr &&
                   SteadyClock::now() - recording.StartedAt() >=
                       std::chrono::duration<double>(*options.seconds)) {
            reason = EndReason::Seconds;
        } else {
            return false;
        }
        return true;
    };
    link.Run(done);
    if (link.Ended() == CCliConnection::End::Silence) {
        reason = EndReason::Silence;
    } else if (link.Ended() == CCliConnection::End::LinkLost) {
        reason = EndReason::LinkLost;
    }
    const std::string& lossReason = link.LossReason();

    // What the reader still held goes into the recording unless it is complete.
    link.afterBytes = [&] { recording.AfterBytes(); };
    link.Connection().Drain([&] {
        return !countReached() && !recording.Stopped() && !streamEnded() &&
               !(limitCrossed && options.exitOnLimit);
    });
    recording.SyncJournal();
    stream.Close();
    // A refusal in the middle of the recording was said when it came.
    const bool published = publisher == nullptr || publisher->Finish();
    if (reason != EndReason::StreamFailed && stream.GetState() == CJsonLinesStream::State::Failed) {
        reason = EndReason::StreamFailed;
    }
    PrintProgress(recording);
    // The link's own reason already says "link lost: …".
    std::string endText = lossReason.empty() ? Describe(reason) : lossReason;
    if (reason == EndReason::StreamFailed) {
        endText = "cannot write the JSON lines to " +
                  (stream.IsStandardOutput() ? std::string("the standard output") : stream.Path()) +
                  ": " + stream.Error();
    }
    std::fprintf(stderr, "vavirir-cli record: %s\n", endText.c_str());

    if (recording.Document() == nullptr) {
        std::fprintf(stderr, "vavirir-cli record: no data from the meter, nothing saved\n");
        return reason == EndReason::Signal && published ? 0 : 1;
    }
    if (options.out.empty() && reason == EndReason::StreamFailed) {
        // Not all lines got out and there is no data file: the journal keeps them.
        std::fprintf(stderr,
                     "vavirir-cli record: %zu records are kept in the crash journal (vavirir-cli "
                     "journals)\n",
                     recording.Records());
        return 1;
    }
    if (options.limits.limits.high) {
        std::fprintf(stderr, "vavirir-cli record: Above high: %zu\n", watcher.AboveHigh());
    }
    if (options.limits.limits.low) {
        std::fprintf(stderr, "vavirir-cli record: Below low: %zu\n", watcher.BelowLow());
    }
    const int saved = recording.SaveLast();
    if (reason == EndReason::LimitCrossed && saved == 0) {
        return kExitLimitCrossed;
    }
    // A reader that went away (| head -3) took what it wanted: that is a
    // clean end. A failed write of the lines is not.
    return reason == EndReason::LinkLost || reason == EndReason::StreamFailed || !published ? 1
                                                                                            : saved;
}

}  // namespace

int RunRecord(int argc, char** argv) {
    return RunCommand("record", kUsage, argc, argv, ParseOptions, Record);
}

const char* RecordHelp() {
    return kUsage;
}
