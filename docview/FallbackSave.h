#pragma once

#include <ctime>
#include <string>

#include "common/Result.h"
#include "record/Document.h"

// Where a recording goes when it cannot be saved where the user asked: a data
// file of its own in the user's state folder, so a session is never discarded.

// $XDG_STATE_HOME/vavirir, or $HOME/.local/state/vavirir when XDG_STATE_HOME
// is unset, empty or not an absolute path. Either argument may be null.
std::string FallbackFolder(const char* xdgStateHome, const char* home);

// FallbackFolder of this process's environment.
std::string FallbackFolder();

// The crash journals' folder: FallbackFolder() + "/journal".
std::string JournalFolder();

// Saves doc as a new data file in folder (made when missing), named after the
// file the user asked for and the local time: "rec.txt" at 2026-12-08 04:45:01
// becomes "rec-20261208-044501.txt" ("-2", "-3", … added when that is taken).
// Never replaces a file. Gives the path written.
Result<std::string> SaveDocumentFallback(const CRoZudozuvDoc& doc, const std::string& wantedPath,
                                         const std::string& folder, std::time_t now);
