#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "record/Document.h"

// The data file: a little-endian object stream holding the three channels of
// records and the summary of a document. Texts are UTF-8 in memory and UTF-16
// in the file; 8-bit strings written by other tools are read as Latin-1.

// A failed save or open. what() is the message shown to the user, for example
// "Unexpected file format." or "Access to /tmp/x.txt was denied.".
class CDataFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file type as the Open and Save dialogs show it.
inline constexpr const char* kDocumentFilterName = "Text Files(*.txt)";
inline constexpr const char* kDocumentExtension = ".txt";
inline constexpr const char* kDocumentTypeId = "Vavirir.Document";

// The user messages of the data file.
inline constexpr const char* kUnexpectedFileFormat = "Unexpected file format.";
inline constexpr const char* kFailedToOpenDocument = "Failed to open document.";
inline constexpr const char* kFailedToSaveDocument = "Failed to save document.";

// The exact bytes of the data file for doc.
std::vector<std::uint8_t> WriteDocumentBytes(const CRoZudozuvDoc& doc);

// Reads a whole data file into doc: its channels and summary are replaced and
// the document records nothing more (a file's document takes no readings).
// Throws CDataFileError; on failure doc is left unchanged.
// Null entries are skipped; a reference back to a record already read is refused
// as "Unexpected file format." (a record may not appear twice); bytes after the
// summary are ignored.
void ReadDocumentBytes(const std::uint8_t* data, std::size_t size, CRoZudozuvDoc& doc);

// Writes the data file through a temporary file in the same folder that is
// flushed to disk and then renamed over path, so a failed save never destroys
// the previous file. Throws CDataFileError.
void SaveDocumentFile(const CRoZudozuvDoc& doc, const std::string& path);

// Reads the data file at path into doc (see ReadDocumentBytes). The file is read
// in blocks, not held in memory as a whole. Throws CDataFileError; on failure doc
// is left unchanged.
void LoadDocumentFile(const std::string& path, CRoZudozuvDoc& doc);
