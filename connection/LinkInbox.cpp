#include "connection/LinkInbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <system_error>

CLinkInbox::CLinkInbox() : m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_wakeFd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

CLinkInbox::~CLinkInbox() {
    close(m_wakeFd);
}

void CLinkInbox::PushBytes(unsigned link, const std::uint8_t* bytes, std::size_t count) {
    Push({LinkEvent::Kind::Bytes, link, {bytes, bytes + count}, {}});
}

void CLinkInbox::PushLost(unsigned link, const std::string& reason) {
    Push({LinkEvent::Kind::Lost, link, {}, reason});
}

void CLinkInbox::Push(LinkEvent event) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    const std::uint64_t one = 1;
    // A full counter still leaves the descriptor readable: nothing is lost.
    (void)!write(m_wakeFd, &one, sizeof one);
    if (m_waker) {
        m_waker();
    }
}

std::deque<LinkEvent> CLinkInbox::TakeAll() {
    std::deque<LinkEvent> taken;
    std::lock_guard lock(m_mutex);
    std::uint64_t count = 0;
    (void)!read(m_wakeFd, &count, sizeof count);
    taken.swap(m_events);
    return taken;
}
