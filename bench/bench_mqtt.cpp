// Publishing figures against a local Mosquitto broker of the benchmark's own:
//  1. the recording thread's cost per reading (its JSON object made and
//     handed to the publisher) at 1,000 readings/s;
//  2. 1,000 readings/s for S seconds through the publisher: how many arrive
//     and the delay from handing over to arrival at a subscriber;
//  3. the same end to end: the simulator at 1,000 readings/s, `vavirir-cli
//     record --jsonl - --mqtt`, the delay from the line leaving the program to
//     the message arriving (one document holds 20,000 readings: at most 19 s).
//
//   bench_mqtt [SECONDS]     (default 60; 5 gives a quick run)
#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "docview/ReadingJson.h"
#include "mqtt/MqttPublisher.h"
#include "support/ChildProcess.h"
#include "support/MosquittoBroker.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::size_t SeqOf(const char* text, std::size_t length) {
    static const std::regex seq("\"seq\":([0-9]+)");
    std::cmatch m;
    return std::regex_search(text, text + length, m, seq) ? std::stoul(m[1]) : 0;
}

// A subscriber in this process that notes when each reading arrives.
class Arrivals {
  public:
    Arrivals(int port, const std::string& topic) {
        m_client = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(
            m_client, [](mosquitto*, void* self, const mosquitto_message* message) {
                const auto now = SteadyClock::now();
                auto& arrivals = *static_cast<Arrivals*>(self);
                const std::size_t seq = SeqOf(static_cast<const char*>(message->payload),
                                              static_cast<std::size_t>(message->payloadlen));
                const std::lock_guard lock(arrivals.m_mutex);
                arrivals.m_times.emplace(seq, now);
            });
        mosquitto_connect(m_client, "127.0.0.1", port, 30);
        mosquitto_subscribe(m_client, nullptr, topic.c_str(), 1);
        mosquitto_loop_start(m_client);
        std::this_thread::sleep_for(500ms);  // the subscription is in place
    }
    ~Arrivals() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }
    std::size_t Count() {
        const std::lock_guard lock(m_mutex);
        return m_times.size();
    }
    std::map<std::size_t, SteadyClock::time_point> Times() {
        const std::lock_guard lock(m_mutex);
        return m_times;
    }

  private:
    mosquitto* m_client;
    std::mutex m_mutex;
    std::map<std::size_t, SteadyClock::time_point> m_times;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Waits until `expected` readings arrived or nothing new came for 10 s.
void AwaitArrivals(Arrivals& arrivals, std::size_t expected) {
    std::size_t last = 0;
    auto lastChange = SteadyClock::now();
    while (arrivals.Count() < expected && SteadyClock::now() - lastChange < 10s) {
        std::this_thread::sleep_for(50ms);
        if (arrivals.Count() != last) {
            last = arrivals.Count();
            lastChange = SteadyClock::now();
        }
    }
}

void ReportDelays(const char* what, std::size_t sent,
                  const std::map<std::size_t, SteadyClock::time_point>& handed,
                  const std::map<std::size_t, SteadyClock::time_point>& arrived) {
    std::vector<double> delays;
    for (const auto& [seq, when] : arrived) {
        if (const auto found = handed.find(seq); found != handed.end()) {
            delays.push_back(
                std::chrono::duration<double, std::milli>(when - found->second).count());
        }
    }
    std::printf(
        "%s: %zu of %zu readings arrived; delay median %.2f ms, p99 %.2f ms, max %.2f ms "
        "(target: all, median <= 50 ms)\n",
        what, arrived.size(), sent, Percentile(delays, 0.5), Percentile(delays, 0.99),
        Percentile(delays, 1.0));
}

CObData Reading(std::size_t i) {
    return CObData{1.0 + static_cast<double>(i % 1000) / 1000.0,
                   "VDC",
                   0.0,
                   static_cast<std::int32_t>(i),
                   "8/12/2026 14:5:7",
                   "VDC"};
}

