#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ObData.h"
#include "decode/Clock.h"
#include "decode/MeterCodes.h"
#include "decode/MeterReading.h"
#include "decode/ReceiveHost.h"

// Values of a download header.
struct DownloadHeader {
    std::string function;
    std::string startText;  // "dd/mm/yy hh:mm:ss" from the BCD bytes
    std::time_t start = 0;  // the same moment, by the PC's local clock
    std::int32_t interval = 0;
    int blockCount = 0;
};

// The dial position the selector takes for a unit text, or none when the
// unit names no position.
std::optional<DialPosition> DialPositionForUnit(std::string_view unit);

// Turns the received byte stream into readings: the hex-text accumulator, the
// frame cut, the seven decoders and the stored-record download. Runs on the
// GUI thread; reaches everything else through IReceiveHost.
class CReceiveEngine {
  public:
    CReceiveEngine(IReceiveHost& host, const IClock& clock);

    // One received chunk (count >= 1); the bytes are copied.
    void OnReceiveBytes(const std::uint8_t* bytes, std::size_t count);

    // Ends a stalled download with the records received so far: the text of a
    // block that arrived complete is decoded, the download state is cleared
    // and DownloadFinished is raised. Does nothing when no download runs.
    void EndDownloadEarly();

    // Link state, as the data time-out and Start see it.
    bool HasReceivedData() const { return m_bDataReceived; }
    std::time_t LastReceiveTime() const { return m_tLastRx; }
    // While the sync marker is set the meter is sending its records and may
    // pause between them.
    bool IsSyncMarkerSet() const { return m_bSyncMarker; }
    bool AreMeterRecordFramesArriving() const { return m_bMeterRecordFrames; }
    // Data is on its way (its bytes follow at once): Start may open its
    // document before the first of them is decoded.
    void MarkDataReceived() { m_bDataReceived = true; }
    // The meter fell silent: Start waits until data arrives again.
    void MarkSilent() { m_bDataReceived = false; }

    // The stored-record download.
    bool IsDownloading() const { return m_bDownloading; }
    bool IsAwaitingBlockHeader() const { return m_bAwaitBlockHeader; }
    int BlocksDone() const { return m_nBlocksDone; }
    // The header of the download running or run last.
    const DownloadHeader& DownloadInfo() const { return m_download; }
    // Records of finished downloads no document has taken yet.
    const std::vector<CObData>& DownloadedRecords() const { return m_listDownloaded; }
    std::vector<CObData> TakeDownloadedRecords();

    // The current reading and the dial position chosen from its unit.
    const MeterReading& Reading() const { return m_reading; }
    DialPosition CurrentDial() const { return m_nUnitIcon; }
    // Kind of the frame decoded last; none before the first.
    std::optional<FrameKind> LastFrameKind() const { return m_nLastFrameKind; }
    // Whether that frame came from the live stream (not a meter-record frame).
    bool LastFrameWasLive() const { return m_bLastFrameLive; }
    // Received hex text not cut into frames or blocks yet.
    const std::string& PendingHex() const { return m_strRxHex; }

    // Totals since the engine was made, for the link's health display.
    std::uint64_t BytesReceived() const { return m_nBytesReceived; }
    // Frames of the seven kinds cut and decoded, live and meter-record alike.
    std::uint64_t FramesDecoded() const { return m_nFramesDecoded; }
    // Received bytes thrown away because they began no frame, header or block
    // (a marker may straddle two bytes, so half bytes are rounded down).
    std::uint64_t JunkBytesDropped() const { return m_nJunkHexChars / 2; }

    // The dial position rule; returns true when the position changed.
    bool SetUnitIcon(const std::string& unit);

    // Text left in the accumulator after a call is dropped beyond this many
    // hex characters. Outside a download the accumulator never keeps more
    // than the tail of one chunk; during a download it keeps block text, and
    // no block (at most 255 records) comes near this size.
    static constexpr std::size_t kMaxPendingHex = 65536;

    // Length in hex characters of a frame of each kind 0..6.
    static constexpr int kFrameHexLength[kFrameKindCount] = {40, 118, 56, 94, 58, 54, 28};
    static constexpr int kDownloadHeaderHexLength = 52;
    static constexpr int kBlockHeaderHexLength = 10;
    static constexpr int kBlockTrailerHexLength = 6;
    static constexpr int kRecordHexLength = 16;

  private:
    // Decoders: each takes the hex text of exactly one frame, marker included.
    void DecodePlainFrame(std::string frame);
    void DecodeMinMaxFrame(std::string frame);
    void DecodeAuxFrame(std::string frame);
    void DecodePeakFrame(std::string frame);
    void DecodeAcDcFrame(std::string frame);
    void DecodeVacFrame(std::string frame);
    void DecodeFrequencyFrame(std::string frame);

    void DecodeDownloadHeader(const std::uint8_t (&bytes)[26]);
    void DecodeBlock(const std::string& text);

    // One pass of the frame cut over the accumulator; true when it cut a frame
    // or a download header. `callHasCut` tells whether an earlier pass of the
    // same call did.
    bool RunFramePass(bool callHasCut);
    bool IsMarkerInWindow(std::string_view marker) const;
    // Removes the first `count` characters of the accumulator as junk.
    void DropHex(std::size_t count);
    // Characters at the end of `text` that may be a marker cut short by the
    // chunk boundary: a frame's first byte A0, or the first one to three
    // bytes of the sync marker. 0 when there are none.
    static std::size_t SplitMarkerLength(std::string_view text);
    std::array<int, kFrameKindCount> FindFrameStarts() const;
    void DecodeFrameOfKind(FrameKind kind, std::string frame);

    // The final steps every decoder shares: copy, dial, draw, record.
    void FinishDecode(const std::string& frame, FrameKind kind, MeterRecordMode meterRecordMode);
    void RecordDecodedReading(MeterRecordMode meterRecordMode);
    // The PC clock's time text, formatted once per second of the clock.
    const std::string& PcTimeText();

    // Download steps.
    bool RunDownloadHeaderStep();
    // True when a block header was accepted, a block body decoded or the
    // download finished; a rejected block header is not progress.
    bool RunBlockSteps();
    std::size_t BlockBodyHexLength() const;
    bool IsBlockBodyComplete() const;
    void SendAcknowledge();
    void FinishDownload();

    // Receive state.
    std::string m_strRxHex;
    std::time_t m_tLastRx = 0;
    bool m_bDataReceived = false;
    bool m_bSyncMarker = false;
    bool m_bMeterRecordFrames = false;
    std::uint64_t m_nBytesReceived = 0;
    std::uint64_t m_nFramesDecoded = 0;
    std::uint64_t m_nJunkHexChars = 0;

    // Download state.
    bool m_bDownloading = false;
    bool m_bAwaitBlockHeader = false;
    int m_nBlockRecords = 0;
    int m_nBlocksDone = 0;
    DownloadHeader m_download;
    std::vector<CObData> m_listDownloaded;

    // The current reading and the dial position chosen from its unit.
    MeterReading m_reading;
    DialPosition m_nUnitIcon = DialPosition::Off;

    // Kind and family of the frame decoded last.
    std::optional<FrameKind> m_nLastFrameKind;
    bool m_bLastFrameLive = false;

    IReceiveHost& m_host;
    const IClock& m_clock;
    std::time_t m_tTimeText = 0;
    std::string m_strTimeText;
};
