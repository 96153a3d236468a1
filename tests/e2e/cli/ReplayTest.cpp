// vavirir-cli replay of a stream built here byte by byte: live readings, the
// meter's own statistics frames and a whole stored-record download, each
// checked in the documents the replay saved.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "decode/MeterReading.h"
#include "docview/DataFile.h"
#include "frames/FrameEncoder.h"
#include "record/Document.h"
#include "support/ChildProcess.h"
#include "support/ResultAssert.h"

namespace fs = std::filesystem;

namespace {

using frames::Bytes;

void Append(Bytes& stream, const Bytes& part) {
    stream.insert(stream.end(), part.begin(), part.end());
}

frames::PlainFrame Plain(frames::Family family, float value) {
    frames::PlainFrame frame;
    frame.family = family;
    frame.function = 2;  // VDC
    frame.value = value;
    frame.limit = 6.0f;
    frame.unit = frames::Unit("VDC");
    return frame;
}

// Five live frames of 20 bytes fill the replay's first 100-byte chunk, so the
// sync marker opens the second chunk and discards none of them.
Bytes LivePart() {
    Bytes part;
    for (float value : {1.0f, 2.0f, 7.5f, 3.0f, 4.0f}) {  // 7.5 is above the limit 6
        Append(part, frames::Encode(Plain(frames::Family::Live, value)));
    }
    return part;
}

Bytes MeterRecordPart() {
    Bytes part = frames::SyncMarker();
    Append(part, frames::Encode(Plain(frames::Family::MeterRecord, 1.25f)));
    frames::AuxFrame aux;
    aux.family = frames::Family::MeterRecord;
    aux.value = 2.5f;
    aux.reference = 1.5f;
    aux.relative = 1.0f;
    Append(part, frames::Encode(aux));
    frames::VacFrame vac;
    vac.family = frames::Family::MeterRecord;
    vac.value = 230.0f;
    vac.limit = 600.0f;
    vac.auxValue = 50.0f;
    vac.auxText = {'H', 'z', 0, 0};
    Append(part, frames::Encode(vac));
    return part;
}

// Three blocks sent back to back, as a capture of a meter that did not wait
// for the acknowledgements would hold them.
Bytes DownloadPart() {
    frames::DownloadHeader header;
    header.function = 2;  // VDC
    header.start = frames::MakeBcdStamp(26, 12, 7, 23, 59, 50);
    header.interval = 5;
    header.blockCount = 3;
    Bytes part = frames::Encode(header);
    Append(part, frames::EncodeBlock(1, {{0.5f, 0}, {1.5f, 5}}));
    Append(part, frames::EncodeBlock(2, {{2.5f, 10}, {3.5f, 15}, {-1.0f, 20}}));
    Append(part, frames::EncodeBlock(3, {{4.5f, 25}}));
    return part;
}

class ReplayCli : public ::testing::Test {
  protected:
    void SetUp() override {
        // Time texts below are UTC; the child inherits the zone.
        setenv("TZ", "UTC", 1);
        tzset();
        m_dir = fs::temp_directory_path() / ("vavirir-e2e-replay-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        if (!HasFailure()) {
            fs::remove_all(m_dir);
        }
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    void WriteStream(const Bytes& bytes, const std::string& path) const {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }

    // Runs the replay and returns the paths it printed (empty when it failed).
    std::vector<std::string> Replay(const std::string& stream, const std::string& outDir) {
        test_support::ChildProcess cli(
            {std::string(VAVIRIR_BINARY_DIR) + "/vavirir-cli", "replay", "--now",
             "2026-12-07 09:05:09", stream, "--out-dir", outDir},
            test_support::StderrTo(PathOf("replay.err")));
        std::vector<std::string> paths;
        while (const auto line = cli.ReadLine(std::chrono::seconds(10))) {
            paths.push_back(*line);
        }
        EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 0) << cli.Stderr();
        return paths;
    }

    fs::path m_dir;
};

CRoZudozuvDoc Load(const std::string& path) {
    CRoZudozuvDoc doc;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(path, doc)));
    return doc;
}

}  // namespace

