// vavirir-cli ports: the Bluetooth serial ports present now, one per line.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "link/PortDiscovery.h"

int RunPorts(int argc, char** argv) {
    if (argc != 0) {
        std::fprintf(stderr,
                     "vavirir-cli ports: unexpected argument '%s'\nusage: vavirir-cli ports\n",
                     argv[0]);
        return 2;
    }
    for (const DiscoveredPort& port : DiscoverBluetoothPorts()) {
        std::printf("%s\n", port.name.c_str());
    }
    return 0;
}
