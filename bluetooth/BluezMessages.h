#pragma once

// Reading the Bluetooth service's D-Bus messages (sd-bus).

#include <string>
#include <utility>
#include <vector>

#include "bluetooth/BluezNames.h"

struct sd_bus_message;

// The D-Bus error a reply carries, as (name, message); empty name: none.
std::pair<std::string, std::string> ErrorOf(sd_bus_message* reply);

// Reads an array of strings (as).
bool ReadStrings(sd_bus_message* m, std::vector<std::string>& out);

// Reads a Device1 property dictionary (a{sv}) into `device`; other
// properties are skipped. False on a malformed message.
bool ReadDeviceProperties(sd_bus_message* m, BluetoothDevice& device);

// Reads an object's interface dictionary (a{sa{sv}}); `hasDevice` tells
// whether it holds a Device1, whose properties go into `device`.
bool ReadInterfaces(sd_bus_message* m, BluetoothDevice& device, bool& hasDevice);

// "AA:BB:CC:DD:EE:01" from ".../dev_AA_BB_CC_DD_EE_01"; empty when the path
// does not end that way.
std::string AddressFromPath(const std::string& path);
