#include "bluetooth/BusThread.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace {

using Answered = std::function<void(sd_bus_message*)>;

// Milliseconds until sd-bus's next time-out (an absolute CLOCK_MONOTONIC
// time in microseconds); -1: none.
int MillisecondsUntil(std::uint64_t deadlineUsec) {
    if (deadlineUsec == UINT64_MAX) {
        return -1;
    }
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    const auto left = static_cast<std::int64_t>(deadlineUsec) - now;
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

}  // namespace

CBusThread::~CBusThread() {
    Stop();
}

bool CBusThread::Start(Events events) {
    m_events = std::move(events);
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) {
        return false;
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CBusThread::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    if (m_thread.joinable()) {
        Wake();
        m_thread.join();
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
        m_wakeFd = -1;
    }
}

void CBusThread::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    Wake();
}

void CBusThread::Keep(sd_bus_slot* slot) {
    m_slots.push_back(slot);
}

bool CBusThread::CallAsync(sd_bus_message* call, std::chrono::milliseconds timeout,
                           Answered answered) {
    if (m_pBus == nullptr) {
        return false;
    }
    auto* handler = new Answered(std::move(answered));
    auto onReply = [](sd_bus_message* reply, void* userdata, sd_bus_error*) -> int {
        (*static_cast<Answered*>(userdata))(reply);
        return 0;
    };
    sd_bus_slot* slot = nullptr;
    const auto usec = static_cast<std::uint64_t>(timeout.count()) * 1000u;
    if (sd_bus_call_async(m_pBus, &slot, call, onReply, handler, usec) < 0) {
        delete handler;
        return false;
    }
    // The slot frees the handler when the call is answered or the bus closes.
    sd_bus_slot_set_destroy_callback(
        slot, [](void* userdata) { delete static_cast<Answered*>(userdata); });
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    return true;
}

void CBusThread::Run() {
    if (sd_bus_open_system(&m_pBus) < 0) {  // honours DBUS_SYSTEM_BUS_ADDRESS
        m_pBus = nullptr;
    }
    if (m_events.opened) {
        m_events.opened();
    }
    while (RunTasks()) {
        Serve();
    }
    CloseBus();
}

bool CBusThread::RunTasks() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) {
                return !m_bStopping;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

void CBusThread::Serve() {
    if (m_pBus == nullptr) {
        WaitForWake(-1);
        return;
    }
    const int processed = sd_bus_process(m_pBus, nullptr);
    if (processed > 0) {
        return;
    }
    if (processed < 0) {
        CloseBus();
        if (m_events.lost) {
            m_events.lost();
        }
        return;
    }
    std::uint64_t deadline = UINT64_MAX;
    sd_bus_get_timeout(m_pBus, &deadline);
    pollfd fds[2] = {{sd_bus_get_fd(m_pBus), static_cast<short>(sd_bus_get_events(m_pBus)), 0},
                     {m_wakeFd, POLLIN, 0}};
    if (poll(fds, 2, MillisecondsUntil(deadline)) > 0 && (fds[1].revents & POLLIN)) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = read(m_wakeFd, &count, sizeof count);
    }
}

void CBusThread::CloseBus() {
    for (sd_bus_slot* slot : m_slots) {
        sd_bus_slot_unref(slot);
    }
    m_slots.clear();
    if (m_pBus != nullptr) {
        m_pBus = sd_bus_flush_close_unref(m_pBus);
    }
}

void CBusThread::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void CBusThread::WaitForWake(int timeoutMs) {
    pollfd wake{m_wakeFd, POLLIN, 0};
    if (poll(&wake, 1, timeoutMs) > 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = read(m_wakeFd, &count, sizeof count);
    }
}
