#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "decode/MeterCodes.h"

struct MeterReading;

// Everything the receive engine asks of the world around it. The meter session
// (record/MeterSession.h) implements it for the GUI and the CLI; tests
// implement it with a recorder.
class IReceiveHost {
  public:
    virtual ~IReceiveHost() = default;

    // A frame was decoded: `face` is the reading face of its kind, `dial`
    // the dial position after the unit rule (dialChanged when it moved).
    virtual void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                                bool dialChanged) = 0;

    // Whether live readings are taken now (acquisition runs).
    virtual bool TakesLiveReadings() const = 0;

    // A live reading while acquisition runs, taken at `time` (timeText is its
    // text). May overwrite reading.value (overload).
    virtual void DispatchReading(MeterReading& reading, int channel, double value,
                                 const std::string& unit, double sampleRate,
                                 const std::string& timeText, std::time_t time,
                                 const std::string& typeText, int decimals) = 0;

    // A meter-record frame while meter-record frames arrive.
    virtual void RecordMeterFrame(MeterReading& reading, MeterRecordMode mode) = 0;

    // The Stop command's work (a download header stops live acquisition).
    virtual void StopAcquisition() = 0;
    // Live readings end without touching the documents (meter-record frames
    // arrive instead; Start takes them up again).
    virtual void EndLiveReadings() = 0;

    // Link to the meter.
    virtual void WriteToMeter(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual int ReadSize() const = 0;
    virtual void SetReadSize(int bytes) = 0;

    // Download of the meter's stored records.
    virtual void DownloadStarted(int blockCount) = 0;
    virtual void DownloadProgress(int blocksDone) = 0;
    // The download ended; the engine's DownloadedRecords() hold its records.
    virtual void DownloadFinished() = 0;
};
