#include "app/DemoMeter.h"

#include "frames/Scenarios.h"

// The simulator's live stream: plain readings on a slow sine, with the
// function changing now and then and an occasional overload.
struct CDemoMeter::Scenario {
    frames::LiveScenario live{[] {
        frames::LiveScenarioOptions options;
        options.kinds = {0};
        options.intervalMs = 500;
        options.waveform = frames::Waveform::Sine;
        options.periodTicks = 40;
        options.overloadChance = 0.02;
        options.functionChangeEvery = 30;
        options.seed = 7;
        return options;
    }()};
};

CDemoMeter::CDemoMeter(std::function<void(const Chunk&)> sink, QObject* parent)
    : QObject(parent), m_sink(std::move(sink)) {
    connect(&m_timer, &QTimer::timeout, this, &CDemoMeter::Tick);
}

CDemoMeter::~CDemoMeter() = default;

void CDemoMeter::Start() {
    m_pScenario = std::make_unique<Scenario>();
    m_timer.start(m_pScenario->live.IntervalMs());
}

void CDemoMeter::Stop() {
    m_timer.stop();
    m_pScenario.reset();
}

void CDemoMeter::Tick() {
    if (!m_pScenario) {
        return;
    }
    const Chunk chunk = m_pScenario->live.NextChunk();
    if (!chunk.empty() && m_sink) {
        m_sink(chunk);
    }
}

CDemoLink::CDemoLink()
    : m_meter([this](const CDemoMeter::Chunk& chunk) {
          if (m_onReceive) {
              m_onReceive(chunk.data(), chunk.size());
          }
      }) {}

bool CDemoLink::Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                     std::string& warning) {
    (void)port, (void)onLost;
    warning.clear();
    m_onReceive = std::move(onReceive);
    m_meter.Start();
    return true;
}
