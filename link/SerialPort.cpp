#include "link/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::string ErrorText(std::uint32_t error) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in `buffer`.
    const char* text = strerror_r(static_cast<int>(error), buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

bool SpeedFor(int baudRate, speed_t& speed) {
    switch (baudRate) {
        case 50:
            speed = B50;
            return true;
        case 75:
            speed = B75;
            return true;
        case 110:
            speed = B110;
            return true;
        case 134:
            speed = B134;
            return true;
        case 150:
            speed = B150;
            return true;
        case 200:
            speed = B200;
            return true;
        case 300:
            speed = B300;
            return true;
        case 600:
            speed = B600;
            return true;
        case 1200:
            speed = B1200;
            return true;
        case 1800:
            speed = B1800;
            return true;
        case 2400:
            speed = B2400;
            return true;
        case 4800:
            speed = B4800;
            return true;
        case 9600:
            speed = B9600;
            return true;
        case 19200:
            speed = B19200;
            return true;
        case 38400:
            speed = B38400;
            return true;
        case 57600:
            speed = B57600;
            return true;
        case 115200:
            speed = B115200;
            return true;
        case 230400:
            speed = B230400;
            return true;
        case 460800:
            speed = B460800;
            return true;
        case 921600:
            speed = B921600;
            return true;
        default:
            return false;
    }
}

bool CharSizeFor(int dataBits, tcflag_t& size) {
    switch (dataBits) {
        case 5:
            size = CS5;
            return true;
        case 6:
            size = CS6;
            return true;
        case 7:
            size = CS7;
            return true;
        case 8:
            size = CS8;
            return true;
        default:
            return false;
    }
}

void MakeRaw(termios& tio) {
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    // Receiver on, modem status lines ignored. HUPCL is left as the driver has
    // it, so the DTR and RTS lines are not touched by us.
    tio.c_cflag |= CREAD | CLOCAL;
    // Reads are driven by poll, never by the tty's own timer.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

void ApplyParity(termios& tio, int parity) {
    switch (parity) {
        case EvenParity:
            tio.c_cflag |= PARENB;
            tio.c_cflag &= ~(PARODD | CMSPAR);
            break;
        case OddParity:
            tio.c_cflag |= PARENB | PARODD;
            tio.c_cflag &= ~CMSPAR;
            break;
        case NoParity:
            tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
            break;
        case MarkParity:  // sticky parity bit, always 1
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case SpaceParity:  // sticky parity bit, always 0
            tio.c_cflag |= PARENB | CMSPAR;
            tio.c_cflag &= ~PARODD;
            break;
        default:
            break;
    }
}

void ApplyStopBits(termios& tio, int stopBits) {
    switch (stopBits) {
        case OneStopBit:
            tio.c_cflag &= ~CSTOPB;
            break;
        case OnePointFiveStopBits:  // a UART sends 1.5 stop bits for CSTOPB with 5 data bits
        case TwoStopBits:
            tio.c_cflag |= CSTOPB;
            break;
        default:
            break;
    }
}

void ApplyFlowControl(termios& tio, int flowControl) {
    switch (flowControl) {
        case NoFlowControl:
            tio.c_cflag &= ~CRTSCTS;
            tio.c_iflag &= ~(IXON | IXOFF | IXANY);
            break;
        case CtsRtsFlowControl:
        case CtsDtrFlowControl:
            tio.c_cflag |= CRTSCTS;
            tio.c_iflag &= ~(IXON | IXOFF | IXANY);
            break;
        case XonXoffFlowControl:
            tio.c_cflag &= ~CRTSCTS;
            tio.c_iflag |= IXON | IXOFF;
            tio.c_iflag &= ~IXANY;
            tio.c_cc[VSTART] = 0x11;
            tio.c_cc[VSTOP] = 0x13;
            break;
        default:
            ThrowSerialException("flow control code " + std::to_string(flowControl) +
                                     " is not available on this system",
                                 EINVAL);
    }
}

// Unix98 pseudo-terminal slaves (/dev/pts/N) have majors 136 to 143.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    const unsigned int major = major(st.st_rdev);
    return major >= 136 && major <= 143;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    // Rounded up: the gap must never end before the full interval has passed.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CSerialException::CSerialException(std::uint32_t error, const std::string& context)
    : std::runtime_error(context + ": " + ErrorText(error)), m_dwError(error) {}

CSerialException::CSerialException(std::uint32_t error, const std::string& context,
                                   const std::string& message)
    : std::runtime_error(context + ": " + message), m_dwError(error), m_strMessage(message) {}

std::string CSerialException::GetErrorMessage() const {
    return m_strMessage.empty() ? ErrorText(m_dwError) : m_strMessage;
}

void ThrowSerialException(const std::string& context, int error) {
    const int code = error != 0 ? error : errno;
    throw CSerialException(static_cast<std::uint32_t>(code), context);
}

std::string ComPortDevicePath(int portNumber) {
    return "/dev/rfcomm" + std::to_string(portNumber);
}

void ApplyLineSettings(termios& tio, const LineSettings& settings) {
    speed_t speed = B9600;
    if (!SpeedFor(settings.baudRate, speed)) {
        ThrowSerialException("baud rate " + std::to_string(settings.baudRate), EINVAL);
    }
    tcflag_t charSize = CS8;
    if (!CharSizeFor(settings.dataBits, charSize)) {
        ThrowSerialException("data bits " + std::to_string(settings.dataBits), EINVAL);
    }
    MakeRaw(tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | charSize;
    ApplyParity(tio, settings.parity);
    ApplyStopBits(tio, settings.stopBits);
    ApplyFlowControl(tio, settings.flowControl);
}

// ---------------------------------------------------------------------------

CStopSignal::CStopSignal() {
    m_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fd < 0) {
        ThrowSerialException("eventfd");
    }
}

CStopSignal::~CStopSignal() {
    close(m_fd);
}

void CStopSignal::Raise() {
    const std::uint64_t one = 1;
    // Only fails when the counter would overflow, which leaves it raised anyway.
    [[maybe_unused]] ssize_t written = write(m_fd, &one, sizeof one);
}

bool CStopSignal::IsRaised() const {
    pollfd p{m_fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// ---------------------------------------------------------------------------

CSerialPort::~CSerialPort() {
    Close();
}

void CSerialPort::Open(int portNumber, const LineSettings& settings) {
    m_nPort = portNumber;
    OpenDevice(ComPortDevicePath(portNumber), settings);
}

void CSerialPort::OpenDevice(const std::string& path, const LineSettings& settings) {
    Close();
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            ThrowSerialException("open " + path + ": port in use by another program", error);
        }
        ThrowSerialException("open " + path, error);
    }
    m_hComm = fd;
    m_strDevice = path;
    try {
        RequireCharacterDevice();
        LockExclusive();
        m_bPseudoTerminal = IsPseudoTerminal(fd);
        Configure(settings);
    } catch (...) {
        Close();
        throw;
    }
}

void CSerialPort::AdoptSocket(int fd, const std::string& name) {
    Close();
    m_hComm = fd;
    m_strDevice = name;
    m_bSocket = true;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        const int error = errno;
        Close();
        ThrowSerialException("fcntl " + name, error);
    }
}

void CSerialPort::RequireCharacterDevice() {
    // A path that comes back as a plain file (or a pipe) is named as such,
    // rather than by the first terminal call that fails on it.
    struct stat st {};
    if (fstat(m_hComm, &st) != 0) {
        ThrowSerialException("fstat " + m_strDevice);
    }
    if (!S_ISCHR(st.st_mode)) {
        ThrowSerialException("open " + m_strDevice + ": not a serial device", ENOTTY);
    }
}

void CSerialPort::LockExclusive() {
    if (flock(m_hComm, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ThrowSerialException("open " + m_strDevice + ": port in use by another program", error);
    }
    if (ioctl(m_hComm, TIOCEXCL) != 0) {
        ThrowSerialException("TIOCEXCL " + m_strDevice);
    }
}

void CSerialPort::Configure(const LineSettings& settings) {
    termios current{};
    if (tcgetattr(m_hComm, &current) != 0) {
        ThrowSerialException("tcgetattr " + m_strDevice);
    }
    termios wanted = current;
    ApplyLineSettings(wanted, settings);
    if (tcsetattr(m_hComm, TCSANOW, &wanted) == 0) {
        termios actual{};
        if (tcgetattr(m_hComm, &actual) != 0) {
            ThrowSerialException("tcgetattr " + m_strDevice);
        }
        // tcsetattr succeeds when any change took. A real device must keep the
        // line format; a pseudo-terminal has no line and may ignore it.
        const tcflag_t lineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
        const bool lineKept = (actual.c_cflag & lineBits) == (wanted.c_cflag & lineBits) &&
                              cfgetospeed(&actual) == cfgetospeed(&wanted);
        if (!lineKept && !m_bPseudoTerminal) {
            ThrowSerialException("tcsetattr " + m_strDevice + ": line settings not taken", EINVAL);
        }
        return;
    }
    if (!m_bPseudoTerminal) {
        ThrowSerialException("tcsetattr " + m_strDevice);
    }
    // A pseudo-terminal that refuses the line format still has to be raw.
    termios raw = current;
    MakeRaw(raw);
    raw.c_cflag = (raw.c_cflag & ~CSIZE) | CS8;
    raw.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (tcsetattr(m_hComm, TCSANOW, &raw) != 0) {
        ThrowSerialException("tcsetattr " + m_strDevice);
    }
}

void CSerialPort::Close() {
    if (m_hComm < 0) {
        return;
    }
    // The exclusive mode belongs to the terminal, not to this descriptor: it
    // would outlive the close while the other side of a pseudo-terminal stays
    // open, and no unprivileged program could open the device again. A device
    // that vanished has no mode left to clear, so the result does not matter.
    ioctl(m_hComm, TIOCNXCL);
    close(m_hComm);  // also drops the flock
    m_hComm = -1;
    m_bPseudoTerminal = false;
    m_bSocket = false;
}

ReadResult CSerialPort::Read(std::uint8_t* buffer, std::size_t count, const CStopSignal& stop) {
    ReadResult result;
    if (m_hComm < 0) {
        ThrowSerialException("read", EBADF);
    }
    Clock::time_point gapEnd{};
    while (result.count < count) {
        pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {m_hComm, POLLIN, 0}};
        const int timeout = result.count == 0 ? -1 : MillisecondsLeft(gapEnd);
        const int ready = poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSerialException("poll " + m_strDevice);
        }
        if (fds[0].revents & POLLIN) {
            result.end = ReadEnd::Stopped;
            return result;
        }
        if (ready == 0) {
            return result;  // the gap after the last byte has passed
        }
        const short events = fds[1].revents;
        if (events & POLLNVAL) {
            ThrowSerialException("poll " + m_strDevice, EBADF);
        }
        if (events & (POLLIN | POLLHUP | POLLERR)) {
            // After a hang-up read still hands out what was received before it.
            const ssize_t n = read(m_hComm, buffer + result.count, count - result.count);
            if (n > 0) {
                result.count += static_cast<std::size_t>(n);
                gapEnd = Clock::now() + std::chrono::milliseconds(m_nReadIntervalMs);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (events & (POLLHUP | POLLERR)) {
                    result.end = ReadEnd::LinkLost;
                    return result;
                }
                continue;
            }
            if (n == 0 || errno == EIO || errno == ENXIO || errno == ENODEV ||
                errno == ECONNRESET || errno == ENOTCONN || errno == ETIMEDOUT ||
                errno == EHOSTDOWN) {
                result.end = ReadEnd::LinkLost;
                return result;
            }
            ThrowSerialException("read " + m_strDevice);
        }
    }
    return result;
}