// Figures 1 and 2: the publisher fed at 1,000 readings/s from this thread.
void ThroughThePublisher(const test_support::MosquittoBroker& broker, int seconds) {
    Arrivals arrivals(broker.Port(), "bench/direct/reading");
    MqttPublisherSettings settings;
    settings.broker = ParseMqttUrl(broker.Url()).Value();
    settings.topicPrefix = "bench/direct";
    CMqttPublisher publisher(settings);
    if (const Status started = publisher.Start(); !started) {
        throw std::runtime_error(started.Message());
    }
    publisher.WaitForConnection(10s);
    publisher.SetMeterOnline(true);

    const std::size_t count = static_cast<std::size_t>(seconds) * 1000;
    std::map<std::size_t, SteadyClock::time_point> handed;
    std::vector<double> json;
    std::vector<double> handOver;
    std::vector<double> both;
    json.reserve(count);
    handOver.reserve(count);
    both.reserve(count);
    const auto start = SteadyClock::now();
    for (std::size_t i = 1; i <= count; ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
        const CObData reading = Reading(i);
        const auto before = SteadyClock::now();
        std::string object = ReadingJson(i, reading);
        const auto made = SteadyClock::now();
        publisher.Publish(std::move(object));
        const auto after = SteadyClock::now();
        json.push_back(std::chrono::duration<double, std::micro>(made - before).count());
        handOver.push_back(std::chrono::duration<double, std::micro>(after - made).count());
        both.push_back(std::chrono::duration<double, std::micro>(after - before).count());
        handed.emplace(i, made);
    }
    for (const auto& [name, costs] :
         {std::pair{"JSON object", &json}, std::pair{"hand-over to the publisher", &handOver},
          std::pair{"together", &both}}) {
        double sum = 0;
        for (double c : *costs) {
            sum += c;
        }
        std::printf("recording thread per reading, %s: mean %.1f us, median %.1f us, p99 %.1f us\n",
                    name, sum / static_cast<double>(costs->size()), Percentile(*costs, 0.5),
                    Percentile(*costs, 0.99));
    }
    std::printf("(target: publishing adds <= 20 us per reading)\n");
    AwaitArrivals(arrivals, count);
    ReportDelays("publisher, 1,000/s", count, handed, arrivals.Times());
    publisher.Stop(5s);
}

// Figure 3: the simulator and the command line program.
void EndToEnd(const test_support::MosquittoBroker& broker, int seconds, const std::string& folder) {
    using test_support::ChildProcess;
    using test_support::ProgramPath;
    seconds = std::min(seconds, 19);
    Arrivals arrivals(broker.Port(), "vavirir/+/reading");
    ChildProcess sim({ProgramPath("vavirir-sim"), "live", "--interval-ms", "1"},
                     test_support::StderrTo(folder + "/sim.err"));
    const std::string pty = sim.ReadLine(10s).value_or("");
    ChildProcess cli({ProgramPath("vavirir-cli"), "record", "--port", pty, "--seconds",
                      std::to_string(seconds), "--jsonl", "-", "--mqtt", broker.Url()},
                     test_support::StderrTo(folder + "/cli.err"));
    std::map<std::size_t, SteadyClock::time_point> handed;
    while (const auto line = cli.ReadLine(30s)) {
        handed.emplace(SeqOf(line->c_str(), line->size()), SteadyClock::now());
    }
    cli.Wait(60s);
    AwaitArrivals(arrivals, handed.size());
    ReportDelays("simulator + record --mqtt, 1,000/s", handed.size(), handed, arrivals.Times());
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const std::string folder = (std::filesystem::temp_directory_path() /
                                ("vavirir-bench-mqtt-" + std::to_string(getpid())))
                                   .string();
    std::filesystem::create_directories(folder);
    setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
    mosquitto_lib_init();
    {
        test_support::MosquittoBroker broker(folder);
        std::printf("%d s at 1,000 readings/s against a local broker\n", seconds);
        ThroughThePublisher(broker, seconds);
        EndToEnd(broker, seconds, folder);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