TEST_F(ReplayCli, LiveMeterRecordAndDownloadDocuments) {
    Bytes stream = LivePart();
    Append(stream, MeterRecordPart());
    Append(stream, DownloadPart());
    WriteStream(stream, PathOf("stream.bin"));
    const std::string outDir = PathOf("out");

    const std::vector<std::string> paths = Replay(PathOf("stream.bin"), outDir);
    ASSERT_EQ(paths,
              (std::vector<std::string>{outDir + "/recording-1.txt", outDir + "/recording-2.txt",
                                        outDir + "/recording-3.txt"}));
    const std::string now = "7/12/2026 9:5:9";

    // Live readings, the overload kept as 500000 and left out of the summary.
    const CRoZudozuvDoc live = Load(paths[0]);
    ASSERT_EQ(live.channels[0].size(), 5u);
    const std::vector<double> liveValues = {1.0, 2.0, kOverloadValue, 3.0, 4.0};
    for (std::size_t i = 0; i < liveValues.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(live.channels[0][i],
                  (CObData{liveValues[i], "VDC", 0.0, static_cast<std::int32_t>(i), now, "VDC"}));
    }
    EXPECT_TRUE(live.channels[1].empty());
    EXPECT_DOUBLE_EQ(live.summary.sum, 10.0);
    EXPECT_DOUBLE_EQ(live.summary.average, 2.5);
    EXPECT_DOUBLE_EQ(live.summary.maximum, 4.0);
    // Automatic scaling may widen a range of one reading by 0.1 each way.
    EXPECT_NEAR(live.summary.minimum, 1.0, 0.1 + 1e-9);
    EXPECT_EQ(live.summary.minimumTime, now);
    EXPECT_EQ(live.summary.dataNumber, 5);
    EXPECT_EQ(live.summary.type, "VDC");
    EXPECT_EQ(live.summary.startTime, now);
    EXPECT_EQ(live.summary.endTime, now);

    // Meter-record frames: one main record each, the relative frame with its
    // reference and relative companions, the AC frame with its auxiliary value.
    const CRoZudozuvDoc records = Load(paths[1]);
    ASSERT_EQ(records.channels[0].size(), 3u);
    EXPECT_EQ(records.channels[0][0], (CObData{1.25, "VDC", 1.0, 0, now, "VDC"}));
    EXPECT_EQ(records.channels[0][1], (CObData{2.5, "VDC", 1.0, 1, now, "VDC"}));
    EXPECT_EQ(records.channels[0][2], (CObData{230.0, "VAC", 1.0, 2, now, "VAC"}));
    ASSERT_EQ(records.channels[1].size(), 3u);
    EXPECT_EQ(records.channels[1][0], (CObData{1.5, "VDC", 1.0, 1, now, "Ref"}));
    EXPECT_EQ(records.channels[1][1], (CObData{1.0, "VDC", 1.0, 1, now, "Rel"}));
    EXPECT_EQ(records.channels[1][2], (CObData{50.0, "Hz", 1.0, 2, now, "VAC"}));

    // The whole download, every block, times counted from the meter's start
    // (23:59:50, so the later records fall on the next day).
    const CRoZudozuvDoc download = Load(paths[2]);
    const std::vector<CObData>& got = download.channels[0];
    const std::vector<CObData> expected = {
        {0.5, "VDC", 5.0, 0, "7/12/2026 23:59:50", "VDC"},
        {1.5, "VDC", 5.0, 1, "7/12/2026 23:59:55", "VDC"},
        {2.5, "VDC", 5.0, 2, "8/12/2026 0:0:0", "VDC"},
        {3.5, "VDC", 5.0, 3, "8/12/2026 0:0:5", "VDC"},
        {-1.0, "VDC", 5.0, 4, "8/12/2026 0:0:10", "VDC"},
        {4.5, "VDC", 5.0, 5, "8/12/2026 0:0:15", "VDC"},
    };
    EXPECT_EQ(got, expected);
    EXPECT_DOUBLE_EQ(download.summary.sum, 11.5);
    EXPECT_DOUBLE_EQ(download.summary.maximum, 4.5);
    EXPECT_DOUBLE_EQ(download.summary.minimum, -1.0);
    EXPECT_EQ(download.summary.minimumTime, "8/12/2026 0:0:10");
}

TEST_F(ReplayCli, DownloadInOneChunkMatchesByteByByte) {
    WriteStream(DownloadPart(), PathOf("download.bin"));
    const std::vector<std::string> whole = Replay(PathOf("download.bin"), PathOf("whole"));
    ASSERT_EQ(whole.size(), 2u);  // the started live document, then the download's
    test_support::ChildProcess cli(
        {std::string(VAVIRIR_BINARY_DIR) + "/vavirir-cli", "replay", "--chunk", "1", "--now",
         "2026-12-07 09:05:09", PathOf("download.bin"), "--out-dir", PathOf("bytes")},
        test_support::StderrTo(PathOf("bytes.err")));
    ASSERT_EQ(cli.Wait(std::chrono::seconds(10)), 0) << cli.Stderr();
    const CRoZudozuvDoc a = Load(whole[1]);
    const CRoZudozuvDoc b = Load(PathOf("bytes") + "/recording-2.txt");
    EXPECT_EQ(a.channels[0].size(), 6u);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.summary, b.summary);
}
