// Throughput of the receive engine: a mixed stream of every frame kind, live
// and meter-record, fed in 100-byte chunks as the port reader delivers it.
#include <chrono>
#include <cstdio>
#include <string>

#include "decode/Clock.h"
#include "decode/ReceiveEngine.h"
#include "decode/ReceiveHost.h"
#include "frames/FrameEncoder.h"

namespace {

class CountingHost : public IReceiveHost {
  public:
    long frames = 0;
    long recorded = 0;

    void ReadingDecoded(const MeterReading&, FaceNumber, DialPosition, bool) override { ++frames; }
    bool running = true;  // as after Start

    bool TakesLiveReadings() const override { return running; }
    void DispatchReading(MeterReading&, int, double, const std::string&, double, const std::string&,
                         std::time_t, const std::string&, int) override {}
    void RecordMeterFrame(MeterReading&, MeterRecordMode) override { ++recorded; }
    void StopAcquisition() override {}
    void EndLiveReadings() override { running = false; }
    void WriteToMeter(const std::uint8_t*, std::size_t) override {}
    int ReadSize() const override { return 100; }
    void SetReadSize(int) override {}
    void DownloadStarted(int) override {}
    void DownloadProgress(int) override {}
    void DownloadFinished() override {}
};

void Append(frames::Bytes& stream, const frames::Bytes& bytes) {
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}

// One round: every kind live, then the sync marker and every kind as a
// meter-record frame.
frames::Bytes Round(float value) {
    frames::Bytes round;
    for (frames::Family family : {frames::Family::Live, frames::Family::MeterRecord}) {
        if (family == frames::Family::MeterRecord) {
            Append(round, frames::SyncMarker());
        }
        frames::PlainFrame plain;
        plain.family = family;
        plain.value = value;
        plain.unit = frames::Unit("ko");
        frames::MinMaxFrame minMax;
        minMax.family = family;
        minMax.value = value;
        frames::AuxFrame aux;
        aux.family = family;
        aux.unit = frames::Unit("kHZ");
        frames::PeakFrame peak;
        peak.family = family;
        frames::AcDcFrame acdc;
        acdc.family = family;
        acdc.acdcMode = 3;
        frames::VacFrame vac;
        vac.family = family;
        frames::FrequencyFrame frequency;
        frequency.family = family;
        frequency.value = 1000.0f + value;
        Append(round, frames::Encode(plain));
        Append(round, frames::Encode(minMax));
        Append(round, frames::Encode(aux));
        Append(round, frames::Encode(peak));
        Append(round, frames::Encode(acdc));
        Append(round, frames::Encode(vac));
        Append(round, frames::Encode(frequency));
    }
    return round;
}

}  // namespace

int main() {
    frames::Bytes stream;
    for (int i = 0; stream.size() < 20u * 1000 * 1000; ++i) {
        Append(stream, Round(static_cast<float>(i % 1000) * 0.01f));
    }

    constexpr std::size_t kChunk = 100;
    CountingHost host;
    FixedClock clock(1796634309);
    CReceiveEngine engine(host, clock);

    const auto begin = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stream.size(); at += kChunk) {
        const std::size_t count = std::min(kChunk, stream.size() - at);
        engine.OnReceiveBytes(stream.data() + at, count);
    }
    const auto end = std::chrono::steady_clock::now();

    const double seconds = std::chrono::duration<double>(end - begin).count();
    const double megabytes = static_cast<double>(stream.size()) / 1e6;
    std::printf("bench_receive: %.1f MB in %zu-byte chunks, %.3f s\n", megabytes, kChunk, seconds);
    std::printf("bench_receive: %.1f MB/s (target >= 20 MB/s)\n", megabytes / seconds);
    std::printf("bench_receive: %ld frames decoded (%.0f frames/s), %ld meter-record frames\n",
                host.frames, static_cast<double>(host.frames) / seconds, host.recorded);
    return 0;
}
