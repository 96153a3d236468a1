#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "record/Document.h"

namespace docview_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes HexBytes(const std::string& hex) {
    Bytes out;
    std::string digits;
    for (char c : hex) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path DataFilesDir() {
    return std::filesystem::path(VAVIRIR_TEST_DATA) / "datafiles";
}

// A fresh folder below the system's temporary folder, removed by the destructor.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vavirir-docview-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

inline CObData Record(double value, std::string unit, double sampleRate, int sequence,
                      std::string timeText, std::string typeText) {
    return CObData{value,    std::move(unit),     sampleRate,
                   sequence, std::move(timeText), std::move(typeText)};
}

// A document with main and companion records and a summary that differs from
// the initial one in every field.
inline CRoZudozuvDoc SampleDocument() {
    CRoZudozuvDoc doc;
    doc.channels[0] = {Record(12.3456, "V", 0.0, 0, "3/5/2018 9:7:5", "VDC"),
                       Record(10.02, "KΩ", 0.0, 1, "3/5/2018 9:7:6", "RES"),
                       Record(500000.0, "mVDC", 0.0, 2, "3/5/2018 9:7:7", "mVDC"),
                       Record(-21.5, "℃", 0.0, 3, "3/5/2018 9:7:8", "TEMP")};
    doc.channels[1] = {Record(3.25, "V", 1.0, 0, "00:12:41", "Max"),
                       Record(-1.0, "V", 1.0, 0, "00:00:03", "Min")};
    doc.summary.sum = 1.25;
    doc.summary.average = 0.625;
    doc.summary.maximum = 12.3456;
    doc.summary.minimum = -21.5;
    doc.summary.maximumTime = "3/5/2018 9:7:5";
    doc.summary.minimumTime = "3/5/2018 9:7:8";
    doc.summary.startTime = "3/5/2018 9:7:5";
    doc.summary.endTime = "3/5/2018 9:7:8";
    doc.summary.type = "TEMP";
    doc.summary.dataNumber = 4;
    doc.summary.sampleRate = 0.5;
    return doc;
}

}  // namespace docview_test
