#pragma once

#include <memory>
#include <string>
#include <vector>

#include "connection/MeterLink.h"

class CBluezService;

// The serial port reader of the system (see SerialLink.cpp); "bt:ADDRESS"
// ports are connected through `bluetooth` (null: they cannot be opened).
std::unique_ptr<IMeterLink> MakeSerialLink(std::shared_ptr<CBluezService> bluetooth = nullptr);
// The Bluetooth serial ports of the system, as device names ("rfcomm0").
std::vector<std::string> DiscoverSystemPorts();
