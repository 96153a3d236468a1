#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

#include "connection/MeterLink.h"

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

// The demo meter as a meter connection's link: it plays while open.
class CDemoLink : public IMeterLink {
  public:
    CDemoLink();

    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override;
    void Close() override { m_meter.Stop(); }
    bool IsOpen() const override { return m_meter.IsRunning(); }
    int Write(const std::uint8_t*, std::size_t count) override { return static_cast<int>(count); }
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }

  private:
    ReceiveFn m_onReceive;
    CDemoMeter m_meter;
    int m_nReadSize = 100;
};
