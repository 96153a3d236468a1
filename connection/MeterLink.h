#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

// A connection's way to the meter: the serial port reader, a Bluetooth socket,
// the demo meter, or a fake in tests.
class IMeterLink {
  public:
    // Called on the reader thread with each received block, in order.
    using ReceiveFn = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    // Called on the reader thread when the device goes away, with the
    // system's account ("link lost: …").
    using LostFn = std::function<void(const std::string& reason)>;

    virtual ~IMeterLink() = default;

    // Closes any open link, then opens `port` (a number n for /dev/rfcomm<n>, a
    // device path or "bt:ADDRESS") at the meter's line settings, trying up to
    // three times. On failure returns false and sets `warning` to the text to show.
    virtual bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                      std::string& warning) = 0;
    // One quiet attempt to open `port` again after its link was lost (no
    // retries, no pause). On failure `reason` says why; it is empty while the
    // device is simply not there. Links without a device of their own simply
    // open again.
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
    // Why the last write failed, where the link knows.
    virtual std::optional<std::string> WriteFailure() const { return std::nullopt; }
};
