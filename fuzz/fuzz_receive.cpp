// Feeds arbitrary bytes in arbitrary chunk sizes through the receive engine.
// Each input is read as a sequence of (control byte, chunk) pairs: the control
// byte chooses the chunk length and, now and then, starts or stops
// acquisition or ends a download early.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decode/Clock.h"
#include "decode/ReceiveEngine.h"
#include "decode/ReceiveHost.h"

namespace {

class FuzzHost : public IReceiveHost {
  public:
    CReceiveEngine* engine = nullptr;
    bool running = false;

    void ReadingDecoded(const MeterReading&, FaceNumber face, DialPosition dial, bool) override {
        if (!IsReadingFace(face) || ToNumber(dial) < 0 || ToNumber(dial) >= kDialPositionCount) {
            std::abort();
        }
    }
    bool TakesLiveReadings() const override { return running; }
    void DispatchReading(MeterReading&, int, double, const std::string&, double, const std::string&,
                         std::time_t, const std::string&, int) override {}
    void RecordMeterFrame(MeterReading&, MeterRecordMode mode) override {
        if (ToNumber(mode) < 1 || ToNumber(mode) > 9) {
            std::abort();
        }
    }
    void StopAcquisition() override { running = false; }
    void EndLiveReadings() override { running = false; }
    void WriteToMeter(const std::uint8_t*, std::size_t count) override {
        if (count != 3) {
            std::abort();
        }
    }
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }
    void DownloadStarted(int) override {}
    void DownloadProgress(int) override {}
    // The session adopts the records into a new document.
    void DownloadFinished() override { engine->TakeDownloadedRecords(); }

  private:
    int m_nReadSize = 100;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzHost host;
    FixedClock clock(1796634309);
    CReceiveEngine engine(host, clock);
    host.engine = &engine;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        if (control == 0xFF) {
            host.running = !host.running;
            continue;
        }
        if (control == 0xFE) {
            engine.EndDownloadEarly();
            continue;
        }
        std::size_t chunk = 1 + control % 128;
        if (chunk > size - at) {
            chunk = size - at;
        }
        if (chunk == 0) {
            break;
        }
        engine.OnReceiveBytes(data + at, chunk);
        at += chunk;
        clock.Advance(1);

        // What stays between chunks is bounded whatever arrives.
        if (engine.PendingHex().size() > CReceiveEngine::kMaxPendingHex) {
            std::abort();
        }
        if (!engine.IsDownloading() && engine.IsAwaitingBlockHeader()) {
            std::abort();
        }
    }
    return 0;
}
