#pragma once
// Command line of vavirir-sim.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "frames/Scenarios.h"

namespace sim {

struct SimOptions {
    std::string scenario;  // live, records, download, replay, mixed
    std::string replayFile;
    bool replayHex = false;
    std::string linkPath;
    int lingerMs = -1;       // after the scenario ends; -1 waits for the peer to close
    int startDelayMs = 500;  // after the peer opened the port, before the first chunk
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::uint32_t seed = 1;
    int intervalMs = 0;     // 0: the scenario's own default
    int chunksPerTick = 1;  // above 1 only for rates beyond one chunk a millisecond
    frames::LiveScenarioOptions live;
    frames::DownloadScenarioOptions download;
};

// A mistake on the command line (exit status 2).
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError.
SimOptions ParseSimOptions(const std::vector<std::string>& args);

// Builds the scenario the options name; reads the replay file.
// Throws UsageError for bad scenario settings, std::runtime_error for an unreadable file.
std::unique_ptr<frames::Scenario> MakeScenario(const SimOptions& options);

extern const char* const kSimUsage;

}  // namespace sim
