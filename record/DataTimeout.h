#pragma once

#include <ctime>

#include "decode/MeterCodes.h"

class CMeterSession;

// What the frame's meter face shows: the face and the dial position.
struct FaceState {
    FaceNumber face = FaceNumber::NothingYet;
    DialPosition dial = DialPosition::Off;
    bool operator==(const FaceState&) const = default;
};

// The silence after which a meter counts as gone, in whole seconds of the clock.
inline constexpr long kSilenceSeconds = 10;

// The outcome of one tick of the data time-out.
struct DataTimeoutResult {
    bool silent = false;         // the meter counts as silent: acquisition stopped
    bool faceChanged = false;    // `face` differs from the face passed in
    FaceState face;              // what the meter face shows now
    bool downloadEnded = false;  // a stalled download ended with the records it sent
    bool recordingKept = false;  // silent, but a reconnect is pending: acquisition goes on
};

// The rule of one tick. A meter that has sent nothing for `silenceSeconds`
// or more is silent, unless the sync marker is set (the meter is sending its
// records). A silent meter shows the DISCONNECTED face with the dial at OFF,
// except when the port was just opened and nothing has arrived yet (face 10
// stays).
DataTimeoutResult CheckDataTimeout(bool syncMarker, std::time_t now, std::time_t lastRx,
                                   FaceState face, long silenceSeconds = kSilenceSeconds);

// The data time-out of a meter session, ticked by the GUI's timer and by the
// CLI's event loop. On a tick that finds the meter silent: Start waits for
// data again, the live documents stop recording,
// acquisition stops, and a download in progress ends with the records that
// arrived. Time comes from the session's clock.
class CDataTimeout {
  public:
    explicit CDataTimeout(CMeterSession& session, long silenceSeconds = kSilenceSeconds);

    // Counts the silence from the clock's present time, as if a block had just
    // arrived (a command-line session counts from the moment its port opens).
    // Without it the silence counts from the last block ever received.
    void CountFromNow();

    // One tick. `shown` is what the meter face shows; hosts without a face
    // leave it out and ignore the face in the result. While a reconnect is
    // pending, silence does not stop acquisition (the recording goes on once
    // the link is back), but a stalled download still ends.
    DataTimeoutResult Tick(FaceState shown = {}, bool reconnectPending = false);

    long SilenceSeconds() const { return m_nSilenceSeconds; }

  private:
    // What a silent meter ends, one step each: a link that is about to be
    // restored would keep the recording by leaving out the acquisition step.
    void ActOnSilence(DataTimeoutResult& result, bool reconnectPending);

    CMeterSession& m_session;
    long m_nSilenceSeconds;
    std::time_t m_tCountFrom = 0;
};

// Whole clock seconds that make sure at least `seconds` (> 0) really passed:
// two times a second apart on the clock may lie almost no time apart.
long SilenceSecondsAtLeast(double seconds);
