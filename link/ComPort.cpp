#include "link/ComPort.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

// ---------------------------------------------------------------------------
// CReadComThread

CReadComThread::CReadComThread(CComPort& owner) : m_comPort(owner) {}

CReadComThread::~CReadComThread() {
    Join();
}

void CReadComThread::Start() {
    // The thread runs only once its handle is stored: a receive routine that
    // closes the port asks IsReaderThread, and a wrong answer there would make
    // the reader wait for itself.
    std::lock_guard handleStored(m_startMutex);
    m_thread = std::thread([this] {
        { std::lock_guard published(m_startMutex); }
        Run();
    });
}

void CReadComThread::Join() {
    if (m_thread.joinable() && !IsReaderThread()) {
        m_thread.join();
    }
}

void CReadComThread::Run() {
    m_bFinished = false;
    Loop();
    m_bFinished = true;
}

void CReadComThread::Loop() {
    CSerialPort& port = *m_comPort.m_pPort;
    const CStopSignal& stop = *m_comPort.m_pStop;
    for (;;) {
        ReadResult result;
        try {
            // The size is taken when the first byte of a block is there, so a
            // size set while the line was quiet applies to the next block.
            if (!port.WaitForData(stop)) {
                break;
            }
            const int size = std::clamp(m_nReadSize.load(), 1, kMaxReadSize);
            result = port.Read(m_buffer.data(), static_cast<std::size_t>(size), stop);
        } catch (const CSerialException& error) {
            m_comPort.ReportLinkLost(std::string("link lost: ") + error.what());
            break;
        }
        if (result.count > 0) {
            m_comPort.Deliver(m_buffer.data(), result.count);
        }
        if (result.end == ReadEnd::Stopped) {
            break;
        }
        if (result.end == ReadEnd::LinkLost) {
            m_comPort.ReportLinkLost("link lost: " + port.DevicePath() + " hung up");
            break;
        }
    }
    m_comPort.ReaderEnded();
}

// ---------------------------------------------------------------------------
// CComPort

CComPort::~CComPort() {
    Shutdown();
}

bool CComPort::Open(int portNumber, int mode, int baudRate, int parity, int dataBits, int stopBits,
                    int flowControl) {
    const LineSettings settings{baudRate, parity, dataBits, stopBits, flowControl};
    m_nMode = mode;
    return OpenWith(ComPortDevicePath(portNumber), portNumber, settings);
}

bool CComPort::OpenDevice(const std::string& path, int mode, int baudRate, int parity, int dataBits,
                          int stopBits, int flowControl) {
    const LineSettings settings{baudRate, parity, dataBits, stopBits, flowControl};
    m_nMode = mode;
    return OpenWith(path, -1, settings);
}

bool CComPort::OpenWith(const std::string& path, int portNumber, const LineSettings& settings) {
    if (m_pReader && m_pReader->IsReaderThread()) {
        // The reader cannot wait for itself to end.
        SetLastError(CSerialException(EDEADLK, "open " + path + " from the receive routine"));
        return false;
    }
    Shutdown();
    m_bOpened = false;
    auto port = std::make_unique<CSerialPort>();
    try {
        port->m_nPort = portNumber;
        port->OpenDevice(path, settings);
        port->Purge(true, true);
    } catch (const CSerialException& error) {
        SetLastError(error);
        return false;
    }
    if (portNumber >= 0) {
        m_nPortNo = portNumber;
    }
    return StartReader(std::move(port), path);
}

void CComPort::SetSocketConnector(ISocketConnector* connector, std::chrono::milliseconds wait) {
    m_pConnector = connector;
    m_connectWait = wait;
}

bool CComPort::OpenConnected(const std::string& address, const std::string& name) {
    if (m_pReader && m_pReader->IsReaderThread()) {
        SetLastError(CSerialException(EDEADLK, "open " + name + " from the receive routine"));
        return false;
    }
    Shutdown();
    m_bOpened = false;
    if (m_pConnector == nullptr) {
        SetLastError(CSerialException(ENODEV, "open " + name,
                                      "Bluetooth meters are not available in this program."));
        return false;
    }
    SocketConnectResult connection = m_pConnector->Connect(address, m_connectWait);
    if (connection.fd < 0) {
        SetLastError(connection.error.value_or(CSerialException(EIO, "connect " + name)));
        return false;
    }
    m_strConnectedAddress = address;
    auto port = std::make_unique<CSerialPort>();
    try {
        port->AdoptSocket(connection.fd, name);
    } catch (const CSerialException& error) {
        SetLastError(error);
        Shutdown();
        return false;
    }
    return StartReader(std::move(port), name);
}

