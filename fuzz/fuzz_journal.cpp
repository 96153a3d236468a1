// libFuzzer target for the crash journal reader. Any input is read without a
// fault; what it keeps must encode back to the very bytes it came from, so the
// reader never makes up an entry, and a document rebuilt from it is sound.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "record/Document.h"
#include "record/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const JournalContents contents = ParseJournal(data, size);
    if (!contents.headerOk) {
        return 0;
    }
    std::vector<std::uint8_t> again = EncodeJournalHeader(contents.header);
    for (const JournalEntry& entry : contents.entries) {
        EncodeJournalEntry(again, entry.channel, entry.record, entry.step, contents.header.version);
    }
    // The input without its skipped gaps and its dropped tail.
    std::vector<std::uint8_t> kept;
    std::uint64_t from = 0;
    for (const JournalGap& gap : contents.gaps) {
        kept.insert(kept.end(), data + from, data + gap.offset);
        from = gap.offset + gap.bytes;
    }
    kept.insert(kept.end(), data + from, data + size - contents.droppedBytes);
    if (again != kept) {
        std::abort();
    }
    CRoZudozuvDoc doc;
    RebuildFromJournal(contents.entries, doc);
    return 0;
}
