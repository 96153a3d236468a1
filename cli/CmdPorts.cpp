// vavirir-cli ports: the Bluetooth serial ports present now, one per line.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "link/PortDiscovery.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli ports\n"
    "  Lists the Bluetooth serial ports present now (/dev/rfcomm*), one a line.\n";

}  // namespace

const char* PortsHelp() {
    return kUsage;
}

int RunPorts(int argc, char** argv) {
    if (argc != 0) {
        std::fprintf(stderr, "vavirir-cli ports: unexpected argument '%s'\n%s", argv[0], kUsage);
        return 2;
    }
    for (const DiscoveredPort& port : DiscoverBluetoothPorts()) {
        std::printf("%s\n", port.name.c_str());
    }
    return 0;
}
