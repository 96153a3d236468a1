#pragma once

#include <ctime>

#include "decode/MeterCodes.h"
#include "decode/MeterReading.h"
#include "display/FacePlan.h"

// Everything drawn on the LCD (beyond its background fill) for a face: one of
// the seven reading faces, the DISCONNECTED picture, or nothing for any other. `now` is the local
// time shown in the clock and date boxes.
FacePlan LayoutLcd(FaceNumber face, const MeterReading& reading, const FaceMetrics& metrics,
                   const std::tm& now);

// The unit picture row a face shows for the reading, or -1 for none.
int UnitRowForFace(FaceNumber face, const MeterReading& reading);
