// vavirir-cli decode: feeds a captured byte stream through the receive engine
// and prints every decoded frame as one JSON object per line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "decode/Clock.h"
#include "decode/HexText.h"
#include "decode/ReceiveEngine.h"
#include "link/MeterPort.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli decode [--hex] [--chunk N] FILE|-\n"
    "  Feeds the bytes of FILE (- for the standard input) through the receive\n"
    "  engine, N bytes at a time (default 100), and prints every decoded frame as\n"
    "  one line of JSON: {\"kind\",\"live\",\"face\",\"dial\",\"reading\":{...}}.\n"
    "  Nothing is recorded and nothing is sent to a meter.\n"
    "  --hex: FILE is hex text (pairs of hex digits, with blanks, commas or colons\n"
    "  between bytes).\n";

struct DecodeOptions {
    bool hex = false;
    std::size_t chunk = kMeterReadSize;
    std::string path;
};

std::string Float(float value) {
    return JsonNumber(static_cast<double>(value), "%.9g");
}
std::string Int(int value) {
    return std::to_string(value);
}
std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string ReadingJson(const MeterReading& r) {
    const std::pair<const char*, std::string> fields[] = {
        {"function", JsonString(r.function)},
        {"hold", Bool(r.hold)},
        {"autoRange", Bool(r.autoRange)},
        {"limit", Float(r.limit)},
        {"value", Float(r.value)},
        {"unit", JsonString(r.unit)},
        {"decimals", Int(r.decimals)},
        {"maxValue", Float(r.maxValue)},
        {"maxUnit", JsonString(r.maxUnit)},
        {"maxDecimals", Int(r.maxDecimals)},
        {"maxTime", JsonString(r.maxTime)},
        {"minValue", Float(r.minValue)},
        {"minUnit", JsonString(r.minUnit)},
        {"minDecimals", Int(r.minDecimals)},
        {"minTime", JsonString(r.minTime)},
        {"avgValue", Float(r.avgValue)},
        {"avgUnit", JsonString(r.avgUnit)},
        {"avgDecimals", Int(r.avgDecimals)},
        {"avgTime", JsonString(r.avgTime)},
        {"startText", JsonString(r.startText)},
        {"reference", Float(r.reference)},
        {"relative", Float(r.relative)},
        {"alternateValue", Float(r.alternateValue)},
        {"alternateText", JsonString(r.alternateText)},
        {"secondValue", Float(r.secondValue)},
        {"secondUnit", JsonString(r.secondUnit)},
        {"acdcMode", Int(r.acdcMode)},
        {"auxValue", Float(r.auxValue)},
        {"auxText", JsonString(r.auxText)},
        {"duty", Float(r.duty)},
        {"firstModeFlag", Bool(r.firstModeFlag)},
        {"secondModeFlag", Bool(r.secondModeFlag)},
    };
    std::string json = "{";
    for (const auto& [name, value] : fields) {
        if (json.size() > 1) {
            json += ",";
        }
        json += JsonString(name) + ":" + value;
    }
    return json + "}";
}

// Decoding only: no document is open and acquisition never runs, so nothing
// is dispatched or recorded, and the meter is never written to.
class PrintingHost : public IReceiveHost {
  public:
    void Attach(const CReceiveEngine& engine) { m_engine = &engine; }

    void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                        bool) override {
        const bool live = m_engine != nullptr && m_engine->LastFrameWasLive();
        const int written =
            std::printf("{\"kind\":%d,\"live\":%s,\"face\":%d,\"dial\":%d,\"reading\":%s}\n",
                        ToNumber(KindOfFace(face)), live ? "true" : "false", ToNumber(face),
                        ToNumber(dial), ReadingJson(reading).c_str());
        if (written < 0 && m_nWriteError == 0) {
            m_nWriteError = errno;
        }
    }
    void DispatchReading(MeterReading&, int, double, const std::string&, double, const std::string&,
                         std::time_t, const std::string&, int) override {}
    bool TakesLiveReadings() const override { return false; }
    void RecordMeterFrame(MeterReading&, MeterRecordMode) override {}
    void StopAcquisition() override {}
    void EndLiveReadings() override {}
    void WriteToMeter(const std::uint8_t*, std::size_t) override {}
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }
    void DownloadStarted(int) override {}
    void DownloadProgress(int) override {}
    void DownloadFinished() override {}

    // The errno value of the first failed write to standard output, or 0.
    int WriteError() const { return m_nWriteError; }

  private:
    const CReceiveEngine* m_engine = nullptr;
    int m_nWriteError = 0;
    int m_nReadSize = 0;
};

