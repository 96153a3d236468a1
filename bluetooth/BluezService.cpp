#include "bluetooth/BluezService.h"

#include "bluetooth/BluezMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Time-outs of the calls to the Bluetooth service. Connecting pages the
// meter and reads its service records, which takes seconds when it is out
// of range; everything else answers at once.
constexpr auto kConnectTimeout = 30s;
constexpr auto kCallTimeout = 5s;

}  // namespace

// The D-Bus handlers of CBluezService, called on its bus thread.
struct BluezHandlers {
    static int OnNewConnection(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static int OnRequestDisconnection(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static int OnRelease(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static int OnSignal(sd_bus_message* m, void* userdata, sd_bus_error* error);
};

// ---------------------------------------------------------------------------
// Any thread

CBluezService::CBluezService() {
    m_bBusRunning = m_bus.Start({[this] { OnBusOpened(); }, [this] { OnBusLost(); }});
    if (!m_bBusRunning) {
        std::lock_guard lock(m_mutex);
        m_discovery = Discovery::NoService;
    }
}

CBluezService::~CBluezService() {
    SetMetersChanged(nullptr);
    m_bus.Stop();
    for (auto& [address, attempt] : m_attempts) {
        CloseAttempt(attempt);
    }
}

void CBluezService::CloseAttempt(Attempt& attempt) {
    if (attempt.fd >= 0) {
        close(attempt.fd);
        attempt.fd = -1;
    }
    if (attempt.shutdownFd >= 0) {
        close(attempt.shutdownFd);
        attempt.shutdownFd = -1;
    }
}

CBluezService::Discovery CBluezService::WaitForDiscovery(std::chrono::milliseconds wait) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, wait, [this] { return m_discovery != Discovery::Pending; });
    return m_discovery;
}

CBluezService::Discovery CBluezService::DiscoveryState() const {
    std::lock_guard lock(m_mutex);
    return m_discovery;
}

std::vector<BluetoothMeter> CBluezService::Meters() const {
    std::lock_guard lock(m_mutex);
    return m_meters;
}

void CBluezService::SetMetersChanged(std::function<void()> changed) {
    std::lock_guard lock(m_callbackMutex);
    m_metersChanged = std::move(changed);
}

void CBluezService::Start(const std::string& address) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_attempts.find(address);
        if (it != m_attempts.end()) {
            Attempt& attempt = it->second;
            if (attempt.state != Attempt::State::Taken) {
                attempt.abandoned = false;  // wanted again after all
                return;
            }
            CloseAttempt(attempt);
            m_attempts.erase(it);
        }
        id = m_nextAttemptId++;
        Attempt attempt;
        attempt.id = id;
        if (!m_bBusRunning) {
            attempt.state = Attempt::State::Failed;
            attempt.error = NoBluetoothService("connect bt:" + address);
        }
        m_attempts.emplace(address, std::move(attempt));
        if (!m_bBusRunning) {
            return;
        }
    }
    m_bus.Post([this, address, id] { ConnectNow(address, id); });
}

bool CBluezService::Settled(const std::string& address) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_attempts.find(address);
    return it != m_attempts.end() && (it->second.state == Attempt::State::Connected ||
                                      it->second.state == Attempt::State::Failed);
}

SocketConnectResult CBluezService::Connect(const std::string& address,
                                           std::chrono::milliseconds wait) {
    Start(address);
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, wait, [this, &address] {
        const auto it = m_attempts.find(address);
        return it == m_attempts.end() || it->second.state != Attempt::State::Connecting;
    });
    SocketConnectResult result;
    const auto it = m_attempts.find(address);
    if (it == m_attempts.end()) {
        result.error = CSerialException(ECANCELED, "connect bt:" + address);
        return result;
    }
    Attempt& attempt = it->second;
    switch (attempt.state) {
        case Attempt::State::Connecting:
            result.error = CSerialException(EINPROGRESS, "connect bt:" + address);
            break;
        case Attempt::State::Connected:
            result.fd = attempt.fd;
            attempt.fd = -1;
            attempt.state = Attempt::State::Taken;
            break;
        case Attempt::State::Failed:
        case Attempt::State::Taken:
            result.error = attempt.error.value_or(CSerialException(EIO, "connect bt:" + address));
            CloseAttempt(attempt);
            m_attempts.erase(it);
            break;
    }
    return result;
}

