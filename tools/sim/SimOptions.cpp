#include "SimOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sim {

const char* const kSimUsage =
    R"(Usage: vavirir-sim [OPTIONS] SCENARIO [SCENARIO OPTIONS]

Plays a digital multimeter on a pseudo-terminal. The first line on standard
output is the path of the terminal to open as the meter's serial port. The
scenario starts once a program has opened that path and ends the simulator
when that program closes it again, or on SIGINT / SIGTERM.

Scenarios:
  live            the live stream, one frame per tick
  records         the sync marker F8 F8 F8 F8, then nine meter-record frames
                  (a090, a091, a092, a093 twice, a094 in modes 3 and 2, a095, a096)
  download        a stored-record download: the header, then each block only
                  after the program has sent five acknowledgements F3 01 F4
  replay FILE     the bytes of FILE, one frame (or block) per tick; with --hex,
                  FILE holds hex text, one chunk per line ('#' starts a comment)
  mixed           live frames, the meter-record frames, a download, live again

Options for every scenario:
  --seed N             seed of the generated values (default 1)
  --interval-ms MS     time between ticks (live, records, replay: 500; download: 100)
  --rate FPS           ticks per second instead of --interval-ms, up to 100000;
                       above 1000, several chunks go out together each millisecond
  --link PATH          also make PATH a symbolic link to the terminal; the link
                       goes when the simulator ends. A simulator started later
                       on the same PATH replaces the link in one step, so to the
                       program the device vanished and came back, as a
                       Bluetooth port does after a drop (see record --reconnect)
  --start-delay-ms MS  pause after the program opened the terminal (default 500)
  --linger MS          end MS after the scenario finished instead of waiting for
                       the program to close the terminal
  --verbose            log every chunk sent and every byte received on stderr
  --help               show this text
  --version            show the program's version

Options of live (and of the live parts of mixed):
  --kinds LIST         frame kinds 0-6, comma separated, taken in turn (default 0)
  --waveform NAME      sine, ramp, square or noise (default sine)
  --period TICKS       ticks per waveform period (default 40)
  --overloads P        chance 0..1 of a frame above the meter's limit (default 0)
  --function-every N   change the selector position every N ticks (default never)
  --count N            frames to send, 0 for ever (default 0; mixed: 10 per part)

Options of download (and of the download part of mixed):
  --blocks N           blocks in the download, 0-255 (default 2)
  --records M          records per block, 0-255 (default 10; above 124 a block
                       no longer fits the program's 1000-byte read)
  --function F         function byte of the header (default 2, VDC)
  --sample-interval S  seconds between stored readings (default 1)

Options of replay:
  --hex                FILE holds hex text instead of raw bytes

Exit status: 0 done, 1 runtime error, 2 usage error.
)";

namespace {

long ParseInteger(const std::string& option, const std::string& text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) {
        throw UsageError(option + " expects a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

double ParseReal(const std::string& option, const std::string& text, double low, double high) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && value >= low && value <= high) {
            return value;
        }
    } catch (const std::exception&) {
    }
    throw UsageError(option + " expects a number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + text + "'");
}

std::vector<int> ParseKinds(const std::string& text) {
    std::vector<int> kinds;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        kinds.push_back(static_cast<int>(ParseInteger("--kinds", item, 0, 6)));
    }
    if (kinds.empty()) {
        throw UsageError("--kinds needs at least one kind");
    }
    return kinds;
}