DecodeOptions ParseOptions(int argc, char** argv) {
    DecodeOptions options;
    bool havePath = false;
    CCommandLine line;
    line.Flag("--hex", options.hex);
    line.Option("--chunk", [&](const std::string& value) { options.chunk = ChunkValue(value); });
    line.Operands([&](const std::string& operand) {
        if (havePath) {
            throw UsageError("more than one input given");
        }
        RequireNonEmptyPath(operand, "FILE");
        options.path = operand;
        havePath = true;
    });
    line.Parse(argc, argv);
    RequireArgument(havePath, "FILE");
    return options;
}

// Reads the input in blocks and feeds each through the engine as it comes, so
// memory stays the same for any input size. Returns the exit code; throws
// HexTextError for --hex input that is not hex text. A failed write to
// standard output (a full disk, a reader that went away) ends the decoding;
// the caller reports it.
int DecodeStream(std::FILE* file, const DecodeOptions& options, CReceiveEngine& engine,
                 const PrintingHost& host) {
    CHexTextReader hex;
    std::vector<char> buffer(1 << 16);
    std::vector<std::uint8_t> bytes;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
        if (n == 0) {
            break;
        }
        if (options.hex) {
            hex.Read(std::string_view(buffer.data(), n), bytes);
        } else {
            bytes.insert(bytes.end(), buffer.data(), buffer.data() + n);
        }
        // Whole chunks now; a rest shorter than a chunk waits for more input,
        // so the engine sees the same chunks as from a whole file.
        std::size_t at = 0;
        while (bytes.size() - at >= options.chunk) {
            engine.OnReceiveBytes(bytes.data() + at, options.chunk);
            at += options.chunk;
        }
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        if (host.WriteError() != 0) {
            return 1;
        }
    }
    if (std::ferror(file) != 0) {
        if (errno == EISDIR) {
            std::fprintf(stderr, "vavirir-cli decode: %s is a directory\n", options.path.c_str());
        } else {
            std::fprintf(stderr, "vavirir-cli decode: cannot read '%s': %s\n", options.path.c_str(),
                         std::strerror(errno));
        }
        return 1;
    }
    if (options.hex) {
        hex.Finish();
    }
    if (!bytes.empty()) {
        engine.OnReceiveBytes(bytes.data(), bytes.size());
    }
    return 0;
}

}  // namespace

const char* DecodeHelp() {
    return kUsage;
}

namespace {

int Decode(const DecodeOptions& options) {
    std::FILE* file = options.path == "-" ? stdin : std::fopen(options.path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "vavirir-cli decode: cannot open '%s': %s\n", options.path.c_str(),
                     std::strerror(errno));
        return 1;
    }
    SystemClock clock;
    PrintingHost host;
    CReceiveEngine engine(host, clock);
    host.Attach(engine);
    int status = 0;
    try {
        status = DecodeStream(file, options, engine, host);
    } catch (const HexTextError& error) {
        std::fprintf(stderr, "vavirir-cli decode: %s\n", error.what());
        status = 2;
    }
    if (file != stdin) {
        std::fclose(file);
    }
    int writeError = host.WriteError();
    if (std::fflush(stdout) != 0 && writeError == 0) {
        writeError = errno;
    }
    if (writeError == EPIPE || (writeError != 0 && OutputReaderGone())) {
        // The reader took what it wanted; a decoding cut short by it is done.
        return host.WriteError() != 0 ? 0 : status;
    }
    if (writeError != 0) {
        std::fprintf(stderr, "vavirir-cli decode: cannot write the output: %s\n",
                     std::strerror(writeError));
        return 1;
    }
    return status;
}

}  // namespace

int RunDecode(int argc, char** argv) {
    return RunCommand("decode", kUsage, argc, argv, ParseOptions, Decode);
}