void CBluezService::Disconnect(const std::string& address) {
    bool connected = false;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_attempts.find(address);
        if (it == m_attempts.end()) {
            return;
        }
        Attempt& attempt = it->second;
        if (attempt.state == Attempt::State::Connecting) {
            // Its answer is still to come: the bus thread lets go of it then.
            attempt.abandoned = true;
            return;
        }
        connected = attempt.state != Attempt::State::Failed;
        CloseAttempt(attempt);
        m_attempts.erase(it);
    }
    if (connected) {
        m_bus.Post([this, address] { CallDisconnectProfile(DevicePathOf(address)); });
    }
}

// ---------------------------------------------------------------------------
// Bus thread

void CBluezService::OnBusOpened() {
    if (m_bus.Bus() == nullptr) {
        DiscoveryDone(Discovery::NoService);
        return;
    }
    static const sd_bus_vtable profileVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("NewConnection", "oha{sv}", "", &BluezHandlers::OnNewConnection,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("RequestDisconnection", "o", "", &BluezHandlers::OnRequestDisconnection,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("Release", "", "", &BluezHandlers::OnRelease,
                      SD_BUS_VTABLE_UNPRIVILEGED | SD_BUS_VTABLE_METHOD_NO_REPLY),
        SD_BUS_VTABLE_END,
    };
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(m_bus.Bus(), &slot, bluez::kProfilePath, bluez::kProfileInterface,
                                 profileVtable, this) >= 0) {
        m_bus.Keep(slot);
    }
    WatchService();
    Discover();
}

void CBluezService::OnBusLost() {
    // The bus went away (its daemon ended): no service from here on.
    ServiceVanished();
    DiscoveryDone(Discovery::NoService);
}

void CBluezService::WatchService() {
    const char* const matches[] = {
        "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
        "member='NameOwnerChanged',arg0='org.bluez'",
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.ObjectManager',"
        "path='/'",
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.Properties',"
        "member='PropertiesChanged',arg0='org.bluez.Device1'",
    };
    for (const char* match : matches) {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_add_match_async(m_bus.Bus(), &slot, match, &BluezHandlers::OnSignal, nullptr,
                                   this) >= 0) {
            m_bus.Keep(slot);
        }
    }
}

void CBluezService::Discover() {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_bus.Bus(), &call, bluez::kService, "/",
                                       "org.freedesktop.DBus.ObjectManager",
                                       "GetManagedObjects") < 0) {
        DiscoveryDone(Discovery::NoService);
        return;
    }
    const bool sent = m_bus.CallAsync(call, kCallTimeout, [this](sd_bus_message* reply) {
        if (!ErrorOf(reply).first.empty()) {
            m_devices.clear();
            DiscoveryDone(Discovery::NoService);
            return;
        }
        m_devices.clear();
        if (sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}") >= 0) {
            while (sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}") >
                   0) {
                const char* path = nullptr;
                if (sd_bus_message_read(reply, "o", &path) < 0) {
                    break;
                }
                BluetoothDevice device;
                bool hasDevice = false;
                if (!ReadInterfaces(reply, device, hasDevice) ||
                    sd_bus_message_exit_container(reply) < 0) {
                    break;
                }
                if (hasDevice) {
                    device.path = path;
                    m_devices[path] = std::move(device);
                }
            }
        }
        DiscoveryDone(Discovery::Ready);
    });
    sd_bus_message_unref(call);
    if (!sent) {
        DiscoveryDone(Discovery::NoService);
    }
}

void CBluezService::DiscoveryDone(Discovery state) {
    // The meters are in place before anyone waiting for discovery wakes.
    MetersMayHaveChanged(state);
    auto waiting = std::move(m_waitingForDiscovery);
    m_waitingForDiscovery.clear();
    for (const auto& [address, id] : waiting) {
        ConnectNow(address, id);
    }
}

