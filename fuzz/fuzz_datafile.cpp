// libFuzzer target for the data file reader. Any input must either be refused
// with a message or read into a document that writes and reads back to
// the very same bytes.
#include <cstdint>
#include <cstdlib>

#include "docview/DataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRoZudozuvDoc doc;
    if (!ReadDocumentBytes(data, size, doc)) {
        return 0;
    }
    const std::vector<std::uint8_t> written = WriteDocumentBytes(doc);
    CRoZudozuvDoc again;
    if (!ReadDocumentBytes(written.data(), written.size(), again) ||
        WriteDocumentBytes(again) != written) {
        std::abort();
    }
    return 0;
}
