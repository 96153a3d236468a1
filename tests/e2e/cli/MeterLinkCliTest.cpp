// The simulator on a pseudo-terminal drives vavirir-cli record and download;
// what they save is checked record by record against what the simulator sent.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/Json.h"
#include "common/TimeText.h"
#include "decode/Clock.h"
#include "docview/CsvExport.h"
#include "frames/FrameEncoder.h"
#include "link/SerialPort.h"
#include "record/Document.h"
#include "record/MeterSession.h"
#include "support/ChildProcess.h"
#include "support/FakeBluetooth.h"
#include "support/TestFolder.h"

namespace fs = std::filesystem;
using test_support::ChildProcess;
using namespace std::chrono_literals;

namespace {

std::string Bin(const std::string& name) {
    return std::string(VAVIRIR_BINARY_DIR) + "/" + name;
}

struct SavedRecord {
    std::string value;
    std::string unit;
    std::string sequence;
    std::string timeText;
    std::string typeText;
};

struct Saved {
    std::vector<SavedRecord> records;  // channel 0
    std::string summary;               // the summary object as JSON text
};

std::string Field(const std::string& record, const std::string& name) {
    const std::regex quoted("\"" + name + "\":\"([^\"]*)\"");
    const std::regex plain("\"" + name + "\":([^,}]*)");
    std::smatch m;
    if (std::regex_search(record, m, quoted) || std::regex_search(record, m, plain)) {
        return m[1];
    }
    return {};
}

// The program around a session, for the test's own run of the sent bytes.
class OracleHost : public ISessionHost {
  public:
    CRoZudozuvDoc* OpenNewDocument() override {
        documents.push_back(std::make_unique<CRoZudozuvDoc>());
        return documents.back().get();
    }
    void ReadingDecoded(const MeterReading&, FaceNumber, DialPosition, bool) override {}
    void WriteToMeter(const std::uint8_t*, std::size_t) override {}
    int ReadSize() const override { return 100; }
    void SetReadSize(int) override {}
    void ShowDownloadProgress(int) override {}
    void SetDownloadProgress(int) override {}
    void CloseDownloadProgress() override {}

    std::vector<std::unique_ptr<CRoZudozuvDoc>> documents;
};

class MeterLinkCli : public test_support::TestFolderTest {
  protected:
    MeterLinkCli() : TestFolderTest("vavirir-e2e-cli-") {}

    // Starts the simulator and returns its pseudo-terminal.
    std::string StartSim(std::unique_ptr<ChildProcess>& sim, std::vector<std::string> args) {
        args.insert(args.begin(), {Bin("vavirir-sim"), "--verbose"});
        sim = std::make_unique<ChildProcess>(args, test_support::StderrTo(PathOf("sim.err")));
        const std::string pty = sim->ReadLine(5s).value_or("");
        EXPECT_FALSE(pty.empty()) << "the simulator printed no terminal";
        return pty;
    }

    // Runs vavirir-cli to its end; returns the exit code (-1: it hung).
    int Cli(std::vector<std::string> args, int limitMs, std::string* err = nullptr) {
        args.insert(args.begin(), Bin("vavirir-cli"));
        ChildProcess cli(args, test_support::StderrTo(PathOf("cli.err")));
        const int rc = cli.Wait(std::chrono::milliseconds(limitMs)).value_or(-1);
        if (err) {
            *err = cli.Stderr();
        }
        return rc;
    }

    // The bytes the simulator sent, as hex text.
    std::string SentHex() const {
        std::ifstream in(PathOf("sim.err"));
        std::string line;
        std::string hex;
        while (std::getline(in, line)) {
            const auto at = line.find(": sent ");
            if (at != std::string::npos) {
                hex += line.substr(at + 7) + "\n";
            }
        }
        return hex;
    }

    Saved Dump(const std::string& file) {
        ChildProcess dump({Bin("vavirir-cli"), "dump", "--json", file},
                          test_support::StderrTo(PathOf("dump.err")));
        std::string json;
        while (const auto line = dump.ReadLine(10s)) {
            json += *line;
        }
        EXPECT_EQ(dump.Wait(10s), 0) << dump.Stderr();
        Saved saved;
        const auto begin = json.find("{\"channels\":[[");
        if (begin == std::string::npos) {
            ADD_FAILURE() << "unexpected dump: " << json;
            return saved;
        }
        const auto first = begin + 14;
        const std::string channel0 = json.substr(first, json.find(']', first) - first);
        const std::regex record("\\{[^}]*\\}");
        for (auto it = std::sregex_iterator(channel0.begin(), channel0.end(), record);
             it != std::sregex_iterator(); ++it) {
            const std::string r = it->str();
            saved.records.push_back({Field(r, "value"), Field(r, "unit"), Field(r, "sequence"),
                                     Field(r, "timeText"), Field(r, "typeText")});
        }
        const auto summary = json.find("\"summary\":");
        if (summary != std::string::npos) {
            saved.summary = json.substr(summary);
        }
        return saved;
    }

