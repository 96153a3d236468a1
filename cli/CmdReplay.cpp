// vavirir-cli replay: plays a recorded byte stream through the same receive,
// dispatch and recording path the program uses, and saves every document the
// stream produced.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "decode/Clock.h"
#include "decode/HexText.h"
#include "docview/DataFile.h"
#include "link/MeterPort.h"
#include "record/Document.h"
#include "record/HeadlessHost.h"
#include "record/MeterSession.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli replay [--hex] [--chunk N] [--now \"YYYY-MM-DD HH:MM:SS\"] "
    "[--no-start] STREAM --out-dir DIR\n"
    "  Plays the bytes of STREAM (- for the standard input) through the program's\n"
    "  receive and recording path as if the meter sent them, N bytes at a time\n"
    "  (default 100), and saves every document it made as DIR/recording-K.txt,\n"
    "  printing each path.\n"
    "  --hex: STREAM is hex text (pairs of hex digits, with blanks, commas\n"
    "  or colons between bytes).\n"
    "  --now: the PC clock reads this local time throughout.\n"
    "  --no-start: Start is never chosen, so only meter recordings and downloads\n"
    "  make documents.\n";

struct ReplayOptions {
    bool hex = false;
    std::size_t chunk = kMeterReadSize;
    std::optional<std::time_t> now;
    bool start = true;
    std::string stream;
    std::string outDir;
};

ReplayOptions ParseOptions(int argc, char** argv) {
    ReplayOptions options;
    bool haveStream = false;
    CCommandLine line;
    line.Flag("--hex", options.hex);
    line.Option("--chunk", [&](const std::string& value) { options.chunk = ChunkValue(value); });
    line.Option("--now", [&](const std::string& value) {
        options.now = ParseLocalDateTime(value);
        if (!options.now) {
            throw UsageError("--now needs \"YYYY-MM-DD HH:MM:SS\", not \"" + value + "\"");
        }
    });
    bool noStart = false;
    line.Flag("--no-start", noStart);
    line.Option("--out-dir",
                [&](const std::string& value) { options.outDir = PathValue("--out-dir", value); });
    line.Operands([&](const std::string& operand) {
        if (haveStream) {
            throw UsageError("only one STREAM may be given");
        }
        RequireNonEmptyPath(operand, "STREAM");
        options.stream = operand;
        haveStream = true;
    });
    line.Parse(argc, argv);
    options.start = !noStart;
    RequireArgument(haveStream, "STREAM");
    RequireArgument(!options.outDir.empty(), "--out-dir");
    return options;
}

std::string ReadAll(const std::string& path) {
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw std::runtime_error("cannot open " + path);
    }
    std::string content;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, n);
    }
    const int error = std::ferror(file) != 0 ? errno : 0;
    if (file != stdin) {
        std::fclose(file);
    }
    if (error == EISDIR) {
        throw std::runtime_error(path + " is a directory");
    }
    if (error != 0) {
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(error));
    }
    return content;
}

int Replay(const ReplayOptions& options) {
    const std::string content = ReadAll(options.stream);
    const std::vector<std::uint8_t> bytes =
        options.hex ? ParseHexText(content)
                    : std::vector<std::uint8_t>(content.begin(), content.end());

    SystemClock systemClock;
    FixedClock fixedClock(options.now.value_or(0));
    const IClock& clock = options.now ? static_cast<const IClock&>(fixedClock) : systemClock;

    CHeadlessSessionHost host(kMeterReadSize);  // acknowledgements go nowhere
    CMeterSession session(host, clock);
    if (options.start && !bytes.empty()) {
        // The user chooses Start just as the first bytes arrive.
        session.StartAsDataArrives();
    }
    for (std::size_t offset = 0; offset < bytes.size(); offset += options.chunk) {
        const std::size_t count = std::min(options.chunk, bytes.size() - offset);
        session.OnReceiveBytes(bytes.data() + offset, count);
    }

    std::filesystem::create_directories(options.outDir);
    int number = 0;
    for (const CRoZudozuvDoc* document : host.Documents()) {
        const std::filesystem::path path = std::filesystem::path(options.outDir) /
                                           ("recording-" + std::to_string(++number) + ".txt");
        SaveDocumentFile(*document, path.string());
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

}  // namespace

const char* ReplayHelp() {
    return kUsage;
}

int RunReplay(int argc, char** argv) {
    return RunCommand("replay", kUsage, argc, argv, ParseOptions, Replay);
}
