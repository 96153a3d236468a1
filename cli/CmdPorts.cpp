// vavirir-cli ports: the meter ports present now, one per line: the paired
// Bluetooth meters first ("bt:ADDRESS ALIAS"), then the Bluetooth serial ports.
#include <chrono>
#include <cstdio>
#include <string>

#include "bluetooth/BluezService.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "link/PortDiscovery.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli ports\n"
    "  Lists the Bluetooth meters paired with this computer, one a line as\n"
    "  bt:ADDRESS ALIAS (ask the system's Bluetooth service), then the Bluetooth\n"
    "  serial ports present now (/dev/rfcomm*), one a line. Without a Bluetooth\n"
    "  service it still lists the serial ports and says so on stderr.\n";

// How long the Bluetooth service may take to list its devices.
constexpr std::chrono::seconds kDiscoveryWait{5};

}  // namespace

const char* PortsHelp() {
    return kUsage;
}

namespace {

struct PortsOptions {};

PortsOptions ParseOptions(int argc, char** argv) {
    CCommandLine line;
    line.Parse(argc, argv);
    return {};
}

int Ports(const PortsOptions&) {
    CBluezService bluetooth;
    switch (bluetooth.WaitForDiscovery(kDiscoveryWait)) {
        case CBluezService::Discovery::Ready:
            for (const BluetoothMeter& meter : bluetooth.Meters()) {
                std::printf("%s %s\n", meter.PortName().c_str(), meter.alias.c_str());
            }
            if (bluetooth.Meters().empty()) {
                std::fprintf(stderr,
                             "vavirir-cli ports: no Bluetooth meter is paired. Pair the meter in "
                             "the system's Bluetooth settings (or bluetoothctl pair ADDRESS).\n");
            }
            break;
        case CBluezService::Discovery::NoService:
            std::fprintf(stderr, "vavirir-cli ports: Bluetooth is not available: %s\n",
                         NoBluetoothService("ports").GetErrorMessage().c_str());
            break;
        case CBluezService::Discovery::Pending:
            std::fprintf(stderr,
                         "vavirir-cli ports: Bluetooth is not available: the Bluetooth service "
                         "did not answer in time.\n");
            break;
    }
    for (const DiscoveredPort& port : DiscoverBluetoothPorts()) {
        std::printf("%s\n", port.name.c_str());
    }
    return 0;
}

}  // namespace

int RunPorts(int argc, char** argv) {
    return RunCommand("ports", kUsage, argc, argv, ParseOptions, Ports);
}
