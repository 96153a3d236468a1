#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "link/SerialPort.h"

// The outcome of a connection attempt: a connected stream socket, or why
// there is none. EINPROGRESS in the error means the attempt is still under way.
struct SocketConnectResult {
    int fd = -1;  // owned by whoever takes the result
    std::optional<CSerialException> error;
};

// A service that connects a meter by its address and hands over the socket
// (Bluetooth through the system's Bluetooth service). The link layer opens
// "bt:ADDRESS" ports through it, so the socket is read like any port.
//
// One attempt per address is under way at a time; its outcome waits until it
// is taken. All members may be called from any thread.
class ISocketConnector {
  public:
    virtual ~ISocketConnector() = default;

    // Starts an attempt for `address` unless one is under way or its outcome
    // has not been taken yet.
    virtual void Start(const std::string& address) = 0;
    // True when the attempt for `address` has an outcome to take.
    virtual bool Settled(const std::string& address) const = 0;
    // Starts an attempt if needed, waits up to `wait` for its outcome and
    // takes it; EINPROGRESS when it has none by then (it stays under way).
    virtual SocketConnectResult Connect(const std::string& address,
                                        std::chrono::milliseconds wait) = 0;
    // Lets go of `address`: an attempt under way is abandoned, a connection
    // is closed on the service's side. The caller closes the socket it took.
    virtual void Disconnect(const std::string& address) = 0;
};