    // What the program's receive path makes of the chunks the simulator
    // sent, each handed over as one block: the first document's channel 0.
    // Stops after `limit` records when given (the simulator sends one frame a chunk).
    Saved Replayed(const std::string& hex, bool start, std::size_t limit = 0) {
        OracleHost host;
        SystemClock clock;
        CMeterSession session(host, clock);
        std::istringstream lines(hex);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            if (limit > 0 && !host.documents.empty() &&
                host.documents.front()->channels[0].size() >= limit) {
                break;
            }
            const frames::Bytes bytes = frames::FromHex(line);
            if (first && start) {
                session.StartAsDataArrives();
            }
            first = false;
            session.OnReceiveBytes(bytes.data(), bytes.size());
        }
        Saved saved;
        if (host.documents.empty()) {
            ADD_FAILURE() << "the oracle made no document";
            return saved;
        }
        for (const CObData& r : host.documents.front()->channels[0]) {
            saved.records.push_back({JsonNumber(r.value, "%.17g"), r.unit,
                                     std::to_string(r.sequence), r.timeText, r.typeText});
        }
        const DocumentSummary& s = host.documents.front()->summary;
        saved.summary = "{\"average\":" + JsonNumber(s.average, "%.17g") +
                        ",\"maximum\":" + JsonNumber(s.maximum, "%.17g") +
                        ",\"minimum\":" + JsonNumber(s.minimum, "%.17g") +
                        ",\"sum\":" + JsonNumber(s.sum, "%.17g") +
                        ",\"dataNumber\":" + std::to_string(s.dataNumber) +
                        ",\"type\":" + JsonString(s.type) + "}";
        return saved;
    }
};

// Values, units and types of `got` equal the first records of `expected`.
void ExpectSameReadings(const std::vector<SavedRecord>& got,
                        const std::vector<SavedRecord>& expected) {
    ASSERT_LE(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].value, expected[i].value) << "record " << i;
        EXPECT_EQ(got[i].unit, expected[i].unit) << "record " << i;
        EXPECT_EQ(got[i].typeText, expected[i].typeText) << "record " << i;
        EXPECT_EQ(got[i].sequence, std::to_string(i)) << "record " << i;
    }
}

