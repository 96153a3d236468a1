#include "app/DataTimeout.h"

#include <cstdint>

DataTimeoutResult CheckDataTimeout(bool syncMarker, std::time_t now, std::time_t lastRx,
                                   FaceState face) {
    DataTimeoutResult result;
    result.face = face;
    if (syncMarker) {
        return result;
    }
    const std::int64_t elapsed = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(lastRx);
    if (elapsed < kSilenceSeconds) {
        return result;
    }
    result.silent = true;
    if (face.face == kFaceBlank) {
        return result;
    }
    const FaceState disconnected{kFaceDisconnected, 0};
    if (face != disconnected) {
        result.face = disconnected;
        result.faceChanged = true;
    }
    return result;
}
