#include "Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sim {

namespace {

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Raw 8-bit line settings on the slave, so nothing echoes or translates the
// frames before the program has configured the port itself.
void MakeSlaveRaw(const std::string& slavePath) {
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        ThrowSystemError("cannot open " + slavePath);
    }
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0) {
        const int saved = errno;
        ::close(slave);
        errno = saved;
        ThrowSystemError("cannot read the line settings of " + slavePath);
    }
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    const int result = ::tcsetattr(slave, TCSANOW, &settings);
    const int saved = errno;
    ::close(slave);
    if (result != 0) {
        errno = saved;
        ThrowSystemError("cannot set raw mode on " + slavePath);
    }
}

std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

Pty Pty::Open() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        ThrowSystemError("cannot open a pseudo-terminal");
    }
    Pty pty(master, {});
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ThrowSystemError("cannot unlock the pseudo-terminal");
    }
    char name[128];
    if (::ptsname_r(master, name, sizeof name) != 0) {
        ThrowSystemError("cannot name the pseudo-terminal");
    }
    pty.m_slavePath = name;
    MakeSlaveRaw(pty.m_slavePath);
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        ThrowSystemError("cannot make the pseudo-terminal non-blocking");
    }
    return pty;
}

Pty::Pty(Pty&& other) noexcept
    : m_master(other.m_master), m_slavePath(std::move(other.m_slavePath)) {
    other.m_master = -1;
}

Pty::~Pty() {
    if (m_master >= 0) {
        ::close(m_master);
    }
}

bool Pty::PeerPresent() const {
    pollfd fd{m_master, 0, 0};
    if (::poll(&fd, 1, 0) < 0) {
        return false;
    }
    return (fd.revents & POLLHUP) == 0;
}

SlaveLink::SlaveLink(const std::string& target, std::string linkPath)
    : m_linkPath(std::move(linkPath)), m_target(target) {
    struct stat st {};
    if (::lstat(m_linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        throw std::runtime_error(m_linkPath + " exists and is not a symbolic link");
    }
    // A new link under a temporary name, renamed over the old one: a program
    // that opens the path sees either the old terminal or the new one, never
    // a missing path in between.
    const std::string temporary = m_linkPath + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        ThrowSystemError("cannot create the link " + temporary);
    }
    if (::rename(temporary.c_str(), m_linkPath.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        ThrowSystemError("cannot create the link " + m_linkPath);
    }
}

SlaveLink::~SlaveLink() {
    // A simulator started later on the same path owns the link now: leave it.
    if (LinkTarget(m_linkPath) == m_target) {
        ::unlink(m_linkPath.c_str());
    }
}

}  // namespace sim
