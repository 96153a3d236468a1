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

// Turns one meter-record frame (already decoded into `reading`) into a main
// record and its companion records in `document`, all with the same
// sequence number. `now` is the PC's time. A mode outside 1..9 records
// nothing (the overload clamp still happens).
void BuildMeterRecords(CRoZudozuvDoc& document, MeterReading& reading, MeterRecordMode mode,
                       std::time_t now);

struct MeterRecordRouting {
    // Opens a new document in the meter-record role; nullptr when none opened.
    std::function<CRoZudozuvDoc*()> openTarget;
    // The Stop command's work.
    std::function<void()> stop;
};

// Gives the frame to every document in the meter-record role. With none, a
// target is opened, the frame routed once more (and dropped if there is
// still none), and live acquisition stopped.
void RecordMeterFrame(CDocumentRegistry& registry, MeterReading& reading, MeterRecordMode mode,
                      std::time_t now, const MeterRecordRouting& routing);
