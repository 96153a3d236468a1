// The download of the records stored in the meter: the header that starts it,
// the block headers and blocks that follow, each acknowledged, and the finish.
#include <string_view>

#include "decode/BcdText.h"
#include "decode/FunctionNames.h"
#include "decode/HexText.h"
#include "decode/ReceiveEngine.h"

namespace {

constexpr std::uint8_t kAcknowledge[] = {0xF3, 0x01, 0xF4};
constexpr int kAcknowledgeRepeats = 5;
constexpr int kDownloadReadSize = 1000;
constexpr char kBlockTrailerMark[] = "a1";

}  // namespace

// Reached when "a0a8" lies within the first five characters and no frame
// start did; true when a complete header was cut.
bool CReceiveEngine::RunDownloadHeaderStep() {
    DropHex(m_strRxHex.find("a0a8"));
    bool cut = false;
    if (m_strRxHex.size() >= static_cast<std::size_t>(kDownloadHeaderHexLength)) {
        m_nBlocksDone = 0;
        std::uint8_t header[26];
        for (int i = 0; i < 26; ++i) {
            header[i] = HexByteAt(m_strRxHex, 2 * static_cast<std::size_t>(i));
        }
        DecodeDownloadHeader(header);
        m_bDownloading = true;
        m_strRxHex.erase(0, kDownloadHeaderHexLength);
        m_bAwaitBlockHeader = true;
        SendAcknowledge();
        m_host.DownloadStarted(m_download.blockCount);
        cut = true;
    }
    // Larger reads let a whole block arrive in few calls.
    if (m_host.ReadSize() != kDownloadReadSize) {
        m_host.SetReadSize(kDownloadReadSize);
    }
    return cut;
}

void CReceiveEngine::DecodeDownloadHeader(const std::uint8_t (&bytes)[26]) {
    m_host.StopAcquisition();
    m_host.EndLiveReadings();
    m_download.function = FunctionName(bytes[2]);
    m_download.startText = BcdDateTimeText(&bytes[3]);
    const CalendarTime start = BcdDateTime(&bytes[3]);
    m_download.start =
        MakeLocalTime(start.year, start.month, start.day, start.hour, start.minute, start.second);
    m_download.interval = LittleEndianInt32(&bytes[9]);
    m_download.blockCount = bytes[21] | bytes[22] << 8;
}

bool CReceiveEngine::RunBlockSteps() {
    if (!m_bDownloading) {
        return false;
    }
    if (m_download.blockCount == 0) {
        // A header announcing no blocks finishes at once, with no records.
        FinishDownload();
        return true;
    }

    bool progress = false;
    if (m_bAwaitBlockHeader && m_nBlocksDone < m_download.blockCount &&
        m_strRxHex.size() >= static_cast<std::size_t>(kBlockHeaderHexLength)) {
        const std::uint8_t marker0 = HexByteAt(m_strRxHex, 0);
        const std::uint8_t marker1 = HexByteAt(m_strRxHex, 2);
        const std::uint8_t records = HexByteAt(m_strRxHex, 4);
        const std::uint8_t number = HexByteAt(m_strRxHex, 6);
        m_strRxHex.erase(0, kBlockHeaderHexLength);
        // A wrong marker or an unexpected block number is dropped; the next
        // header with the expected number is awaited.
        if (marker0 == 0xA0 && marker1 == 0xA9 && number == m_nBlocksDone + 1) {
            m_nBlockRecords = records;
            m_bAwaitBlockHeader = false;
            m_nBlocksDone += 1;
            progress = true;
        }
    }

    // A body is taken only after its header, once its records and trailer
    // are all there; the last block is no different. Only the block's own
    // text is removed: the next block, or live frames after the last one,
    // may already follow it.
    if (m_bAwaitBlockHeader || !IsBlockBodyComplete()) {
        return progress;
    }
    const std::size_t blockLength = BlockBodyHexLength();
    DecodeBlock(m_strRxHex.substr(0, blockLength));
    m_strRxHex.erase(0, blockLength);
    if (m_nBlocksDone < m_download.blockCount) {
        m_bAwaitBlockHeader = true;
        SendAcknowledge();
        m_host.DownloadProgress(m_nBlocksDone);
    } else {
        FinishDownload();
    }
    return true;
}

std::size_t CReceiveEngine::BlockBodyHexLength() const {
    return static_cast<std::size_t>(m_nBlockRecords) * kRecordHexLength + kBlockTrailerHexLength;
}

// The trailer mark must lie inside the block itself, not in a later block
// that arrived with it.
bool CReceiveEngine::IsBlockBodyComplete() const {
    const std::size_t blockLength = BlockBodyHexLength();
    if (m_strRxHex.size() < blockLength) {
        return false;
    }
    const std::string_view block = std::string_view(m_strRxHex).substr(0, blockLength);
    return block.find(kBlockTrailerMark, 1) != std::string_view::npos;
}

void CReceiveEngine::DecodeBlock(const std::string& text) {
    // Records are 16 characters; the trailer (6 characters) is not one. A
    // record whose text is cut short is not made up from missing bytes.
    const long length = static_cast<long>(text.size());
    for (long pos = 0; pos < length - kBlockTrailerHexLength; pos += kRecordHexLength) {
        if (pos + kRecordHexLength > length) {
            break;
        }
        std::uint8_t record[8];
        for (int i = 0; i < 8; ++i) {
            record[i] = HexByteAt(text, static_cast<std::size_t>(pos + 2 * i));
        }
        // A negative count of seconds simply lies before the start.
        const std::time_t t = m_download.start + LittleEndianInt32(&record[4]);

        CObData data;
        data.value = static_cast<double>(LittleEndianFloat(&record[0]));
        data.unit = m_download.function;
        data.sampleRate = static_cast<double>(m_download.interval);
        data.sequence = static_cast<std::int32_t>(m_listDownloaded.size());
        data.timeText = FormatPcTime(t);
        data.typeText = m_download.function;
        data.overload = data.value == kOverloadValue;
        data.SetTime(t);
        m_listDownloaded.push_back(std::move(data));
    }
}

void CReceiveEngine::EndDownloadEarly() {
    if (!m_bDownloading) {
        return;
    }
    const std::size_t recordsLength = static_cast<std::size_t>(m_nBlockRecords) * kRecordHexLength;
    if (!m_bAwaitBlockHeader && m_strRxHex.size() >= recordsLength) {
        // The trailer may be missing; the records need not wait for it.
        DecodeBlock(m_strRxHex.substr(0, recordsLength));
    }
    m_strRxHex.clear();
    FinishDownload();
}

std::vector<CObData> CReceiveEngine::TakeDownloadedRecords() {
    std::vector<CObData> records = std::move(m_listDownloaded);
    m_listDownloaded.clear();
    return records;
}

void CReceiveEngine::SendAcknowledge() {
    for (int i = 0; i < kAcknowledgeRepeats; ++i) {
        m_host.WriteToMeter(kAcknowledge, sizeof kAcknowledge);
    }
}

void CReceiveEngine::FinishDownload() {
    m_bDownloading = false;
    m_bAwaitBlockHeader = false;
    m_nBlockRecords = 0;
    m_host.DownloadFinished();
}
