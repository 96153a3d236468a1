// vavirir-sim: a meter on a pseudo-terminal (see --help).
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "Pty.h"
#include "SimOptions.h"
#include "Simulator.h"

int main(int argc, char** argv) {
    // Writes to a reader that went away fail with EPIPE and are reported.
    std::signal(SIGPIPE, SIG_IGN);
    sim::SimOptions options;
    try {
        options = sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const sim::UsageError& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\nTry 'vavirir-sim --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << sim::kSimUsage << std::flush;
        if (!std::cout) {
            std::cerr << "vavirir-sim: cannot write the help text\n";
            return 1;
        }
        return 0;
    }
    if (options.version) {
        std::cout << "vavirir-sim " << VAVIRIR_VERSION << "\n";
        return 0;
    }
    try {
        // Before the terminal's path is out: a signal right after it ends us
        // cleanly and takes the link away with us.
        sim::SignalPipe signals;
        auto scenario = sim::MakeScenario(options);
        sim::Pty pty = sim::Pty::Open();
        std::optional<sim::SlaveLink> link;
        if (!options.linkPath.empty()) {
            link.emplace(pty.SlavePath(), options.linkPath);
        }
        std::cout << pty.SlavePath() << std::endl;
        if (!std::cout) {
            throw std::runtime_error("cannot write the terminal's name to standard output");
        }
        sim::RunSimulator(pty, *scenario, options, signals);
        return 0;
    } catch (const sim::UsageError& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\nTry 'vavirir-sim --help'.\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\n";
        return 1;
    }
}
