#include "bluetooth/BluezMessages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <systemd/sd-bus.h>

namespace {

// Reads one variant holding `type` ("s", "b", "as") into `read`; skips a
// variant of any other type. False on a malformed message.
template <typename Read>
bool ReadVariant(sd_bus_message* m, const char* type, Read read) {
    char kind = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(m, &kind, &contents) < 0) {
        return false;
    }
    if (kind != SD_BUS_TYPE_VARIANT || contents == nullptr || std::strcmp(contents, type) != 0) {
        return sd_bus_message_skip(m, "v") >= 0;
    }
    if (sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, type) < 0) {
        return false;
    }
    const bool ok = read();
    return sd_bus_message_exit_container(m) >= 0 && ok;
}

}  // namespace

// The D-Bus error a reply carries, as (name, message); empty name: none.
std::pair<std::string, std::string> ErrorOf(sd_bus_message* reply) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (error == nullptr || error->name == nullptr) {
        return {};
    }
    return {error->name, error->message != nullptr ? error->message : ""};
}

bool ReadStrings(sd_bus_message* m, std::vector<std::string>& out) {
    char** strings = nullptr;
    if (sd_bus_message_read_strv(m, &strings) < 0) {
        return false;
    }
    out.clear();
    for (char** s = strings; s != nullptr && *s != nullptr; ++s) {
        out.emplace_back(*s);
        free(*s);
    }
    free(strings);
    return true;
}

// Reads a Device1 property dictionary (a{sv}) into `device`.
bool ReadDeviceProperties(sd_bus_message* m, BluetoothDevice& device) {
    if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") < 0) {
        return false;
    }
    while (sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(m, "s", &name) < 0) {
            return false;
        }
        const std::string key = name;
        bool ok = true;
        auto readText = [m](std::string& out) {
            return [m, &out] {
                const char* text = nullptr;
                if (sd_bus_message_read(m, "s", &text) < 0) {
                    return false;
                }
                out = text;
                return true;
            };
        };
        auto readFlag = [m](bool& out) {
            return [m, &out] {
                int flag = 0;
                if (sd_bus_message_read(m, "b", &flag) < 0) {
                    return false;
                }
                out = flag != 0;
                return true;
            };
        };
        if (key == "Address") {
            ok = ReadVariant(m, "s", readText(device.address));
        } else if (key == "Alias") {
            ok = ReadVariant(m, "s", readText(device.alias));
        } else if (key == "Paired") {
            ok = ReadVariant(m, "b", readFlag(device.paired));
        } else if (key == "Trusted") {
            ok = ReadVariant(m, "b", readFlag(device.trusted));
        } else if (key == "UUIDs") {
            ok = ReadVariant(m, "as", [m, &device] { return ReadStrings(m, device.uuids); });
        } else {
            ok = sd_bus_message_skip(m, "v") >= 0;
        }
        if (!ok || sd_bus_message_exit_container(m) < 0) {
            return false;
        }
    }
    return sd_bus_message_exit_container(m) >= 0;
}

// Reads an interface dictionary (a{sa{sv}}) of the object at `path`; true in
// `hasDevice` when it holds a Device1, whose properties go into `device`.
bool ReadInterfaces(sd_bus_message* m, BluetoothDevice& device, bool& hasDevice) {
    hasDevice = false;
    if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) {
        return false;
    }
    while (sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}") > 0) {
        const char* interface = nullptr;
        if (sd_bus_message_read(m, "s", &interface) < 0) {
            return false;
        }
        bool ok = true;
        if (std::strcmp(interface, bluez::kDeviceInterface) == 0) {
            hasDevice = true;
            ok = ReadDeviceProperties(m, device);
        } else {
            ok = sd_bus_message_skip(m, "a{sv}") >= 0;
        }
        if (!ok || sd_bus_message_exit_container(m) < 0) {
            return false;
        }
    }
    return sd_bus_message_exit_container(m) >= 0;
}

// "AA:BB:CC:DD:EE:01" from ".../dev_AA_BB_CC_DD_EE_01"; empty when the path
// does not end that way.
std::string AddressFromPath(const std::string& path) {
    const auto at = path.rfind("/dev_");
    if (at == std::string::npos || path.size() - at != 5 + 17) {
        return {};
    }
    std::string address = path.substr(at + 5);
    std::replace(address.begin(), address.end(), '_', ':');
    return address;
}