bool IsScenarioName(const std::string& name) {
    return name == "live" || name == "records" || name == "download" || name == "replay" ||
           name == "mixed";
}

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--seed") {
            o.seed = static_cast<std::uint32_t>(ParseInteger(arg, value(), 0, 4294967295L));
        } else if (arg == "--interval-ms") {
            o.intervalMs = static_cast<int>(ParseInteger(arg, value(), 1, 3600000));
        } else if (arg == "--rate") {
            const double rate = ParseReal(arg, value(), 0.001, 100000.0);
            o.intervalMs = std::max(1, static_cast<int>(1000.0 / rate));
            o.chunksPerTick = std::max(1, static_cast<int>(std::lround(rate / 1000.0)));
        } else if (arg == "--link") {
            o.linkPath = value();
        } else if (arg == "--start-delay-ms") {
            o.startDelayMs = static_cast<int>(ParseInteger(arg, value(), 0, 3600000));
        } else if (arg == "--linger") {
            o.lingerMs = static_cast<int>(ParseInteger(arg, value(), 0, 3600000));
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else if (arg == "--kinds") {
            o.live.kinds = ParseKinds(value());
        } else if (arg == "--waveform") {
            const std::string& name = value();
            const auto waveform = frames::ParseWaveform(name);
            if (!waveform) {
                throw UsageError("unknown waveform '" + name + "' (sine, ramp, square, noise)");
            }
            o.live.waveform = *waveform;
            o.download.waveform = *waveform;
        } else if (arg == "--period") {
            o.live.periodTicks = static_cast<int>(ParseInteger(arg, value(), 2, 1000000));
        } else if (arg == "--overloads") {
            o.live.overloadChance = ParseReal(arg, value(), 0.0, 1.0);
        } else if (arg == "--function-every") {
            o.live.functionChangeEvery = static_cast<int>(ParseInteger(arg, value(), 0, 1000000));
        } else if (arg == "--count") {
            o.live.count = ParseInteger(arg, value(), 0, 1000000000L);
        } else if (arg == "--blocks") {
            o.download.blocks = static_cast<int>(ParseInteger(arg, value(), 0, 255));
        } else if (arg == "--records") {
            o.download.recordsPerBlock = static_cast<int>(ParseInteger(arg, value(), 0, 255));
        } else if (arg == "--function") {
            o.download.function = static_cast<std::uint8_t>(ParseInteger(arg, value(), 0, 255));
        } else if (arg == "--sample-interval") {
            o.download.interval = static_cast<std::int32_t>(ParseInteger(arg, value(), 0, 86400));
        } else if (arg == "--hex") {
            o.replayHex = true;
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else if (o.scenario.empty()) {
            if (!IsScenarioName(arg)) {
                throw UsageError("unknown scenario '" + arg + "'");
            }
            o.scenario = arg;
        } else if (o.scenario == "replay" && o.replayFile.empty()) {
            o.replayFile = arg;
        } else {
            throw UsageError("unexpected argument '" + arg + "'");
        }
    }
    if (o.help || o.version) {
        return o;
    }
    if (o.scenario.empty()) {
        throw UsageError("no scenario given");
    }
    if (o.scenario == "replay" && o.replayFile.empty()) {
        throw UsageError("replay needs a FILE");
    }
    o.live.seed = o.seed;
    o.download.seed = o.seed;
    if (o.intervalMs > 0) {
        o.live.intervalMs = o.intervalMs;
        o.download.intervalMs = o.intervalMs;
    }
    return o;
}

std::unique_ptr<frames::Scenario> MakeScenario(const SimOptions& o) {
    try {
        if (o.scenario == "live") {
            return std::make_unique<frames::LiveScenario>(o.live);
        }
        if (o.scenario == "records") {
            return std::make_unique<frames::RecordsScenario>(frames::RecordsScenarioOptions{
                o.intervalMs > 0 ? o.intervalMs : 500, o.seed, o.live.start});
        }
        if (o.scenario == "download") {
            return std::make_unique<frames::DownloadScenario>(o.download);
        }
        if (o.scenario == "mixed") {
            return frames::MakeMixedScenario(o.live, o.download);
        }
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
    std::ifstream file(o.replayFile, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + o.replayFile);
    }
    const std::string content((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
    std::vector<frames::Bytes> chunks;
    if (o.replayHex) {
        try {
            chunks = frames::ParseHexLines(content);
        } catch (const std::invalid_argument& e) {
            throw std::runtime_error(o.replayFile + ": " + e.what());
        }
    } else {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
        chunks = frames::SplitMeterStream({bytes, content.size()});
    }
    return std::make_unique<frames::ReplayScenario>(std::move(chunks),
                                                    o.intervalMs > 0 ? o.intervalMs : 500);
}

}  // namespace sim
