#include "record/DataTimeout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "record/MeterSession.h"

DataTimeoutResult CheckDataTimeout(bool syncMarker, std::time_t now, std::time_t lastRx,
                                   FaceState face, long silenceSeconds) {
    DataTimeoutResult result;
    result.face = face;
    if (syncMarker) {
        return result;
    }
    const std::int64_t elapsed = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(lastRx);
    if (elapsed < silenceSeconds) {
        return result;
    }
    result.silent = true;
    if (face.face == FaceNumber::PortOpened) {
        return result;
    }
    const FaceState disconnected{FaceNumber::Disconnected, DialPosition::Off};
    if (face != disconnected) {
        result.face = disconnected;
        result.faceChanged = true;
    }
    return result;
}

CDataTimeout::CDataTimeout(CMeterSession& session, long silenceSeconds)
    : m_session(session), m_nSilenceSeconds(silenceSeconds) {}

void CDataTimeout::CountFromNow() {
    m_tCountFrom = m_session.Clock().Now();
}

DataTimeoutResult CDataTimeout::Tick(FaceState shown, bool reconnectPending) {
    CReceiveEngine& engine = m_session.Engine();
    const std::time_t lastActivity = std::max(engine.LastReceiveTime(), m_tCountFrom);
    DataTimeoutResult result = CheckDataTimeout(engine.IsSyncMarkerSet(), m_session.Clock().Now(),
                                                lastActivity, shown, m_nSilenceSeconds);
    if (result.silent) {
        ActOnSilence(result, reconnectPending);
    }
    return result;
}

void CDataTimeout::ActOnSilence(DataTimeoutResult& result, bool reconnectPending) {
    CReceiveEngine& engine = m_session.Engine();
    engine.MarkSilent();
    if (reconnectPending) {
        result.recordingKept = m_session.IsRunning();
    } else {
        m_session.HaltAcquisition();
    }
    if (engine.IsDownloading()) {
        m_session.EndDownloadEarly();
        result.downloadEnded = true;
    }
}

long SilenceSecondsAtLeast(double seconds) {
    return static_cast<long>(std::ceil(seconds)) + 1;
}
