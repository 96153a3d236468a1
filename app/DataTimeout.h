#pragma once

#include <ctime>

// What the frame's meter face shows: the face number (1..7 a frame kind,
// 10 blank display of a freshly opened port, -1 DISCONNECTED, 0 nothing yet)
// and the dial position (0 = OFF).
struct FaceState {
    int face = 0;
    int dial = 0;
    bool operator==(const FaceState&) const = default;
};

inline constexpr int kFaceBlank = 10;
inline constexpr int kFaceDisconnected = -1;
inline constexpr long kSilenceSeconds = 10;

// The outcome of one tick of the data time-out.
struct DataTimeoutResult {
    bool silent = false;       // the meter counts as silent: stop acquisition
    bool faceChanged = false;  // `face` differs from the face passed in
    FaceState face;
};

// A meter that has sent nothing for 10 s or more is silent, unless the sync
// marker is up (the meter is sending its records). A silent meter shows the
// DISCONNECTED face with the dial at OFF, except when the port was just opened
// and nothing has arrived yet (face 10 stays).
DataTimeoutResult CheckDataTimeout(bool syncMarker, std::time_t now, std::time_t lastRx,
                                   FaceState face);
