#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bluetooth/BluezNames.h"
#include "bluetooth/BusThread.h"
#include "link/SocketConnector.h"

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

// The program's side of the system's Bluetooth service (BlueZ) on the system
// bus (DBUS_SYSTEM_BUS_ADDRESS when set):
// - finds the paired meters and follows them as they are paired, renamed or
//   removed (ObjectManager.GetManagedObjects, InterfacesAdded/Removed,
//   PropertiesChanged);
// - connects a meter: registers a Serial Port Profile client once
//   (ProfileManager1.RegisterProfile), serves its Profile1 object and asks the
//   device for the profile (Device1.ConnectProfile); BlueZ hands the socket
//   over in Profile1.NewConnection. Letting go calls DisconnectProfile.
//
// The bus is served by a thread of its own: BlueZ calls NewConnection on us
// while our ConnectProfile is still waiting for its answer, so no call may
// block the bus. Every call has a time-out. Callers on other threads wait
// on a condition, never on the bus.
class CBluezService : public ISocketConnector {
  public:
    // How discovery stands.
    enum class Discovery { Pending, Ready, NoService };

    CBluezService();
    ~CBluezService() override;
    CBluezService(const CBluezService&) = delete;
    CBluezService& operator=(const CBluezService&) = delete;

    // Waits at most `wait` for the first look at the service's devices.
    Discovery WaitForDiscovery(std::chrono::milliseconds wait) const;
    Discovery DiscoveryState() const;
    // The paired meters now.
    std::vector<BluetoothMeter> Meters() const;
    // Called on the bus thread whenever the list of meters or the discovery
    // state changed; keep it short (post to your own thread). Null: nobody.
    // Once this returns, the callback it replaced is no longer called.
    void SetMetersChanged(std::function<void()> changed);

    void Start(const std::string& address) override;
    bool Settled(const std::string& address) const override;
    SocketConnectResult Connect(const std::string& address,
                                std::chrono::milliseconds wait) override;
    void Disconnect(const std::string& address) override;

  private:
    struct Attempt {
        enum class State { Connecting, Connected, Failed, Taken };
        State state = State::Connecting;
        std::uint64_t id = 0;
        bool abandoned = false;
        int fd = -1;          // the socket, until taken
        int shutdownFd = -1;  // our own handle on it, to hang it up when asked
        std::optional<CSerialException> error;
    };
    enum class Profile { None, Registering, Registered };

    static void CloseAttempt(Attempt& attempt);

    // --- bus thread
    void OnBusOpened();
    void OnBusLost();
    void WatchService();
    void Discover();
    void DiscoveryDone(Discovery state);
    void ServiceVanished();
    void ConnectNow(const std::string& address, std::uint64_t id);
    void RegisterProfile();
    void ProfileAnswered(const std::optional<CSerialException>& error);
    void ConnectAnswered(const std::string& address, std::uint64_t id, sd_bus_message* reply);
    void CallDisconnectProfile(const std::string& devicePath);
    void Fail(const std::string& address, std::uint64_t id, const CSerialException& error);
    std::string DevicePathOf(const std::string& address) const;
    std::string AddressOfPath(const std::string& path) const;
    // Recomputes the meters (and sets the discovery state, when given).
    void MetersMayHaveChanged(std::optional<Discovery> discovery = std::nullopt);

    // The D-Bus handlers (bus thread), defined with the bus code.
    friend struct BluezHandlers;

    // Bus thread only.
    std::map<std::string, BluetoothDevice> m_devices;  // by object path
    Profile m_profile = Profile::None;
    std::vector<std::pair<std::string, std::uint64_t>> m_waitingForProfile;
    std::vector<std::pair<std::string, std::uint64_t>> m_waitingForDiscovery;

    std::mutex m_callbackMutex;
    std::function<void()> m_metersChanged;  // under m_callbackMutex

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Discovery m_discovery = Discovery::Pending;
    std::vector<BluetoothMeter> m_meters;
    std::map<std::string, Attempt> m_attempts;  // by address
    std::uint64_t m_nextAttemptId = 1;
    bool m_bBusRunning = false;

    // Last: its thread starts once everything above is in place, and it is
    // stopped (in the destructor) before anything above goes.
    CBusThread m_bus;
};