void CBluezService::ServiceVanished() {
    m_devices.clear();
    m_profile = Profile::None;
    auto waiting = std::move(m_waitingForProfile);
    m_waitingForProfile.clear();
    for (const auto& [address, id] : waiting) {
        Fail(address, id, NoBluetoothService("connect bt:" + address));
    }
    // A connection the service held is gone with it.
    std::lock_guard lock(m_mutex);
    for (auto& [address, attempt] : m_attempts) {
        if (attempt.shutdownFd >= 0) {
            shutdown(attempt.shutdownFd, SHUT_RDWR);
        }
    }
}

void CBluezService::ConnectNow(const std::string& address, std::uint64_t id) {
    const std::string what = "connect bt:" + address;
    Discovery discovery = Discovery::Pending;
    {
        std::lock_guard lock(m_mutex);
        discovery = m_discovery;
    }
    if (m_bus.Bus() == nullptr || discovery == Discovery::NoService) {
        Fail(address, id, NoBluetoothService(what));
        return;
    }
    if (discovery == Discovery::Pending) {
        m_waitingForDiscovery.emplace_back(address, id);
        return;
    }
    const std::string path = DevicePathOf(address);
    const auto device = m_devices.find(path);
    if (path.empty() || device == m_devices.end() ||
        !(device->second.paired || device->second.trusted)) {
        Fail(address, id, MeterNotPaired(address, what));
        return;
    }
    if (m_profile != Profile::Registered) {
        m_waitingForProfile.emplace_back(address, id);
        RegisterProfile();
        return;
    }
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_bus.Bus(), &call, bluez::kService, path.c_str(),
                                       bluez::kDeviceInterface, "ConnectProfile") < 0 ||
        sd_bus_message_append(call, "s", bluez::kSerialPortUuid) < 0) {
        sd_bus_message_unref(call);
        Fail(address, id, CSerialException(ENOMEM, what));
        return;
    }
    const bool sent = m_bus.CallAsync(
        call, kConnectTimeout,
        [this, address, id](sd_bus_message* reply) { ConnectAnswered(address, id, reply); });
    sd_bus_message_unref(call);
    if (!sent) {
        Fail(address, id, NoBluetoothService(what));
    }
}

void CBluezService::RegisterProfile() {
    if (m_profile == Profile::Registering) {
        return;
    }
    m_profile = Profile::Registering;
    sd_bus_message* call = nullptr;
    const bool built =
        sd_bus_message_new_method_call(m_bus.Bus(), &call, bluez::kService,
                                       bluez::kProfileManagerPath, bluez::kProfileManagerInterface,
                                       "RegisterProfile") >= 0 &&
        sd_bus_message_append(call, "os", bluez::kProfilePath, bluez::kSerialPortUuid) >= 0 &&
        sd_bus_message_append(call, "a{sv}", 2, "Name", "s", "Vavirir meter link", "Role", "s",
                              "client") >= 0;
    if (!built) {
        sd_bus_message_unref(call);
        ProfileAnswered(ProfileRefused("the request could not be built", "register the profile"));
        return;
    }
    const bool sent = m_bus.CallAsync(call, kCallTimeout, [this](sd_bus_message* reply) {
        const auto [name, detail] = ErrorOf(reply);
        if (name.empty() || name == "org.bluez.Error.AlreadyExists") {
            ProfileAnswered(std::nullopt);
        } else if (name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
                   name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
                   name == "org.freedesktop.DBus.Error.NoReply") {
            ProfileAnswered(BluezError(name, detail, "register the profile"));
        } else {
            ProfileAnswered(ProfileRefused(name + (detail.empty() ? "" : ": " + detail),
                                           "register the profile"));
        }
    });
    sd_bus_message_unref(call);
    if (!sent) {
        ProfileAnswered(NoBluetoothService("register the profile"));
    }
}

void CBluezService::ProfileAnswered(const std::optional<CSerialException>& error) {
    m_profile = error ? Profile::None : Profile::Registered;
    auto waiting = std::move(m_waitingForProfile);
    m_waitingForProfile.clear();
    for (const auto& [address, id] : waiting) {
        if (error) {
            Fail(address, id, *error);
        } else {
            ConnectNow(address, id);
        }
    }
}

