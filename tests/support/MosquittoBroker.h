#pragma once

// A Mosquitto broker of the test's own on 127.0.0.1 (a free port, a config
// file in the test's folder), and a subscriber that prints what it receives.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"

namespace test_support {

inline constexpr const char* kMosquitto = "/usr/sbin/mosquitto";
inline constexpr const char* kMosquittoSub = "/usr/bin/mosquitto_sub";
inline constexpr const char* kMosquittoPub = "/usr/bin/mosquitto_pub";
inline constexpr const char* kMosquittoPasswd = "/usr/bin/mosquitto_passwd";

// A TCP port nobody listens on now.
inline int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("no free port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

inline bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

struct BrokerSetup {
    std::string user;  // with a password: only this user may connect
    std::string password;
    bool persistence = false;  // sessions and queued messages survive a restart
};

// A broker that keeps sessions and queued messages across its restart.
inline BrokerSetup KeepingSessions() {
    BrokerSetup setup;
    setup.persistence = true;
    return setup;
}

// A broker only this user with this password may use.
inline BrokerSetup WithLogin(std::string user, std::string password) {
    BrokerSetup setup;
    setup.user = std::move(user);
    setup.password = std::move(password);
    return setup;
}

class MosquittoBroker {
  public:
    // The broker's files go into `folder`, which must exist; 0: a free port.
    explicit MosquittoBroker(std::string folder, BrokerSetup setup = {}, int port = 0)
        : m_folder(std::move(folder)), m_port(port != 0 ? port : FreePort()) {
        const std::string config = m_folder + "/mosquitto.conf";
        std::ofstream out(config);
        out << "listener " << m_port << " 127.0.0.1\n";
        // Run as whoever runs the test (root would otherwise switch to "mosquitto").
        if (const passwd* me = ::getpwuid(::getuid())) {
            out << "user " << me->pw_name << "\n";
        }
        out << "max_queued_messages 0\n";
        if (setup.persistence) {
            out << "persistence true\npersistence_location " << m_folder << "/\n";
        }
        if (setup.user.empty()) {
            out << "allow_anonymous true\n";
        } else {
            const std::string passwords = m_folder + "/passwords";
            RunToEnd({kMosquittoPasswd, "-c", "-b", passwords, setup.user, setup.password});
            out << "allow_anonymous false\npassword_file " << passwords << "\n";
        }
        out.close();
        m_config = config;
        Start();
    }

    int Port() const { return m_port; }
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(m_port); }

    void Start() {
        m_process =
            std::make_unique<ChildProcess>(std::vector<std::string>{kMosquitto, "-c", m_config},
                                           StderrTo(m_folder + "/broker.log"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!Listening(m_port)) {
            if (std::chrono::steady_clock::now() > deadline || m_process->Wait({}).has_value()) {
                throw std::runtime_error("the broker did not start; see " + m_folder +
                                         "/broker.log");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // Ends the broker as a service stop does (SIGTERM), saving its sessions.
    void Stop() {
        m_process->Signal(SIGTERM);
        m_process->Wait(std::chrono::seconds(20));
        m_process.reset();
    }

  private:
    std::string m_folder;
    int m_port;
    std::string m_config;
    std::unique_ptr<ChildProcess> m_process;
};

// mosquitto_sub on `topics`, printing "TOPIC PAYLOAD" lines. With an id its
// session (QoS 1) outlives a restart of a broker that keeps sessions. It is
// subscribed when the constructor returns: a probe message came through.
class Subscriber {
  public:
    Subscriber(const MosquittoBroker& broker, const std::string& topics, const std::string& id = {},
               const BrokerSetup& login = {}) {
        std::vector<std::string> args = {
            kMosquittoSub, "-h",         "127.0.0.1", "-p", std::to_string(broker.Port()),
            "-v",          "-q",         "1",         "-t", topics,
            "-t",          "probe/ready"};
        if (!id.empty()) {
            args.insert(args.end(), {"-c", "-i", id});
        }
        std::vector<std::string> credentials;
        if (!login.user.empty()) {
            credentials = {"-u", login.user, "-P", login.password};
        }
        args.insert(args.end(), credentials.begin(), credentials.end());
        m_process = std::make_unique<ChildProcess>(args);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            std::vector<std::string> probe = {
                kMosquittoPub, "-h",          "127.0.0.1", "-p", std::to_string(broker.Port()),
                "-t",          "probe/ready", "-m",        "1"};
            probe.insert(probe.end(), credentials.begin(), credentials.end());
            RunToEnd(probe);
            if (const auto line = m_process->ReadLine(std::chrono::milliseconds(500))) {
                if (*line == "probe/ready 1") {
                    return;
                }
                m_lines.push_back(*line);
            }
        }
        throw std::runtime_error("the subscriber did not subscribe");
    }

    // The next line received, waiting at most `limit`.
    std::optional<std::string> Next(std::chrono::milliseconds limit) {
        if (!m_lines.empty()) {
            std::string line = m_lines.front();
            m_lines.erase(m_lines.begin());
            return line;
        }
        for (;;) {
            auto line = m_process->ReadLine(limit);
            if (!line || *line != "probe/ready 1") {
                return line;
            }
        }
    }

  private:
    std::unique_ptr<ChildProcess> m_process;
    std::vector<std::string> m_lines;
};

}  // namespace test_support
