#include "frames/Scenarios.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace frames {

namespace {

// A selector position of the simulated meter: what it puts on the wire.
struct MeterFunction {
    std::uint8_t function;
    const char* unit;  // as sent; the program converts "ko", "s" and "nF"
    float limit;       // in the units sent
    std::uint8_t range;
    bool unitConverted;  // the peak frame shows units unconverted, so it skips these
};

constexpr MeterFunction kFunctions[] = {
    {2, "VDC", 6.0f, 2, false},  {1, "VAC", 600.0f, 4, false}, {3, "mVDC", 600.0f, 4, false},
    {4, "ko", 6000.0f, 2, true}, {6, "s", 1000.0f, 4, true},   {8, "mADC", 600.0f, 4, false},
    {5, "nF", 600.0f, 3, true},  {7, "ADC", 10.0f, 2, false},
};
constexpr int kFunctionCount = static_cast<int>(std::size(kFunctions));

// An overload: the meter reports a reading beyond its limit.
constexpr float kOverloadFactor = 10.0f;

float Scaled(float limit, double shape) {
    return static_cast<float>(limit * (0.5 + 0.4 * shape));
}

BcdTime SecondsToBcdTime(long seconds) {
    const long hours = (seconds / 3600) % 100;
    return MakeBcdTime(static_cast<int>(hours), static_cast<int>((seconds / 60) % 60),
                       static_cast<int>(seconds % 60));
}

bool Contains(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

}  // namespace

bool MayBeTakenForMarker(std::span<const std::uint8_t> blockBody) {
    const std::string hex = ToHex(blockBody);
    auto nearFront = [&hex](std::string_view marker) { return hex.find(marker) <= 4; };
    return Contains(hex, "f8f8f8f8") || nearFront("a08") || nearFront("a09") || nearFront("a0a8");
}

// ---- AckCounter -----------------------------------------------------------

void AckCounter::Feed(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kAck[] = {0xF3, 0x01, 0xF4};
    for (std::uint8_t b : bytes) {
        if (b == kAck[m_matched]) {
            ++m_matched;
        } else {
            m_matched = b == kAck[0] ? 1 : 0;
        }
        if (m_matched == 3) {
            ++m_count;
            m_matched = 0;
        }
    }
}

void AckCounter::Reset() {
    m_count = 0;
    m_matched = 0;
}

void AckGate::WaitIf(bool wait) {
    m_waiting = wait;
    m_acks.Reset();
}

bool AckGate::Open() {
    if (m_waiting && m_acks.Count() < kAcksPerStep) {
        return false;
    }
    m_waiting = false;
    return true;
}

// ---- Waveforms --------------------------------------------------------------

std::optional<Waveform> ParseWaveform(std::string_view name) {
    if (name == "sine") {
        return Waveform::Sine;
    }
    if (name == "ramp") {
        return Waveform::Ramp;
    }
    if (name == "square") {
        return Waveform::Square;
    }
    if (name == "noise") {
        return Waveform::Noise;
    }
    return std::nullopt;
}

double WaveformValue(Waveform waveform, long tick, int periodTicks, SeededRandom& random) {
    const int period = std::max(periodTicks, 2);
    const double phase = static_cast<double>(tick % period) / period;
    switch (waveform) {
        case Waveform::Sine:
            return std::sin(2.0 * std::numbers::pi * phase);
        case Waveform::Ramp:
            return 2.0 * phase - 1.0;
        case Waveform::Square:
            return phase < 0.5 ? 1.0 : -1.0;
        case Waveform::Noise:
            return random.Signed();
    }
    return 0.0;
}

// ---- LiveScenario -----------------------------------------------------------

LiveScenario::LiveScenario(LiveScenarioOptions options)
    : m_options(std::move(options)), m_random(m_options.seed) {
    if (m_options.kinds.empty()) {
        throw std::invalid_argument("live scenario needs at least one frame kind");
    }
    for (int kind : m_options.kinds) {
        if (kind < 0 || kind > 6) {
            throw std::invalid_argument("frame kind outside 0..6: " + std::to_string(kind));
        }
    }
    if (m_options.intervalMs <= 0) {
        throw std::invalid_argument("interval must be positive");
    }
}

bool LiveScenario::Finished() const {
    return m_options.count > 0 && m_tick >= m_options.count;
}

Bytes LiveScenario::NextChunk() {
    if (Finished()) {
        return {};
    }
    return Encode(NextFrame());
}

AnyFrame LiveScenario::NextFrame() {
    if (m_options.functionChangeEvery > 0 && m_tick > 0 &&
        m_tick % m_options.functionChangeEvery == 0) {
        m_functionIndex = (m_functionIndex + 1) % kFunctionCount;
        m_running = {};  // the meter restarts its statistics on a new function
    }
    const int kind = m_options.kinds[static_cast<std::size_t>(m_tick) % m_options.kinds.size()];
    const double shape = WaveformValue(m_options.waveform, m_tick, m_options.periodTicks, m_random);
    // Drawn on every tick, so switching overloads on changes only the overloaded frames.
    const bool overload = m_random.Unit() < m_options.overloadChance;
    AnyFrame frame = BuildFrame(kind, shape, overload);
    ++m_tick;
    return frame;
}

void LiveScenario::Track(float value) {
    Running& r = m_running;
    if (r.count == 0 || value > r.max) {
        r.max = value;
        r.maxTick = m_tick;
    }
    if (r.count == 0 || value < r.min) {
        r.min = value;
        r.minTick = m_tick;
    }
    r.sum += value;
    ++r.count;
}

BcdTime LiveScenario::ElapsedAt(long tick) const {
    return SecondsToBcdTime(tick * m_options.intervalMs / 1000);
}

template <typename Frame>
void LiveScenario::FillStatistics(Frame& frame) const {
    frame.maxValue = m_running.max;
    frame.minValue = m_running.min;
    frame.avgValue = m_running.sum / static_cast<float>(m_running.count);
    frame.maxTime = ElapsedAt(m_running.maxTick);
    frame.minTime = ElapsedAt(m_running.minTick);
    frame.avgTime = ElapsedAt(m_tick);
    frame.start = m_options.start;
}

AnyFrame LiveScenario::BuildFrame(int kind, double shape, bool overload) {
    const MeterFunction& f = kFunctions[m_functionIndex];
    const float value = overload ? f.limit * kOverloadFactor : Scaled(f.limit, shape);
    const std::uint8_t status = StatusByte({});
    switch (kind) {
        case 0:
            return PlainFrame{Family::Live, f.function,   status, value,
                              f.limit,      Unit(f.unit), f.range};
        case 1: {
            Track(value);
            MinMaxFrame m;
            m.function = f.function;
            m.status = status;
            m.value = value;
            m.limit = f.limit;
            const int r = std::min<int>(f.range, 3);
            m.range = PackRanges(r, r, r, r);
            m.unit = m.maxUnit = m.minUnit = m.avgUnit = Unit(f.unit);
            FillStatistics(m);
            return m;
        }
        case 2: {
            const float reference = Scaled(f.limit, 0.0);
            return AuxFrame{Family::Live,      f.function, status,       value,  reference,
                            value - reference, f.limit,    Unit(f.unit), f.range};
        }
        case 3: {
            const MeterFunction& p = f.unitConverted ? kFunctions[1] : f;
            const float peakValue = overload ? p.limit * kOverloadFactor : Scaled(p.limit, shape);
            Track(peakValue);
            PeakFrame pk;
            pk.function = p.function;
            pk.status = status;
            pk.value = peakValue;
            pk.limit = p.limit;
            pk.unit = Unit(p.unit);
            const int r = std::min<int>(p.range, 3);
            pk.range = PackRanges(r, r, r, r);
            FillStatistics(pk);
            return pk;
        }
        case 4: {
            // The AC+DC selector cycles through its display modes with each function change.
            static constexpr std::uint8_t kModes[] = {1, 2, 3};
            AcDcFrame a;
            a.function = 21;
            a.status = status;
            a.value = overload ? 600.0f * kOverloadFactor : Scaled(10.0f, shape);
            a.secondValue = Scaled(5.0f, -shape);
            a.alternateValue = std::hypot(a.value, a.secondValue);
            a.unit = Unit("V");
            a.limit = 600.0f;
            a.range = 4;
            a.acdcMode = kModes[m_functionIndex % 3];
            return a;
        }
        case 5: {
            VacFrame v;
            v.status = status;
            v.value = overload ? 600.0f * kOverloadFactor : Scaled(300.0f, shape);
            v.unit = Unit("VAC");
            v.range = 4;
            v.limit = 600.0f;
            v.auxValue = static_cast<float>(50.0 + 0.05 * m_random.Signed());
            v.auxText = Unit("Hz");
            return v;
        }
        default: {
            // Frequencies in three decades so the program shows HZ, KHZ and MHZ.
            static constexpr float kScales[] = {60.0f, 2000.0f, 1.0e6f};
            FrequencyFrame fr;
            fr.status = status;
            fr.value = Scaled(kScales[m_functionIndex % 3], shape);
            fr.duty = static_cast<float>(0.5 + 0.2 * shape);
            return fr;
        }
    }
}

// ---- RecordsScenario ----------------------------------------------------------

std::vector<AnyFrame> RecordsScenario::Frames(const RecordsScenarioOptions& options) {
    SeededRandom random(options.seed);
    auto jitter = [&random](float base) {
        return static_cast<float>(base * (1.0 + 0.01 * random.Signed()));
    };
    const Family rec = Family::MeterRecord;
    std::vector<AnyFrame> frames;

    frames.push_back(PlainFrame{rec, 2, 0, jitter(1.5f), 6.0f, Unit("VDC"), 2});

    MinMaxFrame minMax;
    minMax.family = rec;
    minMax.value = jitter(1.5f);
    minMax.maxValue = jitter(2.5f);
    minMax.minValue = jitter(0.5f);
    minMax.avgValue = jitter(1.5f);
    minMax.range = PackRanges(2, 2, 2, 2);
    minMax.maxTime = MakeBcdTime(0, 1, 5);
    minMax.minTime = MakeBcdTime(0, 2, 10);
    minMax.avgTime = MakeBcdTime(0, 3, 0);
    minMax.start = options.start;
    frames.push_back(minMax);

    const float reference = 1.0f;
    const float measured = jitter(1.25f);
    frames.push_back(AuxFrame{rec, 2, StatusByte({.autoRange = false}), measured, reference,
                              measured - reference, 6.0f, Unit("VDC"), 2});

    for (bool firstMode : {false, true}) {
        PeakFrame peak;
        peak.family = rec;
        peak.status = StatusByte({.firstModeFlag = firstMode});
        peak.value = jitter(230.0f);
        peak.maxValue = jitter(325.0f);
        peak.minValue = jitter(-325.0f);
        peak.avgValue = jitter(230.0f);
        peak.range = PackRanges(3, 3, 3, 3);
        peak.maxTime = MakeBcdTime(0, 0, 12);
        peak.minTime = MakeBcdTime(0, 0, 22);
        peak.avgTime = MakeBcdTime(0, 0, 30);
        peak.start = options.start;
        frames.push_back(peak);
    }

    for (const std::uint8_t mode : {std::uint8_t{3}, std::uint8_t{2}}) {
        AcDcFrame acdc;
        acdc.family = rec;
        acdc.value = jitter(12.0f);
        acdc.secondValue = jitter(5.0f);
        acdc.alternateValue = std::hypot(acdc.value, acdc.secondValue);
        acdc.acdcMode = mode;
        frames.push_back(acdc);
    }

    VacFrame vac;
    vac.family = rec;
    vac.value = jitter(230.0f);
    vac.auxValue = jitter(50.0f);
    frames.push_back(vac);

    FrequencyFrame freq;
    freq.family = rec;
    freq.value = jitter(1000.0f);
    freq.duty = 0.5f;
    frames.push_back(freq);
    return frames;
}

RecordsScenario::RecordsScenario(RecordsScenarioOptions options)
    : m_intervalMs(options.intervalMs) {
    if (m_intervalMs <= 0) {
        throw std::invalid_argument("interval must be positive");
    }
    m_chunks.push_back(SyncMarker());
    for (const AnyFrame& frame : Frames(options)) {
        m_chunks.push_back(Encode(frame));
    }
}

Bytes RecordsScenario::NextChunk() {
    if (Finished()) {
        return {};
    }
    return m_chunks[m_next++];
}

// ---- DownloadScenario ---------------------------------------------------------

DownloadScenario::DownloadScenario(DownloadScenarioOptions options)
    : m_options(std::move(options)) {
    // A block header numbers its block in one byte.
    if (m_options.blocks < 0 || m_options.blocks > 255) {
        throw std::invalid_argument("block count outside 0..255");
    }
    if (m_options.recordsPerBlock < 0 || m_options.recordsPerBlock > 255) {
        throw std::invalid_argument("records per block outside 0..255");
    }
    if (m_options.intervalMs <= 0) {
        throw std::invalid_argument("interval must be positive");
    }
    SeededRandom random(m_options.seed);
    const long total = static_cast<long>(m_options.blocks) * m_options.recordsPerBlock;
    const MeterFunction* f = &kFunctions[0];
    for (const MeterFunction& candidate : kFunctions) {
        if (candidate.function == m_options.function) {
            f = &candidate;
        }
    }
    for (long i = 0; i < total; ++i) {
        const double shape = WaveformValue(m_options.waveform, i, 40, random);
        const auto seconds = static_cast<std::int32_t>(i * m_options.interval);
        m_records.push_back({Scaled(f->limit, shape), seconds});
    }
    // A block body that begins like a frame marker would be cut by the program's
    // frame search; a real meter's readings rarely do, the simulator's never.
    for (int b = 0; b < m_options.blocks; ++b) {
        StoredRecord& first = m_records[static_cast<std::size_t>(b * m_options.recordsPerBlock)];
        while (m_options.recordsPerBlock > 0 && MayBeTakenForMarker(Encode(BlockBody{{first}}))) {
            first.value = std::nextafter(first.value, 1.0e9f);
        }
    }
}

bool DownloadScenario::Finished() const {
    return m_headerSent && m_blocksSent == m_options.blocks;
}

void DownloadScenario::OnBytesFromProgram(std::span<const std::uint8_t> bytes) {
    m_acks.Feed(bytes);
}

Bytes DownloadScenario::NextChunk() {
    if (Finished()) {
        return {};
    }
    if (!m_acks.Open()) {
        return {};
    }
    Bytes chunk;
    if (!m_headerSent) {
        DownloadHeader header;
        header.function = m_options.function;
        header.start = m_options.start;
        header.interval = m_options.interval;
        header.blockCount = static_cast<std::uint16_t>(m_options.blocks);
        chunk = Encode(header);
        m_headerSent = true;
    } else {
        const auto first = m_records.begin() + m_blocksSent * m_options.recordsPerBlock;
        const std::vector<StoredRecord> records(first, first + m_options.recordsPerBlock);
        ++m_blocksSent;
        chunk = EncodeBlock(static_cast<std::uint8_t>(m_blocksSent), records);
    }
    // The meter waits after the header and after every block but the last.
    m_acks.WaitIf(!Finished());
    return chunk;
}

// ---- SequenceScenario ---------------------------------------------------------

SequenceScenario::SequenceScenario(std::vector<std::unique_ptr<Scenario>> parts)
    : m_parts(std::move(parts)) {
    SkipFinished();
}

void SequenceScenario::SkipFinished() {
    while (m_current < m_parts.size() && m_parts[m_current]->Finished()) {
        ++m_current;
    }
}

Bytes SequenceScenario::NextChunk() {
    SkipFinished();
    if (Finished()) {
        return {};
    }
    Bytes chunk = m_parts[m_current]->NextChunk();
    SkipFinished();
    return chunk;
}

void SequenceScenario::OnBytesFromProgram(std::span<const std::uint8_t> bytes) {
    if (m_current < m_parts.size()) {
        m_parts[m_current]->OnBytesFromProgram(bytes);
    }
}

bool SequenceScenario::Finished() const {
    return m_current >= m_parts.size();
}

int SequenceScenario::IntervalMs() const {
    return Finished() ? 500 : m_parts[m_current]->IntervalMs();
}

std::unique_ptr<Scenario> MakeMixedScenario(const LiveScenarioOptions& live,
                                            const DownloadScenarioOptions& download) {
    LiveScenarioOptions first = live;
    if (first.count == 0) {
        first.count = 10;
    }
    LiveScenarioOptions again = first;
    again.seed = first.seed + 1;

    std::vector<std::unique_ptr<Scenario>> parts;
    parts.push_back(std::make_unique<LiveScenario>(first));
    parts.push_back(std::make_unique<RecordsScenario>(
        RecordsScenarioOptions{first.intervalMs, first.seed, first.start}));
    parts.push_back(std::make_unique<DownloadScenario>(download));
    parts.push_back(std::make_unique<LiveScenario>(again));
    return std::make_unique<SequenceScenario>(std::move(parts));
}

// ---- ReplayScenario -----------------------------------------------------------

ReplayScenario::ReplayScenario(std::vector<Bytes> chunks, int intervalMs)
    : m_chunks(std::move(chunks)), m_intervalMs(intervalMs) {
    if (m_intervalMs <= 0) {
        throw std::invalid_argument("interval must be positive");
    }
}

bool ReplayScenario::ExpectsAcks(const Bytes& chunk) {
    if (chunk.size() >= kDownloadHeaderLength && chunk[0] == kFrameStart &&
        chunk[1] == kDownloadHeaderMarker) {
        m_blockCount = chunk[21] | (chunk[22] << 8);
        return m_blockCount > 0;
    }
    if (chunk.size() >= kBlockHeaderLength && chunk[0] == kFrameStart &&
        chunk[1] == kBlockHeaderMarker) {
        return chunk[3] < m_blockCount;
    }
    return false;
}

Bytes ReplayScenario::NextChunk() {
    if (Finished()) {
        return {};
    }
    if (!m_acks.Open()) {
        return {};
    }
    Bytes chunk = m_chunks[m_next++];
    m_acks.WaitIf(ExpectsAcks(chunk));
    return chunk;
}

void ReplayScenario::OnBytesFromProgram(std::span<const std::uint8_t> bytes) {
    m_acks.Feed(bytes);
}

// ---- Stream splitting -------------------------------------------------------

namespace {

// Length of the meter item starting at stream[pos], or 0 when none starts there.
std::size_t ItemLengthAt(std::span<const std::uint8_t> s, std::size_t pos) {
    const std::size_t left = s.size() - pos;
    if (left >= 4 && s[pos] == 0xF8 && s[pos + 1] == 0xF8 && s[pos + 2] == 0xF8 &&
        s[pos + 3] == 0xF8) {
        return 4;
    }
    if (left < 2 || s[pos] != kFrameStart) {
        return 0;
    }
    const std::uint8_t second = s[pos + 1];
    const int family = second & 0xF0;
    const int kind = second & 0x0F;
    if ((family == 0x80 || family == 0x90) && kind <= 6) {
        return std::min(FrameLength(kind), left);
    }
    if (second == kDownloadHeaderMarker) {
        return std::min(kDownloadHeaderLength, left);
    }
    if (second == kBlockHeaderMarker && left >= 3) {
        const std::size_t length =
            kBlockHeaderLength + s[pos + 2] * kStoredRecordLength + kBlockTrailerLength;
        return std::min(length, left);
    }
    return 0;
}

}  // namespace

std::vector<Bytes> SplitMeterStream(std::span<const std::uint8_t> stream) {
    std::vector<Bytes> chunks;
    Bytes unknown;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        const std::size_t length = ItemLengthAt(stream, pos);
        if (length == 0) {
            unknown.push_back(stream[pos++]);
            continue;
        }
        if (!unknown.empty()) {
            chunks.push_back(std::move(unknown));
            unknown.clear();
        }
        chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(pos),
                            stream.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
    }
    if (!unknown.empty()) {
        chunks.push_back(std::move(unknown));
    }
    return chunks;
}

std::vector<Bytes> ParseHexLines(std::string_view text) {
    std::vector<Bytes> chunks;
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        try {
            chunks.push_back(FromHex(line));
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("line " + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    return chunks;
}

}  // namespace frames
