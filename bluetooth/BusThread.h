#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

// The system bus (DBUS_SYSTEM_BUS_ADDRESS when set) served by a thread of its
// own, so that a call waiting for its answer never keeps the bus from
// serving the calls that come in meanwhile. sd-bus is not thread-safe: the
// bus is touched only on this thread, by the posted tasks, the answers and
// the handlers; other threads post.
class CBusThread {
  public:
    struct Events {
        std::function<void()> opened;  // first on the thread; Bus() is null without a bus
        std::function<void()> lost;    // the bus went away; Bus() is null from here on
    };

    CBusThread() = default;
    ~CBusThread();
    CBusThread(const CBusThread&) = delete;
    CBusThread& operator=(const CBusThread&) = delete;

    // Opens the bus and serves it. False when no thread could be started.
    bool Start(Events events);
    // Runs the tasks still posted (a last call still goes out), then closes
    // the bus and joins the thread.
    void Stop();
    // Runs `task` on the bus thread.
    void Post(std::function<void()> task);

    // Bus thread only.
    sd_bus* Bus() const { return m_pBus; }
    // Keeps `slot` (an object, a match) for as long as the bus is open.
    void Keep(sd_bus_slot* slot);
    // Sends `call` with a time-out; `answered` gets the reply or the error
    // (a time-out comes as an error). False when it could not be sent.
    bool CallAsync(sd_bus_message* call, std::chrono::milliseconds timeout,
                   std::function<void(sd_bus_message*)> answered);

  private:
    void Run();
    bool RunTasks();  // false once stopping
    void Serve();     // one turn: process, or wait for the bus or a task
    void CloseBus();
    void Wake();
    void WaitForWake(int timeoutMs);

    Events m_events;
    sd_bus* m_pBus = nullptr;
    std::vector<sd_bus_slot*> m_slots;
    int m_wakeFd = -1;
    std::thread m_thread;

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    bool m_bStopping = false;
};
