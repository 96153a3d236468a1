#include "app/MeterLink.h"

namespace {

// Stands in for the serial port until the port layer is wired in.
class CNoLink : public IMeterLink {
  public:
    bool Open(const std::string& port, ReceiveFn, LostFn, std::string& warning) override {
        warning = "Warning:Can't open " + port + "!";
        return false;
    }
    void Close() override {}
    bool IsOpen() const override { return false; }
    int Write(const std::uint8_t*, std::size_t) override { return 0; }
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }

  private:
    int m_nReadSize = 20;
};

}  // namespace

std::unique_ptr<IMeterLink> MakeSerialLink() {
    return std::make_unique<CNoLink>();
}

std::vector<std::string> DiscoverSystemPorts() {
    return {};
}
