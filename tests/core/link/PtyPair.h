#pragma once

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

// A pseudo-terminal standing in for the meter: the test writes the meter's
// bytes into the master, the code under test opens the slave path.
class PtyPair {
  public:
    PtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            throw std::runtime_error("cannot open a pseudo-terminal");
        }
        m_slavePath = ptsname(m_master);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                throw std::runtime_error("pty write failed");
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads what the program wrote, waiting up to `timeoutMs` for `count` bytes.
    std::vector<std::uint8_t> Receive(std::size_t count, int timeoutMs) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < count) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) {
                break;
            }
            std::uint8_t buffer[256];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    void CloseMaster() {
        if (m_master >= 0) {
            close(m_master);
            m_master = -1;
        }
        if (m_probe >= 0) {
            close(m_probe);
            m_probe = -1;
        }
    }

    // Opens the slave once more, only to look at its input queue; call it
    // before the code under test opens the slave exclusively.
    void WatchInput() {
        m_probe = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_probe < 0) {
            throw std::runtime_error("cannot open the pseudo-terminal's slave");
        }
    }

    // Waits until exactly `count` received bytes wait to be read on the slave.
    bool WaitForUnread(int count, int timeoutMs) {
        for (int waited = 0; waited <= timeoutMs; waited += 5) {
            int unread = -1;
            if (ioctl(m_probe, FIONREAD, &unread) == 0 && unread == count) {
                return true;
            }
            usleep(5000);
        }
        return false;
    }

  private:
    int m_master = -1;
    int m_probe = -1;
    std::string m_slavePath;
};

inline std::vector<std::uint8_t> Pattern(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}