bool CSerialPort::WaitForData(const CStopSignal& stop) {
    if (m_hComm < 0) {
        ThrowSerialException("poll", EBADF);
    }
    for (;;) {
        pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {m_hComm, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSerialException("poll " + m_strDevice);
        }
        if (fds[0].revents & POLLIN) {
            return false;
        }
        if (fds[1].revents != 0) {
            return true;
        }
    }
}

std::size_t CSerialPort::Write(const std::uint8_t* bytes, std::size_t count,
                               const CStopSignal& stop) {
    if (m_hComm < 0) {
        ThrowSerialException("write", EBADF);
    }
    std::size_t written = 0;
    while (written < count) {
        // A socket whose peer has gone must fail the write, not raise SIGPIPE.
        const ssize_t n = m_bSocket ? send(m_hComm, bytes + written, count - written, MSG_NOSIGNAL)
                                    : write(m_hComm, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            ThrowSerialException("write " + m_strDevice);
        }
        pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {m_hComm, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            ThrowSerialException("poll " + m_strDevice);
        }
        if (fds[0].revents & POLLIN) {
            break;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            ThrowSerialException("write " + m_strDevice + ": link lost", EIO);
        }
    }
    return written;
}

void CSerialPort::Purge(bool input, bool output) {
    if ((!input && !output) || m_bSocket) {
        return;  // a socket has no driver queues to empty
    }
    const int which = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    if (tcflush(m_hComm, which) != 0) {
        ThrowSerialException("tcflush " + m_strDevice);
    }
}
