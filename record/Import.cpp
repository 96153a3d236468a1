#include "record/Import.h"

#include "record/Document.h"

void ImportDownloadedRecords(CRoZudozuvDoc& document, std::vector<CObData>& downloaded) {
    // A download of no records leaves an empty document; it must not become
    // live again.
    document.SetRole(DocumentRole::NotRecording);
    document.AppendDownload(downloaded);
}
