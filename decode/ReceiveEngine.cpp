#include "decode/ReceiveEngine.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "decode/HexText.h"

namespace {

constexpr std::size_t kMarkerWindow = 4;  // a marker is accepted at characters 0..4
constexpr std::string_view kSyncMarker = "f8f8f8f8";
constexpr std::string_view kFrameStartByte = "a0";  // every frame and header begins with A0
constexpr std::string_view kLivePrefix = "a08";
constexpr std::string_view kMeterRecordPrefix = "a09";
constexpr std::string_view kDownloadHeaderMarker = "a0a8";

}  // namespace

CReceiveEngine::CReceiveEngine(IReceiveHost& host, const IClock& clock)
    : m_host(host), m_clock(clock) {}

void CReceiveEngine::OnReceiveBytes(const std::uint8_t* bytes, std::size_t count) {
    if (bytes == nullptr || count == 0) {
        return;
    }
    m_tLastRx = m_clock.Now();
    m_bDataReceived = true;
    m_nBytesReceived += count;
    AppendHex(m_strRxHex, bytes, count);

    // Every complete frame at the front is decoded in this call, each as if
    // it had arrived alone; the frame search ends with the first pass that
    // cuts nothing. The block steps then take as many block headers and
    // bodies as have arrived, and what follows a block goes through the
    // frame search again, just as the tail after a frame cut does.
    bool callHasCut = false;
    for (;;) {
        while (RunFramePass(callHasCut)) {
            callHasCut = true;
        }
        if (!RunBlockSteps()) {
            break;
        }
        callHasCut = true;
    }

    if (m_strRxHex.size() > kMaxPendingHex) {
        DropHex(m_strRxHex.size());
    }
}

void CReceiveEngine::DropHex(std::size_t count) {
    count = std::min(count, m_strRxHex.size());
    m_nJunkHexChars += count;
    m_strRxHex.erase(0, count);
}

bool CReceiveEngine::RunFramePass(bool callHasCut) {
    // Sync marker: everything up to and including it is discarded.
    const std::size_t sync = m_strRxHex.find(kSyncMarker);
    if (sync != std::string::npos) {
        DropHex(sync);
        m_strRxHex.erase(0, kSyncMarker.size());
        m_bSyncMarker = true;
    } else if (IsMarkerInWindow(kLivePrefix)) {
        m_bSyncMarker = false;
        m_bMeterRecordFrames = false;
    }

    if (m_bSyncMarker && IsMarkerInWindow(kMeterRecordPrefix)) {
        m_bMeterRecordFrames = true;
    }

    const std::array<int, kFrameKindCount> starts = FindFrameStarts();
    for (int kind = 0; kind < kFrameKindCount; ++kind) {
        const int p = starts[static_cast<std::size_t>(kind)];
        if (p < 0) {
            continue;
        }
        DropHex(static_cast<std::size_t>(p));
        const auto length = static_cast<std::size_t>(kFrameHexLength[kind]);
        if (m_strRxHex.size() < length) {
            return false;  // the rest of the frame comes with later chunks
        }
        std::string frame = m_strRxHex.substr(0, length);
        m_strRxHex.erase(0, length);
        ++m_nFramesDecoded;
        DecodeFrameOfKind(FrameKindFromNumber(kind), std::move(frame));
        return true;
    }

    if (IsMarkerInWindow(kDownloadHeaderMarker)) {
        return RunDownloadHeaderStep();
    }
    // Text that does not start with a known marker is dropped, except block
    // text during a download and the tail left after a frame cut in this
    // call (it may be the start of a frame split by the chunk boundary).
    // Dropped text may itself end with the first bytes of a marker that the
    // next chunk completes: those few characters stay.
    if (!m_bDownloading && !callHasCut) {
        DropHex(m_strRxHex.size() - SplitMarkerLength(m_strRxHex));
    }
    return false;
}

std::size_t CReceiveEngine::SplitMarkerLength(std::string_view text) {
    if (text.ends_with(kFrameStartByte)) {
        return kFrameStartByte.size();
    }
    for (std::size_t n = kSyncMarker.size() - 2; n >= 2; n -= 2) {
        if (text.ends_with(kSyncMarker.substr(0, n))) {
            return n;
        }
    }
    return 0;
}

bool CReceiveEngine::IsMarkerInWindow(std::string_view marker) const {
    const std::string_view text = m_strRxHex;
    for (std::size_t p = 0; p <= kMarkerWindow && p + marker.size() <= text.size(); ++p) {
        if (text.substr(p, marker.size()) == marker) {
            return true;
        }
    }
    return false;
}

