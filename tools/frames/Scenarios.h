#pragma once
// The meter's side of a conversation, tick by tick: what it sends (one frame or
// one download block per chunk) and, for downloads, the acknowledgements it
// waits for. Every scenario is deterministic for a given seed, so the
// simulator, the GUI's demo meter and the tests see the same bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frames/FrameEncoder.h"

namespace frames {

class Scenario {
  public:
    virtual ~Scenario() = default;
    // The bytes to send at this tick; empty while the meter waits for the
    // program or when the scenario has finished.
    virtual Bytes NextChunk() = 0;
    // Bytes the program wrote to the meter (acknowledgements).
    virtual void OnBytesFromProgram(std::span<const std::uint8_t> bytes) { (void)bytes; }
    virtual bool Finished() const = 0;
    // Time between two ticks.
    virtual int IntervalMs() const = 0;
};

// Counts complete F3 01 F4 commands in a stream that may arrive in pieces.
class AckCounter {
  public:
    void Feed(std::span<const std::uint8_t> bytes);
    int Count() const { return m_count; }
    void Reset();

  private:
    int m_count = 0;
    int m_matched = 0;  // bytes of the command matched so far
};

// The meter sends five acknowledgements' worth before it moves on.
inline constexpr int kAcksPerStep = 5;

// Holds the meter back after a step it wants acknowledged, until the program
// has sent kAcksPerStep acknowledgements.
class AckGate {
  public:
    void Feed(std::span<const std::uint8_t> bytes) { m_acks.Feed(bytes); }
    // Called after each step: whether the meter waits before the next one.
    void WaitIf(bool wait);
    // True when the meter may send its next step.
    bool Open();
    bool Waiting() const { return m_waiting; }

  private:
    bool m_waiting = false;
    AckCounter m_acks;
};

enum class Waveform { Sine, Ramp, Square, Noise };
std::optional<Waveform> ParseWaveform(std::string_view name);

// Small deterministic generator: std::mt19937 yields the same numbers with
// every standard library, the standard distributions do not, so they are avoided.
class SeededRandom {
  public:
    explicit SeededRandom(std::uint32_t seed) : m_engine(seed) {}
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(m_engine() >> 8) / 16777216.0; }
    // Uniform in [-1, 1).
    double Signed() { return Unit() * 2.0 - 1.0; }

  private:
    std::mt19937 m_engine;
};

// Waveform value in [-1, 1] at a tick; noise draws from the generator.
double WaveformValue(Waveform waveform, long tick, int periodTicks, SeededRandom& random);

struct LiveScenarioOptions {
    std::vector<int> kinds{0};  // frame kinds, taken in turn, one per tick
    int intervalMs = 500;       // below ~250 ms the program's reader may join two frames
    Waveform waveform = Waveform::Sine;
    int periodTicks = 40;
    double overloadChance = 0.0;  // chance per frame of a reading above the limit
    int functionChangeEvery = 0;  // ticks between function changes; 0 keeps one function
    long count = 0;               // frames to send; 0 sends for ever
    std::uint32_t seed = 1;
    BcdStamp start = MakeBcdStamp(26, 12, 7, 9, 5, 9);  // start stamp of kinds 1 and 3
};

// The live stream: one frame per tick.
class LiveScenario : public Scenario {
  public:
    // Throws std::invalid_argument for kinds outside 0..6 or a non-positive interval.
    explicit LiveScenario(LiveScenarioOptions options);
    Bytes NextChunk() override;
    bool Finished() const override;
    int IntervalMs() const override { return m_options.intervalMs; }

    // The frame of the next tick as a struct (NextChunk encodes it).
    AnyFrame NextFrame();
    long FramesSent() const { return m_tick; }

  private:
    struct Running {
        float max = 0.0f, min = 0.0f, sum = 0.0f;
        long count = 0;
        long maxTick = 0, minTick = 0;
    };
    AnyFrame BuildFrame(int kind, double shape, bool overload);
    BcdTime ElapsedAt(long tick) const;
    void Track(float value);
    // The running maximum, minimum and average with when they were taken, and
    // the start stamp, as kinds 1 and 3 both carry them.
    template <typename Frame>
    void FillStatistics(Frame& frame) const;

    LiveScenarioOptions m_options;
    SeededRandom m_random;
    long m_tick = 0;
    int m_functionIndex = 0;
    Running m_running;
};

