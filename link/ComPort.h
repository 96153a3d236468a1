#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/SerialPort.h"
#include "link/SocketConnector.h"

// Receives each block of bytes read from the meter, on the reader thread. The
// block is the routine's own copy for the duration of the call; the next read
// starts only after the routine has returned.
using ReceiveHandler = std::function<void(const std::uint8_t* bytes, std::size_t count)>;

// Told once, on the reader thread, when the device hung up or vanished; the
// reader ends afterwards. The text says what happened, whole: "link lost: …".
using LinkLostHandler = std::function<void(const std::string& reason)>;

class CComPort;

// The reader thread: one read of m_nReadSize bytes at a time, each completed
// block handed to the port's receive routine.
class CReadComThread {
  public:
    static constexpr int kMaxReadSize = 2048;
    static constexpr int kOpenReadSize = 20;

    explicit CReadComThread(CComPort& owner);
    virtual ~CReadComThread();
    CReadComThread(const CReadComThread&) = delete;
    CReadComThread& operator=(const CReadComThread&) = delete;

    void Start();
    // Waits for the thread to end; the stop signal must be raised first.
    void Join();
    bool IsReaderThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    // Bytes asked for by the next read, 1..kMaxReadSize; taken when the first
    // byte of a block is there.
    std::atomic<int> m_nReadSize{kOpenReadSize};
    std::atomic<bool> m_bFinished{false};

  private:
    void Run();
    void Loop();

    CComPort& m_comPort;
    std::mutex m_startMutex;  // held by Start until m_thread is stored
    std::thread m_thread;
    std::array<std::uint8_t, kMaxReadSize> m_buffer{};
};

// The meter connection: the open port, its reader thread and a blocking write.
//
// Threads: Open, Close and the setters run on the owner's thread; the receive
// routine and the link-lost routine run on the reader thread. Write may be
// called from either (the receive routine writes acknowledgements). Close may
// also be called from inside the receive routine; the port is then released
// by the reader as it ends, and the thread is joined by the next Open, Close
// or the destructor. The object itself must not be destroyed from inside
// its own receive routine.
class CComPort {
  public:
    CComPort() = default;
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens /dev/rfcomm<portNumber> (or a device path) with the given codes
    // and starts the reader with a read size of 20. `mode` is kept for
    // callers; the reader always waits for data and the stop signal together.
    // False when the port could not be opened; LastError() says why.
    bool Open(int portNumber, int mode, int baudRate, int parity, int dataBits, int stopBits,
              int flowControl);
    bool OpenDevice(const std::string& path, int mode, int baudRate, int parity, int dataBits,
                    int stopBits, int flowControl);

    // Where connected ports ("bt:ADDRESS") come from, and how long an open
    // waits for the connection: 0 takes an outcome that is ready and
    // otherwise fails with EINPROGRESS, leaving the attempt under way.
    void SetSocketConnector(ISocketConnector* connector, std::chrono::milliseconds wait);
    // Connects `address` through the socket connector and starts the reader
    // on the socket it hands over (no line settings: it is no tty). `name`
    // names the link in errors. Closing the port lets go of the connection.
    bool OpenConnected(const std::string& address, const std::string& name);

    void SetReceiveHandler(ReceiveHandler handler);
    void SetLinkLostHandler(LinkLostHandler handler);

    // Blocking write of all bytes; returns the count written (0 when the port
    // is not open or the write failed, see LastError). Gives up early when
    // the port is being closed.
    int Write(const std::uint8_t* bytes, std::size_t count);

    // Stops the reader, waits for its thread and closes the port. Does
    // nothing when no port is open.
    void Close();

    void SetReadSize(int bytes);
    int ReadSize() const;

    // The error of the last failed Open or Write.
    std::optional<CSerialException> LastError() const;
    const std::string& DevicePath() const { return m_strDevice; }

    int m_nPortNo = -1;
    int m_nMode = 2;
    // The result of the last Open; Close leaves it unchanged.
    bool m_bOpened = false;

  private:
    friend class CReadComThread;

    bool OpenWith(const std::string& path, int portNumber, const LineSettings& settings);
    // Starts the reader on a port that has just been opened.
    bool StartReader(std::unique_ptr<CSerialPort> port, const std::string& name);
    // Stops and joins the reader, then releases the port (owner thread only).
    void Shutdown();
    // The reader's last step: drops unread input, and releases the port when
    // Close was called from the receive routine.
    void ReaderEnded();
    void Deliver(const std::uint8_t* bytes, std::size_t count);
    void ReportLinkLost(const std::string& reason);
    void SetLastError(const CSerialException& error);

    std::unique_ptr<CSerialPort> m_pPort;
    std::unique_ptr<CStopSignal> m_pStop;
    std::unique_ptr<CReadComThread> m_pReader;
    std::string m_strDevice;
    std::atomic<bool> m_bReleaseOnExit{false};

    ISocketConnector* m_pConnector = nullptr;
    std::chrono::milliseconds m_connectWait{0};
    std::string m_strConnectedAddress;  // the connection Shutdown lets go of

    // Guards the port's file descriptor between a writer and Close.
    std::mutex m_portMutex;

    mutable std::mutex m_handlerMutex;
    std::shared_ptr<const ReceiveHandler> m_pfnReceive;
    std::shared_ptr<const LinkLostHandler> m_pfnLinkLost;

    mutable std::mutex m_errorMutex;
    std::optional<CSerialException> m_lastError;
};
