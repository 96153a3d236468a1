// vavirir-sim: a meter on a pseudo-terminal (see --help).
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>

#include "Pty.h"
#include "SimOptions.h"
#include "Simulator.h"

int main(int argc, char** argv) {
    sim::SimOptions options;
    try {
        options = sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const sim::UsageError& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\nTry 'vavirir-sim --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << sim::kSimUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "vavirir-sim " << VAVIRIR_VERSION << "\n";
        return 0;
    }
    try {
        auto scenario = sim::MakeScenario(options);
        sim::Pty pty = sim::Pty::Open();
        std::optional<sim::SlaveLink> link;
        if (!options.linkPath.empty()) {
            link.emplace(pty.SlavePath(), options.linkPath);
        }
        std::cout << pty.SlavePath() << std::endl;
        sim::RunSimulator(pty, *scenario, options);
        return 0;
    } catch (const sim::UsageError& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\nTry 'vavirir-sim --help'.\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "vavirir-sim: " << e.what() << "\n";
        return 1;
    }
}