// Position 0..4 of each kind's frame start, or -1. The live marker takes
// precedence: when it occurs anywhere, only its first occurrence counts, even
// if a meter-record marker of the same kind lies at the front.
std::array<int, kFrameKindCount> CReceiveEngine::FindFrameStarts() const {
    std::array<int, kFrameKindCount> liveAt;
    std::array<int, kFrameKindCount> recordAt;
    liveAt.fill(-1);
    recordAt.fill(-1);
    const std::string_view text = m_strRxHex;
    for (std::size_t p = 0; p <= kMarkerWindow && p + 4 <= text.size(); ++p) {
        const int kind = text[p + 3] - '0';
        if (text[p] != 'a' || text[p + 1] != '0' || kind < 0 || kind > 6) {
            continue;
        }
        if (text[p + 2] == '8' && liveAt[kind] < 0) {
            liveAt[kind] = static_cast<int>(p);
        } else if (text[p + 2] == '9' && recordAt[kind] < 0) {
            recordAt[kind] = static_cast<int>(p);
        }
    }
    std::array<int, kFrameKindCount> starts = liveAt;
    for (int kind = 0; kind < kFrameKindCount; ++kind) {
        if (starts[kind] < 0 && recordAt[kind] >= 0) {
            const char live[] = {'a', '0', '8', static_cast<char>('0' + kind)};
            if (text.find(std::string_view(live, 4)) == std::string_view::npos) {
                starts[kind] = recordAt[kind];
            }
        }
    }
    return starts;
}

void CReceiveEngine::DecodeFrameOfKind(FrameKind kind, std::string frame) {
    switch (kind) {
        case FrameKind::Plain:
            DecodePlainFrame(std::move(frame));
            break;
        case FrameKind::MinMax:
            DecodeMinMaxFrame(std::move(frame));
            break;
        case FrameKind::Aux:
            DecodeAuxFrame(std::move(frame));
            break;
        case FrameKind::Peak:
            DecodePeakFrame(std::move(frame));
            break;
        case FrameKind::AcDc:
            DecodeAcDcFrame(std::move(frame));
            break;
        case FrameKind::Vac:
            DecodeVacFrame(std::move(frame));
            break;
        case FrameKind::Frequency:
            DecodeFrequencyFrame(std::move(frame));
            break;
    }
}

std::optional<DialPosition> DialPositionForUnit(std::string_view unit) {
    struct DialRow {
        std::string_view unit;
        DialPosition position;
    };
    using enum DialPosition;
    static constexpr DialRow kRows[] = {
        {"uADC", MicroAmps}, {"mADC", MilliAmps}, {"ADC", Amps},    {"℉", Temperature},
        {"℃", Temperature},  {"VAC", VoltsAc},    {"VDC", VoltsDc}, {"mVDC", MilliVolts},
        {"Ω", Ohms},         {"KΩ", Ohms},        {"MΩ", Ohms},     {"uF", Capacitance},
        {"nF", Capacitance}, {"mF", Capacitance},
    };
    for (const DialRow& row : kRows) {
        if (unit == row.unit) {
            return row.position;
        }
    }
    return std::nullopt;
}

bool CReceiveEngine::SetUnitIcon(const std::string& unit) {
    DialPosition position = m_nUnitIcon;
    if (const std::optional<DialPosition> matched = DialPositionForUnit(unit)) {
        position = *matched;
    } else if (m_reading.secondModeFlag) {
        position = DialPosition::OhmsDiode;
    }
    if (position == m_nUnitIcon) {
        return false;
    }
    m_nUnitIcon = position;
    return true;
}

void CReceiveEngine::FinishDecode(const std::string& frame, FrameKind kind,
                                  MeterRecordMode meterRecordMode) {
    m_nLastFrameKind = kind;
    m_bLastFrameLive = frame.size() > 2 && frame[2] == '8';

    const bool dialChanged = SetUnitIcon(m_reading.unit);
    m_host.ReadingDecoded(m_reading, FaceOfKind(kind), m_nUnitIcon, dialChanged);

    // A frequency frame carries no limit of its own. Judged against the limit
    // an earlier frame of another function left behind, every frequency
    // would be recorded as an overload; it is recorded as measured instead.
    const float keptLimit = m_reading.limit;
    if (kind == FrameKind::Frequency) {
        m_reading.limit = std::numeric_limits<float>::infinity();
    }
    RecordDecodedReading(meterRecordMode);
    m_reading.limit = keptLimit;
}

void CReceiveEngine::RecordDecodedReading(MeterRecordMode meterRecordMode) {
    if (m_bLastFrameLive && m_host.TakesLiveReadings()) {
        const std::string timeText = PcTimeText();
        const std::string unit = m_reading.unit;
        const std::string typeText = m_reading.function;
        m_host.DispatchReading(m_reading, 0, static_cast<double>(m_reading.value), unit, 0.0,
                               timeText, m_tTimeText, typeText, m_reading.decimals);
    } else if (m_bMeterRecordFrames && meterRecordMode != MeterRecordMode::None) {
        m_host.EndLiveReadings();
        m_host.RecordMeterFrame(m_reading, meterRecordMode);
    }
}

const std::string& CReceiveEngine::PcTimeText() {
    const std::time_t now = m_clock.Now();
    if (m_strTimeText.empty() || now != m_tTimeText) {
        m_tTimeText = now;
        m_strTimeText = FormatPcTime(now);
    }
    return m_strTimeText;
}
