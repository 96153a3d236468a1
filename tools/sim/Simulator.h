#pragma once
// Plays a scenario on the master side of a pseudo-terminal.
#include <array>

#include "Pty.h"
#include "SimOptions.h"

namespace sim {

// SIGINT and SIGTERM become a readable pipe, so poll() wakes up for them.
// One at a time; made before the terminal's path is printed, so a signal
// that follows the path always ends the simulator through its own clean-up.
class SignalPipe {
  public:
    SignalPipe();
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;
    int ReadFd() const { return s_fds[0]; }

  private:
    static void OnSignal(int);
    static inline std::array<int, 2> s_fds{-1, -1};
};

// Runs until the scenario is over and the peer has closed the terminal (or
// the linger time passed), or until a signal arrives on `signals`. Throws
// std::runtime_error on a failing system call.
void RunSimulator(Pty& pty, frames::Scenario& scenario, const SimOptions& options,
                  const SignalPipe& signals);

}  // namespace sim
