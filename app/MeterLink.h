#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

// The frame's connection to the meter. The real one is the serial port reader;
// tests put a fake in its place.
class IMeterLink {
  public:
    // Called on the reader thread with each received block, in order.
    using ReceiveFn = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    // Called on the reader thread when the device goes away.
    using LostFn = std::function<void()>;

    virtual ~IMeterLink() = default;

    // Closes any open link, then opens `port` (a number n for /dev/rfcomm<n>, or
    // a device path) at the meter's line settings, trying up to three times.
    // On failure returns false and sets `warning` to the text to show.
    virtual bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                      std::string& warning) = 0;
    // One quiet attempt to open `port` again after its link was lost (no
    // retries, no pause). On failure `reason` says why, for the status bar;
    // it is empty while the device is simply not there. Links without a
    // device of their own simply open again.
    virtual bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                        std::string& reason) {
        return Open(port, std::move(onReceive), std::move(onLost), reason);
    }
    // Stops the reader (joined before this returns) and closes the port.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual int Write(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual int ReadSize() const = 0;
    virtual void SetReadSize(int bytes) = 0;
};

#include <memory>
#include <vector>

class CBluezService;

// The serial port reader of the system (see SerialLink.cpp); "bt:ADDRESS"
// ports are connected through `bluetooth` (null: they cannot be opened).
std::unique_ptr<IMeterLink> MakeSerialLink(std::shared_ptr<CBluezService> bluetooth = nullptr);
// The Bluetooth serial ports of the system, as device names ("rfcomm0").
std::vector<std::string> DiscoverSystemPorts();