void CBluezService::ConnectAnswered(const std::string& address, std::uint64_t id,
                                    sd_bus_message* reply) {
    const auto [name, detail] = ErrorOf(reply);
    bool letGo = false;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_attempts.find(address);
        if (it == m_attempts.end() || it->second.id != id) {
            // An answer for an attempt that is over: its connection, if it
            // had one, has been let go of already.
        } else if (Attempt& attempt = it->second; attempt.state == Attempt::State::Connecting) {
            if (attempt.abandoned) {
                letGo = name.empty();
                m_attempts.erase(it);
            } else if (!name.empty()) {
                attempt.state = Attempt::State::Failed;
                attempt.error = BluezError(name, detail, "connect bt:" + address);
            } else {
                // BlueZ hands the socket over before it answers, so a success
                // without one means the connection went wrong on the way.
                attempt.state = Attempt::State::Failed;
                attempt.error = CSerialException(
                    EIO, "connect bt:" + address,
                    "The Bluetooth service connected the meter but handed over no connection. "
                    "Try again.");
                letGo = true;
            }
        }
    }
    m_changed.notify_all();
    if (letGo) {
        CallDisconnectProfile(DevicePathOf(address));
    }
}

void CBluezService::Fail(const std::string& address, std::uint64_t id,
                         const CSerialException& error) {
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_attempts.find(address);
        if (it == m_attempts.end() || it->second.id != id ||
            it->second.state != Attempt::State::Connecting) {
            return;
        }
        if (it->second.abandoned) {
            m_attempts.erase(it);
        } else {
            it->second.state = Attempt::State::Failed;
            it->second.error = error;
        }
    }
    m_changed.notify_all();
}

void CBluezService::CallDisconnectProfile(const std::string& devicePath) {
    if (m_bus.Bus() == nullptr || devicePath.empty()) {
        return;
    }
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_bus.Bus(), &call, bluez::kService, devicePath.c_str(),
                                       bluez::kDeviceInterface, "DisconnectProfile") >= 0 &&
        sd_bus_message_append(call, "s", bluez::kSerialPortUuid) >= 0) {
        // Nothing to do with the answer: the socket is closed on our side already.
        m_bus.CallAsync(call, kCallTimeout, [](sd_bus_message*) {});
    }
    sd_bus_message_unref(call);
}

std::string CBluezService::DevicePathOf(const std::string& address) const {
    for (const auto& [path, device] : m_devices) {
        if (device.address == address) {
            return path;
        }
    }
    return {};
}

std::string CBluezService::AddressOfPath(const std::string& path) const {
    const auto it = m_devices.find(path);
    if (it != m_devices.end() && !it->second.address.empty()) {
        return it->second.address;
    }
    return AddressFromPath(path);
}

void CBluezService::MetersMayHaveChanged(std::optional<Discovery> discovery) {
    std::vector<BluetoothDevice> devices;
    for (const auto& [path, device] : m_devices) {
        devices.push_back(device);
    }
    std::vector<BluetoothMeter> meters = MetersAmong(devices);
    {
        std::lock_guard lock(m_mutex);
        m_meters = std::move(meters);
        if (discovery) {
            m_discovery = *discovery;
        }
    }
    m_changed.notify_all();
    // Held while the callback runs, so once SetMetersChanged returns the old
    // callback is never called again.
    std::lock_guard callbackLock(m_callbackMutex);
    if (m_metersChanged) {
        m_metersChanged();
    }
}

// ---------------------------------------------------------------------------
// D-Bus handlers (bus thread)

