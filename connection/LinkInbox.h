#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What a link's reader thread reported, in the order it happened. `link`
// names the opening of the link it came from, so that what an earlier link
// still left behind can be told apart.
struct LinkEvent {
    enum class Kind { Bytes, Lost };
    Kind kind = Kind::Bytes;
    unsigned link = 0;
    std::vector<std::uint8_t> bytes;
    std::string reason;
};

// Carries the reader thread's blocks and link loss to the thread that owns
// the connection. Every push makes the wake descriptor readable (an eventfd,
// for poll()) and calls the waker, if one is set (the desktop program queues
// a call to its own thread there).
class CLinkInbox {
  public:
    CLinkInbox();
    ~CLinkInbox();
    CLinkInbox(const CLinkInbox&) = delete;
    CLinkInbox& operator=(const CLinkInbox&) = delete;

    // Called on the reader thread after each push; set it before any link opens.
    void SetWaker(std::function<void()> waker) { m_waker = std::move(waker); }

    void PushBytes(unsigned link, const std::uint8_t* bytes, std::size_t count);
    void PushLost(unsigned link, const std::string& reason);

    // Everything that arrived, oldest first; the wake descriptor is read empty.
    std::deque<LinkEvent> TakeAll();

    // Readable while events wait.
    int WakeFd() const { return m_wakeFd; }

  private:
    void Push(LinkEvent event);

    std::mutex m_mutex;
    std::deque<LinkEvent> m_events;
    std::function<void()> m_waker;
    int m_wakeFd = -1;
};