bool CComPort::StartReader(std::unique_ptr<CSerialPort> port, const std::string& name) {
    try {
        port->SetReadInterval(200);
        m_pStop = std::make_unique<CStopSignal>();
    } catch (const CSerialException& error) {
        SetLastError(error);
        Shutdown();
        return false;
    }
    m_pPort = std::move(port);
    m_strDevice = name;
    m_bReleaseOnExit = false;
    m_pReader = std::make_unique<CReadComThread>(*this);
    m_pReader->m_nReadSize = CReadComThread::kOpenReadSize;
    try {
        m_pReader->Start();
    } catch (const std::system_error& error) {
        m_pReader.reset();
        Shutdown();
        SetLastError(CSerialException(static_cast<std::uint32_t>(error.code().value()),
                                      "start the reader thread"));
        return false;
    }
    m_bOpened = true;
    return true;
}

void CComPort::SetReceiveHandler(ReceiveHandler handler) {
    auto shared = handler ? std::make_shared<const ReceiveHandler>(std::move(handler)) : nullptr;
    std::lock_guard lock(m_handlerMutex);
    m_pfnReceive = std::move(shared);
}

void CComPort::SetLinkLostHandler(LinkLostHandler handler) {
    auto shared = handler ? std::make_shared<const LinkLostHandler>(std::move(handler)) : nullptr;
    std::lock_guard lock(m_handlerMutex);
    m_pfnLinkLost = std::move(shared);
}

int CComPort::Write(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard lock(m_portMutex);
    if (!m_pPort || !m_pPort->IsOpen() || !m_pStop) {
        SetLastError(CSerialException(EBADF, "write: port not open"));
        return 0;
    }
    try {
        return static_cast<int>(m_pPort->Write(bytes, count, *m_pStop));
    } catch (const CSerialException& error) {
        SetLastError(error);
        return 0;
    }
}

void CComPort::Close() {
    if (!m_pPort) {
        if (!m_strConnectedAddress.empty()) {
            Shutdown();  // a connection whose reader never started
        }
        return;
    }
    if (m_pReader && m_pReader->IsReaderThread()) {
        // Called from the receive routine: the reader releases the port as it
        // ends; the next Open, Close or the destructor joins it.
        m_bReleaseOnExit = true;
        m_pStop->Raise();
        return;
    }
    Shutdown();
}

void CComPort::Shutdown() {
    if (m_pStop) {
        m_pStop->Raise();
    }
    if (m_pReader) {
        m_pReader->Join();
        m_pReader.reset();
    }
    {
        std::lock_guard lock(m_portMutex);
        m_pPort.reset();
        m_pStop.reset();
    }
    if (!m_strConnectedAddress.empty() && m_pConnector != nullptr) {
        m_pConnector->Disconnect(m_strConnectedAddress);
    }
    m_strConnectedAddress.clear();
}

void CComPort::ReaderEnded() {
    if (m_pPort) {
        std::lock_guard lock(m_portMutex);
        try {
            m_pPort->Purge(true, false);
        } catch (const CSerialException&) {
            // The device may be gone; there is nothing left to discard then.
        }
        if (m_bReleaseOnExit) {
            m_pPort->Close();
        }
    }
}

void CComPort::SetReadSize(int bytes) {
    if (m_pReader) {
        m_pReader->m_nReadSize = std::clamp(bytes, 1, CReadComThread::kMaxReadSize);
    }
}

int CComPort::ReadSize() const {
    return m_pReader ? m_pReader->m_nReadSize.load() : 0;
}

std::optional<CSerialException> CComPort::LastError() const {
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void CComPort::SetLastError(const CSerialException& error) {
    std::lock_guard lock(m_errorMutex);
    m_lastError = error;
}

void CComPort::Deliver(const std::uint8_t* bytes, std::size_t count) {
    std::shared_ptr<const ReceiveHandler> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_pfnReceive;
    }
    if (!handler) {
        return;  // nobody listens yet: the bytes are dropped
    }
    const std::vector<std::uint8_t> block(bytes, bytes + count);
    (*handler)(block.data(), block.size());
}

void CComPort::ReportLinkLost(const std::string& reason) {
    std::shared_ptr<const LinkLostHandler> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_pfnLinkLost;
    }
    if (handler) {
        (*handler)(reason);
    }
}
