#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include <termios.h>

// Line setting codes, as the port's callers pass them.
enum SerialParity {
    EvenParity = 0,
    MarkParity = 1,
    NoParity = 2,
    OddParity = 3,
    SpaceParity = 4,
};

enum SerialStopBits {
    OneStopBit = 0,
    OnePointFiveStopBits = 1,
    TwoStopBits = 2,
};

enum SerialFlowControl {
    NoFlowControl = 0,
    CtsRtsFlowControl = 1,
    CtsDtrFlowControl = 2,
    DsrRtsFlowControl = 3,
    DsrDtrFlowControl = 4,
    XonXoffFlowControl = 5,
};

struct LineSettings {
    int baudRate = 9600;
    int parity = NoParity;
    int dataBits = 8;
    int stopBits = OneStopBit;
    int flowControl = NoFlowControl;
};

// A failed system call of the serial layer: the system error code (errno) and
// the operation that failed.
class CSerialException : public std::runtime_error {
  public:
    CSerialException(std::uint32_t error, const std::string& context);
    // An error whose account for the user is `message` rather than the
    // system's text for the code (a Bluetooth service's answer, say).
    CSerialException(std::uint32_t error, const std::string& context, const std::string& message);

    // The text for the user: the message given, else the system's text for
    // m_dwError, e.g. "No such file or directory".
    std::string GetErrorMessage() const;
    bool HasOwnMessage() const { return !m_strMessage.empty(); }

    std::uint32_t m_dwError;

  private:
    std::string m_strMessage;
};

// Raises CSerialException with `error`, or with errno when `error` is 0.
[[noreturn]] void ThrowSerialException(const std::string& context, int error = 0);

// The device that port number n names: /dev/rfcomm<n>.
std::string ComPortDevicePath(int portNumber);

// Maps the line setting codes onto a termios record. Raw 8-bit transfer is set
// up as well (no echo, no line editing, no character translation, receiver on,
// modem control lines ignored). Parity and stop-bit codes outside their tables
// leave those bits as they were; unsupported baud rates, data bits and flow
// control codes raise CSerialException(EINVAL). Linux has no DSR or DTR
// handshake, so DsrRts and DsrDtr are refused and CtsDtr becomes CTS/RTS.
void ApplyLineSettings(termios& tio, const LineSettings& settings);

// A one-shot wake-up signal that can sit in a poll set (an eventfd). Raise is
// safe from any thread; once raised it stays raised.
class CStopSignal {
  public:
    CStopSignal();
    ~CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    void Raise();
    bool IsRaised() const;
    int Fd() const { return m_fd; }

  private:
    int m_fd = -1;
};

// How a Read ended.
enum class ReadEnd {
    Complete,  // the request filled, or the inter-byte gap passed
    Stopped,   // the stop signal was raised
    LinkLost,  // the device hung up or vanished
};

struct ReadResult {
    std::size_t count = 0;
    ReadEnd end = ReadEnd::Complete;
};

// One open serial device (a tty) with the meter link's settings. Not locked:
// the port reader orders the calls of its two threads.
class CSerialPort {
  public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens /dev/rfcomm<n>; m_nPort keeps the number.
    void Open(int portNumber, const LineSettings& settings);
    // Opens a device by path: an already open device is closed first; the
    // device is opened exclusively (a second opener gets EBUSY) and set up
    // with `settings`. On failure the object is left closed. A real device
    // that does not keep the line format is refused; a pseudo-terminal has
    // no line (the kernel forces it to 8 bits without parity), so there only
    // raw mode must hold.
    void OpenDevice(const std::string& path, const LineSettings& settings);
    // Takes over a connected stream socket (a Bluetooth link that a system
    // service connected for us): it has no line settings, so none are made,
    // and `name` names it in errors. The object owns `fd` from here on.
    void AdoptSocket(int fd, const std::string& name);
    void Close();
    bool IsOpen() const { return m_hComm >= 0; }
    bool IsSocket() const { return m_bSocket; }
    const std::string& DevicePath() const { return m_strDevice; }

    // The gap after the last received byte that completes a read (200 ms).
    void SetReadInterval(int milliseconds) { m_nReadIntervalMs = milliseconds; }
    int ReadInterval() const { return m_nReadIntervalMs; }

    // Reads up to `count` bytes: returns when `count` bytes are in, or the
    // read interval after the last received byte. It never ends empty on its
    // own; only `stop` or a lost link end it with what it has (maybe nothing).
    // Raises on a failing system call other than a hang-up.
    ReadResult Read(std::uint8_t* buffer, std::size_t count, const CStopSignal& stop);

    // Waits until a byte can be read (or the device hung up: the next Read
    // reports that), or until `stop` is raised (false).
    bool WaitForData(const CStopSignal& stop);

    // Writes all bytes, waiting as long as the device needs, unless `stop` is
    // raised first. Returns the number of bytes written; raises on failure.
    std::size_t Write(const std::uint8_t* bytes, std::size_t count, const CStopSignal& stop);

    // Discards received bytes not yet read and/or bytes not yet sent.
    void Purge(bool input, bool output);

    int m_nPort = -1;

  private:
    void Configure(const LineSettings& settings);
    void RequireCharacterDevice();
    void LockExclusive();

    int m_hComm = -1;
    bool m_bPseudoTerminal = false;
    bool m_bSocket = false;
    int m_nReadIntervalMs = 200;
    std::string m_strDevice;
};
