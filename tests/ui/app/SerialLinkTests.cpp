#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>

#include "AppTestSupport.h"
#include "display/ui/LeftDlg.h"

namespace {

// The meter's end of a pseudo-terminal; the frame opens the other end.
class CPtyMeter {
  public:
    CPtyMeter() {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd >= 0 && grantpt(m_fd) == 0 && unlockpt(m_fd) == 0) {
            m_path = ptsname(m_fd);
        }
    }
    ~CPtyMeter() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    const std::string& Path() const { return m_path; }
    bool Send(const std::vector<std::uint8_t>& bytes) {
        return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

  private:
    int m_fd = -1;
    std::string m_path;
};

}  // namespace

TEST(SerialLink, ReadingsFromThePortReachTheFaceAndClosingEndsAtOnce) {
    TestApp();
    CPtyMeter meter;
    ASSERT_FALSE(meter.Path().empty());
    MainFrameOptions options;
    options.discoverPorts = [] { return std::vector<std::string>{}; };
    options.deviceFolder.clear();
    auto frame = std::make_unique<CTestFrame>(std::move(options));
    frame->show();

    ASSERT_TRUE(frame->OpenMeterPort(QString::fromStdString(meter.Path())))
        << frame->messages.join('\n').toStdString();
    EXPECT_EQ(ToNumber(frame->Face().face), 10);
    ASSERT_TRUE(meter.Send(PlainVdcFrame(4.25f)));
    ASSERT_TRUE(WaitFor([&] { return frame->FacePanel()->LastReading().value == 4.25f; }, 5000));
    EXPECT_EQ(ToNumber(frame->Face().face), 1);

    // The meter keeps talking while the program closes: the reader stops at once.
    ASSERT_TRUE(meter.Send(PlainVdcFrame(1.0f)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(frame->close());
    frame.reset();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

TEST(SerialLink, AMissingDeviceGivesOneWarning) {
    TestApp();
    MainFrameOptions options;
    options.discoverPorts = [] { return std::vector<std::string>{}; };
    options.deviceFolder.clear();
    CTestFrame frame(std::move(options));
    EXPECT_FALSE(frame.OpenMeterPort("/dev/vavirir-no-such-port"));
    EXPECT_EQ(
        frame.messages,
        QStringList({"Warning:Can't open /dev/vavirir-no-such-port!\nNo such file or directory"}));
    EXPECT_FALSE(frame.OpenMeterPort("-3"));
    EXPECT_EQ(frame.messages.value(1), "Warning:Can't open -3!");
}
