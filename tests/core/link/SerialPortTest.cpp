#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include "PtyPair.h"
#include "link/SerialPort.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

termios Blank() {
    termios tio{};
    return tio;
}

TEST(LineSettings, MeterLinkIsRaw8N1At9600WithoutFlowControl) {
    termios tio = Blank();
    tio.c_iflag = ICRNL | IXON | IXOFF | ISTRIP;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
    tio.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
    ApplyLineSettings(tio, LineSettings{});

    EXPECT_EQ(cfgetispeed(&tio), B9600);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & HUPCL) << "the DTR/RTS behaviour is left as the driver has it";
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
}

TEST(LineSettings, ParityStopBitsAndFlowControlCodes) {
    struct ParityCase {
        int code;
        tcflag_t expected;
    };
    const ParityCase parities[] = {
        {EvenParity, PARENB},         {MarkParity, PARENB | CMSPAR | PARODD}, {NoParity, 0},
        {OddParity, PARENB | PARODD}, {SpaceParity, PARENB | CMSPAR},
    };
    for (const ParityCase& c : parities) {
        termios tio = Blank();
        tio.c_cflag = PARODD | CMSPAR;  // stale bits must not survive
        ApplyLineSettings(tio, LineSettings{9600, c.code, 8, OneStopBit, NoFlowControl});
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.expected) << "parity " << c.code;
    }
    // A parity code outside the table leaves the bits as they were.
    termios odd = Blank();
    odd.c_cflag = PARENB | PARODD;
    ApplyLineSettings(odd, LineSettings{9600, 9, 8, OneStopBit, NoFlowControl});
    EXPECT_EQ(odd.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));

    termios stop = Blank();
    ApplyLineSettings(stop, LineSettings{9600, NoParity, 8, TwoStopBits, NoFlowControl});
    EXPECT_TRUE(stop.c_cflag & CSTOPB);
    ApplyLineSettings(stop, LineSettings{9600, NoParity, 5, OnePointFiveStopBits, NoFlowControl});
    EXPECT_TRUE(stop.c_cflag & CSTOPB);
    EXPECT_EQ(stop.c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
    ApplyLineSettings(stop, LineSettings{9600, NoParity, 8, 7, NoFlowControl});
    EXPECT_TRUE(stop.c_cflag & CSTOPB) << "unknown stop-bit code keeps the bit";
    ApplyLineSettings(stop, LineSettings{9600, NoParity, 8, OneStopBit, NoFlowControl});
    EXPECT_FALSE(stop.c_cflag & CSTOPB);

    termios flow = Blank();
    flow.c_cc[VSTART] = 1;
    flow.c_cc[VSTOP] = 2;
    ApplyLineSettings(flow, LineSettings{9600, NoParity, 8, OneStopBit, CtsRtsFlowControl});
    EXPECT_TRUE(flow.c_cflag & CRTSCTS);
    EXPECT_EQ(flow.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(flow.c_cc[VSTART], 1) << "only XonXoff sets the characters";
    ApplyLineSettings(flow, LineSettings{9600, NoParity, 8, OneStopBit, XonXoffFlowControl});
    EXPECT_FALSE(flow.c_cflag & CRTSCTS);
    EXPECT_EQ(flow.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(flow.c_cc[VSTART], 0x11);
    EXPECT_EQ(flow.c_cc[VSTOP], 0x13);
    ApplyLineSettings(flow, LineSettings{9600, NoParity, 8, OneStopBit, NoFlowControl});
    EXPECT_EQ(flow.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_FALSE(flow.c_cflag & CRTSCTS);
}

TEST(LineSettings, SettingsThisSystemCannotDoAreRefused) {
    auto codeOf = [](const LineSettings& settings) -> std::uint32_t {
        termios tio{};
        try {
            ApplyLineSettings(tio, settings);
        } catch (const CSerialException& error) {
            return error.m_dwError;
        }
        return 0;
    };
    EXPECT_EQ(codeOf({9601, NoParity, 8, OneStopBit, NoFlowControl}), std::uint32_t(EINVAL));
    EXPECT_EQ(codeOf({9600, NoParity, 9, OneStopBit, NoFlowControl}), std::uint32_t(EINVAL));
    EXPECT_EQ(codeOf({9600, NoParity, 8, OneStopBit, DsrRtsFlowControl}), std::uint32_t(EINVAL));
    EXPECT_EQ(codeOf({9600, NoParity, 8, OneStopBit, 17}), std::uint32_t(EINVAL));
    EXPECT_EQ(codeOf({115200, NoParity, 8, OneStopBit, NoFlowControl}), 0u);
}

TEST(SerialPort, OpenFailuresCarryTheSystemCodeAndText) {
    CSerialPort port;
    try {
        port.Open(987, LineSettings{});
        FAIL() << "opened a port that does not exist";
    } catch (const CSerialException& error) {
        EXPECT_EQ(error.m_dwError, std::uint32_t(ENOENT));
        EXPECT_EQ(error.GetErrorMessage(), "No such file or directory");
        EXPECT_NE(std::string(error.what()).find("/dev/rfcomm987"), std::string::npos);
    }
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.m_nPort, 987);
    port.Close();  // closing a closed port does nothing

    // A file that is no tty is refused and the object stays closed.
    try {
        port.OpenDevice("/dev/null", LineSettings{});
        FAIL() << "/dev/null taken as a serial port";
    } catch (const CSerialException& error) {
        EXPECT_EQ(error.m_dwError, std::uint32_t(ENOTTY));
    }
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, OpenIsExclusiveAndReopenReleasesTheOldDevice) {
    PtyPair first;
    PtyPair second;
    CSerialPort port;
    port.OpenDevice(first.SlavePath(), LineSettings{});
    ASSERT_TRUE(port.IsOpen());

    CSerialPort other;
    try {
        other.OpenDevice(first.SlavePath(), LineSettings{});
        FAIL() << "a second opener got the port";
    } catch (const CSerialException& error) {
        EXPECT_EQ(error.m_dwError, std::uint32_t(EBUSY));
        EXPECT_NE(std::string(error.what()).find("in use"), std::string::npos);
    }
    EXPECT_FALSE(other.IsOpen());

    // Opening another device closes the first one, which becomes free.
    port.OpenDevice(second.SlavePath(), LineSettings{});
    EXPECT_EQ(port.DevicePath(), second.SlavePath());
    EXPECT_NO_THROW(other.OpenDevice(first.SlavePath(), LineSettings{}));

    // Closing leaves no exclusive mode on the terminal, which would keep every
    // unprivileged program out (root passes it, so ask the terminal itself).
    other.Close();
    const int fd = open(first.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    close(fd);
}

TEST(SerialPort, APseudoTerminalOpensWithLineFormatsItCannotKeep) {
    // The kernel forces a pty slave to 8 data bits without parity; a real
    // device that dropped the format would be refused instead.
    PtyPair pty;
    CSerialPort port;
    EXPECT_NO_THROW(port.OpenDevice(
        pty.SlavePath(), LineSettings{19200, EvenParity, 7, TwoStopBits, XonXoffFlowControl}));
    EXPECT_TRUE(port.IsOpen());
    // Raw all the same: bytes that a cooked line would eat or translate pass.
    const std::vector<std::uint8_t> tricky = {0x0D, 0x0A, 0x03, 0x7F, 0x15, 0x04};
    pty.Send(tricky);
    CStopSignal stop;
    std::uint8_t buffer[16];
    const ReadResult result = port.Read(buffer, tricky.size(), stop);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + result.count), tricky);
}

TEST(SerialPort, ReadEndsAtCountOrAfterTheGapAndNeverEmptyOnItsOwn) {
    PtyPair pty;
    CSerialPort port;
    port.OpenDevice(pty.SlavePath(), LineSettings{});
    CStopSignal stop;
    std::uint8_t buffer[100];

    pty.Send(Pattern(150));
    ReadResult full = port.Read(buffer, 100, stop);
    EXPECT_EQ(full.count, 100u);
    EXPECT_EQ(full.end, ReadEnd::Complete);
    EXPECT_EQ(buffer[99], 99);

    // The remaining 50 complete the read once no byte followed for 200 ms.
    const auto start = SteadyClock::now();
    ReadResult partial = port.Read(buffer, 100, stop);
    const auto waited = SteadyClock::now() - start;
    EXPECT_EQ(partial.count, 50u);
    EXPECT_EQ(buffer[0], 100);
    EXPECT_GE(waited, 180ms);
    EXPECT_LT(waited, 2s);

    // With nothing arriving the read waits until it is stopped.
    std::thread stopper([&] {
        std::this_thread::sleep_for(400ms);
        stop.Raise();
    });
    const auto idleStart = SteadyClock::now();
    ReadResult stopped = port.Read(buffer, 100, stop);
    stopper.join();
    EXPECT_EQ(stopped.end, ReadEnd::Stopped);
    EXPECT_EQ(stopped.count, 0u);
    EXPECT_GE(SteadyClock::now() - idleStart, 350ms);
    EXPECT_TRUE(stop.IsRaised());
}

TEST(SerialPort, WritesReachThePeerAndAHangUpIsReported) {
    PtyPair pty;
    pty.WatchInput();
    CSerialPort port;
    port.OpenDevice(pty.SlavePath(), LineSettings{});
    CStopSignal stop;
    const std::vector<std::uint8_t> ack = {0xF3, 0x01, 0xF4, 0x0A, 0x0D, 0x11, 0x13};
    EXPECT_EQ(port.Write(ack.data(), ack.size(), stop), ack.size());
    EXPECT_EQ(pty.Receive(ack.size(), 2000), ack) << "bytes must pass untranslated";

    // A read that has bytes when the peer vanishes hands them out with the
    // loss. (The kernel drops what nobody has read when the peer goes, so the
    // read takes the bytes first; its gap outlasts the test.)
    std::uint8_t buffer[100];
    ReadResult result;
    port.SetReadInterval(60'000);
    pty.Send(Pattern(10));
    ASSERT_TRUE(pty.WaitForUnread(10, 5000));
    std::thread reader([&] { result = port.Read(buffer, 100, stop); });
    EXPECT_TRUE(pty.WaitForUnread(0, 5000)) << "the read took the bytes";
    pty.CloseMaster();
    reader.join();
    EXPECT_EQ(result.end, ReadEnd::LinkLost);
    EXPECT_EQ(result.count, 10u);
    EXPECT_EQ(port.Read(buffer, 100, stop).end, ReadEnd::LinkLost) << "and stays lost";
}

}  // namespace
