#pragma once

// Starting and stopping the built programs in tests: one child process with
// its standard output on a pipe (or in a file), its standard error in a file,
// and the environment the test asks for.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace test_support {

// Where the child's standard streams go, and what its environment adds.
struct ChildSetup {
    std::string stdinPath = "/dev/null";
    std::string stdoutPath;        // empty: a pipe read through ReadLine and ReadAll
    std::string stderrPath;        // empty: a temporary file, removed with the child
    std::vector<std::string> env;  // "NAME=value", added to or replacing the test's own
};

// Standard error into the file at path, the rest as default.
inline ChildSetup StderrTo(std::string path) {
    ChildSetup setup;
    setup.stderrPath = std::move(path);
    return setup;
}

// The path of a built program of this project.
inline std::string ProgramPath(const std::string& name) {
    return std::string(VAVIRIR_BINARY_DIR) + "/" + name;
}

class ChildProcess {
  public:
    explicit ChildProcess(const std::vector<std::string>& args, ChildSetup setup = {}) {
        m_stderrPath = setup.stderrPath;
        if (m_stderrPath.empty()) {
            char name[] = "/tmp/vavirir-test-stderr-XXXXXX";
            const int fd = mkstemp(name);
            if (fd < 0) {
                throw std::runtime_error("cannot make a file for standard error");
            }
            ::close(fd);
            m_stderrPath = name;
            m_bOwnStderrFile = true;
        }
        int out[2] = {-1, -1};
        if (setup.stdoutPath.empty() && pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, setup.stdinPath.c_str(), O_RDONLY,
                                         0);
        if (setup.stdoutPath.empty()) {
            posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, setup.stdoutPath.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<std::string> envText = Environment(setup.env);
        std::vector<char*> envp;
        for (std::string& e : envText) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (out[1] >= 0) {
            ::close(out[1]);
        }
        m_out = out[0];
        if (rc != 0) {
            m_pid = -1;
            CloseStdout();
            throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(rc));
        }
    }
    ~ChildProcess() {
        if (m_pid > 0 && !m_exit) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        CloseStdout();
        if (m_bOwnStderrFile) {
            std::remove(m_stderrPath.c_str());
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output without its line end; nothing when the
    // output ends or no whole line comes within `limit`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (const auto newline = m_buffer.find('\n'); newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            if (!ReadMore(deadline)) {
                return std::nullopt;
            }
        }
    }

    // Standard output from here to its end, or to `limit`.
    std::string ReadAll(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (ReadMore(deadline)) {
        }
        std::string text;
        text.swap(m_buffer);
        return text;
    }

    // The reading end of the output pipe goes away, as when `head` has had enough.
    void CloseStdout() {
        if (m_out >= 0) {
            ::close(m_out);
            m_out = -1;
        }
    }

    void Signal(int signal) const { ::kill(m_pid, signal); }
    pid_t Pid() const { return m_pid; }

    // The exit code (128 + the signal when a signal ended it), or nothing when
    // the child still runs after `limit`; it is left running then.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!m_exit) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_exit;
    }

    std::string Stderr() const {
        std::ifstream in(m_stderrPath);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    static std::vector<std::string> Environment(const std::vector<std::string>& changes) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            bool replaced = false;
            for (const std::string& c : changes) {
                replaced = replaced || c.compare(0, name.size() + 1, name + "=") == 0;
            }
            if (!replaced) {
                env.push_back(entry);
            }
        }
        env.insert(env.end(), changes.begin(), changes.end());
        return env;
    }

    bool ReadMore(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{m_out, POLLIN, 0};
        if (m_out < 0 || left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char chunk[4096];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_stderrPath;
    bool m_bOwnStderrFile = false;
    std::optional<int> m_exit;
    std::string m_buffer;
};

// A program run to its end: exit code (nothing if it hung and was killed),
// standard output and standard error.
struct ChildResult {
    std::optional<int> exitCode;
    std::string out;
    std::string err;
};

inline ChildResult RunToEnd(const std::vector<std::string>& args, ChildSetup setup = {},
                            std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    ChildProcess child(args, std::move(setup));
    ChildResult result;
    result.out = child.ReadAll(limit);
    result.exitCode = child.Wait(limit);
    result.err = child.Stderr();
    return result;
}

// Waits until `done` holds, looking every 20 ms; false when `limit` passed first.
template <typename Condition>
bool WaitFor(Condition done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Waits until the text file at `path` (written by a child) holds `count` whole lines.
inline bool WaitForLines(const std::string& path, std::size_t count,
                         std::chrono::milliseconds limit) {
    return WaitFor(
        [&] {
            std::ifstream in(path);
            const auto lines = std::count(std::istreambuf_iterator<char>(in), {}, '\n');
            return static_cast<std::size_t>(lines) >= count;
        },
        limit);
}

}  // namespace test_support
