#include "bluetooth/BluezService.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
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

std::uint64_t Microseconds(std::chrono::milliseconds time) {
    return static_cast<std::uint64_t>(time.count()) * 1000u;
}

// The D-Bus error a reply carries, as (name, message); empty name: none.
std::pair<std::string, std::string> ErrorOf(sd_bus_message* reply) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (error == nullptr || error->name == nullptr) {
        return {};
    }
    return {error->name, error->message != nullptr ? error->message : ""};
}

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
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) {
        std::lock_guard lock(m_mutex);
        m_discovery = Discovery::NoService;
        return;
    }
    m_thread = std::thread([this] { Run(); });
}

CBluezService::~CBluezService() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    SetMetersChanged(nullptr);
    Notify();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (auto& [address, attempt] : m_attempts) {
        CloseAttempt(attempt);
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
    }
}

void CBluezService::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    Notify();
}

void CBluezService::Notify() {
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
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
        if (m_wakeFd < 0) {
            attempt.state = Attempt::State::Failed;
            attempt.error = NoBluetoothService("connect bt:" + address);
        }
        m_attempts.emplace(address, std::move(attempt));
        if (m_wakeFd < 0) {
            return;
        }
    }
    Post([this, address, id] { ConnectNow(address, id); });
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
        Post([this, address] { CallDisconnectProfile(DevicePathOf(address)); });
    }
}

// ---------------------------------------------------------------------------
// Bus thread

void CBluezService::Run() {
    if (!OpenBus()) {
        DiscoveryDone(Discovery::NoService);
    }
    for (;;) {
        bool stopping = false;
        {
            std::lock_guard lock(m_mutex);
            stopping = m_bStopping;
        }
        RunTasks();  // a last DisconnectProfile still goes out when stopping
        if (stopping) {
            break;
        }
        if (m_pBus == nullptr) {
            pollfd wake{m_wakeFd, POLLIN, 0};
            poll(&wake, 1, -1);
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(m_wakeFd, &count, sizeof count);
            continue;
        }
        const int processed = sd_bus_process(m_pBus, nullptr);
        if (processed > 0) {
            continue;
        }
        if (processed < 0) {
            // The bus went away (the daemon ended): no service from here on.
            ServiceVanished();
            for (sd_bus_slot* slot : m_slots) {
                sd_bus_slot_unref(slot);
            }
            m_slots.clear();
            m_pBus = sd_bus_flush_close_unref(m_pBus);
            DiscoveryDone(Discovery::NoService);
            continue;
        }
        std::uint64_t timeoutUsec = 0;
        int timeout = -1;
        if (sd_bus_get_timeout(m_pBus, &timeoutUsec) >= 0 && timeoutUsec != UINT64_MAX) {
            const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
            const auto left = static_cast<std::int64_t>(timeoutUsec) - now;
            timeout = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
        }
        pollfd fds[2] = {{sd_bus_get_fd(m_pBus), static_cast<short>(sd_bus_get_events(m_pBus)), 0},
                         {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(m_wakeFd, &count, sizeof count);
        }
    }
    for (sd_bus_slot* slot : m_slots) {
        sd_bus_slot_unref(slot);
    }
    m_slots.clear();
    if (m_pBus != nullptr) {
        m_pBus = sd_bus_flush_close_unref(m_pBus);
    }
}

bool CBluezService::OpenBus() {
    // sd_bus_open_system honours DBUS_SYSTEM_BUS_ADDRESS.
    if (sd_bus_open_system(&m_pBus) < 0) {
        m_pBus = nullptr;
        return false;
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
    if (sd_bus_add_object_vtable(m_pBus, &slot, bluez::kProfilePath, bluez::kProfileInterface,
                                 profileVtable, this) >= 0) {
        m_slots.push_back(slot);
    }
    WatchService();
    Discover();
    return true;
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
        if (sd_bus_add_match_async(m_pBus, &slot, match, &BluezHandlers::OnSignal, nullptr, this) >=
            0) {
            m_slots.push_back(slot);
        }
    }
}

void CBluezService::Discover() {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_pBus, &call, bluez::kService, "/",
                                       "org.freedesktop.DBus.ObjectManager",
                                       "GetManagedObjects") < 0) {
        DiscoveryDone(Discovery::NoService);
        return;
    }
    const bool sent = CallAsync(call, kCallTimeout, [this](sd_bus_message* reply) {
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

void CBluezService::RunTasks() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) {
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

void CBluezService::ConnectNow(const std::string& address, std::uint64_t id) {
    const std::string what = "connect bt:" + address;
    Discovery discovery = Discovery::Pending;
    {
        std::lock_guard lock(m_mutex);
        discovery = m_discovery;
    }
    if (m_pBus == nullptr || discovery == Discovery::NoService) {
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
    if (sd_bus_message_new_method_call(m_pBus, &call, bluez::kService, path.c_str(),
                                       bluez::kDeviceInterface, "ConnectProfile") < 0 ||
        sd_bus_message_append(call, "s", bluez::kSerialPortUuid) < 0) {
        sd_bus_message_unref(call);
        Fail(address, id, CSerialException(ENOMEM, what));
        return;
    }
    const bool sent = CallAsync(call, kConnectTimeout, [this, address, id](sd_bus_message* reply) {
        ConnectAnswered(address, id, reply);
    });
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
        sd_bus_message_new_method_call(m_pBus, &call, bluez::kService, bluez::kProfileManagerPath,
                                       bluez::kProfileManagerInterface, "RegisterProfile") >= 0 &&
        sd_bus_message_append(call, "os", bluez::kProfilePath, bluez::kSerialPortUuid) >= 0 &&
        sd_bus_message_append(call, "a{sv}", 2, "Name", "s", "Vavirir meter link", "Role", "s",
                              "client") >= 0;
    if (!built) {
        sd_bus_message_unref(call);
        ProfileAnswered(ProfileRefused("the request could not be built", "register the profile"));
        return;
    }
    const bool sent = CallAsync(call, kCallTimeout, [this](sd_bus_message* reply) {
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
    if (m_pBus == nullptr || devicePath.empty()) {
        return;
    }
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(m_pBus, &call, bluez::kService, devicePath.c_str(),
                                       bluez::kDeviceInterface, "DisconnectProfile") >= 0 &&
        sd_bus_message_append(call, "s", bluez::kSerialPortUuid) >= 0) {
        // Nothing to do with the answer: the socket is closed on our side already.
        CallAsync(call, kCallTimeout, [](sd_bus_message*) {});
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

bool CBluezService::CallAsync(sd_bus_message* call, std::chrono::milliseconds timeout,
                              std::function<void(sd_bus_message*)> answered) {
    auto* handler = new std::function<void(sd_bus_message*)>(std::move(answered));
    auto onReply = [](sd_bus_message* reply, void* userdata, sd_bus_error*) -> int {
        (*static_cast<std::function<void(sd_bus_message*)>*>(userdata))(reply);
        return 0;
    };
    sd_bus_slot* slot = nullptr;
    if (sd_bus_call_async(m_pBus, &slot, call, onReply, handler, Microseconds(timeout)) < 0) {
        delete handler;
        return false;
    }
    // The slot frees the handler when the call is answered or the bus closes.
    sd_bus_slot_set_destroy_callback(slot, [](void* userdata) {
        delete static_cast<std::function<void(sd_bus_message*)>*>(userdata);
    });
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    return true;
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
