// vavirir-cli record: records the meter's live readings into one document, as
// Start does in the program, and saves it.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "cli/LinkLoop.h"
#include "cli/MeterLink.h"
#include "cli/OutputCheck.h"
#include "cli/RecordJournal.h"
#include "cli/RecordMqtt.h"
#include "decode/Clock.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "docview/FallbackSave.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kUsage =
    "usage: vavirir-cli record --port P [--count N] [--seconds S] [--reconnect] --out F.txt\n"
    "                          [--xls F.xls] [--jsonl J|-] [--mqtt URL [--mqtt-cafile FILE]\n"
    "                          [--mqtt-password-file FILE]]\n"
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
    "  $XDG_STATE_HOME/vavirir/journal (see the journals and recover commands).\n";

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
};

enum class EndReason {
    Count,
    Seconds,
    Signal,
    Silence,
    LinkLost,
    DocumentFull,
    MeterStopped,
    StreamReaderGone,
    StreamFailed
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
    }
    return "";
}

RecordOptions ParseOptions(int argc, char** argv) {
    RecordOptions options;
    bool havePort = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port") {
            options.port = PortOption(OptionValue(argc, argv, i));
            havePort = true;
        } else if (arg == "--count") {
            const auto count = ParsePositive(OptionValue(argc, argv, i));
            if (!count || *count != static_cast<double>(static_cast<std::size_t>(*count))) {
                throw UsageError("--count needs a whole number of at least 1");
            }
            options.count = static_cast<std::size_t>(*count);
        } else if (arg == "--seconds") {
            options.seconds = ParsePositive(OptionValue(argc, argv, i));
            if (!options.seconds) {
                throw UsageError("--seconds needs a number above 0");
            }
        } else if (arg == "--out") {
            options.out = PathValue(argc, argv, i);
        } else if (arg == "--xls") {
            options.xls = PathValue(argc, argv, i);
        } else if (arg == "--jsonl") {
            options.jsonl = PathValue(argc, argv, i, DashMeans::StandardOutput);
        } else if (arg == "--mqtt") {
            options.mqtt.url = PathValue(argc, argv, i);
        } else if (arg == "--mqtt-cafile") {
            options.mqtt.caFile = PathValue(argc, argv, i);
        } else if (arg == "--mqtt-password-file") {
            options.mqtt.passwordFile = PathValue(argc, argv, i);
        } else if (arg == "--reconnect") {
            options.reconnect = true;
        } else {
            throw UsageError("unexpected argument " + arg);
        }
    }
    RequireArgument(havePort, "--port");
    // Without --jsonl the data file is the only output; the usage says --jsonl frees it.
    RequireArgument(!options.out.empty() || !options.jsonl.empty(), "--out");
    if (!options.mqtt.url.empty() || !options.mqtt.caFile.empty() ||
        !options.mqtt.passwordFile.empty()) {
        options.broker = BrokerOfOptions(options.mqtt);
    }
    return options;
}

// Feeds the meter's bytes into the session and owns the live document, which
// Start opens when the first bytes are there.
class LiveRecording {
  public:
    LiveRecording(CCliSessionHost& host, CMeterSession& session, CRecordJournal& journal)
        : m_host(host), m_session(session), m_journal(journal) {}

    void Feed(const std::vector<std::uint8_t>& bytes) {
        if (m_pDocument == nullptr) {
            // Start is allowed once data arrives; it is chosen just before
            // these first bytes are decoded, so none of their readings is missed.
            if (m_session.StartAsDataArrives()) {
                m_pDocument = m_host.Documents().back();
                m_startedAt = SteadyClock::now();
                m_journal.Attach(m_session.Registry().Views().back()->Document());
            }
        }
        m_session.OnReceiveBytes(bytes.data(), bytes.size());
    }

    const CRoZudozuvDoc* Document() const { return m_pDocument; }
    std::size_t Records() const { return m_pDocument ? m_pDocument->channels[0].size() : 0; }
    SteadyClock::time_point StartedAt() const { return m_startedAt; }
    bool Stopped() const { return m_pDocument != nullptr && !m_session.IsRunning(); }

