// vavirir-cli decode: feeds a captured byte stream through the receive engine
// and prints every decoded frame as one JSON object per line.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "decode/Clock.h"
#include "decode/HexText.h"
#include "decode/ReceiveEngine.h"
#include "link/MeterPort.h"

namespace {

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
        std::printf("{\"kind\":%d,\"live\":%s,\"face\":%d,\"dial\":%d,\"reading\":%s}\n",
                    ToNumber(KindOfFace(face)), live ? "true" : "false", ToNumber(face),
                    ToNumber(dial), ReadingJson(reading).c_str());
    }
    void DispatchReading(MeterReading&, int, double, const std::string&, double, const std::string&,
                         const std::string&, int) override {}
    void RecordMeterFrame(MeterReading&, MeterRecordMode) override {}
    void StopAcquisition() override {}
    void WriteToMeter(const std::uint8_t*, std::size_t) override {}
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }
    void DownloadStarted(int) override {}
    void DownloadProgress(int) override {}
    void DownloadFinished() override {}

  private:
    const CReceiveEngine* m_engine = nullptr;
    int m_nReadSize = 0;
};

// Parses the arguments; a message and std::nullopt on a usage error.
std::optional<DecodeOptions> ParseArguments(int argc, char** argv) {
    DecodeOptions options;
    bool havePath = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hex") {
            options.hex = true;
        } else if (arg == "--chunk") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vavirir-cli decode: --chunk needs a number\n");
                return std::nullopt;
            }
            const char* text = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(text, &end, 10);
            if (errno != 0 || end == text || *end != '\0' || n < 1 || n > 1000000) {
                std::fprintf(stderr, "vavirir-cli decode: bad chunk size '%s' (1..1000000)\n",
                             text);
                return std::nullopt;
            }
            options.chunk = static_cast<std::size_t>(n);
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "vavirir-cli decode: unknown option '%s'\n", arg.c_str());
            return std::nullopt;
        } else if (!havePath) {
            options.path = arg;
            havePath = true;
        } else {
            std::fprintf(stderr, "vavirir-cli decode: more than one input given\n");
            return std::nullopt;
        }
    }
    if (!havePath) {
        std::fprintf(stderr, "usage: vavirir-cli decode [--hex] [--chunk N] FILE|-\n");
        return std::nullopt;
    }
    return options;
}

bool ReadInput(const std::string& path, std::string& contents) {
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "vavirir-cli decode: cannot open '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        contents.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    if (file != stdin) {
        std::fclose(file);
    }
    if (failed) {
        std::fprintf(stderr, "vavirir-cli decode: cannot read '%s'\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int RunDecode(int argc, char** argv) {
    const std::optional<DecodeOptions> options = ParseArguments(argc, argv);
    if (!options) {
        return 2;
    }
    std::string contents;
    if (!ReadInput(options->path, contents)) {
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    if (options->hex) {
        try {
            bytes = ParseHexText(contents);
        } catch (const HexTextError& error) {
            std::fprintf(stderr, "vavirir-cli decode: %s\n", error.what());
            return 2;
        }
    } else {
        bytes.assign(contents.begin(), contents.end());
    }

    SystemClock clock;
    PrintingHost host;
    CReceiveEngine engine(host, clock);
    host.Attach(engine);
    for (std::size_t at = 0; at < bytes.size(); at += options->chunk) {
        const std::size_t count = std::min(options->chunk, bytes.size() - at);
        engine.OnReceiveBytes(bytes.data() + at, count);
    }
    std::fflush(stdout);
    return 0;
}