// "d/m/yyyy h:m:s" as a count of seconds (calendar arithmetic, no time zone).
long long SecondsOf(const std::string& timeText) {
    const std::optional<CalendarTime> fields = ParseRecordTime(timeText);
    if (!fields) {
        ADD_FAILURE() << "not a PC time text: " << timeText;
        return 0;
    }
    auto [year, month, day, hour, minute, second] = *fields;
    // Days from civil date (proleptic Gregorian).
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yoe = year - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = era * 146097 + doe;
    return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

std::size_t Overloads(const std::vector<SavedRecord>& records) {
    std::size_t n = 0;
    for (const SavedRecord& r : records) {
        n += r.value == "500000";
    }
    return n;
}

TEST_F(MeterLinkCli, RecordSavesExactlyTheReadingsTheMeterSent) {
    std::unique_ptr<ChildProcess> sim;
    const std::string pty = StartSim(sim, {"--seed", "7", "--interval-ms", "20", "live", "--kinds",
                                           "0,1,2,3,4,5,6", "--overloads", "0.3"});
    std::string err;
    ASSERT_EQ(Cli({"record", "--port", pty, "--count", "40", "--out", PathOf("rec.txt"), "--xls",
                   PathOf("rec.xls")},
                  30000, &err),
              0)
        << err;
    EXPECT_NE(err.find("record count reached"), std::string::npos) << err;
    EXPECT_NE(err.find("records, last"), std::string::npos) << "progress is shown: " << err;
    EXPECT_EQ(sim->Wait(5s), 0) << "the simulator ends when the port closes";

    const Saved saved = Dump(PathOf("rec.txt"));
    ASSERT_EQ(saved.records.size(), 40u);
    const Saved expected = Replayed(SentHex(), true, 40);
    ASSERT_EQ(expected.records.size(), 40u);
    ExpectSameReadings(saved.records, expected.records);
    EXPECT_GT(Overloads(saved.records), 0u) << "overloads are kept as 500000";
    EXPECT_GT(fs::file_size(PathOf("rec.xls")), 0u);

    // The summary follows the program's statistics rules: equal to the one
    // the receive path builds from the same 40 readings.
    const std::regex dataNumber("\"dataNumber\":40");
    EXPECT_TRUE(std::regex_search(saved.summary, dataNumber)) << saved.summary;
    for (const char* field : {"maximum", "minimum", "average", "sum", "type"}) {
        EXPECT_EQ(Field(saved.summary, field), Field(expected.summary, field)) << field;
    }
}

// A recording killed without warning leaves its journal; recover gives back
// every reading that arrived more than a second before the kill.
TEST_F(MeterLinkCli, KillNineThenRecoverKeepsAllButTheLastSecond) {
    test_support::ChildSetup setup = test_support::StderrTo(PathOf("rec.err"));
    setup.env = {"XDG_STATE_HOME=" + PathOf("state")};
    std::unique_ptr<ChildProcess> sim;
    const std::string pty = StartSim(sim, {"--seed", "5", "--interval-ms", "30", "live"});
    ChildProcess record({Bin("vavirir-cli"), "record", "--port", pty, "--out", PathOf("rec.txt")},
                        setup);
    std::this_thread::sleep_for(2500ms);
    const std::size_t sentBefore = Replayed(SentHex(), true).records.size();
    std::this_thread::sleep_for(1000ms);
    record.Signal(SIGKILL);
    EXPECT_EQ(record.Wait(5s), 128 + SIGKILL);
    EXPECT_EQ(sim->Wait(5s), 0);
    EXPECT_FALSE(fs::exists(PathOf("rec.txt")));

    setup.stderrPath = PathOf("journals.err");
    const auto listed = test_support::RunToEnd({Bin("vavirir-cli"), "journals"}, setup);
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const std::regex line("([^\t\n]+)\\t[0-9-]+ [0-9:]+\\t([0-9]+)\\t([^\t]*)\\t\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(listed.out, m, line)) << listed.out;
    EXPECT_EQ(m[3].str(), PathOf("rec.txt"));
    const std::string id = m[1];

    const auto recovered = test_support::RunToEnd(
        {Bin("vavirir-cli"), "recover", id, "--out", PathOf("back.txt")}, setup);
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    const Saved saved = Dump(PathOf("back.txt"));
    EXPECT_EQ(std::to_string(saved.records.size()), m[2].str());
    EXPECT_GE(saved.records.size(), sentBefore);
    ExpectSameReadings(saved.records, Replayed(SentHex(), true).records);
    const auto after = test_support::RunToEnd({Bin("vavirir-cli"), "journals"}, setup);
    EXPECT_EQ(after.out, "") << "a recovered journal is removed";

    // A recording that ends normally removes its journal once its file is saved.
    std::unique_ptr<ChildProcess> again;
    const std::string pty2 = StartSim(again, {"--interval-ms", "30", "live"});
    std::string err;
    ASSERT_EQ(
        Cli({"record", "--port", pty2, "--count", "5", "--out", PathOf("five.txt")}, 30000, &err),
        0)
        << err;
    EXPECT_NE(err.find("record: journal "), std::string::npos) << err;
    EXPECT_EQ(test_support::RunToEnd({Bin("vavirir-cli"), "journals"}, setup).out, "");
}

TEST_F(MeterLinkCli, DownloadAcknowledgesEveryStepAndSavesEveryRecord) {
    std::unique_ptr<ChildProcess> sim;
    const std::string pty =
        StartSim(sim, {"download", "--blocks", "4", "--records", "9", "--sample-interval", "2"});
    std::string err;
    ASSERT_EQ(Cli({"download", "--port", pty, "--out", PathOf("dl.txt")}, 30000, &err), 0) << err;
    EXPECT_NE(err.find("block 3 of 4"), std::string::npos) << err;
    EXPECT_NE(err.find("complete"), std::string::npos) << err;

    // The meter only went on after five acknowledgements per step.
    std::ifstream simLog(PathOf("sim.err"));
    const std::string log((std::istreambuf_iterator<char>(simLog)), {});
    std::size_t acks = 0;
    for (auto at = log.find("f301f4"); at != std::string::npos; at = log.find("f301f4", at + 6)) {
        ++acks;
    }
    EXPECT_EQ(acks, 4u * 5u) << "one burst after the header and after blocks 1 to 3";

    const Saved saved = Dump(PathOf("dl.txt"));
    ASSERT_EQ(saved.records.size(), 36u);
    const Saved expected = Replayed(SentHex(), false);
    ASSERT_EQ(expected.records.size(), 36u);
    for (std::size_t i = 0; i < saved.records.size(); ++i) {
        EXPECT_EQ(saved.records[i].timeText, expected.records[i].timeText) << i;
    }
    ExpectSameReadings(saved.records, expected.records);
    // Independently: stored readings lie 2 s apart, across the blocks too.
    for (std::size_t i = 1; i < saved.records.size(); ++i) {
        EXPECT_EQ(SecondsOf(saved.records[i].timeText) - SecondsOf(saved.records[i - 1].timeText),
                  2)
            << saved.records[i - 1].timeText << " -> " << saved.records[i].timeText;
    }
}

TEST_F(MeterLinkCli, AStalledDownloadIsSavedAndReportedIncomplete) {
    // The header announces three blocks; the meter sends only the first.
    frames::DownloadHeader header;
    header.start = frames::MakeBcdStamp(26, 12, 7, 23, 59, 50);
    header.interval = 5;
    header.blockCount = 3;
    const std::vector<frames::StoredRecord> block = {{1.5f, 0}, {2.5f, 5}, {3.5f, 10}};
    std::ofstream(PathOf("stall.hex")) << frames::ToHex(frames::Encode(header)) << "\n"
                                       << frames::ToHex(frames::EncodeBlock(1, block)) << "\n";
    std::unique_ptr<ChildProcess> sim;
    const std::string pty =
        StartSim(sim, {"--interval-ms", "300", "replay", "--hex", PathOf("stall.hex")});
    std::string err;
    EXPECT_EQ(
        Cli({"download", "--port", pty, "--out", PathOf("dl.txt"), "--timeout", "1"}, 20000, &err),
        1)
        << err;
    EXPECT_NE(err.find("incomplete"), std::string::npos) << err;
    EXPECT_NE(err.find("1 of 3 blocks"), std::string::npos) << err;
    const Saved saved = Dump(PathOf("dl.txt"));
    ASSERT_EQ(saved.records.size(), 3u);
    EXPECT_EQ(saved.records[0].value, "1.5");
    EXPECT_EQ(saved.records[2].value, "3.5");
    EXPECT_EQ(saved.records[2].timeText, "8/12/2026 0:0:0") << "start + 10 s over midnight";
}

TEST_F(MeterLinkCli, GarbageOnTheLineThenSilenceEndsTheRecording) {
    // Junk between the meter's frames must not cost a reading or crash anything.
    const std::string frame = frames::ToHex(frames::Encode(frames::PlainFrame{.value = 1.25f}));
    const std::string other = frames::ToHex(frames::Encode(frames::PlainFrame{.value = -4.5f}));
    std::ofstream(PathOf("junk.hex")) << frame << "\n"
                                      << "00ff13a0a0a0f3\n"
                                      << other << "\n"
                                      << "a0\n"
                                      << "7e7e7e7e7e7e7e7e7e7e\n"
                                      << frame << "\n";
    std::unique_ptr<ChildProcess> sim;
    const std::string pty =
        StartSim(sim, {"--interval-ms", "300", "replay", "--hex", PathOf("junk.hex")});
    std::string err;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Cli({"record", "--port", pty, "--out", PathOf("rec.txt")}, 40000, &err), 0) << err;
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_NE(err.find("silent"), std::string::npos) << err;

    // Each line is one write of the simulator, and a block ends 200 ms after
    // its last byte. Unhurried, each line is a block of its own: junk in front
    // of a marker is dropped with the block it came in, a lone A0 waits and is
    // dropped with the junk after it. On a busy machine two lines can come as
    // one block, which costs the frame behind the junk. So the recording must
    // be what the receive routine makes of the sent lines cut into blocks in
    // one of the ways they can be: no reading made up, none lost beyond that.
    const auto valuesOf = [](const std::vector<SavedRecord>& records) {
        std::vector<std::string> values;
        for (const SavedRecord& r : records) {
            values.push_back(r.value);
        }
        return values;
    };
    std::vector<std::string> lines;
    std::istringstream sent(SentHex());
    for (std::string line; std::getline(sent, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 6u);
    const unsigned everyLineABlock = (1u << (lines.size() - 1)) - 1;
    const auto cutInto = [&](unsigned boundaries) {
        std::string hex = lines[0];
        for (std::size_t i = 1; i < lines.size(); ++i) {
            hex += ((boundaries >> (i - 1)) & 1u ? "\n" : "") + lines[i];
        }
        return Replayed(hex + "\n", true).records;
    };
    EXPECT_EQ(valuesOf(cutInto(everyLineABlock)),
              (std::vector<std::string>{"1.25", "-4.5", "1.25"}));

    const Saved saved = Dump(PathOf("rec.txt"));
    ASSERT_FALSE(saved.records.empty()) << "the first block starts with a whole frame";
    std::optional<unsigned> explained;
    for (unsigned boundaries = 0; boundaries <= everyLineABlock && !explained; ++boundaries) {
        if (valuesOf(cutInto(boundaries)) == valuesOf(saved.records)) {
            explained = boundaries;
        }
    }
    ASSERT_TRUE(explained) << "no cutting of the sent lines gives " << saved.records.size()
                           << " readings starting with " << saved.records[0].value;
    ExpectSameReadings(saved.records, cutInto(*explained));
}

TEST_F(MeterLinkCli, InterruptAndVanishingDeviceKeepEverythingReceived) {
    {
        // The interrupt comes once every frame sent has been recorded: a frame
        // still on its way when the port closes is not "received".
        std::unique_ptr<ChildProcess> sim;
        const std::string pty =
            StartSim(sim, {"--seed", "3", "--interval-ms", "30", "live", "--count", "40"});
        ChildProcess record({Bin("vavirir-cli"), "record", "--port", pty, "--out",
                             PathOf("int.txt"), "--jsonl", PathOf("int.jsonl")},
                            test_support::StderrTo(PathOf("int.err")));
        EXPECT_TRUE(test_support::WaitForLines(PathOf("int.jsonl"), 40, 30s)) << record.Stderr();
        record.Signal(SIGINT);
        EXPECT_EQ(record.Wait(10s), 0) << record.Stderr();
        EXPECT_NE(record.Stderr().find("interrupted"), std::string::npos);
        EXPECT_EQ(sim->Wait(5s), 0);
        const Saved saved = Dump(PathOf("int.txt"));
        const Saved sent = Replayed(SentHex(), true);
        EXPECT_EQ(sent.records.size(), 40u);
        EXPECT_EQ(saved.records.size(), sent.records.size()) << "every frame sent was saved";
        ExpectSameReadings(saved.records, sent.records);
    }
    {
        // The meter goes once its frames were read: the kernel drops what a
        // vanished terminal's reader has not read yet.
        std::unique_ptr<ChildProcess> sim;
        const std::string pty =
            StartSim(sim, {"--seed", "4", "--interval-ms", "30", "live", "--count", "20"});
        ChildProcess record({Bin("vavirir-cli"), "record", "--port", pty, "--out",
                             PathOf("lost.txt"), "--jsonl", PathOf("lost.jsonl")},
                            test_support::StderrTo(PathOf("lost.err")));
        EXPECT_TRUE(test_support::WaitForLines(PathOf("lost.jsonl"), 20, 30s)) << record.Stderr();
        sim->Signal(SIGTERM);  // the meter's end of the link goes away
        EXPECT_EQ(sim->Wait(5s), 0);
        EXPECT_EQ(record.Wait(10s), 1) << record.Stderr();
        EXPECT_NE(record.Stderr().find("record: link lost: "), std::string::npos)
            << record.Stderr();
        EXPECT_EQ(record.Stderr().find("link lost: link lost"), std::string::npos)
            << record.Stderr();
        const Saved saved = Dump(PathOf("lost.txt"));
        const Saved sent = Replayed(SentHex(), true);
        EXPECT_EQ(sent.records.size(), 20u);
        EXPECT_EQ(saved.records.size(), sent.records.size());
        ExpectSameReadings(saved.records, sent.records);
    }
}

TEST_F(MeterLinkCli, JsonLinesStreamEndsCleanlyWhenHeadClosesThePipeAndAgreesWithTheFile) {
    std::unique_ptr<ChildProcess> sim;
    // Seed 7 with overloads begins with two overloads: the null value is seen.
    std::string pty = StartSim(sim, {"--seed", "7", "--interval-ms", "30", "live", "--kinds",
                                     "0,1,2", "--overloads", "0.3"});
    const std::string script =
        "\"$0\" record --port \"$1\" --jsonl - --out \"$2\"; echo $? > \"$3\"";
    ChildProcess shell({"/bin/sh", "-c", "{ " + script + "; } | head -3", Bin("vavirir-cli"), pty,
                        PathOf("rec.txt"), PathOf("rc")},
                       test_support::StderrTo(PathOf("cli.err")));
    const std::string out = shell.ReadAll(30s);
    ASSERT_EQ(shell.Wait(30s), 0) << shell.Stderr();
    std::ifstream rcFile(PathOf("rc"));
    int rc = -1;
    rcFile >> rc;
    EXPECT_EQ(rc, 0) << "a closed pipe is a clean end: " << shell.Stderr();
    EXPECT_NE(shell.Stderr().find("the reader of the JSON lines went away"), std::string::npos)
        << shell.Stderr();
    EXPECT_EQ(sim->Wait(5s), 0);

    std::vector<std::string> lines;
    std::istringstream split(out);
    for (std::string line; std::getline(split, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3u) << out;
    const Saved saved = Dump(PathOf("rec.txt"));
    ASSERT_GE(saved.records.size(), 3u) << "the data file holds at least what was streamed";
    const std::regex shape(
        "\\{\"seq\":\\d+,\"time\":\"[^\"]*\",\"value\":[^,]+,\"unit\":\"[^\"]*\",\"type\":"
        "\"[^\"]*\",\"overload\":(true|false)\\}");
    std::size_t overloads = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const SavedRecord& record = saved.records[i];
        ASSERT_TRUE(std::regex_match(line, shape)) << line;
        EXPECT_EQ(Field(line, "seq"), std::to_string(i + 1));
        EXPECT_EQ(Field(line, "time"), IsoLocalTime(record.timeText)) << line;
        EXPECT_NE(Field(line, "time"), record.timeText) << "a PC time text becomes ISO 8601";
        EXPECT_EQ(Field(line, "unit"), record.unit) << line;
        EXPECT_EQ(Field(line, "type"), record.typeText) << line;
        if (record.value == "500000") {
            ++overloads;
            EXPECT_EQ(Field(line, "value"), "null") << line;
            EXPECT_EQ(Field(line, "overload"), "true") << line;
        } else {
            // "%.9g" holds the meter's single-precision value exactly.
            EXPECT_EQ(static_cast<float>(std::stod(Field(line, "value"))),
                      static_cast<float>(std::stod(record.value)))
                << line;
            EXPECT_EQ(Field(line, "overload"), "false") << line;
        }
    }
    EXPECT_GT(overloads, 0u);

    // A full disk under the stream: said clearly, the data file is kept.
    pty = StartSim(sim, {"--interval-ms", "30", "live"});
    std::string err;
    EXPECT_EQ(Cli({"record", "--port", pty, "--jsonl", "/dev/full", "--out", PathOf("full.txt")},
                  30000, &err),
              1);
    EXPECT_NE(err.find("cannot write the JSON lines to /dev/full: No space left on device"),
              std::string::npos)
        << err;
    EXPECT_GE(Dump(PathOf("full.txt")).records.size(), 1u);
}

TEST_F(MeterLinkCli, MissingBusyAndWrongPortsFailClearly) {
    std::string err;
    EXPECT_EQ(Cli({"record", "--port", "987", "--out", PathOf("x.txt")}, 10000, &err), 1);
    EXPECT_EQ(
        err, "vavirir-cli record: Warning:Can't open /dev/rfcomm987!\nNo such file or directory\n");
    EXPECT_EQ(Cli({"download", "--port", PathOf("none"), "--out", PathOf("x.txt")}, 10000, &err),
              1);
    EXPECT_NE(err.find("Warning:Can't open " + PathOf("none") + "!"), std::string::npos) << err;

    std::unique_ptr<ChildProcess> sim;
    const std::string pty = StartSim(sim, {"live"});
    {
        CSerialPort holder;
        holder.OpenDevice(pty, LineSettings{});
        EXPECT_EQ(Cli({"record", "--port", pty, "--out", PathOf("x.txt")}, 10000, &err), 1);
        EXPECT_NE(err.find("in use"), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(PathOf("x.txt")));

    EXPECT_EQ(Cli({"record", "--out", PathOf("x.txt")}, 10000, &err), 2);
    EXPECT_EQ(Cli({"record", "--port", "1", "--count", "0", "--out", "x"}, 10000, &err), 2);
    EXPECT_EQ(Cli({"download", "--port", "1", "--out", "x", "--timeout", "-1"}, 10000, &err), 2);
    EXPECT_EQ(Cli({"ports", "extra"}, 10000, &err), 2);
    EXPECT_EQ(Cli({"ports"}, 10000, &err), 0);
}

}  // namespace

TEST_F(MeterLinkCli, RecordReconnectKeepsOneDocumentAcrossADeviceThatVanishesAndComesBack) {
    const std::string link = PathOf("meter");
    auto startSim = [&](const std::string& errFile) {
        auto sim = std::make_unique<ChildProcess>(
            std::vector<std::string>{Bin("vavirir-sim"), "--verbose", "live", "--interval-ms", "50",
                                     "--start-delay-ms", "0", "--link", link},
            test_support::StderrTo(PathOf(errFile)));
        EXPECT_FALSE(sim->ReadLine(5s).value_or("").empty()) << "the simulator printed no terminal";
        return sim;
    };
    auto sentFrames = [&](const std::string& errFile) {
        std::ifstream in(PathOf(errFile));
        int count = 0;
        for (std::string line; std::getline(in, line);) {
            count += line.find(": sent ") != std::string::npos ? 1 : 0;
        }
        return count;
    };

    auto first = startSim("sim1.err");
    ChildProcess cli({Bin("vavirir-cli"), "record", "--port", link, "--reconnect", "--count", "60",
                      "--out", PathOf("gap.txt")},
                     test_support::StderrTo(PathOf("cli.err")));
    EXPECT_TRUE(test_support::WaitFor([&] { return sentFrames("sim1.err") >= 5; }, 30s))
        << cli.Stderr();
    first->Signal(SIGTERM);
    ASSERT_EQ(first->Wait(5s), 0);
    // Away for longer than a retry period, then back on the same path.
    std::this_thread::sleep_for(2500ms);
    auto second = startSim("sim2.err");
    ASSERT_EQ(cli.Wait(20s), 0) << cli.Stderr();
    second->Signal(SIGTERM);
    second->Wait(5s);

    const std::string err = cli.Stderr();
    EXPECT_NE(err.find("Reconnecting to " + link), std::string::npos) << err;
    EXPECT_NE(err.find("Connected to " + link), std::string::npos) << err;
    const int before = sentFrames("sim1.err");
    EXPECT_GT(before, 0);
    EXPECT_LT(before, 60);
    EXPECT_GT(sentFrames("sim2.err"), 0);
    // One document whose sequence numbers run on across the gap.
    const Saved saved = Dump(PathOf("gap.txt"));
    ASSERT_EQ(saved.records.size(), 60u);
    for (std::size_t i = 0; i < saved.records.size(); ++i) {
        EXPECT_EQ(saved.records[i].sequence, std::to_string(i));
    }
}

// ---------------------------------------------------------------- Bluetooth meters
//
// Against the fake Bluetooth service on a private bus: the program connects
// through ConnectProfile and reads the socket handed over in NewConnection,
// behind which vavirir-sim plays the meter.

namespace {

const std::string kBtMeter = "bt:AA:BB:CC:DD:EE:01";

// The chunks a simulator logged as sent, as hex lines.
std::string SentHexOf(const std::string& log) {
    std::istringstream in(log);
    std::string hex;
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find(": sent ");
        if (at != std::string::npos) {
            hex += line.substr(at + 7) + "\n";
        }
    }
    return hex;
}

std::size_t SentChunks(const std::string& log) {
    std::size_t n = 0;
    for (auto at = log.find(": sent "); at != std::string::npos; at = log.find(": sent ", at + 1)) {
        ++n;
    }
    return n;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

}  // namespace

TEST_F(MeterLinkCli, BluetoothPortsListOnlyPairedMetersAndRecordTakesWhatTheMeterSent) {
    test_support::FakeBluetooth bt(
        PathOf("bt"), {"--seed", "7", "--interval-ms", "20", "live", "--kinds", "0,1,2,3,4,5,6"});
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bt.Address().c_str(), 1);
    const auto ports = test_support::RunToEnd({Bin("vavirir-cli"), "ports"});
    ASSERT_EQ(ports.exitCode, 0) << ports.err;
    // The meter first; neither the headphones nor the unpaired meter.
    EXPECT_EQ(ports.out.rfind(kBtMeter + " VAVIRIR-METER\n", 0), 0u) << ports.out << ports.err;
    EXPECT_EQ(ports.out.find("EE:02"), std::string::npos) << ports.out;
    EXPECT_EQ(ports.out.find("EE:03"), std::string::npos) << ports.out;

    std::string err;
    ASSERT_EQ(Cli({"record", "--port", "bt:aa:bb:cc:dd:ee:01", "--count", "30", "--out",
                   PathOf("rec.txt")},
                  60000, &err),
              0)
        << err;
    const Saved saved = Dump(PathOf("rec.txt"));
    ASSERT_EQ(saved.records.size(), 30u);
    ExpectSameReadings(saved.records, Replayed(SentHexOf(bt.MeterLog(1)), true, 30).records);
    const std::string calls = bt.Control("Calls");
    EXPECT_NE(calls.find("RegisterProfile 00001101-0000-1000-8000-00805f9b34fb client"),
              std::string::npos)
        << calls;
    EXPECT_NE(calls.find("DisconnectProfile AA:BB:CC:DD:EE:01"), std::string::npos) << calls;

    // A download acknowledges through the same socket.
    test_support::FakeBluetooth store(PathOf("bt-dl"),
                                      {"download", "--blocks", "3", "--records", "9"});
    setenv("DBUS_SYSTEM_BUS_ADDRESS", store.Address().c_str(), 1);
    ASSERT_EQ(Cli({"download", "--port", kBtMeter, "--out", PathOf("dl.txt")}, 60000, &err), 0)
        << err;
    EXPECT_EQ(Dump(PathOf("dl.txt")).records.size(), 27u);
}

TEST_F(MeterLinkCli, BluetoothDropsReconnectIntoOneDocumentAndLoseNothingAfterTheReturn) {
    test_support::FakeBluetooth bt(PathOf("bt"), {"live", "--interval-ms", "40"});
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bt.Address().c_str(), 1);
    ChildProcess cli({Bin("vavirir-cli"), "record", "--port", kBtMeter, "--reconnect", "--count",
                      "100", "--out", PathOf("gap.txt")},
                     test_support::StderrTo(PathOf("cli.err")));
    const std::string address = "AA:BB:CC:DD:EE:01";
    ASSERT_TRUE(WaitUntil([&] { return SentChunks(bt.MeterLog(1)) >= 10; }, 30s));
    bt.Control("Drop", {address});  // the meter goes away: its end hangs up
    ASSERT_TRUE(WaitUntil([&] { return SentChunks(bt.MeterLog(2)) >= 10; }, 30s)) << cli.Stderr();
    bt.Control("RequestDisconnection", {address});  // the service asks us to let go
    ASSERT_TRUE(WaitUntil([&] { return bt.HasMeter(3); }, 30s)) << cli.Stderr();
    ASSERT_EQ(cli.Wait(60s), 0) << cli.Stderr();

    const std::string err = cli.Stderr();
    EXPECT_NE(err.find("Reconnecting to " + kBtMeter), std::string::npos) << err;
    EXPECT_NE(err.find("Connected to " + kBtMeter), std::string::npos) << err;
    const Saved saved = Dump(PathOf("gap.txt"));
    ASSERT_EQ(saved.records.size(), 100u);
    for (std::size_t i = 0; i < saved.records.size(); ++i) {
        EXPECT_EQ(saved.records[i].sequence, std::to_string(i));
    }
    // After the last return every reading the meter sent is there, in order:
    // the document ends with the start of what the third connection carried.
    const Saved third = Replayed(SentHexOf(bt.MeterLog(3)), true);
    bool found = false;
    for (std::size_t from = 0; from + 5 <= saved.records.size() && !found; ++from) {
        const std::size_t n = saved.records.size() - from;
        found = n <= third.records.size() &&
                std::equal(saved.records.begin() + static_cast<std::ptrdiff_t>(from),
                           saved.records.end(), third.records.begin(),
                           [](const SavedRecord& a, const SavedRecord& b) {
                               return a.value == b.value && a.unit == b.unit;
                           });
    }
    EXPECT_TRUE(found) << "the readings after the return are not what the meter sent";
    const std::string calls = bt.Control("Calls");
    std::size_t registrations = 0;
    for (auto at = calls.find("RegisterProfile"); at != std::string::npos;
         at = calls.find("RegisterProfile", at + 1)) {
        ++registrations;
    }
    EXPECT_EQ(registrations, 1u) << "the profile is registered once per process: " << calls;
}

