#include "link/PortDiscovery.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsAdapterComponent(const std::string& part) {
    if (part == "bluetooth") {
        return true;
    }
    if (part.size() > 3 && part.compare(0, 3, "hci") == 0) {
        return std::all_of(part.begin() + 3, part.end(),
                           [](unsigned char c) { return std::isdigit(c) != 0; });
    }
    return false;
}

// True when `link`, resolved, lies below a Bluetooth adapter. Only the part of
// the path below the sysfs root is looked at, so the root's own location
// never matters.
bool ResolvesThroughAdapter(const fs::path& link, const fs::path& sysRoot) {
    std::error_code error;
    const fs::path resolved = fs::canonical(link, error);
    if (error) {
        return false;
    }
    const fs::path below = resolved.lexically_relative(sysRoot);
    if (below.empty() || *below.begin() == "..") {
        return false;
    }
    for (const fs::path& part : below) {
        if (IsAdapterComponent(part.string())) {
            return true;
        }
    }
    return false;
}

bool IsBluetoothTty(const fs::path& entry, const std::string& name, const fs::path& sysRoot) {
    if (name.rfind("rfcomm", 0) == 0) {
        return true;
    }
    return ResolvesThroughAdapter(entry, sysRoot) ||
           ResolvesThroughAdapter(entry / "device", sysRoot);
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool digitB = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (digitA && digitB) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            // Compare the numbers without leading zeros: shorter is smaller.
            std::string numA = a.substr(i, endA - i);
            std::string numB = b.substr(j, endB - j);
            numA.erase(0, std::min(numA.find_first_not_of('0'), numA.size()));
            numB.erase(0, std::min(numB.find_first_not_of('0'), numB.size()));
            if (numA.size() != numB.size()) {
                return numA.size() < numB.size();
            }
            if (numA != numB) {
                return numA < numB;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return a < b;  // equal up to leading zeros: keep a strict order
}

std::vector<DiscoveredPort> DiscoverBluetoothPorts(const std::string& sysRoot,
                                                   const std::string& devRoot) {
    std::vector<DiscoveredPort> ports;
    std::error_code error;
    const fs::path root = fs::canonical(sysRoot, error);
    if (error) {
        return ports;
    }
    fs::directory_iterator it(root / "class" / "tty", error);
    if (error) {
        return ports;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (IsBluetoothTty(it->path(), name, root)) {
            ports.push_back({name, (fs::path(devRoot) / name).string()});
        }
    }
    if (error) {
        return {};
    }
    std::sort(ports.begin(), ports.end(), [](const DiscoveredPort& a, const DiscoveredPort& b) {
        return NaturalLess(a.name, b.name);
    });
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}
