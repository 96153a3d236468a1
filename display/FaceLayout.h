#pragma once

#include <ctime>

#include "decode/MeterReading.h"
#include "display/FacePlan.h"

// Face numbers the panel knows besides the seven reading faces.
inline constexpr int kFaceNothingYet = 0;
inline constexpr int kFaceDisconnected = -1;
inline constexpr int kFacePortOpened = 10;
inline constexpr int kFaceFirst = 1;
inline constexpr int kFaceLast = 7;

// Face numbers of the seven reading faces.
enum FaceNumber {
    kFaceStandard = 1,
    kFaceMinMax = 2,
    kFaceRelative = 3,
    kFacePeak = 4,
    kFaceDcAc = 5,
    kFaceDual = 6,
    kFaceFrequency = 7,
};

// Everything drawn on the LCD (beyond its background fill) for a face number:
// one of the seven faces for 1..7, the DISCONNECTED picture for -1, nothing for
// any other number. `now` is the local time shown in the clock and date boxes.
FacePlan LayoutLcd(int face, const MeterReading& reading, const FaceMetrics& metrics,
                   const std::tm& now);

// The unit picture row a face shows for the reading, or -1 for none.
int UnitRowForFace(int face, const MeterReading& reading);