struct RecordsScenarioOptions {
    int intervalMs = 500;
    std::uint32_t seed = 1;
    BcdStamp start = MakeBcdStamp(26, 12, 7, 9, 5, 9);
};

// The sync marker, then one meter-record frame of each of the nine modes:
// a090, a091, a092, a093 (first mode flag clear, then set), a094 (AC+DC mode 3,
// then 2), a095, a096. Each goes out as a chunk of its own.
class RecordsScenario : public Scenario {
  public:
    explicit RecordsScenario(RecordsScenarioOptions options = {});
    Bytes NextChunk() override;
    bool Finished() const override { return m_next >= m_chunks.size(); }
    int IntervalMs() const override { return m_intervalMs; }

    static std::vector<AnyFrame> Frames(const RecordsScenarioOptions& options);

  private:
    std::vector<Bytes> m_chunks;
    std::size_t m_next = 0;
    int m_intervalMs;
};

struct DownloadScenarioOptions {
    int blocks = 2;
    int recordsPerBlock = 10;  // above 124 a block no longer fits one 1000-byte read
    std::uint8_t function = 2;
    BcdStamp start = MakeBcdStamp(26, 12, 7, 9, 5, 9);
    std::int32_t interval = 1;  // seconds between stored readings
    Waveform waveform = Waveform::Sine;
    int intervalMs = 100;
    std::uint32_t seed = 1;
};

// A stored-record download: the header, then each block (header and body in
// one chunk) only after five acknowledgements arrived for the previous step.
// Nothing is awaited after the last block.
class DownloadScenario : public Scenario {
  public:
    // Throws std::invalid_argument for negative counts or more than 255 records per block.
    explicit DownloadScenario(DownloadScenarioOptions options);
    Bytes NextChunk() override;
    void OnBytesFromProgram(std::span<const std::uint8_t> bytes) override;
    bool Finished() const override;
    int IntervalMs() const override { return m_options.intervalMs; }

    bool WaitingForAcks() const { return m_acks.Waiting(); }
    int BlocksSent() const { return m_blocksSent; }
    // Every stored reading, in the order the blocks carry them.
    const std::vector<StoredRecord>& Records() const { return m_records; }

  private:
    DownloadScenarioOptions m_options;
    std::vector<StoredRecord> m_records;
    bool m_headerSent = false;
    int m_blocksSent = 0;
    AckGate m_acks;
};

// True when the program's frame search could take a block body for a frame
// start (a marker within its first five hex characters) or the sync marker.
bool MayBeTakenForMarker(std::span<const std::uint8_t> blockBody);

// Runs scenarios one after the other.
class SequenceScenario : public Scenario {
  public:
    explicit SequenceScenario(std::vector<std::unique_ptr<Scenario>> parts);
    Bytes NextChunk() override;
    void OnBytesFromProgram(std::span<const std::uint8_t> bytes) override;
    bool Finished() const override;
    int IntervalMs() const override;

  private:
    void SkipFinished();
    std::vector<std::unique_ptr<Scenario>> m_parts;
    std::size_t m_current = 0;
};

// Live frames, the meter-record frames, a download, then live frames again.
std::unique_ptr<Scenario> MakeMixedScenario(const LiveScenarioOptions& live,
                                            const DownloadScenarioOptions& download);

// Plays recorded chunks in order. After a download header, and after every
// block but the last one it announced, it waits for five acknowledgements as
// the meter does.
class ReplayScenario : public Scenario {
  public:
    ReplayScenario(std::vector<Bytes> chunks, int intervalMs);
    Bytes NextChunk() override;
    void OnBytesFromProgram(std::span<const std::uint8_t> bytes) override;
    bool Finished() const override { return m_next >= m_chunks.size(); }
    int IntervalMs() const override { return m_intervalMs; }

  private:
    bool ExpectsAcks(const Bytes& chunk);
    std::vector<Bytes> m_chunks;
    std::size_t m_next = 0;
    int m_intervalMs;
    int m_blockCount = 0;
    AckGate m_acks;
};

// Cuts a raw byte stream the way the meter sent it: one chunk per frame, sync
// marker, download header or block (header with its records and trailer).
// Bytes that start none of these are kept together as one chunk.
std::vector<Bytes> SplitMeterStream(std::span<const std::uint8_t> stream);

// One chunk per line of hex text; blank lines and lines starting with '#' are
// skipped. Throws std::invalid_argument naming the line of a bad digit.
std::vector<Bytes> ParseHexLines(std::string_view text);

}  // namespace frames
