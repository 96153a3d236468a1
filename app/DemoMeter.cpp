#include "app/DemoMeter.h"

// The scenario that plays the meter; filled in once the simulator's live
// scenario is available to the program.
struct CDemoMeter::Scenario {
    Chunk NextChunk() { return {}; }
    int IntervalMs() const { return 500; }
};

CDemoMeter::CDemoMeter(std::function<void(const Chunk&)> sink, QObject* parent)
    : QObject(parent), m_sink(std::move(sink)) {
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CDemoMeter::Tick);
}

CDemoMeter::~CDemoMeter() = default;

void CDemoMeter::Start() {
    m_pScenario = std::make_unique<Scenario>();
    m_timer.start(m_pScenario->IntervalMs());
}

void CDemoMeter::Stop() {
    m_timer.stop();
    m_pScenario.reset();
}

void CDemoMeter::Tick() {
    if (!m_pScenario) {
        return;
    }
    const Chunk chunk = m_pScenario->NextChunk();
    if (!chunk.empty() && m_sink) {
        m_sink(chunk);
    }
}
