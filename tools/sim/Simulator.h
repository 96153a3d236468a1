#pragma once
// Plays a scenario on the master side of a pseudo-terminal.
#include "Pty.h"
#include "SimOptions.h"

namespace sim {

// Runs until the scenario is over and the peer has closed the terminal (or
// the linger time passed), or until SIGINT / SIGTERM. Throws
// std::runtime_error on a failing system call.
void RunSimulator(Pty& pty, frames::Scenario& scenario, const SimOptions& options);

}  // namespace sim