TEST_F(MeterLinkCli, BluetoothFailuresSayWhatToDoAndExitOne) {
    test_support::FakeBluetooth bt(PathOf("bt"), {"live"});
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bt.Address().c_str(), 1);
    struct Case {
        std::string method;  // the call that fails, with `error`
        std::string error;
        std::string port;
        std::string text;  // what the user reads
    };
    const std::vector<Case> cases = {
        {"ConnectProfile", "org.bluez.Error.NotReady", kBtMeter, "The Bluetooth adapter is off."},
        {"ConnectProfile", "org.bluez.Error.Failed", kBtMeter, "it is off or out of range."},
        {"ConnectProfile", "org.bluez.Error.HostDown", kBtMeter, "it is off or out of range."},
        {"ConnectProfile", "org.bluez.Error.InProgress", kBtMeter,
         "(the port is in use by another program)"},
        {"RegisterProfile", "org.bluez.Error.NotPermitted", kBtMeter,
         "The Bluetooth service refused this program's serial port profile"},
        {"", "", "bt:AA:BB:CC:DD:EE:03",
         "No paired Bluetooth meter has the address AA:BB:CC:DD:EE:03."},
    };
    for (const Case& c : cases) {
        if (!c.method.empty()) {
            bt.Control("SetError", {c.method, c.error});
        }
        std::string err;
        EXPECT_EQ(Cli({"record", "--port", c.port, "--out", PathOf("x.txt")}, 60000, &err), 1)
            << c.error;
        EXPECT_EQ(err.rfind("vavirir-cli record: Warning:Can't open " + c.port + "!\n", 0), 0u)
            << err;
        EXPECT_NE(err.find(c.text), std::string::npos) << c.error << ": " << err;
        if (!c.method.empty()) {
            bt.Control("SetError", {c.method, ""});
        }
    }
    EXPECT_FALSE(fs::exists(PathOf("x.txt")));

    // A bus without the Bluetooth service: the serial ports are still listed.
    test_support::FakeBluetooth none(PathOf("none"), {}, false);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", none.Address().c_str(), 1);
    const std::string noService = "No Bluetooth service (bluetoothd) is running.";
    const auto ports = test_support::RunToEnd({Bin("vavirir-cli"), "ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_NE(ports.err.find("Bluetooth is not available: " + noService), std::string::npos)
        << ports.err;
    std::string err;
    EXPECT_EQ(Cli({"record", "--port", kBtMeter, "--out", PathOf("x.txt")}, 30000, &err), 1);
    EXPECT_NE(err.find(noService), std::string::npos) << err;
    EXPECT_EQ(Cli({"download", "--port", kBtMeter, "--out", PathOf("x.txt")}, 30000, &err), 1);
    EXPECT_NE(err.find(noService), std::string::npos) << err;
}

// Lines of a text file.
std::vector<std::string> LinesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// record --roll saves the full document as log.txt and goes on in log-2.txt:
// across the seam the ramp's readings step on one at a time (none lost or
// doubled), the JSON lines number on, and no journal is left behind.
TEST_F(MeterLinkCli, RecordRollSavesEachFullDocumentAndJoinsTheSeam) {
    std::unique_ptr<ChildProcess> sim;
    const std::string pty =
        StartSim(sim, {"--interval-ms", "1", "live", "--waveform", "ramp", "--period", "7"});
    const std::size_t total = CRoZudozuvDoc::kLiveCapacity + 5;
    std::string err;
    ASSERT_EQ(Cli({"record", "--port", pty, "--roll", "--count", std::to_string(total), "--out",
                   PathOf("log.txt"), "--jsonl", PathOf("log.jsonl")},
                  240000, &err),
              0)
        << err;
    EXPECT_NE(err.find("20000 records saved to " + PathOf("log.txt")), std::string::npos) << err;
    EXPECT_NE(err.find("5 records saved to " + PathOf("log-2.txt")), std::string::npos) << err;

    std::vector<SavedRecord> all = Dump(PathOf("log.txt")).records;
    ASSERT_EQ(all.size(), CRoZudozuvDoc::kLiveCapacity);
    const Saved second = Dump(PathOf("log-2.txt"));
    ASSERT_EQ(second.records.size(), 5u);
    EXPECT_NE(second.summary.find("\"dataNumber\":5"), std::string::npos) << second.summary;
    all.insert(all.end(), second.records.begin(), second.records.end());

    // The ramp's seven values, in the order the meter sends them.
    std::vector<std::string> cycle;
    for (const SavedRecord& r : all) {
        if (std::find(cycle.begin(), cycle.end(), r.value) != cycle.end()) {
            break;
        }
        cycle.push_back(r.value);
    }
    ASSERT_EQ(cycle.size(), 7u);
    const std::vector<std::string> lines = LinesOf(PathOf("log.jsonl"));
    ASSERT_EQ(lines.size(), total);
    for (std::size_t i = 1; i < all.size(); ++i) {
        const auto before = std::find(cycle.begin(), cycle.end(), all[i - 1].value) - cycle.begin();
        ASSERT_EQ(all[i].value, cycle[static_cast<std::size_t>(before + 1) % cycle.size()])
            << "reading " << i << " does not follow the one before";
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(Field(lines[i], "seq"), std::to_string(i + 1));
        ASSERT_NEAR(std::stod(Field(lines[i], "value")), std::stod(all[i].value), 1e-6) << i;
    }
    const fs::path journals = PathOf("state/vavirir/journal");
    EXPECT_TRUE(!fs::exists(journals) || fs::is_empty(journals)) << "saved files leave no journal";
}

// --high/--low say each crossing once and mark the crossing rows; with
// --exit-on-limit the first crossing ends the recording with exit 3 and the
// file holds every reading up to it.
TEST_F(MeterLinkCli, RecordLimitsSayEachCrossingOnceAndExitOnLimitSaves) {
    // The ramp runs 0.6, 1.29, 1.97, 2.66, 3.34, 4.03, 4.71, 0.6, …
    std::unique_ptr<ChildProcess> sim;
    std::string pty =
        StartSim(sim, {"--interval-ms", "20", "live", "--waveform", "ramp", "--period", "7"});
    std::string err;
    ASSERT_EQ(Cli({"record", "--port", pty, "--count", "15", "--high", "4.5", "--low", "1.0",
                   "--out", PathOf("lim.txt"), "--jsonl", PathOf("lim.jsonl")},
                  30000, &err),
              0)
        << err;
    const std::regex crossing(R"(\d\d:\d\d:\d\d (above high 4.714285851 > 4.5|below low )"
                              R"(0.6000000238 < 1.0|back within limits)\n)");
    std::string said;
    for (auto it = std::sregex_iterator(err.begin(), err.end(), crossing);
         it != std::sregex_iterator(); ++it) {
        said += (*it)[1].str().substr(0, 4);
    }
    EXPECT_EQ(said, "belobackabovbelobackabovbelo") << err;
    EXPECT_NE(err.find("Above high: 2\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Below low: 3\n"), std::string::npos) << err;

    const std::vector<std::string> lines = LinesOf(PathOf("lim.jsonl"));
    ASSERT_EQ(lines.size(), 15u);
    std::string sides;
    for (const std::string& line : lines) {
        const std::string limit = Field(line, "limit");
        sides += limit.empty() ? '.' : limit[0];
    }
    EXPECT_EQ(sides, "l.....hl.....hl");
    ChildProcess dump({Bin("vavirir-cli"), "dump", "--json", PathOf("lim.txt")});
    const std::string json = dump.ReadAll(10s);
    EXPECT_EQ(CountOf(json, "\"typeText\":\"High\""), 2u) << json;
    EXPECT_EQ(CountOf(json, "\"typeText\":\"Low\""), 3u) << json;
    EXPECT_EQ(sim->Wait(5s), 0);

    pty = StartSim(sim, {"--interval-ms", "20", "live", "--waveform", "ramp", "--period", "7"});
    EXPECT_EQ(Cli({"record", "--port", pty, "--high", "4.5", "--exit-on-limit", "--out",
                   PathOf("stop.txt")},
                  30000, &err),
              3)
        << err;
    const Saved saved = Dump(PathOf("stop.txt"));
    ASSERT_EQ(saved.records.size(), 7u) << "the crossing reading is the last one";
    EXPECT_EQ(saved.records.back().value.substr(0, 5), "4.714");
}

// A long log outlasts a meter that falls silent: the silence is said once
// and the recording ends only when its time is up, with every reading saved.
TEST_F(MeterLinkCli, RecordRollGoesOnThroughSilence) {
    std::unique_ptr<ChildProcess> sim;
    const std::string pty = StartSim(sim, {"--interval-ms", "20", "live", "--count", "5"});
    std::string err;
    ASSERT_EQ(
        Cli({"record", "--port", pty, "--roll", "--seconds", "13", "--out", PathOf("quiet.txt")},
            60000, &err),
        0)
        << err;
    EXPECT_EQ(CountOf(err, "The meter is silent since "), 1u) << err;
    EXPECT_NE(err.find("time is up"), std::string::npos) << err;
    EXPECT_EQ(Dump(PathOf("quiet.txt")).records.size(), 5u);
}
