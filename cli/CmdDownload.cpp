// vavirir-cli download: receives the records stored in the meter, acknowledging
// every step as the program does, and saves them as one document.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/MeterLink.h"
#include "cli/OutputCheck.h"
#include "decode/Clock.h"
#include "docview/DataFile.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kUsage =
    "usage: vavirir-cli download --port P --out F.txt [--timeout S]\n"
    "  Waits for the meter to send its stored records. A download that stalls for\n"
    "  S seconds (default 10) is ended with the records received so far, saved and\n"
    "  reported as incomplete (exit 1).\n";

struct DownloadOptions {
    PortChoice port;
    std::string out;
    double timeoutSeconds = 10.0;
};

DownloadOptions ParseOptions(int argc, char** argv) {
    DownloadOptions options;
    bool havePort = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port") {
            options.port = PortOption(OptionValue(argc, argv, i));
            havePort = true;
        } else if (arg == "--out") {
            options.out = OptionValue(argc, argv, i);
        } else if (arg == "--timeout") {
            const auto seconds = ParsePositive(OptionValue(argc, argv, i));
            if (!seconds) {
                throw UsageError("--timeout needs a number of seconds above 0");
            }
            options.timeoutSeconds = *seconds;
        } else {
            throw UsageError("unexpected argument " + arg);
        }
    }
    RequireArgument(havePort, "--port");
    RequireArgument(!options.out.empty(), "--out");
    return options;
}

enum class Outcome { Complete, Stalled, Interrupted, LinkLost };

int Download(const DownloadOptions& options) {
    if (const int refused = CheckFiles("download", {}, {{"--out", options.out}})) {
        return refused;
    }
    CatchStopSignals();
    CMeterLinkSession link;
    if (!link.Open("download", options.port)) {
        return 1;
    }
    std::fprintf(stderr, "download: %s open, waiting for the meter's download\n",
                 options.port.Device().c_str());

    const CReceiveEngine& engine = link.session.Engine();
    const auto stallLimit = std::chrono::duration<double>(options.timeoutSeconds);
    auto lastData = SteadyClock::now();
    std::string lossReason;
    Outcome outcome = Outcome::Interrupted;
    for (;;) {
        if (link.host.AdoptedDownload() != nullptr) {
            outcome = Outcome::Complete;
            break;
        }
        if (StopSignalled()) {
            outcome = Outcome::Interrupted;
            break;
        }
        // Before the header arrives the user may take their time at the meter.
        if (engine.m_bDownloading && SteadyClock::now() - lastData >= stallLimit) {
            outcome = Outcome::Stalled;
            break;
        }
        std::optional<LinkEvent> event = link.queue.Pop(100ms);
        if (!event) {
            continue;
        }
        if (event->kind == LinkEvent::Kind::LinkLost) {
            outcome = Outcome::LinkLost;
            lossReason = event->reason;
            break;
        }
        link.session.OnReceiveBytes(event->bytes.data(), event->bytes.size());
        lastData = SteadyClock::now();
        if (link.host.WriteError()) {
            std::fprintf(stderr, "download: acknowledgement not sent: %s\n",
                         link.host.WriteError()->c_str());
        }
    }

    // A block the reader still held is handed over as it ends.
    link.port.Close();
    while (link.host.AdoptedDownload() == nullptr) {
        std::optional<LinkEvent> event = link.queue.TryPop();
        if (!event) {
            break;
        }
        if (event->kind == LinkEvent::Kind::Bytes) {
            link.session.OnReceiveBytes(event->bytes.data(), event->bytes.size());
        }
    }
    if (link.host.AdoptedDownload() != nullptr) {
        outcome = Outcome::Complete;
    }

    const int blocksDone = engine.m_nBlocksDone;
    const int blockCount = engine.m_download.blockCount;
    if (outcome != Outcome::Complete) {
        if (!engine.m_bDownloading) {
            std::fprintf(stderr, "download: %s before the meter started a download\n",
                         outcome == Outcome::LinkLost ? "link lost" : "interrupted");
            if (!lossReason.empty()) {
                std::fprintf(stderr, "download: %s\n", lossReason.c_str());
            }
            return 1;
        }
        link.session.EndDownloadEarly();
    }
    const CRoZudozuvDoc* doc = link.host.AdoptedDownload();
    if (doc == nullptr) {
        std::fprintf(stderr, "download: no document could be made, nothing saved\n");
        return 1;
    }
    if (!SaveOrKeep("download", *doc, options.out)) {
        return 1;
    }
    const std::size_t records = doc->channels[0].size();
    if (outcome == Outcome::Complete) {
        std::fprintf(stderr, "download: complete, %zu records saved to %s\n", records,
                     options.out.c_str());
        return 0;
    }
    const char* why = outcome == Outcome::Stalled    ? "the meter stopped sending"
                      : outcome == Outcome::LinkLost ? "link lost"
                                                     : "interrupted";
    std::fprintf(stderr,
                 "download: incomplete (%s) after %d of %d blocks, %zu records saved to %s\n", why,
                 blocksDone, blockCount, records, options.out.c_str());
    if (!lossReason.empty()) {
        std::fprintf(stderr, "download: %s\n", lossReason.c_str());
    }
    return 1;
}

}  // namespace

int RunDownload(int argc, char** argv) {
    return RunCommand("download", kUsage, argc, argv, ParseOptions, Download);
}
