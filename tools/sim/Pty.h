#pragma once
// The simulator's end of a pseudo-terminal: the master side it reads and
// writes, and the slave path the program opens as its serial port.
#include <string>

namespace sim {

class Pty {
  public:
    // Opens a master, unlocks its slave and puts the slave's line settings into
    // raw 8-bit mode. Throws std::runtime_error with the system's text.
    static Pty Open();

    Pty(Pty&& other) noexcept;
    Pty& operator=(Pty&&) = delete;
    Pty(const Pty&) = delete;
    ~Pty();

    int MasterFd() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }

    // True while some process holds the slave open. A master whose slave is
    // not open (yet, or any more) reports a hang-up.
    bool PeerPresent() const;

  private:
    Pty(int master, std::string slavePath) : m_master(master), m_slavePath(std::move(slavePath)) {}
    int m_master = -1;
    std::string m_slavePath;
};

// A symbolic link to the slave that is removed again on destruction, unless
// another simulator has taken the path over in the meantime.
class SlaveLink {
  public:
    // Replaces an existing symbolic link at linkPath in one step (rename);
    // refuses to replace anything else. Throws std::runtime_error.
    SlaveLink(const std::string& target, std::string linkPath);
    SlaveLink(const SlaveLink&) = delete;
    SlaveLink& operator=(const SlaveLink&) = delete;
    ~SlaveLink();

  private:
    std::string m_linkPath;
    std::string m_target;
};

}  // namespace sim
