#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

// A meter without a device: at every tick it takes the next chunk of bytes of
// the simulator's live scenario and hands it to the receive path.
class CDemoMeter : public QObject {
    Q_OBJECT
  public:
    using Chunk = std::vector<std::uint8_t>;

    CDemoMeter(std::function<void(const Chunk&)> sink, QObject* parent = nullptr);
    ~CDemoMeter() override;

    void Start();
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }
    int IntervalMs() const { return m_timer.interval(); }

  private:
    void Tick();

    struct Scenario;
    std::unique_ptr<Scenario> m_pScenario;
    std::function<void(const Chunk&)> m_sink;
    QTimer m_timer;
};