int BluezHandlers::OnNewConnection(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    auto* self = static_cast<CBluezService*>(userdata);
    const char* path = nullptr;
    int fd = -1;
    if (sd_bus_message_read(m, "oh", &path, &fd) < 0) {
        return sd_bus_error_set(error, "org.bluez.Error.Rejected", "malformed call");
    }
    const std::string address = self->AddressOfPath(path);
    bool taken = false;
    {
        std::lock_guard lock(self->m_mutex);
        const auto it = self->m_attempts.find(address);
        if (it != self->m_attempts.end() &&
            it->second.state == CBluezService::Attempt::State::Connecting &&
            !it->second.abandoned) {
            // The message owns its descriptor: keep copies of our own.
            CBluezService::Attempt& attempt = it->second;
            attempt.fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
            attempt.shutdownFd = attempt.fd >= 0 ? fcntl(fd, F_DUPFD_CLOEXEC, 3) : -1;
            if (attempt.fd >= 0 && attempt.shutdownFd >= 0) {
                attempt.state = CBluezService::Attempt::State::Connected;
                taken = true;
            } else {
                CBluezService::CloseAttempt(attempt);
            }
        }
    }
    if (!taken) {
        // Nobody here asked for this meter (or it was given up meanwhile).
        return sd_bus_error_set(error, "org.bluez.Error.Rejected", "no connection was asked for");
    }
    self->m_changed.notify_all();
    return sd_bus_reply_method_return(m, nullptr);
}

int BluezHandlers::OnRequestDisconnection(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<CBluezService*>(userdata);
    const char* path = nullptr;
    if (sd_bus_message_read(m, "o", &path) >= 0) {
        const std::string address = self->AddressOfPath(path);
        std::lock_guard lock(self->m_mutex);
        const auto it = self->m_attempts.find(address);
        if (it != self->m_attempts.end() && it->second.shutdownFd >= 0) {
            // The reader sees the hang-up and the link's reconnect takes over.
            shutdown(it->second.shutdownFd, SHUT_RDWR);
        }
    }
    return sd_bus_reply_method_return(m, nullptr);
}

int BluezHandlers::OnRelease(sd_bus_message*, void* userdata, sd_bus_error*) {
    // Unregistered by the service: the next connection registers again.
    static_cast<CBluezService*>(userdata)->m_profile = CBluezService::Profile::None;
    return 0;
}

int BluezHandlers::OnSignal(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<CBluezService*>(userdata);
    const char* member = sd_bus_message_get_member(m);
    if (member == nullptr) {
        return 0;
    }
    const std::string signal = member;
    if (signal == "NameOwnerChanged") {
        const char* name = nullptr;
        const char* oldOwner = nullptr;
        const char* newOwner = nullptr;
        if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0) {
            return 0;
        }
        self->ServiceVanished();
        if (newOwner != nullptr && *newOwner != '\0') {
            self->Discover();  // the service (re)started: look again
        } else {
            self->DiscoveryDone(CBluezService::Discovery::NoService);
        }
        return 0;
    }
    if (signal == "InterfacesAdded") {
        const char* path = nullptr;
        if (sd_bus_message_read(m, "o", &path) < 0) {
            return 0;
        }
        BluetoothDevice device;
        bool hasDevice = false;
        if (ReadInterfaces(m, device, hasDevice) && hasDevice) {
            device.path = path;
            self->m_devices[path] = std::move(device);
            self->MetersMayHaveChanged();
        }
        return 0;
    }
    if (signal == "InterfacesRemoved") {
        const char* path = nullptr;
        std::vector<std::string> interfaces;
        if (sd_bus_message_read(m, "o", &path) < 0 || !ReadStrings(m, interfaces)) {
            return 0;
        }
        if (std::find(interfaces.begin(), interfaces.end(), bluez::kDeviceInterface) !=
            interfaces.end()) {
            self->m_devices.erase(path);
            self->MetersMayHaveChanged();
        }
        return 0;
    }
    if (signal == "PropertiesChanged") {
        const char* interface = nullptr;
        const char* path = sd_bus_message_get_path(m);
        if (path == nullptr || sd_bus_message_read(m, "s", &interface) < 0) {
            return 0;
        }
        BluetoothDevice& device = self->m_devices[path];
        device.path = path;
        if (device.address.empty()) {
            device.address = AddressFromPath(path);
        }
        if (ReadDeviceProperties(m, device)) {
            self->MetersMayHaveChanged();
        }
    }
    return 0;
}
