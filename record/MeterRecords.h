#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "decode/MeterCodes.h"
#include "decode/MeterReading.h"
#include "record/DocumentRegistry.h"

// Records made from the meter's own statistics frames (modes 1..9).

// Sets each of value, reference, relative, alternateValue, maxValue, minValue,
// avgValue and auxValue that lies above the limit to the overload value.
// secondValue is left as it is.
void ClampOverloads(MeterReading& reading);

// Appends a list row for a meter-record value, always shown with "%.4f"
// (an overload shows as 500000.0000 here).
void AppendListRow(const std::string& timeText, const std::string& unit, float value,
                   const std::string& typeText, CRecordingTarget& view);

// Turns one meter-record frame (already decoded into `reading`) into a main
// record and its companion records in `view`'s document, all with the same
// sequence number, each with its list row. `now` is the PC's time. A mode
// outside 1..9 records nothing (the overload clamp still happens).
void BuildMeterRecords(CRecordingTarget& view, MeterReading& reading, MeterRecordMode mode,
                       std::time_t now);

struct MeterRecordRouting {
    // Opens a new document whose view becomes the meter-record target
    // (meterRecordTarget set, liveTarget cleared); nullptr when none opened.
    std::function<CRecordingTarget*()> openTarget;
    // The Stop command's work.
    std::function<void()> stop;
};

// Gives the frame to every meter-record target view. With none, a target is
// opened, the frame routed once more (and dropped if there is still none),
// and live acquisition stopped.
void RecordMeterFrame(CDocumentRegistry& registry, MeterReading& reading, MeterRecordMode mode,
                      std::time_t now, const MeterRecordRouting& routing);
