// vavirir-cli download: receives the records stored in the meter, acknowledging
// every step as the program does, and saves them as one document.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/MeterLink.h"
#include "cli/OutputCheck.h"
#include "decode/Clock.h"
#include "docview/DataFile.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli download --port P --out F.txt [--timeout S]\n"
    "  P is a paired Bluetooth meter bt:ADDRESS (see ports), or a port number\n"
    "  (naming /dev/rfcommP), a tty name or a device path.\n"
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
    CCommandLine line;
    line.Option("--port", [&](const std::string& value) {
        options.port = PortOption(value);
        havePort = true;
    });
    line.Option("--out",
                [&](const std::string& value) { options.out = PathValue("--out", value); });
    line.Option("--timeout", [&](const std::string& value) {
        const auto seconds = ParsePositive(value);
        if (!seconds) {
            throw UsageError("--timeout needs a number of seconds above 0");
        }
        options.timeoutSeconds = *seconds;
    });
    line.Parse(argc, argv);
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
    MeterConnectionOptions connectionOptions;
    connectionOptions.silenceSeconds = SilenceSecondsAtLeast(options.timeoutSeconds);
    connectionOptions.reconnect = false;
    CCliConnection link("download", options.port, connectionOptions);
    if (!link.Open()) {
        return 1;
    }
    std::fprintf(stderr, "vavirir-cli download: %s open, waiting for the meter's download\n",
                 options.port.Device().c_str());

    const CReceiveEngine& engine = link.Session().Engine();
    const CHeadlessSessionHost& documents = link.Documents();
    link.afterBytes = [&] {
        if (link.Connection().WriteError()) {
            std::fprintf(stderr, "vavirir-cli download: acknowledgement not sent: %s\n",
                         link.Connection().WriteError()->c_str());
        }
    };
    // Before the header arrives the user may take their time at the meter.
    link.silenceCounts = [&] { return engine.IsDownloading(); };
    link.Run([&] { return documents.AdoptedDownload() != nullptr; });
    const std::string& lossReason = link.LossReason();
    Outcome outcome = Outcome::Interrupted;
    if (link.Ended() == CCliConnection::End::Silence) {
        // The time-out ended the download with the records that arrived.
        outcome = Outcome::Stalled;
    } else if (link.Ended() == CCliConnection::End::LinkLost) {
        outcome = Outcome::LinkLost;
    }

    // A block the reader still held is handed over as it ends.
    link.afterBytes = nullptr;
    link.Connection().Drain([&] { return documents.AdoptedDownload() == nullptr; });
    if (outcome != Outcome::Stalled && documents.AdoptedDownload() != nullptr) {
        outcome = Outcome::Complete;
    }

    const int blocksDone = engine.BlocksDone();
    const int blockCount = engine.DownloadInfo().blockCount;
    if (outcome == Outcome::Interrupted || outcome == Outcome::LinkLost) {
        if (!engine.IsDownloading()) {
            std::fprintf(stderr, "vavirir-cli download: %s before the meter started a download\n",
                         outcome == Outcome::LinkLost ? "link lost" : "interrupted");
            if (!lossReason.empty()) {
                std::fprintf(stderr, "vavirir-cli download: %s\n", lossReason.c_str());
            }
            return 1;
        }
        link.Session().EndDownloadEarly();
    }
    const CRoZudozuvDoc* doc = documents.AdoptedDownload();
    if (doc == nullptr) {
        std::fprintf(stderr, "vavirir-cli download: no document could be made, nothing saved\n");
        return 1;
    }
    if (!SaveOrKeep("download", *doc, options.out)) {
        return 1;
    }
    const std::size_t records = doc->channels[0].size();
    if (outcome == Outcome::Complete) {
        std::fprintf(stderr, "vavirir-cli download: complete, %zu records saved to %s\n", records,
                     options.out.c_str());
        return 0;
    }
    const char* why = outcome == Outcome::Stalled    ? "the meter stopped sending"
                      : outcome == Outcome::LinkLost ? "link lost"
                                                     : "interrupted";
    std::fprintf(
        stderr,
        "vavirir-cli download: incomplete (%s) after %d of %d blocks, %zu records saved to %s\n",
        why, blocksDone, blockCount, records, options.out.c_str());
    if (!lossReason.empty()) {
        std::fprintf(stderr, "vavirir-cli download: %s\n", lossReason.c_str());
    }
    return 1;
}

}  // namespace

int RunDownload(int argc, char** argv) {
    return RunCommand("download", kUsage, argc, argv, ParseOptions, Download);
}

const char* DownloadHelp() {
    return kUsage;
}
