#pragma once

// A private D-Bus with the fake Bluetooth service (fake_bluez.py) on it, for
// tests of Bluetooth meters without an adapter. The programs reach it through
// DBUS_SYSTEM_BUS_ADDRESS. The service knows a paired meter
// AA:BB:CC:DD:EE:01 "VAVIRIR-METER", paired headphones ...:02 and an unpaired
// meter ...:03; each connection plays vavirir-sim with the given scenario
// and logs it to <folder>/meter-<n>.err.

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace test_support {

class FakeBluetooth {
  public:
    // `withService` false: the bus only, with nobody owning org.bluez.
    FakeBluetooth(std::string folder, std::vector<std::string> scenario, bool withService = true)
        : m_folder(std::move(folder)) {
        std::filesystem::create_directories(m_folder);
        m_bus = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address"});
        m_address = m_bus->ReadLine(std::chrono::seconds(10)).value_or("");
        if (m_address.empty()) {
            throw std::runtime_error("dbus-daemon gave no address: " + m_bus->Stderr());
        }
        if (!withService) {
            return;
        }
        std::vector<std::string> args = {
            "/usr/bin/python3",
            std::string(VAVIRIR_SOURCE_DIR) + "/tests/support/fake_bluez.py",
            "--sim",
            ProgramPath("vavirir-sim"),
            "--logdir",
            m_folder,
            "--"};
        args.insert(args.end(), scenario.begin(), scenario.end());
        ChildSetup setup = StderrTo(m_folder + "/fake_bluez.err");
        setup.env = {Env()};
        m_service = std::make_unique<ChildProcess>(args, setup);
        if (m_service->ReadLine(std::chrono::seconds(20)).value_or("") != "ready") {
            throw std::runtime_error("the fake Bluetooth service did not start: " +
                                     m_service->Stderr());
        }
    }

    const std::string& Address() const { return m_address; }
    std::string Env() const { return "DBUS_SYSTEM_BUS_ADDRESS=" + m_address; }

    // Calls a control of the fake service (Drop, RequestDisconnection, Pair,
    // AddMeter, Remove, SetError, Calls) with string arguments; its reply.
    std::string Control(const std::string& method, const std::vector<std::string>& args = {}) {
        std::vector<std::string> call = {"/usr/bin/dbus-send",
                                         "--bus=" + m_address,
                                         "--print-reply",
                                         "--dest=org.bluez",
                                         "/fake",
                                         "org.vavirir.FakeBluez." + method};
        for (const std::string& arg : args) {
            call.push_back("string:" + arg);
        }
        const ChildResult result = RunToEnd(call);
        if (result.exitCode != 0) {
            throw std::runtime_error("control " + method + " failed: " + result.err);
        }
        return result.out;
    }

    // What the simulator of connection n (from 1) logged.
    std::string MeterLog(int n) const {
        std::ifstream in(m_folder + "/meter-" + std::to_string(n) + ".err");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool HasMeter(int n) const {
        return std::filesystem::exists(m_folder + "/meter-" + std::to_string(n) + ".err");
    }

  private:
    std::string m_folder;
    std::string m_address;
    std::unique_ptr<ChildProcess> m_bus;
    std::unique_ptr<ChildProcess> m_service;  // ends before the bus
};

}  // namespace test_support
