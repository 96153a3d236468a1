#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "decode/Clock.h"
#include "decode/MeterReading.h"
#include "decode/ReceiveEngine.h"
#include "decode/ReceiveHost.h"
#include "frames/FrameEncoder.h"

// Records every call the receive engine makes on its host.
class RecorderHost : public IReceiveHost {
  public:
    struct Decoded {
        MeterReading reading;
        int face;
        int dial;
        bool dialChanged;
    };
    struct Dispatched {
        double value;
        std::string unit;
        double sampleRate;
        std::string timeText;
        std::string typeText;
        int decimals;
    };

    // Face and dial are kept as the numbers the panel and the files know.
    void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                        bool dialChanged) override {
        decoded.push_back({reading, ToNumber(face), ToNumber(dial), dialChanged});
        events.push_back("decoded");
    }
    bool TakesLiveReadings() const override { return running; }
    void DispatchReading(MeterReading&, int channel, double value, const std::string& unit,
                         double sampleRate, const std::string& timeText, std::time_t,
                         const std::string& typeText, int decimals) override {
        dispatchChannel = channel;
        dispatched.push_back({value, unit, sampleRate, timeText, typeText, decimals});
        events.push_back("dispatch");
    }
    void RecordMeterFrame(MeterReading&, MeterRecordMode mode) override {
        meterRecordModes.push_back(ToNumber(mode));
        events.push_back("record");
    }
    void StopAcquisition() override {
        ++stops;
        events.push_back("stop");
    }
    void EndLiveReadings() override { running = false; }
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override {
        written.insert(written.end(), bytes, bytes + count);
        events.push_back("write");
    }
    int ReadSize() const override { return readSize; }
    void SetReadSize(int bytes) override {
        readSize = bytes;
        ++readSizeChanges;
    }
    void DownloadStarted(int blockCount) override {
        startedBlockCounts.push_back(blockCount);
        events.push_back("started");
    }
    void DownloadProgress(int blocksDone) override {
        progress.push_back(blocksDone);
        events.push_back("progress");
    }
    void DownloadFinished() override {
        ++finished;
        events.push_back("finished");
    }

    // Complete F3 01 F4 commands written so far.
    int AckCount() const {
        int count = 0;
        for (std::size_t i = 0; i + 2 < written.size(); i += 3) {
            if (written[i] == 0xF3 && written[i + 1] == 0x01 && written[i + 2] == 0xF4) {
                ++count;
            }
        }
        return count;
    }

    bool running = false;  // live acquisition, as Start and Stop leave it
    std::vector<Decoded> decoded;
    std::vector<Dispatched> dispatched;
    int dispatchChannel = -1;
    std::vector<int> meterRecordModes;
    int stops = 0;
    std::vector<std::uint8_t> written;
    int readSize = 100;
    int readSizeChanges = 0;
    std::vector<int> startedBlockCounts;
    std::vector<int> progress;
    int finished = 0;
    std::vector<std::string> events;
};

// Time texts in these tests are checked in UTC.
inline void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

// An engine with its recorder and a clock frozen at 7 December 2026 09:05:09 UTC.
struct EngineFixture {
    EngineFixture() { UseUtc(); }

    RecorderHost host;
    FixedClock clock{1796634309};
    CReceiveEngine engine{host, clock};

    void Feed(const frames::Bytes& bytes) { engine.OnReceiveBytes(bytes.data(), bytes.size()); }
    void FeedHex(const std::string& hex) { Feed(frames::FromHex(hex)); }
    // The bytes in chunks of `chunk` bytes.
    void FeedChunked(const frames::Bytes& bytes, std::size_t chunk) {
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            const std::size_t n = std::min(chunk, bytes.size() - at);
            engine.OnReceiveBytes(bytes.data() + at, n);
        }
    }
    const MeterReading& Last() const { return host.decoded.back().reading; }
};

inline frames::Bytes Concat(std::initializer_list<frames::Bytes> parts) {
    frames::Bytes all;
    for (const frames::Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}