  private:
    CCliSessionHost& m_host;
    CMeterSession& m_session;
    CRecordJournal& m_journal;
    const CRoZudozuvDoc* m_pDocument = nullptr;
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

int Save(const RecordOptions& options, const CRoZudozuvDoc& doc, CRecordJournal& journal) {
    if (options.out.empty()) {
        // The lines were the output asked for: there is nothing to recover.
        journal.Remove();
        std::fprintf(stderr, "vavirir-cli record: %zu records, no --out file\n",
                     doc.channels[0].size());
    } else if (!SaveOrKeep("record", doc, options.out)) {
        return 1;
    } else {
        journal.Remove();
        std::fprintf(stderr, "vavirir-cli record: %zu records saved to %s\n",
                     doc.channels[0].size(), options.out.c_str());
    }
    if (!options.xls.empty()) {
        if (HasExportableRecords(doc)) {
            try {
                ExportDocumentFile(doc, options.xls);
            } catch (const CExportError& error) {
                std::fprintf(stderr, "vavirir-cli record: %s was not exported: %s\n",
                             options.xls.c_str(), error.what());
                return 1;
            }
            std::fprintf(stderr, "vavirir-cli record: exported to %s\n", options.xls.c_str());
        } else {
            std::fprintf(stderr, "vavirir-cli record: no records, so %s was not written\n",
                         options.xls.c_str());
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
    CMeterLinkSession link;
    link.host.SetLiveRecordLimit(options.count.value_or(0));
    if (!link.Open("record", options.port)) {
        return 1;
    }
    std::fprintf(stderr, "vavirir-cli record: %s open, waiting for the meter\n",
                 options.port.Device().c_str());
    if (publisher) {
        publisher->MeterLink(true);
    }

    CRecordJournal journal(JournalFolder(), options.out);
    LiveRecording recording(link.host, link.session, journal);
    auto countReached = [&] { return options.count && recording.Records() >= *options.count; };
    auto lastProgress = SteadyClock::time_point{};
    EndReason reason = EndReason::Signal;
    LinkLoopSteps steps;
    auto feed = [&](const std::vector<std::uint8_t>& bytes) {
        recording.Feed(bytes);
        if (!options.jsonl.empty() && recording.Document() != nullptr) {
            stream.Follow(*recording.Document());
        }
        if (publisher && recording.Document() != nullptr) {
            publisher->Follow(*recording.Document());
        }
    };
    auto streamEnded = [&] { return stream.GetState() != CJsonLinesStream::State::Open; };
    steps.feed = [&](const std::vector<std::uint8_t>& bytes) {
        feed(bytes);
        const auto now = SteadyClock::now();
        if (!countReached() && !recording.Stopped() && now - lastProgress >= 1s) {
            PrintProgress(recording);
            lastProgress = now;
        }
    };
    steps.done = [&] {
        journal.Tick();
        if (publisher) {
            publisher->Tick();
        }
        if (streamEnded()) {
            reason = stream.GetState() == CJsonLinesStream::State::ReaderGone
                         ? EndReason::StreamReaderGone
                         : EndReason::StreamFailed;
        } else if (countReached()) {
            reason = EndReason::Count;
        } else if (recording.Stopped()) {
            reason = recording.Records() >= CRoZudozuvDoc::kLiveCapacity ? EndReason::DocumentFull
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
    CDataTimeout timeout(link.session);
    timeout.CountFromNow();
    CLinkReconnect reconnect("record", link, timeout, options.port);
    if (options.reconnect) {
        reconnect.AttachTo(steps);
    }
    if (publisher) {
        // The status topic follows the meter's link: offline while it is lost.
        steps.turn = [&, turn = steps.turn] {
            if (turn) {
                turn();
            }
            publisher->MeterLink(!reconnect.Pending());
        };
    }
    const LinkLoopEnd end = RunLinkLoop(link, timeout, steps);
    if (end.reason == LinkLoopEnd::Reason::Silence) {
        reason = EndReason::Silence;
    } else if (end.reason == LinkLoopEnd::Reason::LinkLost) {
        reason = EndReason::LinkLost;
    } else if (end.reason == LinkLoopEnd::Reason::Signal) {
        reason = EndReason::Signal;
    }
    const std::string& lossReason = end.lossReason;

    // What the reader still held goes into the recording unless it is complete.
    DrainLink(
        link, [&] { return !countReached() && !recording.Stopped() && !streamEnded(); }, feed);
    journal.Sync();
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
    const int saved = Save(options, *recording.Document(), journal);
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
