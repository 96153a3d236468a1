#pragma once

// The numbered values that travel between the frames, the decoders, the meter
// face and the records. Each has one definition here; where a number is read
// from a frame or written out (a file, a JSON line, the meter), ToNumber and
// the From functions make the conversion visible.

// Frame kinds, the last hex digit of a frame's marker ("a080".."a086" live,
// "a090".."a096" meter-record).
enum class FrameKind : int {
    Plain = 0,
    MinMax = 1,
    Aux = 2,
    Peak = 3,
    AcDc = 4,
    Vac = 5,
    Frequency = 6,
};
inline constexpr int kFrameKindCount = 7;

// What the meter face's LCD shows: one of the seven reading faces, or a
// state of the link.
enum class FaceNumber : int {
    Disconnected = -1,  // the DISCONNECTED picture
    NothingYet = 0,     // no port opened, no reading yet
    Standard = 1,
    MinMax = 2,
    Relative = 3,
    Peak = 4,
    DcAc = 5,
    Dual = 6,
    Frequency = 7,
    PortOpened = 10,  // blank display: the port is open, no reading yet
};

// Where the meter's selector points, chosen from the reading's unit.
enum class DialPosition : int {
    Off = 0,
    MicroAmps = 1,
    MilliAmps = 2,
    Amps = 3,
    Temperature = 4,
    VoltsAc = 5,
    VoltsDc = 6,
    MilliVolts = 7,
    Ohms = 8,
    Capacitance = 9,
    OhmsDiode = 10,  // taken when the second mode flag is set and no unit matched
};
inline constexpr int kDialPositionCount = 11;

// How the statistics engine turns a meter-record frame into records.
enum class MeterRecordMode : int {
    None = 0,  // not handed to the statistics engine
    Plain = 1,
    MinMax = 2,
    Relative = 3,
    Peak = 4,
    PeakCrest = 5,  // peak frame with the first mode flag
    AcDcSplit = 6,  // AC+DC frame in its mode 3: alternate and second value
    AcPlusDc = 7,   // AC+DC frame in its mode 2
    VacAux = 8,
    Frequency = 9,
};

constexpr int ToNumber(FrameKind kind) {
    return static_cast<int>(kind);
}
constexpr int ToNumber(FaceNumber face) {
    return static_cast<int>(face);
}
constexpr int ToNumber(DialPosition dial) {
    return static_cast<int>(dial);
}
constexpr int ToNumber(MeterRecordMode mode) {
    return static_cast<int>(mode);
}

// A frame kind from the digit of a marker; the caller checks 0..6.
constexpr FrameKind FrameKindFromNumber(int kind) {
    return static_cast<FrameKind>(kind);
}

// The face that shows a reading of `kind`: faces 1..7 follow kinds 0..6.
constexpr FaceNumber FaceOfKind(FrameKind kind) {
    return static_cast<FaceNumber>(ToNumber(kind) + 1);
}

// The kind whose readings a reading face shows.
constexpr FrameKind KindOfFace(FaceNumber face) {
    return static_cast<FrameKind>(ToNumber(face) - 1);
}

constexpr bool IsReadingFace(FaceNumber face) {
    return face >= FaceNumber::Standard && face <= FaceNumber::Frequency;
}
