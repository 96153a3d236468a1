#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
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

// A started program with its stdout on a pipe and its stderr in a file.
class Process {
  public:
    Process(const std::vector<std::string>& args, const std::string& stderrPath) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_out = out[0];
        m_stderrPath = stderrPath;
        if (rc != 0) {
            close(m_out);
            throw std::runtime_error("cannot start " + args[0]);
        }
    }
    ~Process() {
        if (!m_bExited) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
        close(m_out);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // One line of stdout, waiting at most `limitMs`; empty on time-out or end.
    std::string ReadLine(int limitMs) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{m_out, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
                return {};
            }
            char c = 0;
            if (read(m_out, &c, 1) != 1) {
                return {};
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
    }

    void Signal(int signal) { kill(m_pid, signal); }

    // The exit code, or -1 when it did not end within `limitMs` (it is killed then).
    int Wait(int limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!m_bExited) {
            int status = 0;
            const pid_t done = waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_bExited = true;
                m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                m_bExited = true;
                m_nExit = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return m_nExit;
    }

    std::string Stderr() const {
        std::ifstream in(m_stderrPath);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_stderrPath;
    bool m_bExited = false;
    int m_nExit = -1;
};
